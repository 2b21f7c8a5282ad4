#pragma once

// Shared pieces of the benchmarks: clocks, percentiles, process figures, the
// line protocol between the orchestrator and the receivers and senders it
// starts as child processes, and the event-loop lag probe.

#include <QByteArray>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QObject>
#include <QProcess>
#include <QSocketNotifier>
#include <QString>
#include <QStringList>
#include <QTest>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

#include <malloc.h>
#include <time.h>
#include <unistd.h>

#include "controlutil.h"
#include "logutil.h"
#include "netlab.h"
#include "viewutil.h"

namespace Bench {

inline qint64 monotonicNanos(clockid_t clock = CLOCK_MONOTONIC)
{
    timespec ts{};
    clock_gettime(clock, &ts);
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

// Datagrams for the peer's send and --datagrams=FILE: each after its length
// in two bytes (little-endian).
inline bool writeDatagrams(const QString &path, const QList<QByteArray> &datagrams)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    for (const QByteArray &datagram : datagrams) {
        const char size[2] = {char(datagram.size() & 0xff), char((datagram.size() >> 8) & 0xff)};
        if (datagram.size() > 0xffff || file.write(size, 2) != 2 || file.write(datagram) != datagram.size())
            return false;
    }
    return file.flush();
}

// Waits until the count has not moved for two polls in a row (30 s at most),
// the event loop running meanwhile; its last value.
inline qint64 settled(const std::function<qint64()> &count)
{
    qint64 last = count();
    QDeadlineTimer deadline(30000);
    for (int still = 0; still < 2 && !deadline.hasExpired();) {
        QTest::qWait(300);
        const qint64 now = count();
        still = now == last ? still + 1 : 0;
        last = now;
    }
    return last;
}

// The program's log where the real program has it, below the config folder
// of the process's home.
inline void startApplicationLog(bool console)
{
    QCoreApplication::setOrganizationName(QStringLiteral("vestranautic"));
    QCoreApplication::setApplicationName(QStringLiteral("QuaycastTool"));
    Logutil::instance().setConsoleOutput(console);
    Logutil::instance().installMessageHandler();
    qInfo() << "Application log started";
}

// The program's files in a folder, as main() has them in the user's.
inline ControlutilPaths pathsIn(const QString &dir)
{
    return {dir + QStringLiteral("/settings"), dir + QStringLiteral("/capture"), dir + QStringLiteral("/documents")};
}

// The view model and the controller as main() makes them, without the
// window; their files in a temporary folder unless one is given.
struct Core
{
    explicit Core(const QString &folder = QString())
        : control(&view, pathsIn(folder.isEmpty() ? dir.path() : folder))
    {
    }

    // What the receiver's "Connect" does with the group typed in.
    bool connectReceiver(const QString &group, const QString &port)
    {
        view.setMrGrpIpAddress(group);
        view.setMrGrpPortNumber(port);
        view.setMrConnectionToggle(QStringLiteral("connect"));
        return view.mrConnectionStatus() == QLatin1String("Connected");
    }

    void aimSender(const QString &group, const QString &port)
    {
        view.setMsGrpIpAddress(group);
        view.setMsGrpPortNumber(port);
    }

    QTemporaryDir dir;
    Viewutil view;
    Controlutil control;
};

inline QString onlyFileIn(const QString &dir)
{
    const QStringList files = QDir(dir).entryList(QDir::Files);
    return files.size() == 1 ? dir + QLatin1Char('/') + files.first() : QString();
}

inline qint64 countLines(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    qint64 lines = 0;
    char buffer[1 << 16];
    qint64 got;
    while ((got = file.read(buffer, sizeof buffer)) > 0)
        lines += std::count(buffer, buffer + got, '\n');
    return lines;
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
// the child prints is ignored. "quit" ends the event loop.
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

    // Says "ready" and runs the event loop until "quit".
    int serve()
    {
        reply("ready");
        return QCoreApplication::exec() == 0 ? 0 : 2;
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
            if (command == "quit")
                QCoreApplication::quit();
            else if (!command.isEmpty())
                m_handler(command);
        }
    }

