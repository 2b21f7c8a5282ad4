#include "qcxlisten.h"

#include "jsonline.h"
#include "linerecord.h"
#include "linewriter.h"
#include "recvutil.h"
#include "saveutil.h"

#include <QAbstractEventDispatcher>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QTimer>

#include <functional>

namespace {

// A timer's longest wait is some 24 days; a run may be longer.
void after(QObject *context, QDeadlineTimer deadline, const std::function<void()> &done)
{
    const qint64 left = deadline.remainingTime();
    QTimer::singleShot(int(qMin<qint64>(left, 24 * 3600 * 1000)), context, [context, deadline, done] {
        if (deadline.hasExpired())
            done();
        else
            after(context, deadline, done);
    });
}

QDeadlineTimer inSeconds(double seconds)
{
    return QDeadlineTimer(qint64(seconds * 1000), Qt::PreciseTimer);
}

} // namespace

Qcxlisten::Qcxlisten(const ListenOptions &options, Linewriter *out, QObject *parent)
    : QObject(parent)
    , m_options(options)
    , m_out(out)
{
    connect(m_out, &Linewriter::writeFailed, this, [this] {
        // A reader that went away (`| head`) ends the run as it would end a pipe.
        if (m_out->readerGone()) {
            stop(0);
            return;
        }
        Linewriter::printError(QStringLiteral("Cannot Write To Standard Output: ") + m_out->errorString());
        stop(1);
    });
}

Qcxlisten::~Qcxlisten() = default;

bool Qcxlisten::start()
{
    if (!m_options.captureDirectory.isEmpty()) {
        // No other folder than the one asked for.
        m_saveutil = std::make_unique<Saveutil>(m_options.captureDirectory, m_options.captureDirectory);
        connect(m_saveutil.get(), &Saveutil::sendRecordingFailed, this,
                [this](const QString &reason) { m_captureFailure = reason; });
        m_saveutil->recvIncludeDateTimeInNmeaSaveFile(m_options.stamp);
        m_saveutil->recvStartNmeaSavingToFile();
        m_saveutil->recvHoldLines(true);
        // A full disk: said, and the lines go on into the file once there is
        // room. (A file that cannot be opened at all is said below, once.)
        connect(m_saveutil.get(), &Saveutil::sendErrorMessage, this, [this](const QString &message) {
            Linewriter::printError(message + QStringLiteral(": ") + m_saveutil->captureFilePath());
        });
        if (QAbstractEventDispatcher *dispatcher = QAbstractEventDispatcher::instance())
            connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this, &Qcxlisten::writeCapture);
        if (!m_captureFailure.isEmpty()) {
            Linewriter::printError(QStringLiteral("Nothing Is Being Recorded, No NMEA Save File Can Be Opened: ")
                                   + m_captureFailure);
            return false;
        }
        m_midnight = new QTimer(this);
        m_midnight->setSingleShot(true);
        connect(m_midnight, &QTimer::timeout, this, &Qcxlisten::reopenCapture);
        scheduleMidnight();
    }

    for (const GroupPort &group : qAsConst(m_options.groups)) {
        auto receiver = std::make_unique<Recvutil>();
        QString status;
        const auto statusWatch = connect(receiver.get(), &Recvutil::sendMrNmeaData, this,
                                         [&status](const QString &connectionStatus) { status = connectionStatus; });
        connect(receiver.get(), &Recvutil::sendMrErrorMessage, this, &Linewriter::printError);
        receiver->recvMrOsSelectInterfaceStatus(m_options.interfaceName.isEmpty());
        receiver->recvMrInterfaceName(m_options.interfaceName);
        // The time-out of the command line is --timeout; the window's one stays off.
        receiver->recvMrRxTimeoutInterval(0);
        receiver->recvSocketDetailsConnect(group.group, QString::number(group.port));
        disconnect(statusWatch);
        if (status != QLatin1String("Connected"))
            return false;
        connect(receiver.get(), &Recvutil::sendMrDatagram, this,
                [this, group](const DatagramRecord &datagram) { receive(group, datagram); });
        m_receivers.push_back(std::move(receiver));
    }

    if (m_options.durationSeconds > 0)
        after(this, inSeconds(m_options.durationSeconds), [this] { stop(0); });
    if (m_options.timeoutSeconds > 0) {
        after(this, inSeconds(m_options.timeoutSeconds), [this] {
            if (m_lines > 0)
                return;
            Linewriter::printError(QStringLiteral("No NMEA Data Received From Multicast Source"));
            stop(3);
        });
    }
    return true;
}

