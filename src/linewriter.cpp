#include "linewriter.h"

#include <QAbstractEventDispatcher>
#include <QElapsedTimer>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <unistd.h>

namespace {
constexpr qsizetype kBlockBytes = 64 * 1024;
}

Linewriter::Linewriter(int fd, QObject *parent)
    : QObject(parent)
    , m_fd(fd)
{
    m_buffer.reserve(2 * kBlockBytes);
    if (QAbstractEventDispatcher *dispatcher = QAbstractEventDispatcher::instance())
        connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this, &Linewriter::flush);
}

Linewriter::~Linewriter()
{
    flush();
}

void Linewriter::write(QByteArrayView bytes)
{
    if (m_error)
        return;
    m_buffer.append(bytes);
    if (m_buffer.size() >= kBlockBytes)
        flush();
}

bool Linewriter::flush()
{
    const bool wasWriting = m_error == 0;
    qsizetype done = 0;
    while (!m_error && done < m_buffer.size()) {
        const ssize_t written = ::write(m_fd, m_buffer.constData() + done, size_t(m_buffer.size() - done));
        if (written > 0)
            done += written;
        else if (written < 0 && errno != EINTR)
            m_error = errno;
    }
    // Emptied, its block kept for the next lines.
    m_buffer.resize(0);
    if (m_error && wasWriting)
        emit writeFailed();
    return m_error == 0;
}

bool Linewriter::failed() const
{
    return m_error != 0;
}

bool Linewriter::readerGone() const
{
    return m_error == EPIPE;
}

QString Linewriter::errorString() const
{
    return QString::fromLocal8Bit(std::strerror(m_error));
}

void Linewriter::printError(const QString &message)
{
    static QString last;
    static QElapsedTimer said;
    if (message == last && said.isValid() && !said.hasExpired(5000))
        return;
    last = message;
    said.start();
    const QByteArray line = "qcx: " + message.toUtf8() + '\n';
    std::fwrite(line.constData(), 1, size_t(line.size()), stderr);
    std::fflush(stderr);
}
