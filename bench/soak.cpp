// qcx_soak STEP: the long checks of Quaycast Tool, too slow for every commit.
// scripts/soak.sh builds it and runs each step on its own; the step runs in
// host H of a lab it builds (tests/netlab.h), its peers in P0.
//
//   flood   10 s of 50,000 datagrams a second at the whole program, recording
//   kill    SIGKILL while recording (3 rounds) and while saving settings (40)
//   vanish  eth0 deleted under the running receiver, then under the sender
//   rss     resident memory each minute at 10,000 sentences a second, for
//           QCX_SOAK_MINUTES minutes (default 10)
//   replay  1,000,000 lines of 79 bytes, then 1,000 of 60 KB, as fast as
//           possible: the longest stall and resident growth, beside the
//           longest stall of the idle event loop over a minute
//   tags    300,000 distinct TAG sources, half in damaged blocks, with the
//           statistics window open: resident growth and the longest pause
//
// Each step prints its figures and, last, "RESULT <step> PASS|FAIL <summary>";
// the exit code is 0 only when every check of the step held.

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QGuiApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QQmlExtensionPlugin>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTimer>

#include <csignal>
#include <cstdio>

#include "benchsupport.h"
#include "iec450.h"
#include "logutil.h"
#include "mainwindowharness.h"
#include "peersentences.h"
#include "temphome.h"

Q_IMPORT_QML_PLUGIN(QuaycastPlugin)

namespace {

const QString kGroup = QStringLiteral("239.192.7.1");
const quint16 kPort = 24470;
int failures = 0;
Bench::BenchLab *hosts = nullptr; // made in main()
using Bench::Peer;

void note(const QString &text)
{
    std::printf("  %s\n", qPrintable(text));
    std::fflush(stdout);
}

bool check(bool ok, const QString &what)
{
    if (!ok) {
        ++failures;
        note(QStringLiteral("FAIL: ") + what);
    }
    return ok;
}

// Bytes as megabytes with one decimal.
QString mb(qint64 bytes)
{
    return QString::number(double(bytes) / (1024.0 * 1024.0), 'f', 1);
}

QByteArray numbered(const char *tag, int number)
{
    return QByteArray("$QC") + tag + ',' + QByteArray::number(number).rightJustified(6, '0') + "*00";
}

bool peerSends(const QList<QByteArray> &payloads)
{
    Peer peer;
    return peer.startSender(Lab::peer(0), kGroup, kPort, Bench::kPeerAddress, payloads, 0, 1) && peer.waitFinished(20000);
}

// RATE lines a second for SECONDS from the peer (Bench::blast); the lines
// sent, -1 when it failed. The event loop runs meanwhile.
qint64 blast(int rate, int seconds, const QString &input)
{
    const Bench::Blast sent = Bench::blast(kGroup, kPort, rate, seconds, {input});
    check(sent.ok, QStringLiteral("the peer's blast"));
    return sent.ok ? sent.sent : -1;
}

// The whole program in-process: the real main window and controller, its
// files in a temporary folder.
class Program
{
public:
    // Loads the window and connects its receiver to the group; a FAIL when it cannot.
    bool start(bool record)
    {
        const QVariantMap values{{QStringLiteral("mrDefaultRxTimeout"), 60},
                                 {QStringLiteral("mrSaveNmeaToFileStatus"), record},
                                 {QStringLiteral("mrIncludeDateTimeInNmeaFileStatus"), false},
                                 {QStringLiteral("mrAllowOsChooseIfaceStatus"), false}};
        if (!check(m_data.isValid() && MainWindowHarness::writeSettings(m_data.path(), values), "write the settings"))
            return false;
        m_main = std::make_unique<MainWindowHarness>(m_data.path());
        QObject::connect(view(), &Viewutil::sendMrNmeaSentenceChanged, [this] {
            if (!view()->mrNmeaSentence().trimmed().isEmpty())
                ++received;
        });
        return check(m_main->load(), "load the main window") && check(m_main->connectReceiver(kGroup, kPort), "connect");
    }

    bool connected() const { return m_main->view()->mrConnectionStatus() == QLatin1String("Connected"); }
    QQuickItem *page(const char *name) const { return m_main->receiverItem(name); }
    Viewutil *view() const { return m_main->view(); }

    // The receiver list's rows, once no more come.
    int settledRowCount()
    {
        QQuickItem *list = m_main->item("listView");
        auto *rows = list ? qobject_cast<QAbstractItemModel *>(list->property("nmeaModel").value<QObject *>()) : nullptr;
        return int(Bench::settled([rows] { return rows ? rows->rowCount() : -1; }));
    }

    QString captureFile() const { return Bench::onlyFileIn(m_data.path() + QStringLiteral("/capture")); }
    QQuickWindow *subWindow(const char *name) const { return m_main->subWindow(name); }

