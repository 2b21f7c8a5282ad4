// Parts 1 and 2 of the benchmark: the receive pipeline at fixed rates, and
// the memory and the clearing of a long receiver list.
//
// Receivers, each a child process in host A:
//   bare  a plain recvfrom loop that only counts (the limit of the host;
//         qcx_peer count, bench/peer.cpp)
//   core  Viewutil, Controlutil (with Recvutil and Saveutil), recording on
//         with date and time, no QML
//   app   the real Main offscreen with its view model and controller, rows
//         appended to the receiver list, recording on with date and time
//   qcx   the command line, `qcx listen --capture DIR`, its lines to a file
//         (qcx-json: with --json)

#include <QAbstractItemModel>
#include <QEventLoop>
#include <QMap>
#include <QQuickItem>
#include <QQuickWindow>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <memory>

#include "benchparts.h"
#include "iec450.h"
#include "mainwindowharness.h"
#include "peersentences.h"
#include "rowfeed.h"

using namespace Bench;

namespace {

// A row of the peer's: a sentence, or a framed line with its TAG block.
bool isPeerSentence(const QString &text)
{
    return text.startsWith(QLatin1Char('$')) || text.startsWith(QLatin1Char('!')) || text.startsWith(QLatin1Char('\\'));
}

} // namespace

// ---------------------------------------------------------------------------
// Receivers

int runCoreReceiverRole(const QStringList &args)
{
    if (args.size() != 2)
        return 2;
    startApplicationLog(false);
    Core core;
    Viewutil &view = core.view;
    const QString captureDirectory = core.dir.path() + QStringLiteral("/capture");
    emit view.sendLoadAppSettings();
    view.setMrIncludeDateTimeInNmeaFileStatus(true);
    view.setMrRxTimeout(3);
    view.setMrSaveNmeaToFileToggle(true);

    qint64 delivered = 0;
    QObject::connect(&view, &Viewutil::sendMrNmeaSentenceChanged, &view, [&] {
        if (isPeerSentence(view.mrNmeaSentence()))
            ++delivered;
    });

    if (!core.connectReceiver(args.at(0), args.at(1))) {
        std::fprintf(stderr, "qcx_bench core receiver: not connected\n");
        return 2;
    }

    return serveReceiver([&] { return delivered; }, [&] { delivered = 0; }, [&] {
        return "file_lines=" + QByteArray::number(countLines(onlyFileIn(captureDirectory)));
    });
}

