#pragma once

// Shared pieces of the benchmarks: clocks, percentiles, process figures, the
// line protocol between the orchestrator and the receivers and senders it
// starts as child processes, and the event-loop lag probe.

#include <QByteArray>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFile>
#include <QObject>
#include <QProcess>
#include <QSocketNotifier>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

#include <malloc.h>
#include <time.h>
#include <unistd.h>

namespace Bench {

inline qint64 monotonicNanos()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return qint64(ts.tv_sec) * 1000000000LL + ts.tv_nsec;
}

inline qint64 realtimeNanos()
{
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    return qint64(ts.tv_sec) * 1000000000LL + ts.tv_nsec;
}

// The q-quantile (0..1) of the values, nearest rank; 0 for none.
inline double quantile(std::vector<double> values, double q)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const size_t rank = std::min(values.size() - 1, size_t(q * double(values.size())));
    return values[rank];
}

// User plus system CPU seconds of a process so far, from /proc.
inline double processCpuSeconds(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray line = stat.readAll();
    // The command name is in parentheses and may hold blanks.
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    if (fields.size() < 13)
        return -1;
    const double ticks = double(sysconf(_SC_CLK_TCK));
    return (fields.at(11).toDouble() + fields.at(12).toDouble()) / ticks;
}

// One datagram of a file for the blaster's --datagrams=FILE: its length in
// two bytes (little-endian), then its bytes.
inline bool writeDatagram(QFile &file, const QByteArray &datagram)
{
    const char size[2] = {char(datagram.size() & 0xff), char((datagram.size() >> 8) & 0xff)};
    return datagram.size() <= 0xffff && file.write(size, 2) == 2 && file.write(datagram) == datagram.size();
}

inline qint64 residentBytes()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return -1;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields.at(1).toLongLong() * sysconf(_SC_PAGESIZE) : -1;
}

// Bytes the C heap has handed out (small blocks and mmapped ones).
inline qint64 heapBytes()
{
    const struct mallinfo2 info = mallinfo2();
    return qint64(info.uordblks) + qint64(info.hblkhd);
}

// Child side of the line protocol: commands arrive one per line on stdin and
// are answered on stdout with lines starting with '@', so that anything else
// the child prints is ignored.
class CommandChannel : public QObject
{
public:
    using Handler = std::function<void(const QByteArray &command)>;

    explicit CommandChannel(Handler handler, QObject *parent = nullptr)
        : QObject(parent)
        , m_handler(std::move(handler))
        , m_notifier(new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, this))
    {
        connect(m_notifier, &QSocketNotifier::activated, this, &CommandChannel::readInput);
    }

    static void reply(const QByteArray &line)
    {
        std::fwrite("@", 1, 1, stdout);
        std::fwrite(line.constData(), 1, size_t(line.size()), stdout);
        std::fwrite("\n", 1, 1, stdout);
        std::fflush(stdout);
    }

private:
    void readInput()
    {
        char buffer[4096];
        const ssize_t got = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (got <= 0) {
            // The orchestrator is gone.
            m_notifier->setEnabled(false);
            QCoreApplication::exit(3);
            return;
        }
        m_pending.append(buffer, got);
        qsizetype end;
        while ((end = m_pending.indexOf('\n')) >= 0) {
            const QByteArray command = m_pending.left(end).trimmed();
            m_pending.remove(0, end + 1);
            if (!command.isEmpty())
                m_handler(command);
        }
    }

    Handler m_handler;
    QSocketNotifier *m_notifier;
    QByteArray m_pending;
};

// Orchestrator side: a child process of this benchmark program, spoken to
// with commands and '@' replies.
class Child
{
public:
    Child()
    {
        m_process.setProcessChannelMode(QProcess::SeparateChannels);
        m_process.setReadChannel(QProcess::StandardOutput);
    }
    ~Child()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
    }
    Child(const Child &) = delete;
    Child &operator=(const Child &) = delete;

    void setEnvironment(const QStringList &environment) { m_process.setEnvironment(environment); }

    bool start(const QString &program, const QStringList &arguments)
    {
        m_process.start(program, arguments);
        return m_process.waitForStarted(10000);
    }

    qint64 pid() const { return m_process.processId(); }

    // The next '@' line that starts with the prefix, without the '@'; empty
    // on a time-out or when the child ended.
    QByteArray waitReply(const QByteArray &prefix, int timeoutMs)
    {
        QDeadlineTimer deadline(timeoutMs);
        for (;;) {
            while (m_process.canReadLine()) {
                const QByteArray line = m_process.readLine().trimmed();
                if (line.startsWith('@') && line.mid(1).startsWith(prefix))
                    return line.mid(1);
            }
            if (deadline.hasExpired() || m_process.state() == QProcess::NotRunning) {
                m_lastError = QString::fromLocal8Bit(m_process.readAllStandardError()).right(2000);
                return {};
            }
            m_process.waitForReadyRead(int(std::clamp<qint64>(deadline.remainingTime(), 1, 1000)));
        }
    }

    QByteArray command(const QByteArray &line, const QByteArray &replyPrefix, int timeoutMs = 30000)
    {
        m_process.write(line + '\n');
        m_process.waitForBytesWritten(5000);
        return waitReply(replyPrefix, timeoutMs);
    }

    bool finish(int timeoutMs)
    {
        m_process.write("quit\n");
        m_process.closeWriteChannel();
        if (!m_process.waitForFinished(timeoutMs)) {
            m_process.kill();
            m_process.waitForFinished(5000);
            return false;
        }
        return m_process.exitStatus() == QProcess::NormalExit;
    }

    QString lastError() const { return m_lastError; }
    QProcess &process() { return m_process; }