    qint64 received = 0; // sentences handed to the window

private:
    QTemporaryDir m_data;
    std::unique_ptr<MainWindowHarness> m_main;
};

// The event loop's pulse: the longest time between two ticks of a 20 ms
// timer and, since other work on the machine stretches that, the most CPU
// time the window's thread spent between two ticks.
class Pulse
{
public:
    Pulse()
    {
        QObject::connect(&m_ticker, &QTimer::timeout, [this] {
            longestGap = qMax(longestGap, m_clock.restart());
            const double cpu = threadCpuMs();
            busiestGap = qMax(busiestGap, cpu - m_cpuAtTick);
            m_cpuAtTick = cpu;
        });
        m_clock.start();
        m_ticker.start(20);
    }
    void stop() { m_ticker.stop(); }

    qint64 longestGap = 0;
    double busiestGap = 0;

private:
    static double threadCpuMs()
    {
        timespec ts{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
        return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) / 1e6;
    }
    QTimer m_ticker;
    QElapsedTimer m_clock;
    double m_cpuAtTick = threadCpuMs();
};

// The lines of a file, which must end in a whole line (also when its writer was killed).
QStringList wholeLines(const QString &path, const char *what)
{
    QFile file(path);
    const QByteArray content = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    check(content.endsWith('\n'), QStringLiteral("the %1 ends in a whole line").arg(QLatin1String(what)));
    return QString::fromUtf8(content).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

QString stepFlood()
{
    Program program;
    if (!program.start(true))
        return QStringLiteral("could not start");
    QStringList delivered;
    QObject::connect(program.view(), &Viewutil::sendMrNmeaSentenceChanged, [&] {
        if (!program.view()->mrNmeaSentence().trimmed().isEmpty())
            delivered << program.view()->mrNmeaSentence();
    });

    Peer flood;
    QElapsedTimer floodTime;
    floodTime.start();
    Pulse pulse;
    check(flood.startBlast(kGroup, kPort, 50000, 10, {QStringLiteral("--numbered")}), "start the flood");
    check(flood.waitFinished(30000), QStringLiteral("flood peer: ") + flood.errorOutput());
    pulse.stop();
    const qint64 longestGap = pulse.longestGap;
    const qint64 floodMs = floodTime.elapsed();
    const qint64 sent = flood.sentCount();

    // Once the backlog is read, the next sentence comes through normally.
    Bench::settled([&] { return qint64(delivered.size()); });
    check(peerSends({"$QCEND,1*00"}), "send the closing sentence");
    check(QTest::qWaitFor([&] { return !delivered.isEmpty() && delivered.last() == QLatin1String("$QCEND,1*00"); }, 10000),
          "the sentence after the flood arrives");
    check(program.connected(), "still connected");
    const qint64 floodDelivered = delivered.size() - 1;
    note(QStringLiteral("sent %1 in %2 ms, delivered %3 (%4%), longest event-loop pause %5 ms")
             .arg(sent).arg(floodMs).arg(floodDelivered)
             .arg(sent > 0 ? 100.0 * double(floodDelivered) / double(sent) : 0.0, 0, 'f', 1).arg(longestGap));
    check(sent > 400000, QStringLiteral("the peer sent only %1").arg(sent));
    check(floodDelivered > 0, "nothing delivered");
    check(longestGap < 500, QStringLiteral("event loop stalled for %1 ms").arg(longestGap));

    // In the order sent, none twice.
    qint64 previous = 0;
    qint64 outOfOrder = 0;
    for (qsizetype i = 0; i + 1 < delivered.size(); ++i) {
        const qint64 number = delivered.at(i).mid(7, 8).toLongLong();
        if (number <= previous)
            ++outOfOrder;
        previous = number;
    }
    check(outOfOrder == 0, QStringLiteral("%1 sentences out of order or repeated").arg(outOfOrder));

    // Recording stopped: the file holds exactly the sentences delivered.
    check(MainWindowHarness::click(program.page("saveNmeaChkBox")) && !program.view()->mrSaveNmeaToFileToggle(),
          "stop recording");
    const QStringList lines = wholeLines(program.captureFile(), "capture file");
    note(QStringLiteral("capture file: %1 lines for %2 sentences delivered").arg(lines.size()).arg(delivered.size()));
    check(lines == delivered, "the capture file differs from the sentences delivered");
    return QStringLiteral("%1 of %2 delivered in order, longest pause %3 ms, file = delivered")
        .arg(floodDelivered).arg(sent).arg(longestGap);
}

bool startChild(QProcess &child, const QString &role, const QString &dir)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QCX_SOAK_CHILD"), role);
    env.insert(QStringLiteral("QCX_SOAK_DIR"), dir);
    env.insert(QStringLiteral("HOME"), dir);
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir + QStringLiteral("/.config"));
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(), {});
    QByteArray seen;
    return child.waitForStarted(5000) && QTest::qWaitFor([&] {
        seen += child.readAllStandardOutput();
        return child.state() == QProcess::NotRunning || seen.contains("READY\n");
    }, 20000) && child.state() == QProcess::Running;
}