int runAppReceiverRole(const QStringList &args)
{
    // group port record(0|1)
    if (args.size() != 3)
        return 2;
    startApplicationLog(false);
    const bool record = args.at(2) == QLatin1String("1");
    QTemporaryDir dir;
    if (!MainWindowHarness::writeSettings(dir.path(), {{QStringLiteral("mrDefaultGrpIpAddress"), args.at(0)},
                                                       {QStringLiteral("mrDefaultGrpPortNumber"), args.at(1)},
                                                       {QStringLiteral("mrSaveNmeaToFileStatus"), record},
                                                       {QStringLiteral("mrIncludeDateTimeInNmeaFileStatus"), true},
                                                       {QStringLiteral("mrDefaultRxTimeout"), 3}})) {
        return 2;
    }
    const QString captureDirectory = dir.path() + QStringLiteral("/capture");
    auto main = std::make_unique<MainWindowHarness>(dir.path());
    if (!main->load() || !MainWindowHarness::click(main->item("connectBtn"))
        || main->view()->mrConnectionStatus() != QLatin1String("Connected")) {
        std::fprintf(stderr, "qcx_bench app receiver: not connected\n");
        return 2;
    }
    QQuickItem *list = main->item("listView");
    auto *model = qobject_cast<QAbstractItemModel *>(list->property("nmeaModel").value<QObject *>());
    if (!model)
        return 2;
    const int textRole = model->roleNames().key("text", -1);

    // How long the window takes for a frame: from the end of its animations
    // (just before the items are laid out) to the frame shown.
    std::vector<double> frameMs;
    qint64 frameStart = 0;
    QObject::connect(main->window(), &QQuickWindow::afterAnimating, main->window(),
                     [&] { frameStart = monotonicNanos(); });
    QObject::connect(main->window(), &QQuickWindow::frameSwapped, main->window(), [&] {
        if (frameStart)
            frameMs.push_back(double(monotonicNanos() - frameStart) / 1e6);
        frameStart = 0;
    });

    // The list keeps its newest 100,000 rows: the rows are counted as they
    // come in rather than as they stay.
    qint64 delivered = 0;
    QObject::connect(model, &QAbstractItemModel::rowsInserted, model, [&](const QModelIndex &, int first, int last) {
        for (int row = first; row <= last; ++row)
            delivered += isPeerSentence(model->data(model->index(row, 0), textRole).toString());
    });
    const auto reset = [&] {
        delivered = 0;
        frameMs.clear();
    };
    const auto stats = [&] {
        return "rows=" + QByteArray::number(model->rowCount()) + " file_lines="
            + QByteArray::number(record ? countLines(onlyFileIn(captureDirectory)) : 0) + ' '
            + quantileFields("frames", "frame", frameMs, 2);
    };
    return serveReceiver([&] { return delivered; }, reset, stats, [&](const QByteArray &command) {
        if (command == "mem") {
            QQuickItem *listView = MainWindowHarness::findItem(list, QStringLiteral("nmeaListView"));
            auto *content = listView ? listView->property("contentItem").value<QQuickItem *>() : nullptr;
            CommandChannel::reply("mem rss=" + QByteArray::number(residentBytes()) + " heap="
                                  + QByteArray::number(heapBytes()) + " rows="
                                  + QByteArray::number(model->rowCount()) + " delegates="
                                  + QByteArray::number(content ? content->childItems().size() : -1));
        } else if (command == "clear") {
            // The operator's click, then the next frame that shows the result.
            QEventLoop frameLoop;
            QObject::connect(main->window(), &QQuickWindow::frameSwapped, &frameLoop, &QEventLoop::quit);
            QTimer::singleShot(5000, &frameLoop, &QEventLoop::quit);
            const qint64 start = monotonicNanos();
            MainWindowHarness::click(main->item("clearBtn"));
            const qint64 clicked = monotonicNanos();
            main->window()->update();
            frameLoop.exec();
            const qint64 shown = monotonicNanos();
            CommandChannel::reply("clear sync_ms=" + QByteArray::number(double(clicked - start) / 1e6, 'f', 2)
                                  + " frame_ms=" + QByteArray::number(double(shown - start) / 1e6, 'f', 2)
                                  + " rows=" + QByteArray::number(model->rowCount()));
        }
    });
}

// ---------------------------------------------------------------------------
// Orchestrators

