#pragma once

#include <QThread>

#include "benchsupport.h"

// What every part of the benchmark needs to start its peers and children.
struct BenchSetup
{
    QString self;                 // this program, started again for each role
    QString qcx;                  // the command line program, measured as a receiver
    QString group = QStringLiteral("239.191.1.1"); // the multicast group every part uses
    quint16 port = 4400;
    QStringList childEnvironment; // offscreen, and HOME and the config folder in a temporary folder
    bool quick = false;           // shorter runs, to try the benchmark out
    bool framed = false;          // receive: IEC 61162-450 datagrams with TAG blocks
    QList<int> rates;             // receive rates; empty for all
    QStringList receivers;        // bare, core, app, qcx, qcx-json; empty for all
};

// Orchestrators: each prints its section of the report and returns false
// when it could not measure.
bool runReceiveBench(const BenchSetup &setup);
bool runRowsBench(const BenchSetup &setup);
bool runTransmitBench(const BenchSetup &setup);
bool runStartupBench(const BenchSetup &setup);
bool runScanBench(const BenchSetup &setup);

// Child roles, started by the orchestrators as "qcx_bench --role NAME ARGS".
int runCoreReceiverRole(const QStringList &args);
int runAppReceiverRole(const QStringList &args);
int runScanReceiverRole(const QStringList &args);
int runSenderRole(const QStringList &args, bool wholeProgram);
int runStartupRole(int argc, char **argv);

// A receiver role's answers to measureRole(): "reset" starts the count and
// the lag probe anew, "count" and "stats" tell them; more takes the rest.
inline int serveReceiver(const std::function<qint64()> &count, const std::function<void()> &reset,
                         const std::function<QByteArray()> &stats, const Bench::CommandChannel::Handler &more = {})
{
    Bench::LagProbe lag;
    Bench::CommandChannel channel([&](const QByteArray &command) {
        if (command == "reset") {
            reset();
            lag.start();
            Bench::CommandChannel::reply("ok");
        } else if (command == "count") {
            Bench::CommandChannel::reply("count n=" + QByteArray::number(count()));
        } else if (command == "stats") {
            Bench::CommandChannel::reply("stats delivered=" + QByteArray::number(count()) + ' ' + stats() + ' '
                                         + Bench::quantileFields("lag_n", "lag", lag.samplesMs(), 3));
        } else if (more) {
            more(command);
        }
    });
    return channel.serve();
}

// Starts this program again in a role ("--role NAME ARGS...") and waits for its "ready".
inline bool startRole(Bench::Child &child, const BenchSetup &setup, const QStringList &roleAndArgs)
{
    // The bare receiver is the peer program's count, without Qt.
    const bool bare = roleAndArgs.value(0) == QLatin1String("bare");
    if (child.start(bare ? QStringLiteral(QCX_PEER) : setup.self,
                    QStringList{bare ? QStringLiteral("count") : QStringLiteral("--role")} + roleAndArgs.mid(bare ? 1 : 0),
                    setup.childEnvironment)
        && !child.waitReply("ready", 60000).isEmpty())
        return true;
    std::fprintf(stderr, "qcx_bench: %s did not start: %s\n", qPrintable(roleAndArgs.value(0)),
                 qPrintable(child.errorOutput()));
    return false;
}

// Waits until the child's count has stopped moving.
inline qint64 settled(Bench::Child &child)
{
    return Bench::settled([&] { return qint64(Bench::field(child.command("count", "count"), "n")); });
}

// What a receiver took of a blast from P0: the lines sent, its CPU seconds
// from the blast's start until its count settled, and its "stats" reply.
struct Flow
{
    qint64 sent = 0;
    double seconds = 0; // the blast's
    double cpuSeconds = 0;
    QByteArray stats;
    bool ok() const { return !stats.isEmpty(); }
    qint64 delivered() const { return qint64(Bench::field(stats, "delivered")); }
    double cpuPercent() const { return seconds > 0 ? 100.0 * cpuSeconds / seconds : 0.0; }
    double lossPercent() const { return sent ? 100.0 * double(sent - delivered()) / double(sent) : 0.0; }
    double cpuMicrosPerLine() const { return delivered() ? 1e6 * cpuSeconds / double(delivered()) : 0.0; }
};

// A receiver role started anew, reset, and measured through a blast.
inline Flow measureRole(const BenchSetup &setup, const QStringList &roleAndArgs, const QString &group, quint16 port,
                        int rate, int seconds, const QStringList &input)
{
    Flow result;
    Bench::Child child;
    if (!startRole(child, setup, roleAndArgs) || child.command("reset", "ok").isEmpty())
        return result;
    const double cpuBefore = Bench::processCpuSeconds(child.pid());
    const Bench::Blast sent = Bench::blast(group, port, rate, seconds, input);
    if (!sent.ok)
        return result;
    settled(child);
    result.cpuSeconds = Bench::processCpuSeconds(child.pid()) - cpuBefore;
    result.stats = child.command("stats", "stats", 120000);
    child.finish(60000);
    result.sent = sent.sent;
    result.seconds = sent.seconds;
    return result;
}