QString killWhileRecording()
{
    const QRegularExpression capturedLine(
        QStringLiteral("^\\d\\d\\.\\d\\d\\.\\d\\d:\\d\\d\\.\\d\\d\\.\\d\\d: \\$QCKIL,(\\d{6})\\*00$"));
    const QRegularExpression logLine(QStringLiteral("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d \\[[A-Z ]{7,8}\\] \\S"));
    QStringList atKill;
    for (int round = 0; round < 3; ++round) {
        QTemporaryDir dir;
        QProcess child;
        if (!check(startChild(child, QStringLiteral("record"), dir.path()), "start the recording child"))
            continue;
        const QString capture = Bench::onlyFileIn(dir.path() + QStringLiteral("/capture"));
        QList<QByteArray> payloads;
        for (int i = 1; i <= 3000; ++i)
            payloads << numbered("KIL", i);
        Peer peer;
        check(peer.startSender(Lab::peer(0), kGroup, kPort, Bench::kPeerAddress, payloads, 0, 1), "start the peer");
        // Killed somewhere in the stream, once the file has some lines.
        const int killAfter = 100 + QRandomGenerator::global()->bounded(1500);
        check(QTest::qWaitFor([&] { return Bench::countLines(capture) >= killAfter; }, 20000),
              "lines reach the capture file");
        const qint64 flushedBeforeKill = Bench::countLines(capture);
        ::kill(pid_t(child.processId()), SIGKILL);
        check(child.waitForFinished(5000) && child.exitStatus() == QProcess::CrashExit, "the child dies");
        peer.waitFinished(20000);
        atKill << QString::number(flushedBeforeKill);

        // All that was in the file before the kill still is; every line is whole
        // and the sentences keep their order.
        const QStringList lines = wholeLines(capture, "capture file");
        check(lines.size() >= flushedBeforeKill, QStringLiteral("%1 lines < %2 before the kill").arg(lines.size()).arg(flushedBeforeKill));
        int previous = 0;
        for (const QString &line : lines) {
            const QRegularExpressionMatch match = capturedLine.match(line);
            if (!check(match.hasMatch() && match.captured(1).toInt() > previous, QStringLiteral("capture line: ") + line))
                break;
            previous = match.captured(1).toInt();
        }

        // The application log is whole too.
        const QStringList logLines =
            wholeLines(Bench::onlyFileIn(dir.path() + QStringLiteral("/.config/vestranautic/QuaycastTool/logs")), "application log");
        check(logLines.filter(QStringLiteral("[INFO   ] Mr isConnected =  true")).size() == 1, "the log notes the connect");
        for (const QString &line : logLines) {
            if (!check(logLine.match(line).hasMatch(), QStringLiteral("log line: ") + line))
                break;
        }
    }
    note(QStringLiteral("recording: killed with %1 lines in the file; every line whole and in order")
             .arg(atKill.join(QStringLiteral(", "))));
    return QStringLiteral("%1 kills while recording").arg(atKill.size());
}

QString killWhileSaving()
{
    QTemporaryDir dir;
    const QString settingsFile = dir.path() + QStringLiteral("/settings/appSettings.json");
    int kills = 0;
    for (int round = 0; round < 40; ++round) {
        QProcess child;
        if (!check(startChild(child, QStringLiteral("save"), dir.path()), "start the saving child"))
            break;
        // The moment of the kill is the point: somewhere in the loop.
        QTest::qWait(int(QRandomGenerator::global()->bounded(1, 40)));
        ::kill(pid_t(child.processId()), SIGKILL);
        if (child.waitForFinished(5000) && child.exitStatus() == QProcess::CrashExit)
            ++kills;

        QFile file(settingsFile);
        QJsonParseError error{};
        const QVariantMap stored = file.open(QIODevice::ReadOnly)
            ? QJsonDocument::fromJson(file.readAll(), &error).object().toVariantMap()
            : QVariantMap();
        const QString address = stored.value(QStringLiteral("mrDefaultGrpIpAddress")).toString();
        const bool whole = error.error == QJsonParseError::NoError && stored.size() == 18
            && (address == QLatin1String("239.191.1.1") || address == QLatin1String("239.5.5.5")
                || address == QLatin1String("239.6.6.6"))
            && stored.value(QStringLiteral("msDefaultGrpIpAddress")).toString() == address;
        if (!check(whole, QStringLiteral("settings after kill %1: %2 keys, %3 (%4)")
                              .arg(round + 1).arg(stored.size()).arg(address, error.errorString())))
            break;
    }
    check(kills == 40, QStringLiteral("%1 of 40 children killed mid-save").arg(kills));
    const qsizetype leftovers = QDir(dir.path() + QStringLiteral("/settings"))
                                    .entryList(QDir::Files | QDir::Hidden)
                                    .filter(QStringLiteral("appSettings.json."))
                                    .size();
    note(QStringLiteral("settings: %1 kills while saving, file whole and from one save each time; "
                        "%2 unfinished copies left beside it").arg(kills).arg(leftovers));
    return QStringLiteral("%1 kills while saving").arg(kills);
}