void Qcxlisten::stop(int status)
{
    if (m_finished)
        return;
    m_finished = true;
    // The receivers stay until the end: one of them may be sending the line that ends the run.
    for (const auto &receiver : m_receivers)
        receiver->recvReceiverDisconnect();
    if (m_saveutil) {
        writeCapture();
        m_saveutil->recvStopNmeaSavingToFile();
    }
    if (!m_out->flush() && !m_out->readerGone() && status == 0) {
        Linewriter::printError(QStringLiteral("Cannot Write To Standard Output: ") + m_out->errorString());
        status = 1;
    }
    emit finished(status);
}

void Qcxlisten::reopenCapture()
{
    if (!m_saveutil || m_finished)
        return;
    writeCapture();
    m_saveutil->recvStopNmeaSavingToFile();
    m_saveutil->recvStartNmeaSavingToFile();
    if (!m_captureFailure.isEmpty()) {
        Linewriter::printError(QStringLiteral("Nothing Is Being Recorded, No NMEA Save File Can Be Opened: ")
                               + m_captureFailure);
        stop(1);
        return;
    }
    scheduleMidnight();
}

void Qcxlisten::scheduleMidnight()
{
    const QDateTime now = QDateTime::currentDateTime();
    const QDateTime midnight(now.date().addDays(1), QTime(0, 0));
    // A few milliseconds past it, so that the new file's name has the new date.
    m_midnight->start(int(qBound(qint64(1000), now.msecsTo(midnight) + 50, qint64(24 * 3600 * 1000))));
}

void Qcxlisten::receive(const GroupPort &group, const DatagramRecord &datagram)
{
    if (m_finished)
        return;
    for (const RowRecord &row : datagram.rows) {
        // A datagram of blanks: no line, as the capture file has none.
        const qsizetype lines = row.lines.size();
        if (lines == 0)
            continue;
        const qint64 room = m_options.count > 0 ? m_options.count - m_lines : lines;
        output(group, datagram, row, qsizetype(qMin<qint64>(lines, room)));
        if (m_options.count > 0 && m_lines >= m_options.count) {
            stop(0);
            return;
        }
    }
}

void Qcxlisten::output(const GroupPort &group, const DatagramRecord &datagram, const RowRecord &row,
                       qsizetype lines)
{
    QString text = row.text;
    if (lines < row.lines.size()) {
        // The run ends within a datagram of several lines: its first lines only.
        QStringList kept;
        for (qsizetype i = 0; i < lines; ++i)
            kept << row.lines.at(i).text;
        text = kept.join(QLatin1Char('\n'));
    }
    if (m_saveutil) {
        m_saveutil->recvNmeaData(QStringLiteral("Connected"), text, QString(), QString());
    }
    if (!m_options.json) {
        // The capture file's line; one line needs none of its splitting.
        if (lines == 1)
            m_out->write((m_stampClock.now(m_options.stamp) + row.lines.first().text + QLatin1Char('\n')).toUtf8());
        else
            m_out->write(captureLine(text, m_stampClock.now(m_options.stamp)).toUtf8());
    } else {
        for (qsizetype i = 0; i < lines; ++i) {
            m_line.resize(0);
            appendJsonLine(m_line, row.lines.at(i), datagram.arrivalMs, datagram.host, group.group, group.port);
            m_out->write(m_line);
        }
    }
    m_lines += lines;
}

// The lines read since the event loop last waited go to the capture file
// together, in one write, where a write per line would cost a system call
// each; the capture file holds them until then.
void Qcxlisten::writeCapture()
{
    m_saveutil->recvHoldLines(false);
    m_saveutil->recvHoldLines(true);
}