    Handler m_handler;
    QSocketNotifier *m_notifier;
    QByteArray m_pending;
};

// A process this program started. Its waits run the event loop, so that a
// program under test in this process goes on meanwhile.
class Process
{
public:
    Process() { m_process.setProcessChannelMode(QProcess::SeparateChannels); }
    ~Process()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
    }
    Process(const Process &) = delete;
    Process &operator=(const Process &) = delete;

    qint64 pid() const { return m_process.processId(); }
    QProcess &process() { return m_process; }
    QString errorOutput() { return QString::fromLocal8Bit(m_process.readAllStandardError()).right(2000); }

protected:
    // Until done() holds (true), the process has ended or the time is up.
    template<typename Done>
    bool waitFor(Done done, int timeoutMs)
    {
        QDeadlineTimer deadline(timeoutMs);
        while (!done() && m_process.state() != QProcess::NotRunning && !deadline.hasExpired()) {
            QEventLoop loop;
            QObject::connect(&m_process, &QProcess::readyReadStandardOutput, &loop, &QEventLoop::quit);
            QObject::connect(&m_process, &QProcess::finished, &loop, &QEventLoop::quit);
            QTimer::singleShot(int(std::clamp<qint64>(deadline.remainingTime(), 1, 1000)), &loop, &QEventLoop::quit);
            loop.exec();
        }
        return done() || m_process.state() == QProcess::NotRunning;
    }

    QProcess m_process;
};

// Orchestrator side: a child process of this benchmark program, spoken to
// with commands and '@' replies.
class Child : public Process
{
public:
    bool start(const QString &program, const QStringList &arguments, const QStringList &environment)
    {
        m_process.setEnvironment(environment);
        m_process.start(program, arguments);
        return m_process.waitForStarted(10000);
    }