QString stepKill()
{
    const QString recording = killWhileRecording();
    return recording + QStringLiteral(", ") + killWhileSaving() + QStringLiteral(", files whole");
}

// What the operator sees of the receiver and the sender, in order, less the
// repeats of one event in a row.
class ViewWatch
{
public:
    explicit ViewWatch(Viewutil *view)
    {
        const auto watch = [&](auto changed, QString (Viewutil::*value)() const, const char *what) {
            QObject::connect(view, changed, &m_context, [this, view, value, what] {
                // The list's clearing is no event.
                if (value != &Viewutil::mrNmeaSentence || !view->mrNmeaSentence().isEmpty())
                    add(QLatin1String(what) + (view->*value)());
            });
        };
        watch(&Viewutil::sendMrConnectionStatusChanged, &Viewutil::mrConnectionStatus, "mr status: ");
        watch(&Viewutil::sendMrNmeaSentenceChanged, &Viewutil::mrNmeaSentence, "mr sentence: ");
        watch(&Viewutil::sendMrErrorMessageChanged, &Viewutil::mrErrorMessage, "mr error: ");
        watch(&Viewutil::sendMrInfoMessageChanged, &Viewutil::mrInfoMessage, "mr info: ");
        watch(&Viewutil::sendMsErrorMessageChanged, &Viewutil::msErrorMessage, "ms error: ");
    }
    QStringList take() { return std::exchange(m_events, {}); }

private:
    void add(const QString &event)
    {
        if (m_events.isEmpty() || m_events.last() != event)
            m_events << event;
    }
    QObject m_context;
    QStringList m_events;
};

// H's eth0 goes "down", is deleted ("del", and with it P0's end) and comes
// back ("add").
bool eth0(const QString &what)
{
    const QString h = Lab::host();
    if (what == QLatin1String("add"))
        return hosts->lab.sh(Lab::veth(0, QStringLiteral("eth0"), Bench::kHostAddress + QStringLiteral("/24"), Bench::kPeerAddress)
                             + QStringLiteral("ip -n %1 route add 224.0.0.0/4 dev eth0\n").arg(h));
    return hosts->lab.sh(what == QLatin1String("down") ? QStringLiteral("ip -n %1 link set eth0 down").arg(h)
                                                       : QStringLiteral("ip -n %1 link del eth0").arg(h));
}

void vanishUnderReceiver()
{
    Bench::Core core;
    Viewutil &view = core.view;
    ViewWatch watch(&view);
    view.setMrAllowOsChooseIfaceStatus(false);
    view.setMrRxTimeout(1);
    if (!check(core.connectReceiver(kGroup, QString::number(kPort)), "receiver connects"))
        return;
    const auto arrives = [&](const char *tag) {
        return peerSends({numbered(tag, 1)})
            && QTest::qWaitFor([&] { return view.mrNmeaSentence() == QLatin1String(numbered(tag, 1)); }, 5000);
    };
    check(arrives("BFR"), "a sentence arrives before");
    watch.take();

    // Down: nothing arrives, and the receive time-out says so, every second.
    check(eth0(QStringLiteral("down")), "take eth0 down");
    peerSends({numbered("DWN", 1)});
    QTest::qWait(2500);
    const QString seen = watch.take().join(QLatin1Char('\n'));
    check(seen.contains(QLatin1String("mr sentence: No NMEA Data Received From Multicast Source"))
              && seen.contains(QLatin1String("mr info: Multicast Receiver Timeout Interval Is Exceeded"))
              && !seen.contains(QLatin1String("QCDWN")),
          QStringLiteral("while down: ") + seen);

    // Deleted: the program goes on, and the operator disconnects as usual.
    check(eth0(QStringLiteral("del")), QStringLiteral("delete eth0: ") + hosts->lab.error());
    QTest::qWait(2500);
    note(QStringLiteral("receiver, eth0 deleted: ") + watch.take().join(QStringLiteral(" | ")));
    check(view.mrConnectionStatus() == QLatin1String("Connected"), "the receiver keeps running");
    view.setMrConnectionToggle(QStringLiteral("disconnect"));
    const QStringList disconnected = watch.take();
    check(disconnected == QStringList{QStringLiteral("mr status: Disconnected"),
                                      QStringLiteral("mr info: Multicast Receiver Is Terminated")},
          QStringLiteral("disconnect: ") + disconnected.join(QStringLiteral(" | ")));

    // A connect without the interface says so and ends in "Error".
    view.setMrConnectionToggle(QStringLiteral("connect"));
    const QStringList refused = watch.take();
    note(QStringLiteral("receiver, connect without eth0: ") + refused.join(QStringLiteral(" | ")));
    check(refused.contains(QStringLiteral("mr error: No Wired Ethernet Interface Found"))
              && refused.last() == QLatin1String("mr status: Error"),
          "a connect without eth0 reports it");

    // Back: a new connect works and sentences arrive again.
    check(eth0(QStringLiteral("add")), QStringLiteral("restore eth0: ") + hosts->lab.error());
    check(core.connectReceiver(kGroup, QString::number(kPort)) && joined(kGroup), "reconnect after eth0 is back");
    check(arrives("AFT"), "a sentence arrives after");
    view.setMrConnectionToggle(QStringLiteral("disconnect"));
}