private:
    QProcess m_process;
    QString m_lastError;
};

// Fields of a reply line "name key=value key=value ...".
inline double field(const QByteArray &reply, const char *key, double fallback = -1)
{
    const QByteArray wanted = QByteArray(key) + '=';
    for (const QByteArray &part : reply.split(' ')) {
        if (part.startsWith(wanted))
            return part.mid(wanted.size()).toDouble();
    }
    return fallback;
}

// How late a 10 ms timer fires: each shot is started anew, and its lateness
// is the time it fired less the time it was due.
class LagProbe : public QObject
{
public:
    explicit LagProbe(QObject *parent = nullptr)
        : QObject(parent)
        , m_timer(new QTimer(this))
    {
        m_timer->setSingleShot(true);
        m_timer->setTimerType(Qt::PreciseTimer);
        connect(m_timer, &QTimer::timeout, this, &LagProbe::fired);
    }

    void start()
    {
        m_samples.clear();
        arm();
    }

    std::vector<double> samplesMs() const { return m_samples; }

private:
    void arm()
    {
        m_due = monotonicNanos() + 10000000LL;
        m_timer->start(10);
    }

    void fired()
    {
        m_samples.push_back(double(qMax<qint64>(0, monotonicNanos() - m_due)) / 1e6);
        arm();
    }

    QTimer *m_timer;
    qint64 m_due = 0;
    std::vector<double> m_samples;
};

inline QByteArray lagFields(const std::vector<double> &samplesMs)
{
    return QByteArray("lag_n=") + QByteArray::number(qulonglong(samplesMs.size())) + " lag_p50="
        + QByteArray::number(quantile(samplesMs, 0.5), 'f', 3) + " lag_p99="
        + QByteArray::number(quantile(samplesMs, 0.99), 'f', 3) + " lag_max="
        + QByteArray::number(quantile(samplesMs, 1.0), 'f', 3);
}

// Runs a peer program in another host and collects what it prints.
class Peer
{
public:
    Peer() { m_process.setProcessChannelMode(QProcess::SeparateChannels); }
    ~Peer()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
    }
    Peer(const Peer &) = delete;
    Peer &operator=(const Peer &) = delete;

    bool start(const QString &ns, const QString &program, const QStringList &arguments)
    {
        QStringList args{QStringLiteral("netns"), QStringLiteral("exec"), ns, program};
        args << arguments;
        m_process.start(QStringLiteral("ip"), args);
        return m_process.waitForStarted(10000);
    }

    // Waits for a line starting with the prefix; the output stays collected.
    bool waitLine(const QByteArray &prefix, int timeoutMs)
    {
        QDeadlineTimer deadline(timeoutMs);
        for (;;) {
            m_output += m_process.readAllStandardOutput();
            if (m_output.startsWith(prefix) || m_output.contains('\n' + prefix))
                return true;
            if (deadline.hasExpired() || m_process.state() == QProcess::NotRunning)
                return false;
            m_process.waitForReadyRead(int(std::clamp<qint64>(deadline.remainingTime(), 1, 1000)));
        }
    }

    bool waitFinished(int timeoutMs)
    {
        QDeadlineTimer deadline(timeoutMs);
        while (m_process.state() != QProcess::NotRunning && !deadline.hasExpired()) {
            m_process.waitForReadyRead(int(std::clamp<qint64>(deadline.remainingTime(), 1, 1000)));
            m_output += m_process.readAllStandardOutput();
        }
        m_output += m_process.readAllStandardOutput();
        return m_process.state() == QProcess::NotRunning && m_process.exitStatus() == QProcess::NormalExit
            && m_process.exitCode() == 0;
    }

    QByteArray output() const { return m_output; }
    QString errorOutput() { return QString::fromLocal8Bit(m_process.readAllStandardError()); }

private:
    QProcess m_process;
    QByteArray m_output;
};

} // namespace Bench
