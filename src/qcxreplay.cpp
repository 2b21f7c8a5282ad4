#include "qcxreplay.h"

#include "linewriter.h"

#include <QFileInfo>

namespace {
// A file without capture stamps goes at the window's default interval.
constexpr int kIntervalMs = 1000;
}

Qcxreplay::Qcxreplay(const SenderOptions &sender, const QString &filePath, int speed, bool loop, Linewriter *out,
                     QObject *parent)
    : QObject(parent)
    , m_options(sender)
    , m_filePath(filePath)
    , m_speed(speed)
    , m_loop(loop)
    , m_out(out)
{
    connect(&m_replayutil, &Replayutil::sendSentence, &m_sendutil, &Sendutil::recvMsReplaySentence);
    connect(&m_replayutil, &Replayutil::sendActive, &m_sendutil, &Sendutil::recvMsReplayActive);
    connect(&m_replayutil, &Replayutil::sendErrorMessage, this, [this](const QString &message) {
        m_error = message;
        Linewriter::printError(message);
    });
    connect(&m_replayutil, &Replayutil::sendProgress, this, [this](qint64 line, qint64, qint64 skipped) {
        // Each pass of a loop counts its skipped lines from 0.
        if (line == 0 && skipped == 0)
            m_skipped += m_passSkipped;
        m_passSkipped = skipped;
    });
    // The error, if any, comes right after the end: the summary waits for it.
    connect(&m_replayutil, &Replayutil::sendActive, this, [this](bool active) {
        if (!active)
            QMetaObject::invokeMethod(this, &Qcxreplay::replayEnded, Qt::QueuedConnection);
    });
    connect(&m_sendutil, &Sendutil::sendMsTransmissionData, this,
            [this](const QString &sentences, const QString &) { m_sent = sentences.toLongLong(); });
}

bool Qcxreplay::start()
{
    m_sendutil.recvMsTxTransmissionInterval(kIntervalMs / 100.0);
    if (!Qcxsend::startSender(m_sendutil, m_options)) {
        m_status = 1;
        return false;
    }
    m_clock.start();
    m_replayutil.start(m_filePath, kIntervalMs, m_speed, m_loop);
    if (m_replayutil.isActive())
        return true;
    // A file that is there and readable but holds no text is bad input.
    const QFileInfo info(m_filePath);
    m_status = info.isFile() && info.isReadable() ? 2 : 1;
    m_sendutil.recvStopSender();
    return false;
}

void Qcxreplay::stop()
{
    if (m_replayutil.isActive())
        m_replayutil.stop();
    else
        replayEnded();
}

int Qcxreplay::status() const
{
    return m_status;
}

void Qcxreplay::replayEnded()
{
    if (m_finished)
        return;
    m_finished = true;
    m_sendutil.recvStopSender();
    const QString summary = QStringLiteral("sent %1, skipped %2, seconds %3\n")
                                .arg(m_sent)
                                .arg(m_skipped + m_passSkipped)
                                .arg(double(m_clock.elapsed()) / 1000.0, 0, 'f', 2);
    m_out->write(summary.toUtf8());
    if (m_error.startsWith(QLatin1String("Replay File Holds No NMEA Sentences")))
        m_status = 2;
    else if (m_error.startsWith(QLatin1String("Replay Stopped")))
        m_status = 1;
    emit finished(m_status);
}