void vanishUnderSender()
{
    Bench::Core core;
    Viewutil &view = core.view;
    ViewWatch watch(&view);
    int ticks = 0;
    QObject::connect(&view, &Viewutil::sendMsNmeaSentenceChanged, [&] { ++ticks; });
    const quint16 port = kPort + 1;
    view.setMsAllowOsChooseIfaceStatus(false);
    view.setMsNmeaSentencesList({view.msHeadingNmeaSentence()});
    view.setMsTxInterval(1);
    core.aimSender(kGroup, QString::number(port));
    view.setMsConnectionToggle(QStringLiteral("start"));
    if (!check(QTest::qWaitFor([&] { return view.msTotalSentencesSent().toInt() >= 2; }, 5000), "sender starts"))
        return;

    // Down, then deleted: the ticks go on and keep saying "Started"; what the
    // kernel refuses is not counted.
    check(eth0(QStringLiteral("down")), "take eth0 down");
    QTest::qWait(600);
    check(eth0(QStringLiteral("del")), QStringLiteral("delete eth0: ") + hosts->lab.error());
    const int countedWhenGone = view.msTotalSentencesSent().toInt();
    ticks = 0;
    QTest::qWait(1000);
    note(QStringLiteral("sender, eth0 deleted: %1 ticks in 1 s, %2 counted, status %3")
             .arg(ticks).arg(view.msTotalSentencesSent().toInt() - countedWhenGone).arg(view.msConnectionStatus()));
    check(ticks >= 5 && view.msConnectionStatus() == QLatin1String("Started")
              && view.msTotalSentencesSent().toInt() == countedWhenGone,
          "the sender ticks on without counting");
    check(!watch.take().join(QLatin1Char('\n')).contains(QLatin1String("ms error")), "no sender error");
    view.setMsConnectionToggle(QStringLiteral("stop"));
    check(view.msConnectionStatus() == QLatin1String("Stopped"), "the sender stops");

    // Back: a new start puts sentences on the wire again, counted from 0.
    check(eth0(QStringLiteral("add")), QStringLiteral("restore eth0: ") + hosts->lab.error());
    Peer peer;
    check(peer.startReceiver(kGroup, port, 3, 10000), "start the receiving peer");
    view.setMsConnectionToggle(QStringLiteral("start"));
    check(peer.waitFinished(10000) && peer.datagrams().size() == 3
              && peer.datagrams().first().payload == view.msHeadingNmeaSentence().toLatin1(),
          QStringLiteral("sentences on the wire after eth0 is back: ") + peer.errorOutput());
    view.setMsConnectionToggle(QStringLiteral("stop"));
}

QString stepVanish()
{
    vanishUnderReceiver();
    vanishUnderSender();
    return QStringLiteral("receiver and sender ran on without eth0 and worked again once it was back");
}

