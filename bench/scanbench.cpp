// Part 5 of the benchmark: the Network Scan tab.
//
// The whole program offscreen scans the 16 groups of the IEC 61162-450
// preset while host B sends framed lines of two sources to each of them, and
// the bare recvfrom loop takes the same traffic on the same 16 groups, each
// alone in host A. Then the program scans all 64 reserved groups with no
// traffic: how long joining them takes and what the idle scan costs.

#include <QTemporaryDir>

#include <cstdio>
#include <memory>

#include "benchparts.h"
#include "iec450.h"
#include "mainwindowharness.h"
#include "scanmodel.h"
#include "scanplan.h"

using namespace Bench;

namespace {

const QString kFirstGroup = QStringLiteral("239.192.0.1");
const quint16 kFirstPort = 60001;

qint64 scannedLines(Scanmodel *scan)
{
    qint64 lines = 0;
    for (const ScanReport::Group &group : scan->scan()->report().groups)
        lines += group.lines;
    return lines;
}

// For the peer's --datagrams and --groups=16: datagram i goes to group
// i % 16, from source EI0001 or EI0002 in turn, each with its line count.
bool writeScanDatagrams(const QString &path)
{
    static const char *const sentences[] = {"$HEHDT,271.4,T*2F", "!AIVDM,1,1,,A,13aG?P0P00PD;88MD5MTDww@2<0L,0*71",
                                            "$GPRMC,101530.00,A,5321.5012,N,00613.9913,E,12.1,271.4,140326,1.2,W,A*17",
                                            "$SDDPT,18.6,0.5,50.0*5A"};
    QList<QByteArray> datagrams;
    for (int round = 0; round < 2 * 999; ++round) {
        const QString identity = round % 2 ? QStringLiteral("EI0002") : QStringLiteral("EI0001");
        for (int group = 0; group < 16; ++group)
            datagrams << Iec450::sentenceDatagram(sentences[(round + group) % 4], identity, round / 2 + 1);
    }
    return writeDatagrams(path, datagrams);
}

} // namespace

// The whole program with the Network Scan tab scanning a preset's groups.
int runScanReceiverRole(const QStringList &args)
{
    // preset id (iec450 or iec450-all)
    if (args.size() != 1)
        return 2;
    auto main = std::make_unique<MainWindowHarness>();
    if (!main->load() || !MainWindowHarness::click(main->item("scanTabBtn")))
        return 2;
    Scanmodel *scan = main->control()->scan();
    scan->setPreset(QLatin1String(scanPresets().at(args.at(0) == QLatin1String("iec450") ? 0 : 1).label));
    scan->setEntries(QString());
    const qint64 before = monotonicNanos();
    MainWindowHarness::click(main->item("startScanBtn"));
    const double joinMs = double(monotonicNanos() - before) / 1e6;
    if (!scan->running()) {
        std::fprintf(stderr, "qcx_bench scan: not scanning: %s\n", qPrintable(main->errorShown()));
        return 2;
    }
    return serveReceiver([&] { return scannedLines(scan); }, [] {}, [&] {
        qint64 lost = 0;
        for (const ScanReport::Group &group : scan->scan()->report().groups) {
            for (const ScanReport::Source &source : group.sources)
                lost += source.counts.lost;
        }
        return "rows=" + QByteArray::number(scan->rowCount()) + " tag_lost=" + QByteArray::number(lost)
            + " join_ms=" + QByteArray::number(joinMs, 'f', 1);
    });
}

bool runScanBench(const BenchSetup &setup)
{
    const int seconds = setup.quick ? 3 : 20;
    const int rate = 16 * 1250;
    std::printf("## 5. Network scan\n\n");
    std::printf("Host B sends %d framed lines a second for %d s, in turn to the 16 groups of the "
                "IEC 61162-450 preset (239.192.0.1-16, ports 60001-60016), two sources (EI0001, EI0002) per "
                "group, each with its own line count. In host A the bare recvfrom loop (16 sockets, one poll "
                "loop) takes it, then the whole program offscreen with the Network Scan tab shown and scanning "
                "the preset. CPU: user+system time of the receiving process over the sending time.\n\n",
                rate, seconds);
    QTemporaryDir inputDir;
    const QString datagrams = inputDir.path() + QStringLiteral("/scan.bin");
    if (!inputDir.isValid() || !writeScanDatagrams(datagrams))
        return false;
    std::printf("| receiver | delivered / sent | loss | CPU | CPU per line | lag p99 | lag max |\n");
    std::printf("|---|---:|---:|---:|---:|---:|---:|\n");
    const QStringList input{QStringLiteral("--groups=16"), QStringLiteral("--datagrams=") + datagrams};
    const Flow bare = measureRole(setup, {QStringLiteral("bare"), kFirstGroup, QString::number(kFirstPort), kHostAddress,
                                          QStringLiteral("16")}, kFirstGroup, kFirstPort, rate, seconds, input);
    const Flow scan = measureRole(setup, {QStringLiteral("scan"), QStringLiteral("iec450")}, kFirstGroup, kFirstPort,
                                  rate, seconds, input);
    for (const Flow *run : {&bare, &scan}) {
        const bool isScan = run == &scan;
        std::printf("| %s | %lld / %lld | %.3f%% | %.1f%% | %.2f µs | %s | %s |\n",
                    isScan ? "whole program, Network Scan" : "bare recvfrom loop", run->delivered(), run->sent,
                    run->lossPercent(), run->cpuPercent(), run->cpuMicrosPerLine(),
                    isScan ? qPrintable(QString::number(field(run->stats, "lag_p99"), 'f', 2) + QStringLiteral(" ms")) : "—",
                    isScan ? qPrintable(QString::number(field(run->stats, "lag_max"), 'f', 2) + QStringLiteral(" ms")) : "—");
    }
    if (scan.ok())
        std::printf("\nLines the scan counted lost from the TAG line counts: %.0f; map rows: %.0f.\n",
                    field(scan.stats, "tag_lost"), field(scan.stats, "rows"));

    // All 64 reserved groups, nothing sent; without the lag probe, whose
    // timer would be most of what is measured.
    const int idleSeconds = setup.quick ? 5 : 20;
    Child idle;
    bool idleOk = startRole(idle, setup, {QStringLiteral("scan"), QStringLiteral("iec450-all")});
    double idleCpu = 0;
    QByteArray idleStats;
    if (idleOk) {
        const double cpuBefore = processCpuSeconds(idle.pid());
        QThread::sleep(idleSeconds);
        idleCpu = processCpuSeconds(idle.pid()) - cpuBefore;
        idleStats = idle.command("stats", "stats", 60000);
        idle.finish(60000);
        idleOk = !idleStats.isEmpty();
    }
    std::printf("\n| 64 groups, no traffic | value |\n|---|---:|\n");
    std::printf("| joining all 64 (click on \"Start Scan\" handled) | %.1f ms |\n", field(idleStats, "join_ms"));
    std::printf("| CPU while scanning, idle, over %d s | %.2f%% of a core |\n", idleSeconds,
                100.0 * idleCpu / idleSeconds);
    std::printf("| map rows | %.0f |\n\n", field(idleStats, "rows"));
    return bare.ok() && scan.ok() && idleOk;
}
