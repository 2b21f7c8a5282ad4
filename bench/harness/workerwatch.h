#pragma once

#include "logcapture.h"
#include "recvutil.h"
#include "sendutil.h"
#include "timeline.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QMultiHash>
#include <QObject>
#include <QSignalSpy>
#include <QString>
#include <QStringList>

#include <algorithm>

// Event texts of the watch: a worker's signals as "data: ...", "counters: ...",
// "error: ...", "message: ..."; log lines as Timeline writes them ("info: ...",
// "warning: ...").
inline QString dataEvent(const QString &status, const QString &sentence = QString(), const QString &ip = QString(),
                         const QString &port = QString())
{
    return QStringLiteral("data: ") + QStringList{status, sentence, ip, port}.join(QStringLiteral(" | "));
}
inline QString countersEvent(const QString &sentences, const QString &bytes)
{
    return QStringLiteral("counters: %1 / %2").arg(sentences, bytes);
}
inline QString errorEvent(const QString &text) { return QStringLiteral("error: ") + text; }
inline QString messageEvent(const QString &text) { return QStringLiteral("message: ") + text; }
inline QString infoLog(const QString &text) { return QStringLiteral("info: ") + text; }
inline QString warningLog(const QString &text) { return QStringLiteral("warning: ") + text; }

// Notes a worker's signals into one timeline with the log lines, keeps the
// moment of each signal, and wakes waiting tests on every signal. Only one
// watch may exist at a time (it captures the log).
class WorkerWatch : public QObject
{
    Q_OBJECT

public:
    WorkerWatch() { m_clock.start(); }

    void follow(Recvutil *receiver)
    {
        connect(receiver, &Recvutil::sendMrNmeaData, this,
                [this](const QString &status, const QString &sentence, const QString &ip, const QString &port) {
                    note(dataEvent(status, sentence, ip, port));
                });
        connect(receiver, &Recvutil::sendMrErrorMessage, this,
                [this](const QString &text) { note(errorEvent(text)); });
        connect(receiver, &Recvutil::sendMrInfoMessage, this,
                [this](const QString &text) { note(messageEvent(text)); });
    }

    void follow(Sendutil *sender)
    {
        connect(sender, &Sendutil::sendMsNmeaData, this,
                [this](const QString &status, const QString &sentence, const QString &ip, const QString &port) {
                    note(dataEvent(status, sentence, ip, port));
                });
        connect(sender, &Sendutil::sendMsTransmissionData, this,
                [this](const QString &sentences, const QString &bytes) { note(countersEvent(sentences, bytes)); });
        connect(sender, &Sendutil::sendMsErrorMessage, this,
                [this](const QString &text) { note(errorEvent(text)); });
        connect(sender, &Sendutil::sendMsInfoMessage, this,
                [this](const QString &text) { note(messageEvent(text)); });
    }

    QStringList events() { return m_timeline.events(); }

    // The events since the previous call.
    QStringList newEvents()
    {
        const QStringList all = events();
        const QStringList fresh = all.mid(m_taken);
        m_taken = all.size();
        return fresh;
    }

    // Milliseconds since the watch began, of every emission of the event, in order.
    QList<qint64> timesOf(const QString &event) const
    {
        QList<qint64> times = m_times.values(event);
        std::sort(times.begin(), times.end());
        return times;
    }

    // Runs the event loop until the event has been noted `times` times in all.
    bool waitFor(const QString &event, int timeoutMs, int times = 1)
    {
        QSignalSpy spy(this, &WorkerWatch::noted);
        QDeadlineTimer deadline(timeoutMs);
        while (events().count(event) < times) {
            if (deadline.hasExpired())
                return false;
            spy.wait(int(qMax<qint64>(1, deadline.remainingTime())));
        }
        return true;
    }
    bool waitForNext(const QString &event, int timeoutMs)
    {
        return waitFor(event, timeoutMs, int(events().count(event)) + 1);
    }

signals:
    void noted();

private:
    void note(const QString &event)
    {
        m_timeline.note(event);
        m_times.insert(event, m_clock.elapsed());
        emit noted();
    }

    LogCapture m_log;
    Timeline m_timeline{m_log};
    QElapsedTimer m_clock;
    QMultiHash<QString, qint64> m_times;
    qsizetype m_taken = 0;
};