QString stepRss()
{
    const int minutes = qEnvironmentVariableIsSet("QCX_SOAK_MINUTES") ? qEnvironmentVariableIntValue("QCX_SOAK_MINUTES") : 10;
    Program program;
    if (!check(minutes > 0, "QCX_SOAK_MINUTES must be a positive number") || !program.start(false))
        return QStringLiteral("could not start");
    const qint64 start = Bench::residentBytes();
    note(QStringLiteral("minute  0: resident %1 MB").arg(mb(start)));
    qint64 sent = 0;
    qint64 received = 0;
    int rows = 0;
    qint64 afterFirstMinute = 0;
    for (int minute = 1; minute <= minutes; ++minute) {
        sent += qMax<qint64>(0, blast(10000, 60, QStringLiteral("--numbered")));
        const int nowRows = program.settledRowCount();
        note(QStringLiteral("minute %1: resident %2 MB, list %3 rows, %4 received of %5 sent so far")
                 .arg(minute, 2).arg(mb(Bench::residentBytes())).arg(nowRows).arg(program.received).arg(sent));
        check(program.received > received, QStringLiteral("nothing received in minute %1").arg(minute));
        received = program.received;
        rows = nowRows;
        if (minute == 1)
            afterFirstMinute = Bench::residentBytes();
    }
    check(program.connected(), "still connected");
    const qint64 end = Bench::residentBytes();
    // The lists reach their bound within the first minute; from then on the
    // program's memory must stay flat.
    check(end <= afterFirstMinute + afterFirstMinute / 10,
          QStringLiteral("resident memory grew by more than a tenth after the first minute"));
    return QStringLiteral("resident %1 MB at start, %2 MB after %3 min (%4 received, list %5 rows)")
        .arg(mb(start)).arg(mb(end)).arg(minutes).arg(received).arg(rows);
}

// A file of count lines, each length bytes with its line end.
bool writeLines(const QString &path, const char *tag, int count, int length)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QByteArray block;
    for (int i = 0; i < count; ++i) {
        const QByteArray head = QByteArray("$QC") + tag + ',' + QByteArray::number(i).rightJustified(7, '0') + ',';
        block += head + QByteArray(length - head.size() - 4, 'A') + "*00\n";
        if (block.size() >= (1 << 20) || i == count - 1) {
            if (file.write(block) != block.size())
                return false;
            block.clear();
        }
    }
    return true;
}

// The controller and the view model on this thread, as the window has them;
// the page is left out, so that the sent list's rows do not hide the
// replay's own memory.
QString stepReplay()
{
    Bench::Core core;
    Viewutil &view = core.view;
    const QString plain = core.dir.filePath(QStringLiteral("plain.txt"));
    const QString wide = core.dir.filePath(QStringLiteral("wide.txt"));
    if (!check(writeLines(plain, "RPL", 1000000, 79) && writeLines(wide, "WID", 1000, 60 * 1024), "write the files"))
        return QStringLiteral("could not write the files");
    view.setMsTxInterval(1);
    core.aimSender(kGroup, QString::number(kPort));
    view.setMsReplaySpeed(0);
    const auto over50 = [](const std::vector<double> &stalls) {
        return std::count_if(stalls.cbegin(), stalls.cend(), [](double stall) { return stall >= 50; });
    };
    // Some machines pause a whole process now and then (this one for about
    // 100 ms every half minute or so): such a pause is no stall of the replay.
    const std::vector<double> idle = [] {
        Bench::LagProbe probe;
        probe.start();
        QTest::qWait(60000);
        return probe.samplesMs();
    }();
    const double idleLongest = Bench::quantile(idle, 1);
    const double bound = idleLongest >= 50 ? idleLongest + 10 : 50;
    note(QStringLiteral("idle event loop, 60 s: longest stall %1 ms, %2 of 50 ms or more, so stalls up to %3 ms pass")
             .arg(idleLongest, 0, 'f', 1).arg(over50(idle)).arg(bound, 0, 'f', 1));
    view.setMsConnectionToggle(QStringLiteral("start"));
    QStringList figures{QStringLiteral("idle loop stall max %1 ms").arg(idleLongest, 0, 'f', 1)};
    for (const auto &[path, lines] : {qMakePair(plain, 1000000), qMakePair(wide, 1000)}) {
        const qint64 before = Bench::residentBytes();
        const qint64 sentBefore = view.msTotalSentencesSent().toLongLong();
        qint64 peak = before;
        QTimer sampler;
        QObject::connect(&sampler, &QTimer::timeout, [&] { peak = qMax(peak, Bench::residentBytes()); });
        sampler.start(100);
        Bench::LagProbe lag;
        lag.start();
        QElapsedTimer clock;
        clock.start();
        view.setMsReplayFilePath(path);
        const bool ended = QTest::qWaitFor([&] { return !view.msReplayActive(); }, 600000);
        const double seconds = double(clock.elapsed()) / 1000.0;
        sampler.stop();
        peak = qMax(peak, Bench::residentBytes());
        const std::vector<double> stalls = lag.samplesMs();
        const double longest = Bench::quantile(stalls, 1);
        const qint64 sent = view.msTotalSentencesSent().toLongLong() - sentBefore;
        const QString name = QFileInfo(path).fileName();
        note(QStringLiteral("%1: %2 of %3 lines sent in %4 s; stall p50 %5 / p99 %6 / max %7 ms, %8 of "
                            "50 ms or more; resident %9 MB before, growth %10 MB at most")
                 .arg(name).arg(sent).arg(lines).arg(seconds, 0, 'f', 1).arg(Bench::quantile(stalls, 0.5), 0, 'f', 1)
                 .arg(Bench::quantile(stalls, 0.99), 0, 'f', 1).arg(longest, 0, 'f', 1).arg(over50(stalls)).arg(mb(before)).arg(mb(peak - before)));
        check(ended && sent == lines, QStringLiteral("%1: %2 of %3 lines sent").arg(name).arg(sent).arg(lines));
        check(longest < bound, QStringLiteral("%1: a stall of %2 ms").arg(name).arg(longest, 0, 'f', 1));
        check(peak - before < 20 << 20, QStringLiteral("%1: resident growth %2 MB").arg(name).arg(mb(peak - before)));
        figures << QStringLiteral("%1: stall p99 %2 ms, max %3 ms, resident +%4 MB")
                       .arg(name).arg(Bench::quantile(stalls, 0.99), 0, 'f', 1).arg(longest, 0, 'f', 1)
                       .arg(mb(peak - before));
    }
    view.setMsConnectionToggle(QStringLiteral("stop"));
    return figures.join(QStringLiteral("; "));
}