namespace {

// qcx itself is the child: it speaks no commands, so its lines are counted
// in the file its standard output goes to, and SIGTERM ends it.
Flow measureQcx(const BenchSetup &setup, const QString &receiver, int rate, int seconds, const QStringList &input)
{
    Flow run;
    QTemporaryDir dir;
    const QString output = dir.filePath(QStringLiteral("stdout"));
    const QString capture = dir.filePath(QStringLiteral("capture"));
    QProcess qcx;
    qcx.setEnvironment(setup.childEnvironment);
    qcx.setStandardOutputFile(output);
    QStringList args{QStringLiteral("listen"), setup.group + QLatin1Char(':') + QString::number(setup.port),
                     QStringLiteral("--capture"), capture};
    if (receiver == QLatin1String("qcx-json"))
        args << QStringLiteral("--json");
    qcx.start(setup.qcx, args);
    QDeadlineTimer joinBy(10000);
    while (qcx.waitForStarted(10000) && !joined(setup.group) && !joinBy.hasExpired())
        QThread::msleep(50);
    if (!joined(setup.group)) {
        std::fprintf(stderr, "qcx_bench: qcx did not join: %s\n", qcx.readAllStandardError().constData());
        return run;
    }
    const double cpuBefore = processCpuSeconds(qcx.processId());
    const Blast sent = blast(setup.group, setup.port, rate, seconds, input);
    if (!sent.ok)
        return run;
    settled([&] { return countLines(output); });
    run.cpuSeconds = processCpuSeconds(qcx.processId()) - cpuBefore;
    qcx.terminate();
    if (!qcx.waitForFinished(20000) || qcx.exitCode() != 0) {
        std::fprintf(stderr, "qcx_bench: qcx did not end cleanly: %s\n", qcx.readAllStandardError().constData());
        return run;
    }
    run.sent = sent.sent;
    run.seconds = sent.seconds;
    run.stats = "stats delivered=" + QByteArray::number(countLines(output))
        + " file_lines=" + QByteArray::number(countLines(onlyFileIn(capture)));
    return run;
}

Flow measureReceiver(const BenchSetup &setup, const QString &receiver, int rate, int seconds, const QStringList &input)
{
    if (receiver.startsWith(QLatin1String("qcx")))
        return measureQcx(setup, receiver, rate, seconds, input);
    QStringList role{receiver, setup.group, QString::number(setup.port)};
    if (receiver == QLatin1String("bare"))
        role << kHostAddress;
    else if (receiver == QLatin1String("app"))
        role << QStringLiteral("1");
    return measureRole(setup, role, setup.group, setup.port, rate, seconds, input);
}

// The framed input: "UdPbC" datagrams from source EI0001, one TAG'd sentence
// each and every tenth three. The line counts run through 1 to 999 four
// times in the file, so that they go on without a gap as the peer repeats it.
bool writeFramedDatagrams(const QString &path)
{
    const std::vector<std::string> sentences = mixedSentences();
    QList<QByteArray> datagrams;
    int k = 1;
    for (int i = 0, lines = 0; lines < 4 * 999; ++i) {
        QByteArray datagram;
        for (int line = 0; line < (i % 10 == 9 ? 3 : 1); ++line) {
            const std::string &sentence = sentences[size_t(lines++) % sentences.size()];
            const QByteArray one = Iec450::sentenceDatagram(QByteArrayView(sentence.data(), qsizetype(sentence.size())),
                                                            QStringLiteral("EI0001"), k);
            datagram += line == 0 ? one : one.sliced(6);
            k = Iec450::nextLineCount(k);
        }
        datagrams << datagram;
    }
    return k == 1 && writeDatagrams(path, datagrams);
}

QString receiverTitle(const QString &receiver)
{
    static const QMap<QString, QString> titles{
        {QStringLiteral("bare"), QStringLiteral("bare recvfrom loop")},
        {QStringLiteral("core"), QStringLiteral("core (no QML)")},
        {QStringLiteral("qcx"), QStringLiteral("qcx listen --capture, plain to a file")},
        {QStringLiteral("qcx-json"), QStringLiteral("qcx listen --capture --json, to a file")}};
    return titles.value(receiver, QStringLiteral("whole program"));
}

QString millis(double value, bool shown)
{
    return shown && value >= 0 ? QString::number(value, 'f', 2) + QStringLiteral(" ms") : QStringLiteral("—");
}

} // namespace

bool runReceiveBench(const BenchSetup &setup)
{
    const QList<int> rates = setup.rates.isEmpty() ? QList<int>{1000, 5000, 10000, 20000, 50000} : setup.rates;
    const QStringList receivers = setup.receivers.isEmpty()
        ? QStringList{QStringLiteral("bare"), QStringLiteral("core"), QStringLiteral("app"), QStringLiteral("qcx"),
                      QStringLiteral("qcx-json")}
        : setup.receivers;
    const int seconds = setup.quick ? 3 : 20;
    QTemporaryDir inputDir;
    const QString framed = inputDir.path() + QStringLiteral("/framed.bin");
    if (setup.framed && !(inputDir.isValid() && writeFramedDatagrams(framed)))
        return false;
    const QStringList input = setup.framed ? QStringList{QStringLiteral("--datagrams=") + framed} : QStringList();
    std::printf("## 1. Receive pipeline%s\n\n", setup.framed ? ", framed" : "");
    std::printf("Peer host B sends at a fixed rate for %d s (the six sender templates and !AIVDM lines, "
                "16 to 79 characters plus CR LF, paced per millisecond); each receiver runs alone in host A.\n"
                "%s"
                "CPU: user+system time of the receiver process over the sending time, in %% of one core, and "
                "per line sent. Lag: lateness of a 10 ms timer in the receiver's event loop. Frame: the window's "
                "time for one frame (layout, scene graph, software rendering).\n\n",
                seconds,
                setup.framed ? "Framed: each datagram \"UdPbC\" NUL, a TAG block (s:EI0001, n: counting on) and the "
                               "sentence, every tenth datagram three such lines; rates and counts are lines.\n"
                             : "");
    std::printf("| rate/s | receiver | delivered / sent | loss | CPU | CPU per line | lag p99 | lag max | frame p99 | capture lines |\n");
    std::printf("|---:|---|---:|---:|---:|---:|---:|---:|---:|---:|\n");
    std::fflush(stdout);

    QMap<QString, int> best; // the highest rate with zero loss
    bool ok = true;
    for (int rate : rates) {
        for (const QString &receiver : receivers) {
            const Flow run = measureReceiver(setup, receiver, rate, seconds, input);
            ok = ok && run.ok();
            if (run.ok() && run.sent > 0 && run.delivered() == run.sent)
                best[receiver] = qMax(best.value(receiver), rate);
            const bool qtReceiver = receiver != QLatin1String("bare");
            const bool lagged = qtReceiver && !receiver.startsWith(QLatin1String("qcx"));
            std::printf("| %d | %s | %lld / %lld | %.3f%% | %.0f%% | %.2f µs | %s | %s | %s | %s |\n", rate,
                        qPrintable(receiverTitle(receiver)), run.delivered(), run.sent, run.lossPercent(),
                        run.cpuPercent(), run.cpuMicrosPerLine(), qPrintable(millis(field(run.stats, "lag_p99"), lagged)),
                        qPrintable(millis(field(run.stats, "lag_max"), lagged)),
                        qPrintable(millis(field(run.stats, "frame_p99"), true)),
                        qtReceiver ? qPrintable(QString::number(qint64(field(run.stats, "file_lines")))) : "—");
            std::fflush(stdout);
        }
    }

    std::printf("\n| receiver | highest rate with zero loss | ratio to the bare loop |\n|---|---:|---:|\n");
    const int bareBest = best.value(QStringLiteral("bare"));
    for (const QString &receiver : receivers) {
        const int rate = best.value(receiver);
        std::printf("| %s | %s | %s |\n", qPrintable(receiverTitle(receiver)),
                    rate ? qPrintable(QString::number(rate) + QStringLiteral("/s")) : "none",
                    bareBest ? qPrintable(QString::number(double(rate) / bareBest, 'f', 2)) : "—");
    }
    std::printf("\n");
    return ok;
}

