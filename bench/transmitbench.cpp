// Part 3 of the benchmark: transmit timing, and a long sentence list.
//
// The sender under test runs as a child process in host A: the core
// (Viewutil and Controlutil with Sendutil) or the whole program (the real Main
// offscreen, every echo appended to the sender list). Host B time-stamps the
// datagrams with the kernel's receive time.

#include <QTemporaryDir>
#include <QTimer>

#include <cmath>
#include <cstdio>
#include <memory>

#include "benchparts.h"
#include "mainwindowharness.h"
#include "peersentences.h"

using namespace Bench;

// ---------------------------------------------------------------------------
// Sender

int runSenderRole(const QStringList &args, bool wholeProgram)
{
    // group port interval(tenths) list-size run-ms
    if (args.size() != 5)
        return 2;
    const int interval = args.at(2).toInt();
    const int listSize = args.at(3).toInt();
    const int runMs = args.at(4).toInt();
    startApplicationLog(false);

    QTemporaryDir dir;
    std::unique_ptr<Core> core;
    std::unique_ptr<MainWindowHarness> main;
    if (wholeProgram) {
        if (!MainWindowHarness::writeSettings(dir.path(), {{QStringLiteral("msDefaultGrpIpAddress"), args.at(0)},
                                                           {QStringLiteral("msDefaultGrpPortNumber"), args.at(1)},
                                                           {QStringLiteral("msDefaultTxInterval"), interval},
                                                           {QStringLiteral("mrSaveNmeaToFileStatus"), false}}))
            return 2;
        main = std::make_unique<MainWindowHarness>(dir.path());
        if (!main->load() || !MainWindowHarness::click(main->item("sendTabBtn")))
            return 2;
    } else {
        core = std::make_unique<Core>();
        emit core->view.sendLoadAppSettings();
        core->aimSender(args.at(0), args.at(1));
    }
    Viewutil *view = main ? main->view() : &core->view;

    const QStringList templates{view->msHeadingNmeaSentence(), view->msPositionZdaNmeaSentence(),
                                view->msPositionRmcNmeaSentence(), view->msSpeedNmeaSentence(),
                                view->msDepthNmeaSentence(), view->msWindNmeaSentence()};
    QStringList list;
    for (int i = 0; i < listSize; ++i)
        list << templates.at(i % templates.size());
    view->setMsNmeaSentencesList(list);

    // How long a tick takes: from its first echo to its last.
    qint64 echoes = 0;
    qint64 tickStart = 0;
    std::vector<double> tickMs;
    QObject::connect(view, &Viewutil::sendMsNmeaSentenceChanged, view, [&] {
        if (view->msConnectionStatus() != QLatin1String("Started"))
            return;
        const qint64 now = monotonicNanos();
        if (echoes % listSize == 0)
            tickStart = now;
        ++echoes;
        if (echoes % listSize == 0 && listSize > 1)
            tickMs.push_back(double(now - tickStart) / 1e6);
    });

    LagProbe lag;
    qint64 startRealtime = 0;
    QTimer stopTimer;
    stopTimer.setSingleShot(true);
    stopTimer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&stopTimer, &QTimer::timeout, view, [&] {
        if (main)
            MainWindowHarness::click(main->item("stopBtn"));
        else
            view->setMsConnectionToggle(QStringLiteral("stop"));
        CommandChannel::reply("done start_rt_us=" + QByteArray::number(startRealtime / 1000) + " echoes="
                              + QByteArray::number(echoes) + " counted=" + view->msTotalSentencesSent().toLatin1()
                              + ' ' + quantileFields("ticks", "tick", tickMs, 2) + ' '
                              + quantileFields("lag_n", "lag", lag.samplesMs(), 3));
    });

    CommandChannel channel([&](const QByteArray &command) {
        if (command == "go") {
            lag.start();
            startRealtime = monotonicNanos(CLOCK_REALTIME);
            // Setting the interval restarts the transmit timer, so that the
            // first tick is one period after this moment.
            view->setMsTxInterval(interval);
            if (main)
                MainWindowHarness::click(main->item("startBtn"));
            else
                view->setMsConnectionToggle(QStringLiteral("start"));
            stopTimer.start(runMs);
        }
    });
    return channel.serve();
}

// ---------------------------------------------------------------------------
// Orchestrator

namespace {

bool startStamp(Peer &peer, const BenchSetup &setup, int seconds, int maxCount)
{
    if (peer.startReceiver(setup.group, setup.port, maxCount, seconds * 1000, 3000))
        return true;
    std::fprintf(stderr, "qcx_bench: time-stamping peer failed: %s\n", qPrintable(peer.errorOutput()));
    return false;
}

QByteArray runSender(const BenchSetup &setup, bool wholeProgram, int interval, int listSize, int runMs)
{
    Child child;
    if (!startRole(child, setup, {wholeProgram ? QStringLiteral("sender-app") : QStringLiteral("sender-core"),
                                  setup.group, QString::number(setup.port), QString::number(interval),
                                  QString::number(listSize), QString::number(runMs)}))
        return {};
    const QByteArray done = child.command("go", "done", runMs + 60000);
    child.finish(60000);
    return done;
}

} // namespace