    // The next '@' line that starts with the prefix, without the '@'; empty
    // on a time-out or when the child ended.
    QByteArray waitReply(const QByteArray &prefix, int timeoutMs)
    {
        QByteArray reply;
        waitFor([&] {
            while (reply.isEmpty() && m_process.canReadLine()) {
                const QByteArray line = m_process.readLine().trimmed();
                if (line.startsWith('@') && line.mid(1).startsWith(prefix))
                    reply = line.mid(1);
            }
            return !reply.isEmpty();
        }, timeoutMs);
        return reply;
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

// "COUNT=n NAME_p50=.. NAME_p99=.. NAME_max=.." of the values.
inline QByteArray quantileFields(const QByteArray &count, const QByteArray &name, const std::vector<double> &values,
                                 int decimals)
{
    QByteArray fields = count + '=' + QByteArray::number(qulonglong(values.size()));
    for (const auto &[suffix, q] : {std::pair("_p50=", 0.5), std::pair("_p99=", 0.99), std::pair("_max=", 1.0)})
        fields += ' ' + name + suffix + QByteArray::number(quantile(values, q), 'f', decimals);
    return fields;
}

// The two hosts of every bench program: it runs in H, its peer in P0.
inline const QString kHostAddress = QStringLiteral("198.51.100.1");
inline const QString kPeerAddress = QStringLiteral("198.51.100.2");

struct BenchLab
{
    Lab lab{QStringLiteral("eth0 ") + kHostAddress + QStringLiteral("/24 ") + kPeerAddress, QStringLiteral("eth0")};
    Inside inH{Lab::host()};

    // Why the program must not go on, or nothing.
    QString refusal() const
    {
        if (!lab.ok() || !inH.ok())
            return QStringLiteral("cannot build and enter the hosts: ") + lab.error();
        return netnsRefusal();
    }
};

struct PeerDatagram
{
    qint64 atMicros = 0;
    QByteArray payload;
};

// Runs bench/peer.cpp in a namespace of the lab and collects what it prints.
class Peer : public Process
{
public:
    bool start(const QString &ns, const QStringList &arguments)
    {
        m_process.start(QStringLiteral("ip"), QStringList{QStringLiteral("netns"), QStringLiteral("exec"), ns,
                                                          QStringLiteral(QCX_PEER)} + arguments);
        return m_process.waitForStarted(10000);
    }

    // A receiving peer in P0, once it has joined the group; idleMs 0 waits
    // for the count or the time.
    bool startReceiver(const QString &group, quint16 port, int count, int timeoutMs, int idleMs = 0)
    {
        QStringList arguments{QStringLiteral("recv"), group, QString::number(port), kPeerAddress,
                              QString::number((timeoutMs + 999) / 1000), QString::number(count)};
        if (idleMs > 0)
            arguments << QString::number(idleMs);
        return start(Lab::peer(0), arguments) && waitLine("READY", 10000);
    }

    // A blast from P0 (see blast() below).
    bool startBlast(const QString &group, quint16 port, int rate, int seconds, const QStringList &input = {})
    {
        return start(Lab::peer(0), QStringList{QStringLiteral("blast"), group, QString::number(port), kPeerAddress,
                                               QString::number(rate), QString::number(seconds)} + input);
    }

    bool startSender(const QString &ns, const QString &group, quint16 port, const QString &local,
                     const QList<QByteArray> &payloads, int delayMs = 0, int gapMs = 0, int rounds = 1,
                     int intervalMs = 1)
    {
        return m_datagrams.open() && writeDatagrams(m_datagrams.fileName(), payloads)
            && start(ns, {QStringLiteral("send"), group, QString::number(port), local, m_datagrams.fileName(),
                          QString::number(delayMs), QString::number(gapMs), QString::number(rounds),
                          QString::number(intervalMs)});
    }

    bool waitLine(const QByteArray &prefix, int timeoutMs)
    {
        return waitFor([&] { return collect().startsWith(prefix) || m_output.contains('\n' + prefix); }, timeoutMs);
    }

    // True when the peer ended with 0 within the time.
    bool waitFinished(int timeoutMs)
    {
        const bool ended = waitFor([&] { collect(); return false; }, timeoutMs);
        collect();
        return ended && m_process.exitStatus() == QProcess::NormalExit && m_process.exitCode() == 0;
    }

    // What a finished blast or send reports as sent, or -1.
    qint64 sentCount() const
    {
        return m_output.startsWith("SENT ") ? m_output.split(' ').at(1).trimmed().toLongLong() : -1;
    }

    // When the first datagram came (CLOCK_REALTIME), once a receiving peer has ended.
    qint64 firstRealtimeMicros() const { return m_output.mid(m_output.lastIndexOf("END ")).split(' ').value(2).toLongLong(); }

    // What a receiving peer got, once it has ended.
    QList<PeerDatagram> datagrams() const
    {
        QList<PeerDatagram> result;
        for (const QByteArray &line : m_output.split('\n')) {
            const QList<QByteArray> fields = line.split(' ');
            if (fields.size() == 2)
                result << PeerDatagram{fields.at(0).toLongLong(), QByteArray::fromHex(fields.at(1))};
        }
        return result;
    }

    QByteArray output() const { return m_output; }

private:
    const QByteArray &collect()
    {
        m_output += m_process.readAllStandardOutput();
        return m_output;
    }

    QByteArray m_output;
    QTemporaryFile m_datagrams;
};

struct Blast
{
    qint64 sent = 0;
    double seconds = 0;
    bool ok = false;
};

// The peer's blast from P0: rate lines a second for the seconds; input is
// empty for the mixed sentences, else its --fixed80, --numbered or
// --datagrams=FILE, and maybe --groups=N.
inline Blast blast(const QString &group, quint16 port, int rate, int seconds, const QStringList &input = {})
{
    Blast result;
    Peer peer;
    if (!peer.startBlast(group, port, rate, seconds, input) || !peer.waitFinished((seconds + 20) * 1000) || peer.sentCount() < 0) {
        std::fprintf(stderr, "the peer's blast failed: %s\n", qPrintable(peer.errorOutput()));
        return result;
    }
    result.sent = peer.sentCount();
    result.seconds = peer.output().split(' ').at(2).toDouble() / 1e6;
    result.ok = true;
    return result;
}

} // namespace Bench