bool runRowsBench(const BenchSetup &setup)
{
    // A full list: it keeps its newest rows, so more would only replace them.
    const qint64 wanted = listRowsKept;
    const int rate = 25000;
    std::printf("## 2. Rows\n\n");
    std::printf("The whole program (recording off) receives %lld sentences of 80 characters from host B "
                "at up to %d/s, a full list; memory is measured before and after, then \"Clear Data\" is clicked.\n\n",
                wanted, rate);
    Child child;
    if (!startRole(child, setup, {QStringLiteral("app"), setup.group, QString::number(setup.port), QStringLiteral("0")}))
        return false;
    const QByteArray before = child.command("mem", "mem");
    const qint64 rowsBefore = qint64(field(before, "rows"));
    qint64 rows = rowsBefore;
    double feedSeconds = 0;
    for (int round = 0; round < 4 && rows - rowsBefore < wanted; ++round) {
        const qint64 missing = wanted - (rows - rowsBefore);
        const int seconds = int(qMax<qint64>(1, (missing + rate - 1) / rate));
        const int roundRate = int(qMin<qint64>(rate, (missing + seconds - 1) / seconds));
        const Blast sent = blast(setup.group, setup.port, roundRate, seconds, {QStringLiteral("--fixed80")});
        if (!sent.ok)
            return false;
        feedSeconds += sent.seconds;
        settled(child);
        rows = qint64(field(child.command("mem", "mem"), "rows"));
    }
    const QByteArray after = child.command("mem", "mem");
    const QByteArray cleared = child.command("clear", "clear", 60000);
    const QByteArray afterClear = child.command("mem", "mem");
    child.finish(60000);
    if (before.isEmpty() || after.isEmpty() || cleared.isEmpty())
        return false;

    const double added = field(after, "rows") - field(before, "rows");
    const double rssPerRow = (field(after, "rss") - field(before, "rss")) / added;
    const double heapPerRow = (field(after, "heap") - field(before, "heap")) / added;
    std::printf("| figure | value |\n|---|---:|\n");
    std::printf("| rows added | %.0f (fed in %.1f s) |\n", added, feedSeconds);
    std::printf("| resident memory growth per row | %.1f bytes |\n", rssPerRow);
    std::printf("| heap growth per row (malloc) | %.1f bytes |\n", heapPerRow);
    std::printf("| \"Clear Data\": click handled | %.2f ms |\n", field(cleared, "sync_ms"));
    std::printf("| \"Clear Data\": until the next frame | %.2f ms |\n", field(cleared, "frame_ms"));
    std::printf("| rows after clearing | %.0f |\n", field(cleared, "rows"));
    std::printf("| resident memory given back by clearing | %.1f MB |\n",
                (field(after, "rss") - field(afterClear, "rss")) / 1e6);
    std::printf("\n");
    return true;
}