bool runTransmitBench(const BenchSetup &setup)
{
    const int timingMs = setup.quick ? 5000 : 30000;
    std::printf("## 3. Transmit\n\n");
    std::printf("### Timing\n\nThe whole program sends one sentence at interval 1 (100 ms) and 10 (1 s) for %d s "
                "plus half a period; host B time-stamps the datagrams. Ideal: the number of whole periods in that "
                "time. Gap deviation: |gap - period| between consecutive datagrams. Drift: where the last datagram "
                "came against the first plus whole periods; first tick: when the first came against start plus one "
                "period.\n\n",
                timingMs / 1000);
    std::printf("| interval | datagrams / ideal | gap deviation p50 | p99 | max | drift at the end | first tick |\n");
    std::printf("|---|---:|---:|---:|---:|---:|---:|\n");
    bool ok = true;
    for (int interval : {1, 10}) {
        const int periodMs = interval * 100;
        const int runMs = timingMs + periodMs / 2;
        Peer peer;
        if (!startStamp(peer, setup, runMs / 1000 + 20, 1000000)) {
            ok = false;
            continue;
        }
        const QByteArray done = runSender(setup, true, interval, 1, runMs);
        peer.waitFinished(30000);
        const QList<PeerDatagram> stamps = peer.datagrams();
        if (done.isEmpty() || stamps.size() < 2) {
            ok = false;
            std::printf("| %d | failed | | | | | |\n", interval);
            continue;
        }
        std::vector<double> deviations;
        for (qsizetype i = 1; i < stamps.size(); ++i)
            deviations.push_back(std::abs(double(stamps[i].atMicros - stamps[i - 1].atMicros) / 1000.0 - periodMs));
        const double n = double(stamps.size());
        const double driftMs = (double(stamps.last().atMicros) - (n - 1) * periodMs * 1000.0) / 1000.0;
        const double firstMs = double(peer.firstRealtimeMicros() - qint64(field(done, "start_rt_us"))) / 1000.0 - periodMs;
        std::printf("| %d (%d ms) | %zu / %d | %.3f ms | %.3f ms | %.3f ms | %+.3f ms | %+.3f ms |\n", interval,
                    periodMs, size_t(stamps.size()), runMs / periodMs, quantile(deviations, 0.5),
                    quantile(deviations, 0.99), quantile(deviations, 1.0), driftMs, firstMs);
        std::fflush(stdout);
    }

    const int listMs = setup.quick ? 3000 : 10000;
    const int listSize = 1000;
    std::printf("\n### A list of %d sentences at interval 1\n\nFor %d s; ideal %d datagrams a second. Tick: from the "
                "first echo of a tick to its last (the bare loop: its round of sendto calls). Lag: lateness of a "
                "10 ms timer in the sender's event loop.\n\n",
                listSize, listMs / 1000, listSize * 10);
    std::printf("| sender | datagrams/s received | tick p50 | tick p99 | tick max | lag p99 |\n");
    std::printf("|---|---:|---:|---:|---:|---:|\n");

    // The bare loop: qcx_peer's send in host A, a round of the list every 100 ms.
    QList<QByteArray> list;
    const std::vector<std::string> pool = mixedSentences();
    for (int i = 0; i < listSize; ++i)
        list << QByteArray::fromStdString(pool[size_t(i) % pool.size()]);
    Peer stamp;
    Peer loop;
    ok = startStamp(stamp, setup, listMs / 1000 + 20, 2000000)
        && loop.startSender(Lab::host(), setup.group, setup.port, kHostAddress, list, 0, 0, listMs / 100, 100)
        && loop.waitFinished(listMs + 30000) && stamp.waitFinished(30000) && ok;
    const QList<QByteArray> fields = loop.output().trimmed().split(' ');
    if (fields.size() == 6) {
        std::printf("| bare sendto loop | %.0f | %.2f ms | %.2f ms | %.2f ms | — |\n",
                    double(stamp.datagrams().size()) * 1000.0 / listMs, fields.at(3).toDouble() / 1000,
                    fields.at(4).toDouble() / 1000, fields.at(5).toDouble() / 1000);
    } else {
        ok = false;
    }
    for (bool wholeProgram : {false, true}) {
        Peer peer;
        if (!startStamp(peer, setup, listMs / 1000 + 30, 2000000)) {
            ok = false;
            continue;
        }
        const QByteArray done = runSender(setup, wholeProgram, 1, listSize, listMs);
        peer.waitFinished(40000);
        if (done.isEmpty()) {
            ok = false;
            continue;
        }
        std::printf("| %s | %.0f | %.2f ms | %.2f ms | %.2f ms | %.2f ms |\n",
                    wholeProgram ? "whole program" : "core (no QML)", double(peer.datagrams().size()) * 1000.0 / listMs,
                    field(done, "tick_p50"), field(done, "tick_p99"), field(done, "tick_max"), field(done, "lag_p99"));
        std::fflush(stdout);
    }
    std::printf("\n");
    return ok;
}