// Hostile TAG input: every datagram names another source, every second one
// in a block with a wrong checksum. The list is first filled to its bound
// with framed lines of one source, so that what grows after is what the
// sources cost.
QString stepTags()
{
    const int distinct = 300000;
    const int rate = 10000;
    QTemporaryDir files;
    const std::vector<std::string> sentences = mixedSentences();
    const auto sentence = [&](int i) {
        return QByteArrayView(sentences[size_t(i) % sentences.size()].data(),
                              qsizetype(sentences[size_t(i) % sentences.size()].size()));
    };
    const QString one = files.filePath(QStringLiteral("one.bin"));
    const QString hostile = files.filePath(QStringLiteral("hostile.bin"));
    QList<QByteArray> fill;
    QList<QByteArray> hostileDatagrams;
    for (int k = 1; k <= 999; ++k)
        fill << Iec450::sentenceDatagram(sentence(k), QStringLiteral("EI0001"), k);
    for (int i = 0; i < distinct; ++i) {
        const int letters = i / 10000;
        const QString identity = QString(QLatin1Char(char('A' + letters / 26))) + QLatin1Char(char('A' + letters % 26))
            + QString::number(i % 10000).rightJustified(4, QLatin1Char('0'));
        QByteArray datagram = Iec450::sentenceDatagram(sentence(i), identity, i % 999 + 1);
        if (i % 2) {
            const qsizetype star = datagram.indexOf('*');
            const int sum = datagram.mid(star + 1, 2).toInt(nullptr, 16);
            datagram.replace(star + 1, 2, QByteArray::number((sum + 1) & 0xff, 16).rightJustified(2, '0').toUpper());
        }
        hostileDatagrams << datagram;
    }
    const bool written = Bench::writeDatagrams(one, fill) && Bench::writeDatagrams(hostile, std::exchange(hostileDatagrams, {}));
    Program program;
    if (!check(written, "write the peer's datagrams") || !program.start(false))
        return QStringLiteral("could not start");
    QQuickWindow *statistics = program.subWindow("statsWin");
    if (!check(statistics, "find the statistics window"))
        return QStringLiteral("could not start");
    statistics->show();
    auto *stats = program.view()->mrStats();
    check(blast(rate, 12, QStringLiteral("--datagrams=") + one) > 0, "fill the list");
    const int filled = program.settledRowCount();
    const qint64 receivedBefore = program.received;
    const qint64 before = Bench::residentBytes();

    Pulse pulse;
    const qint64 sent = blast(rate, distinct / rate, QStringLiteral("--datagrams=") + hostile);
    const int rows = program.settledRowCount();
    QTest::qWait(2 * Statsmodel::refreshMs);
    pulse.stop();
    const qint64 longestGap = pulse.longestGap;
    const double busiestGap = pulse.busiestGap;
    const qint64 after = Bench::residentBytes();
    QElapsedTimer refresh;
    refresh.start();
    stats->refresh();
    const qint64 refreshMs = refresh.elapsed();
    const int sources = stats->sources()->rowCount();
    note(QStringLiteral("list filled to %1 rows from one source, resident %2 MB; then %3 distinct sources sent, "
                        "%4 received, list %5 rows")
             .arg(filled).arg(mb(before)).arg(sent).arg(program.received - receivedBefore).arg(rows));
    note(QStringLiteral("resident %1 MB (%2 MB more), %3 source rows, \"%4\", refresh %5 ms, longest event-loop "
                        "pause %6 ms, most CPU between two ticks %7 ms")
             .arg(mb(after)).arg(mb(after - before)).arg(sources)
             .arg(stats->sourcesSummary()).arg(refreshMs).arg(longestGap).arg(busiestGap, 0, 'f', 1));
    check(sent == distinct, QStringLiteral("the peer sent %1").arg(sent));
    check(program.received - receivedBefore > 0, "nothing received");
    check(after - before < 20 * 1024 * 1024, "resident memory grew by 20 MB or more");
    check(longestGap <= 50, QStringLiteral("event loop stalled for %1 ms").arg(longestGap));
    check(sources <= Sourcestats::maxSources + 2, QStringLiteral("%1 source rows").arg(sources));
    check(program.connected(), "still connected");
    return QStringLiteral("%1 distinct sources: resident +%2 MB, longest pause %3 ms (CPU %4 ms), %5 source rows")
        .arg(distinct).arg(mb(after - before)).arg(longestGap).arg(busiestGap, 0, 'f', 1).arg(sources);
}

