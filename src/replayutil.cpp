#include "replayutil.h"

#include <QFileInfo>
#include <QTimer>

namespace {
// Lines scheduled at a time (a run is extended to the end of its second),
// and the most a single second may hold before it is cut.
constexpr qsizetype kRunLines = 1000;
constexpr qsizetype kMaxRunLines = 200000;
// A line longer than this cannot be a datagram; what is past it is skipped unread.
constexpr qint64 kMaxLineBytes = kMaxDatagramBytes + 64;
// Sent before the event loop gets its turn again.
constexpr int kSliceSentences = 200;
} // namespace

Replayutil::Replayutil(QObject *parent)
    : QObject(parent)
    , m_timer(new QTimer(this))
{
    m_timer->setSingleShot(true);
    m_timer->setTimerType(Qt::PreciseTimer);
    connect(m_timer, &QTimer::timeout, this, &Replayutil::sendDue);
}

bool Replayutil::isActive() const
{
    return m_active;
}

QString Replayutil::openFile(const QString &filePath)
{
    const QFileInfo info(filePath);
    if (filePath.isEmpty() || !info.exists())
        return QStringLiteral("Replay File Not Found: ") + filePath;
    if (!info.isFile())
        return QStringLiteral("Replay File Is Not A File: ") + filePath;
    m_file.setFileName(filePath);
    if (!m_file.open(QIODevice::ReadOnly))
        return QStringLiteral("Replay File Cannot Be Read: ") + m_file.errorString();

    // Counting the line ends of the raw bytes is quick even for a large
    // file, and a NUL byte on the way tells a binary file.
    m_lines = 0;
    char last = '\n';
    QByteArray block;
    while (!(block = m_file.read(1 << 20)).isEmpty()) {
        if (block.contains('\0'))
            return QStringLiteral("Replay File Is Not A Text File: ") + filePath;
        m_lines += block.count('\n');
        last = block.back();
    }
    if (m_file.error() != QFileDevice::NoError)
        return QStringLiteral("Replay File Cannot Be Read: ") + m_file.errorString();
    if (last != '\n')
        ++m_lines;
    if (m_file.size() == 0)
        return QStringLiteral("Replay File Is Empty: ") + filePath;
    m_size = info.size();
    m_modified = info.lastModified();
    return QString();
}

void Replayutil::start(const QString &filePath, int txIntervalMs, int speed, bool loop)
{
    stop();
    m_file.close();
    const QString problem = openFile(filePath);
    if (!problem.isEmpty()) {
        m_file.close();
        emit sendErrorMessage(problem);
        emit sendInfoMessage(problem);
        return;
    }
    m_txIntervalMs = qMax(1, txIntervalMs);
    m_speed = speed;
    m_loop = loop;
    m_active = true;
    emit sendActive(true);
    emit sendInfoMessage(QStringLiteral("Replaying ") + QFileInfo(filePath).fileName());
    restartPass(0);
}

void Replayutil::stop()
{
    if (!m_active)
        return;
    finish(QStringLiteral("Replay Stopped, %1 Sentences Sent").arg(m_sent), false);
}

void Replayutil::setLoop(bool loop)
{
    m_loop = loop;
}

void Replayutil::restartPass(int delayMs)
{
    m_file.seek(0);
    m_state = ReplayState();
    m_steps.clear();
    m_next = 0;
    m_hasPending = false;
    m_line = m_skipped = m_tooLong = m_sent = 0;
    m_clock.start();
    m_originMs = delayMs;
    emit sendProgress(0, m_lines, 0);
    m_timer->start(delayMs);
}

bool Replayutil::fileChanged() const
{
    const QFileInfo info(m_file.fileName());
    return !info.exists() || info.size() != m_size || info.lastModified() != m_modified;
}

// Reads the next run into m_steps; false at the end of the file.
bool Replayutil::readRun()
{
    QStringList lines;
    qint64 lastSecond = -1;
    while (lines.size() < kMaxRunLines) {
        QString line;
        if (m_hasPending) {
            line = m_pending;
            m_hasPending = false;
        } else {
            if (m_file.atEnd())
                break;
            QByteArray bytes = m_file.readLine(kMaxLineBytes);
            if (!bytes.endsWith('\n') && !m_file.atEnd()) {
                // Too long for a datagram: the rest of the line is passed over.
                QByteArray rest;
                do
                    rest = m_file.readLine(kMaxLineBytes);
                while (!rest.isEmpty() && !rest.endsWith('\n'));
            }
            if (bytes.endsWith('\n'))
                bytes.chop(1);
            line = QString::fromUtf8(bytes);
        }
        const qint64 second = captureStampSecond(line);
        if (lines.size() >= kRunLines && second >= 0 && second != lastSecond) {
            m_pending = line;
            m_hasPending = true;
            break;
        }
        if (second >= 0)
            lastSecond = second;
        lines << line;
    }
    m_steps = replaySchedule(lines, m_txIntervalMs, m_speed, m_state);
    m_next = 0;
    return !m_steps.isEmpty();
}

void Replayutil::sendDue()
{
    int sentNow = 0;
    while (m_active) {
        if (m_next >= m_steps.size()) {
            if (fileChanged()) {
                finish(QStringLiteral("Replay Stopped: The File Changed While It Was Replayed"), true);
                return;
            }
            if (!readRun()) {
                if (m_sent == 0) {
                    finish(QStringLiteral("Replay File Holds No NMEA Sentences, %1 Lines Skipped").arg(m_skipped), true);
                    return;
                }
                if (!m_loop) {
                    finish(QStringLiteral("Replay Finished, %1 Sentences Sent, %2 Lines Skipped").arg(m_sent).arg(m_skipped),
                           false);
                    return;
                }
                // The first sentence follows the last one a pace later, as the others do.
                restartPass(m_speed <= 0 ? 0 : (m_state.timed ? 1000 : m_txIntervalMs) / m_speed);
                return;
            }
        }
        const ReplayStep &step = m_steps.at(m_next);
        if (step.kind == ReplayStep::Send) {
            const qint64 wait = m_originMs + step.dueMs - m_clock.elapsed();
            if (wait > 0 || sentNow >= kSliceSentences) {
                emit sendProgress(m_line, m_lines, m_skipped);
                m_timer->start(int(qBound(qint64(0), wait, qint64(1) << 30)));
                return;
            }
            ++m_sent;
            ++sentNow;
            ++m_line;
            ++m_next;
            // A copy: the receiver of this signal may stop the replay.
            const QString sentence = step.sentence;
            emit sendSentence(sentence);
            continue;
        }
        ++m_skipped;
        ++m_line;
        ++m_next;
        if (step.kind == ReplayStep::TooLong && ++m_tooLong == 1) {
            const QString text = QStringLiteral("Replay Skipped Line %1: Longer Than A Datagram Can Hold (%2 Bytes)")
                                     .arg(m_line)
                                     .arg(kMaxDatagramBytes);
            emit sendErrorMessage(text);
        }
    }
}

void Replayutil::finish(const QString &message, bool failed)
{
    m_timer->stop();
    m_active = false;
    m_file.close();
    m_steps.clear();
    emit sendProgress(m_line, m_lines, m_skipped);
    emit sendActive(false);
    if (failed)
        emit sendErrorMessage(message);
    emit sendInfoMessage(message);
}