// The children of the kill step: the program's classes with the application
// log, recording the group ("record") or saving settings without end ("save").
int runChild(const QString &role, const QString &dir)
{
    Bench::startApplicationLog(false);
    Bench::Core core(dir);
    Viewutil &view = core.view;
    emit view.sendLoadAppSettings();
    if (role == QLatin1String("record")) {
        view.setMrIncludeDateTimeInNmeaFileStatus(true);
        view.setMrRxTimeout(60);
        view.setMrSaveNmeaToFileToggle(true);
        if (!core.connectReceiver(kGroup, QString::number(kPort)))
            return 3;
    }
    std::printf("READY\n");
    std::fflush(stdout);
    if (role == QLatin1String("record"))
        return QCoreApplication::exec();
    // The two tabs' defaults alternate, each save carrying one of them whole;
    // the parent kills this long before the end.
    for (int i = 0; i < 100000; ++i) {
        const QString address = i % 2 ? QStringLiteral("239.5.5.5") : QStringLiteral("239.6.6.6");
        view.setMrDefaultGrpIpAddress(address);
        view.setMsDefaultGrpIpAddress(address);
        emit view.sendSaveAppSettings();
    }
    return 4;
}

// The program logs every step; the soak prints only what goes wrong.
void quietMessages(QtMsgType type, const QMessageLogContext &, const QString &text)
{
    static int shown = 0;
    if (type != QtDebugMsg && type != QtInfoMsg && ++shown <= 20)
        std::fprintf(stderr, "  qt: %s\n", qPrintable(text));
}

} // namespace

int main(int argc, char *argv[])
{
    const QString role = qEnvironmentVariable("QCX_SOAK_CHILD");
    if (!role.isEmpty()) {
        QCoreApplication app(argc, argv);
        return runChild(role, qEnvironmentVariable("QCX_SOAK_DIR"));
    }
    const QList<QPair<QString, QString (*)()>> steps{
        {QStringLiteral("flood"), stepFlood}, {QStringLiteral("kill"), stepKill}, {QStringLiteral("vanish"), stepVanish},
        {QStringLiteral("rss"), stepRss}, {QStringLiteral("replay"), stepReplay}, {QStringLiteral("tags"), stepTags}};
    const QString name = argc == 2 ? QString::fromLocal8Bit(argv[1]) : QString();
    auto step = std::find_if(steps.cbegin(), steps.cend(), [&](const auto &s) { return s.first == name; });
    if (step == steps.cend()) {
        std::fprintf(stderr, "usage: qcx_soak flood|kill|vanish|rss|replay|tags\n");
        return 2;
    }
    TempHome home;
    if (!home.isValid())
        return 2;
    qputenv("XDG_RUNTIME_DIR", home.path().toLocal8Bit());
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    Bench::BenchLab lab;
    hosts = &lab;
    if (!lab.refusal().isEmpty()) {
        std::fprintf(stderr, "qcx_soak: %s\n", qPrintable(lab.refusal()));
        return 2;
    }
    QCoreApplication::setOrganizationName(QStringLiteral("vestranautic"));
    QCoreApplication::setApplicationName(QStringLiteral("QuaycastTool"));
    qInstallMessageHandler(quietMessages);

    std::printf("soak %s\n", qPrintable(name));
    std::fflush(stdout);
    QElapsedTimer clock;
    clock.start();
    const QString summary = step->second();
    std::printf("RESULT %s %s %s (%.0f s)\n", qPrintable(name), failures ? "FAIL" : "PASS", qPrintable(summary),
                double(clock.elapsed()) / 1000.0);
    return failures ? 1 : 0;
}
