#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <cstdio>
#include <sched.h>
#include <sys/mount.h>

#include "controlutil.h"
#include "filelines.h"
#include "logcapture.h"
#include "logutil.h"
#include "netnsguard.h"
#include "netnslab.h"
#include "temphome.h"
#include "timeline.h"
#include "viewutil.h"

namespace {

const QString kGroup = QStringLiteral("239.192.4.1");
const quint16 kPort = 24430;

// What the operator sees of the receiver and the sender, in order.
class ViewWatch : public QObject
{
public:
    explicit ViewWatch(Viewutil *view)
    {
        connect(view, &Viewutil::sendMrConnectionStatusChanged, this,
                [this, view] { m_events << QStringLiteral("mr status: ") + view->mrConnectionStatus(); });
        connect(view, &Viewutil::sendMrNmeaSentenceChanged, this, [this, view] {
            if (!view->mrNmeaSentence().isEmpty())
                m_events << QStringLiteral("mr sentence: ") + view->mrNmeaSentence();
        });
        connect(view, &Viewutil::sendMrErrorMessageChanged, this,
                [this, view] { m_events << QStringLiteral("mr error: ") + view->mrErrorMessage(); });
        connect(view, &Viewutil::sendMrInfoMessageChanged, this,
                [this, view] { m_events << QStringLiteral("mr info: ") + view->mrInfoMessage(); });
        connect(view, &Viewutil::sendMsConnectionStatusChanged, this,
                [this, view] { m_events << QStringLiteral("ms status: ") + view->msConnectionStatus(); });
        connect(view, &Viewutil::sendMsErrorMessageChanged, this,
                [this, view] { m_events << QStringLiteral("ms error: ") + view->msErrorMessage(); });
    }

    // The events since the last call, less the repeats of one event in a row.
    QStringList take()
    {
        QStringList out;
        for (const QString &event : std::as_const(m_events)) {
            if (out.isEmpty() || out.last() != event)
                out << event;
        }
        m_events.clear();
        return out;
    }

private:
    QStringList m_events;
};

// A host whose eth0 can be taken down, deleted and made again, with a peer
// host on the other end of it.
class VanishingHost
{
public:
    bool create()
    {
        m_host = m_lab.addShipHost(QStringLiteral("vanish"),
                                   {{QStringLiteral("eth0"), {QStringLiteral("198.51.100.1/24")}, true,
                                     QStringLiteral("198.51.100.2/24")}},
                                   QStringLiteral("eth0"));
        return m_host.isValid();
    }
    QString ns() const { return m_host.ns; }
    QString peer() const { return m_host.peers.value(0); }
    QString error() const { return m_lab.error(); }

    bool setDown() { return m_lab.ip({QStringLiteral("-n"), ns(), QStringLiteral("link"), QStringLiteral("set"),
                                      QStringLiteral("eth0"), QStringLiteral("down")}); }
    // Deleting one end of the pair deletes the other.
    bool remove() { return m_lab.ip({QStringLiteral("-n"), ns(), QStringLiteral("link"), QStringLiteral("del"),
                                     QStringLiteral("eth0")}); }
    bool restore()
    {
        const bool made = m_lab.ip({QStringLiteral("link"), QStringLiteral("add"), QStringLiteral("eth0"),
                                    QStringLiteral("netns"), ns(), QStringLiteral("type"), QStringLiteral("veth"),
                                    QStringLiteral("peer"), QStringLiteral("name"), QStringLiteral("eth0"),
                                    QStringLiteral("netns"), peer()});
        if (!made)
            return false;
        const QList<QPair<QString, QString>> ends{{ns(), QStringLiteral("198.51.100.1/24")},
                                                  {peer(), QStringLiteral("198.51.100.2/24")}};
        for (const auto &[host, address] : ends) {
            if (!m_lab.ip({QStringLiteral("-n"), host, QStringLiteral("addr"), QStringLiteral("add"), address,
                           QStringLiteral("dev"), QStringLiteral("eth0")})
                || !m_lab.ip({QStringLiteral("-n"), host, QStringLiteral("link"), QStringLiteral("set"),
                              QStringLiteral("eth0"), QStringLiteral("up")})
                || !m_lab.ip({QStringLiteral("-n"), host, QStringLiteral("route"), QStringLiteral("add"),
                              QStringLiteral("224.0.0.0/4"), QStringLiteral("dev"), QStringLiteral("eth0")}))
                return false;
        }
        for (const QString &host : {ns(), peer()}) {
            QDeadlineTimer deadline(5000);
            QString output;
            while (!(runIp({QStringLiteral("-n"), host, QStringLiteral("link"), QStringLiteral("show"),
                            QStringLiteral("eth0")},
                           &output)
                     && output.contains(QLatin1String("state UP")))) {
                if (deadline.hasExpired())
                    return false;
                QThread::msleep(50);
            }
        }
        return true;
    }

private:
    NetnsLab m_lab;
    NetnsLab::Host m_host;
};

ControlutilPaths pathsIn(const QString &dir)
{
    return {dir + QStringLiteral("/settings"), dir + QStringLiteral("/capture"), dir + QStringLiteral("/documents")};
}

QString onlyFileIn(const QString &dir)
{
    const QStringList files = QDir(dir).entryList(QDir::Files);
    return files.size() == 1 ? dir + QLatin1Char('/') + files.first() : QString();
}

QByteArray numbered(const char *tag, int number)
{
    return QByteArray("$QC") + tag + ',' + QByteArray::number(number).rightJustified(6, '0') + "*00";
}

} // namespace

// Faults of the machine under the running program, provoked for real inside
// the hosts of the namespace harness and in a private mount namespace.
class TestFaults : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void interfaceVanishesUnderReceiver();
    void interfaceVanishesUnderSender();
    void diskFullUnderCaptureFile();
    void blockedSettingsAndLogFolders();
    void blockedCaptureFolder();
    void killWhileRecordingLosesNoFlushedLine();
    void killWhileSavingLeavesOldOrNewSettings();

private:
    static bool runProgramWithBlockedFolders(const QString &home, const QStringList &blocked, QString *out,
                                             QString *err);
    // Runs this test binary as a child in the given role (see main()).
    static bool startChild(QProcess &child, const QString &role, const QString &dir);
};

void TestFaults::initTestCase()
{
    const QString refusal = netnsRefusal();
    QVERIFY2(refusal.isEmpty(), qPrintable(refusal));
    QVERIFY(!shipHostB().isEmpty());

    // Small file systems are mounted below a private mount namespace, which the
    // children and the real program share; so does a private, empty /var/lib
    // for the program's capture directory.
    QVERIFY2(::unshare(CLONE_NEWNS) == 0, "unshare(CLONE_NEWNS) failed");
    QVERIFY(::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0);
    QVERIFY(::mount("tmpfs", "/var/lib", "tmpfs", 0, "size=4m") == 0);
}

void TestFaults::interfaceVanishesUnderReceiver()
{
    VanishingHost host;
    QVERIFY2(host.create(), qPrintable(host.error()));
    NetnsEnter inHost(host.ns());
    QVERIFY(inHost.entered());

    QTemporaryDir dir;
    Viewutil view;
    Controlutil control(&view, pathsIn(dir.path()));
    ViewWatch watch(&view);
    view.setMrAllowOsChooseIfaceStatus(false);
    view.setMrRxTimeout(1);
    view.setMrGrpIpAddress(kGroup);
    view.setMrGrpPortNumber(QString::number(kPort));
    view.setMrConnectionToggle(QStringLiteral("connect"));
    QCOMPARE(view.mrConnectionStatus(), QStringLiteral("Connected"));

    auto peerSends = [&](const QByteArray &payload) {
        McastPeer peer;
        return peer.startSender(host.peer(), kGroup, kPort, QStringLiteral("198.51.100.2"), {payload})
            && peer.waitFinished(10000);
    };
    QVERIFY(peerSends(numbered("BFR", 1)));
    QTRY_COMPARE_WITH_TIMEOUT(view.mrNmeaSentence(), QString::fromLatin1(numbered("BFR", 1)), 5000);
    watch.take();

    // Down: nothing arrives, and the receive time-out says so, every second.
    QVERIFY(host.setDown());
    // Whether the peer's kernel takes this one or not, it cannot arrive.
    peerSends(numbered("DWN", 1));
    QSignalSpy sentences(&view, &Viewutil::sendMrNmeaSentenceChanged);
    QTRY_VERIFY_WITH_TIMEOUT(sentences.count() >= 2, 5000);
    QStringList seen = watch.take();
    QVERIFY2(seen.contains(QStringLiteral("mr sentence: No NMEA Data Received From Multicast Source")),
             qPrintable(seen.join(QLatin1Char('\n'))));
    QVERIFY(seen.contains(QStringLiteral("mr info: Multicast Receiver Timeout Interval Is Exceeded")));
    QVERIFY(!seen.join(QLatin1Char('\n')).contains(QLatin1String("QCDWN")));
    QCOMPARE(view.mrConnectionStatus(), QStringLiteral("Connected"));

    // Deleted: the program goes on, and the operator disconnects as usual.
    QVERIFY(host.remove());
    sentences.clear();
    QTRY_VERIFY_WITH_TIMEOUT(sentences.count() >= 2, 5000);
    watch.take();
    view.setMrConnectionToggle(QStringLiteral("disconnect"));
    QCOMPARE(watch.take(), (QStringList{QStringLiteral("mr status: Disconnected"),
                                       QStringLiteral("mr info: Multicast Receiver Is Terminated")}));

    // A connect without the interface: the wired-interface messages and "Error".
    view.setMrConnectionToggle(QStringLiteral("connect"));
    QCOMPARE(watch.take(),
             (QStringList{QStringLiteral("mr error: No Wired Ethernet Interface Found"),
                          QStringLiteral("mr info: No Wired Ethernet Interface Found"),
                          QStringLiteral("mr error: Wired Ethernet Interface Not Valid, Multicast Receiver Terminated"),
                          QStringLiteral("mr info: Wired Ethernet Interface Not Valid, Multicast Receiver Terminated"),
                          QStringLiteral("mr status: Error")}));

    // Back: a new connect works and sentences arrive again.
    QVERIFY2(host.restore(), qPrintable(host.error()));
    view.setMrConnectionToggle(QStringLiteral("connect"));
    QCOMPARE(view.mrConnectionStatus(), QStringLiteral("Connected"));
    QCOMPARE(view.mrInfoMessage(), QStringLiteral("Receiving Multicast On eth0 Interface"));
    QVERIFY(hasMulticastMembership(host.ns(), QStringLiteral("eth0"), kGroup));
    QVERIFY(peerSends(numbered("AFT", 1)));
    QTRY_COMPARE_WITH_TIMEOUT(view.mrNmeaSentence(), QString::fromLatin1(numbered("AFT", 1)), 5000);
    view.setMrConnectionToggle(QStringLiteral("disconnect"));
}

void TestFaults::interfaceVanishesUnderSender()
{
    VanishingHost host;
    QVERIFY2(host.create(), qPrintable(host.error()));
    NetnsEnter inHost(host.ns());
    QVERIFY(inHost.entered());

    QTemporaryDir dir;
    Viewutil view;
    Controlutil control(&view, pathsIn(dir.path()));
    ViewWatch watch(&view);
    QSignalSpy echoes(&view, &Viewutil::sendMsNmeaSentenceChanged);
    view.setMsAllowOsChooseIfaceStatus(false);
    view.setMsNmeaSentencesList({view.msHeadingNmeaSentence()});
    view.setMsTxInterval(1);
    view.setMsGrpIpAddress(kGroup);
    view.setMsGrpPortNumber(QString::number(kPort + 1));
    view.setMsConnectionToggle(QStringLiteral("start"));
    QTRY_COMPARE_WITH_TIMEOUT(view.msConnectionStatus(), QStringLiteral("Started"), 5000);
    QTRY_VERIFY_WITH_TIMEOUT(view.msTotalSentencesSent().toInt() >= 2, 5000);

    // Down, then deleted: the ticks go on and keep saying "Started"; what the
    // kernel refuses is not counted.
    const int countedBeforeDown = view.msTotalSentencesSent().toInt();
    QVERIFY(host.setDown());
    echoes.clear();
    QTRY_VERIFY_WITH_TIMEOUT(echoes.count() >= 5, 5000);
    const int countedWhileDown = view.msTotalSentencesSent().toInt() - countedBeforeDown;
    QVERIFY(host.remove());
    const int countedWhileGone = view.msTotalSentencesSent().toInt();
    echoes.clear();
    QTRY_VERIFY_WITH_TIMEOUT(echoes.count() >= 5, 5000);
    QCOMPARE(view.msConnectionStatus(), QStringLiteral("Started"));
    QCOMPARE(view.msTotalSentencesSent().toInt(), countedWhileGone);
    QVERIFY(!watch.take().join(QLatin1Char('\n')).contains(QLatin1String("ms error")));
    qInfo() << "sender: of" << echoes.count() << "ticks after the deletion none was counted;" << countedWhileDown
            << "of the ticks while eth0 was down were";

    view.setMsConnectionToggle(QStringLiteral("stop"));
    QCOMPARE(view.msConnectionStatus(), QStringLiteral("Stopped"));
    QCOMPARE(view.msInfoMessage(), QStringLiteral("Mutlicast Transmission Terminated"));

    // Back: a new start puts sentences on the wire again, counted from 0.
    QVERIFY2(host.restore(), qPrintable(host.error()));
    McastPeer peer;
    QVERIFY(peer.startReceiver(host.peer(), kGroup, kPort + 1, QStringLiteral("198.51.100.2"), 3, 10000));
    view.setMsConnectionToggle(QStringLiteral("start"));
    QStringList counts;
    connect(&view, &Viewutil::sendMsTotalSentencesSenthanged, this, [&] { counts << view.msTotalSentencesSent(); });
    view.setMsConnectionToggle(QStringLiteral("start"));
    QVERIFY2(peer.waitForDatagrams(3, 10000), qPrintable(peer.errorOutput()));
    QCOMPARE(peer.datagrams().first().payload, view.msHeadingNmeaSentence().toLatin1());
    QCOMPARE(counts.value(0), QStringLiteral("1"));
    QCOMPARE(view.msConnectionStatus(), QStringLiteral("Started"));
    view.setMsConnectionToggle(QStringLiteral("stop"));
}

void TestFaults::diskFullUnderCaptureFile()
{
    QTemporaryDir dir;
    const QString captureDir = dir.path() + QStringLiteral("/capture");
    QVERIFY(QDir().mkpath(captureDir));
    // Four pages, half of them taken by a file the test removes later.
    QVERIFY(::mount("tmpfs", QFile::encodeName(captureDir).constData(), "tmpfs", 0, "size=16k") == 0);
    const QString filler = captureDir + QStringLiteral("/filler");
    {
        QFile file(filler);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(file.write(QByteArray(8192, 'f')), qint64(8192));
    }

    Viewutil view;
    Controlutil control(&view, pathsIn(dir.path()));
    LogCapture log;
    Timeline timeline(log);
    connect(&view, &Viewutil::sendMrNmeaSentenceChanged, this, [&] {
        if (!view.mrNmeaSentence().isEmpty())
            timeline.note(view.mrNmeaSentence());
    });
    view.setMrIncludeDateTimeInNmeaFileStatus(false);
    view.setMrRxTimeout(60);
    view.setMrSaveNmeaToFileToggle(true);
    view.setMrGrpIpAddress(kGroup);
    view.setMrGrpPortNumber(QString::number(kPort + 2));
    view.setMrConnectionToggle(QStringLiteral("connect"));
    QCOMPARE(view.mrConnectionStatus(), QStringLiteral("Connected"));

    // Twice the sentences the free space holds; then room again, and more.
    auto peerSends = [&](const char *tag, int count) {
        QList<QByteArray> payloads;
        for (int i = 1; i <= count; ++i)
            payloads << numbered(tag, i) + " padding the line to forty-four";
        McastPeer peer;
        return peer.startSender(shipHostB(), kGroup, kPort + 2, shipAddressB(), payloads, 0, 0, 1)
            && peer.waitFinished(20000);
    };
    QVERIFY(peerSends("FUL", 400));
    QTRY_VERIFY_WITH_TIMEOUT(timeline.events().filter(QStringLiteral("$QCFUL,000400")).size() == 1, 10000);
    QVERIFY(QFile::remove(filler));
    QVERIFY(peerSends("ROM", 20));
    QTRY_VERIFY_WITH_TIMEOUT(timeline.events().filter(QStringLiteral("$QCROM,000020")).size() == 1, 10000);
    QCOMPARE(view.mrSaveNmeaToFileToggle(), true);

    // Each sentence the disk had no room for has its warning right after it;
    // the file holds every other sentence, whole, in order.
    const QString failed = QStringLiteral("warning: Failed to write to NMEA to NMEA save file");
    QStringList expected;
    int failures = 0;
    const QStringList events = timeline.events();
    for (qsizetype i = 0; i < events.size(); ++i) {
        if (!events.at(i).startsWith(QLatin1String("$QC")))
            continue;
        if (events.value(i + 1) == failed)
            ++failures;
        else
            expected << events.at(i);
    }
    QVERIFY2(failures > 100 && failures < 300, qPrintable(QString::number(failures)));
    QCOMPARE(events.filter(failed).size(), failures);
    QVERIFY(expected.filter(QStringLiteral("$QCROM")).size() == 20);
    view.setMrSaveNmeaToFileToggle(false);
    QCOMPARE(readTextLines(onlyFileIn(captureDir)), expected);
    QVERIFY(::umount(QFile::encodeName(captureDir).constData()) == 0);
}

// Runs the real program in a fresh home, with regular files blocking the given
// folders, until its start-up is over; it must still be running then.
bool TestFaults::runProgramWithBlockedFolders(const QString &home, const QStringList &blocked, QString *out,
                                              QString *err)
{
    for (const QString &path : blocked) {
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write("not a folder") < 0)
            return false;
    }
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), home);
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/.config"));
    env.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/.local/share"));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), home);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    QProcess app;
    app.setProcessEnvironment(env);
    app.start(QStringLiteral(QCX_APP_PATH), {});
    if (!app.waitForStarted(5000))
        return false;
    // The last line of the start-up: the settings load's message to the tabs.
    QSignalSpy output(&app, &QProcess::readyReadStandardOutput);
    QDeadlineTimer deadline(20000);
    while (!out->contains(QLatin1String("Json util info message ="))) {
        if (app.state() == QProcess::NotRunning || deadline.hasExpired())
            break;
        output.wait(200);
        *out += QString::fromLocal8Bit(app.readAllStandardOutput());
    }
    // A moment more for a crash that the last messages might bring on.
    QTest::qWait(300);
    *out += QString::fromLocal8Bit(app.readAllStandardOutput());
    *err += QString::fromLocal8Bit(app.readAllStandardError());
    const bool running = app.state() == QProcess::Running;
    app.kill();
    app.waitForFinished();
    for (const QString &path : blocked) {
        if (!QFileInfo(path).isFile())
            return false;
    }
    return running;
}

void TestFaults::blockedSettingsAndLogFolders()
{
    QTemporaryDir home;
    const QString config = home.path() + QStringLiteral("/.config/vestranautic/QuaycastTool");
    QString out;
    QString err;
    QVERIFY(runProgramWithBlockedFolders(home.path(),
                                         {config + QStringLiteral("/settings"), config + QStringLiteral("/logs")},
                                         &out, &err));

    // The log cannot be opened: its lines go to the standard output only.
    QVERIFY2(err.contains(QStringLiteral("Failed to open log file: \"%1/logs/QCX LOG ").arg(config)), qPrintable(err));
    QVERIFY(out.contains(QLatin1String("[INFO   ] Application log started")));
    // The settings folder cannot be made: the load says so, and nothing is applied.
    QVERIFY2(out.contains(QStringLiteral("[WARNING] Failed to create settings directory: \"%1/settings\"").arg(config)),
             qPrintable(out));
    QVERIFY(out.contains(QLatin1String("[WARNING] Json util error message =  \"App Settings File Does Not Exist\"")));
    QVERIFY(out.contains(QLatin1String("[INFO   ] Json util info message =  \"App Settings File Does Not Exist\"")));
    QVERIFY(!out.contains(QLatin1String("App settings loaded to UI OK")));
}

void TestFaults::blockedCaptureFolder()
{
    QTemporaryDir home;
    const QString config = home.path() + QStringLiteral("/.config/vestranautic/QuaycastTool");
    QString out;
    QString err;
    QVERIFY(runProgramWithBlockedFolders(home.path(), {QStringLiteral("/var/lib/QCX")}, &out, &err));

    // The settings switch recording on at start: it goes to the documents folder.
    QVERIFY2(out.contains(QLatin1String("[INFO   ] Mr save NMEA to file activated")), qPrintable(out));
    QVERIFY(out.contains(QLatin1String("[WARNING] NMEA save file directory not exist")));
    QVERIFY(!out.contains(QLatin1String("Unable to create NMEA save file")));
    const QStringList captures = QDir(home.path() + QStringLiteral("/Documents/QCN"))
                                     .entryList({QStringLiteral("QCX NMEA LOG *.txt")}, QDir::Files);
    QCOMPARE(captures.size(), 1);
    QVERIFY(QFile::remove(QStringLiteral("/var/lib/QCX")));
}

bool TestFaults::startChild(QProcess &child, const QString &role, const QString &dir)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QCX_FAULTS_CHILD"), role);
    env.insert(QStringLiteral("QCX_FAULTS_DIR"), dir);
    env.insert(QStringLiteral("HOME"), dir);
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir + QStringLiteral("/.config"));
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(), {});
    if (!child.waitForStarted(5000))
        return false;
    QSignalSpy output(&child, &QProcess::readyReadStandardOutput);
    QByteArray seen;
    QDeadlineTimer deadline(20000);
    while (!seen.contains("READY\n")) {
        if (child.state() == QProcess::NotRunning || deadline.hasExpired())
            return false;
        output.wait(200);
        seen += child.readAllStandardOutput();
    }
    return true;
}

void TestFaults::killWhileRecordingLosesNoFlushedLine()
{
    const QRegularExpression capturedLine(
        QStringLiteral("^\\d\\d\\.\\d\\d\\.\\d\\d:\\d\\d\\.\\d\\d\\.\\d\\d: \\$QCKIL,(\\d{6})\\*00$"));
    const QRegularExpression logLine(QStringLiteral("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d \\[[A-Z ]{7,8}\\] \\S"));
    for (int round = 0; round < 3; ++round) {
        QTemporaryDir dir;
        QProcess child;
        QVERIFY(startChild(child, QStringLiteral("record"), dir.path()));
        const QString capture = onlyFileIn(dir.path() + QStringLiteral("/capture"));
        QVERIFY(!capture.isEmpty());

        QList<QByteArray> payloads;
        for (int i = 1; i <= 3000; ++i)
            payloads << numbered("KIL", i);
        McastPeer peer;
        QVERIFY(peer.startSender(shipHostB(), kGroup, kPort + 3, shipAddressB(), payloads, 0, 0, 1));
        // Killed somewhere in the stream, once the file has some lines.
        const int killAfter = 100 + QRandomGenerator::global()->bounded(1500);
        QTRY_VERIFY_WITH_TIMEOUT(readTextLines(capture).size() >= killAfter, 20000);
        const int flushedBeforeKill = int(readTextLines(capture).size());
        ::kill(pid_t(child.processId()), SIGKILL);
        qInfo() << "recording: killed with" << flushedBeforeKill << "lines in the file";
        QVERIFY(child.waitForFinished(5000));
        QCOMPARE(child.exitStatus(), QProcess::CrashExit);
        peer.waitFinished(20000);

        // All that was in the file before the kill still is; every line is whole
        // and the sentences keep their order.
        QFile file(capture);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray content = file.readAll();
        QVERIFY(content.endsWith('\n'));
        const QStringList lines = QString::fromUtf8(content).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QVERIFY2(lines.size() >= flushedBeforeKill, qPrintable(QStringLiteral("%1 < %2").arg(lines.size()).arg(flushedBeforeKill)));
        int previous = 0;
        for (const QString &line : lines) {
            const QRegularExpressionMatch match = capturedLine.match(line);
            QVERIFY2(match.hasMatch(), qPrintable(line));
            QVERIFY(match.captured(1).toInt() > previous);
            previous = match.captured(1).toInt();
        }

        // The application log is whole too.
        const QString logs = dir.path() + QStringLiteral("/.config/vestranautic/QuaycastTool/logs");
        QFile logFile(onlyFileIn(logs));
        QVERIFY(logFile.open(QIODevice::ReadOnly));
        const QByteArray logContent = logFile.readAll();
        QVERIFY(logContent.endsWith('\n'));
        const QStringList logLines = QString::fromUtf8(logContent).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QCOMPARE(logLines.filter(QStringLiteral("[INFO   ] Mr isConnected =  true")).size(), 1);
        for (const QString &line : logLines)
            QVERIFY2(logLine.match(line).hasMatch(), qPrintable(line));
    }
}

void TestFaults::killWhileSavingLeavesOldOrNewSettings()
{
    QTemporaryDir dir;
    const QString settingsFile = dir.path() + QStringLiteral("/settings/appSettings.json");
    int kills = 0;
    for (int round = 0; round < 40; ++round) {
        QProcess child;
        QVERIFY(startChild(child, QStringLiteral("save"), dir.path()));
        // The moment of the kill is the point of the test: somewhere in the loop.
        QTest::qWait(int(QRandomGenerator::global()->bounded(1, 40)));
        ::kill(pid_t(child.processId()), SIGKILL);
        QVERIFY(child.waitForFinished(5000));
        if (child.exitStatus() == QProcess::CrashExit)
            ++kills;

        QFile file(settingsFile);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QJsonParseError error;
        const QVariantMap stored = QJsonDocument::fromJson(file.readAll(), &error).object().toVariantMap();
        QVERIFY2(error.error == QJsonParseError::NoError, qPrintable(error.errorString()));
        QCOMPARE(stored.size(), 18);
        const QString address = stored.value(QStringLiteral("mrDefaultGrpIpAddress")).toString();
        QVERIFY2(address == QLatin1String("239.191.1.1") || address == QLatin1String("239.5.5.5")
                     || address == QLatin1String("239.6.6.6"),
                 qPrintable(address));
        // The rest of the file belongs to the same save.
        QCOMPARE(stored.value(QStringLiteral("msDefaultGrpIpAddress")).toString(), address);
    }
    QCOMPARE(kills, 40);
    // A save cut short leaves its unfinished copy beside the file.
    const QStringList leftovers = QDir(dir.path() + QStringLiteral("/settings"))
                                      .entryList(QDir::Files | QDir::Hidden)
                                      .filter(QStringLiteral("appSettings.json."));
    qInfo() << "settings: 40 kills while saving left" << leftovers.size() << "unfinished copies beside the file";
}

// Children of the kill tests: the program's classes with the application log,
// recording the group (role "record") or saving settings without end ("save").
static int runChild(const QString &role, const QString &dir)
{
    QCoreApplication::setOrganizationName(QStringLiteral("vestranautic"));
    QCoreApplication::setApplicationName(QStringLiteral("QuaycastTool"));
    Logutil &log = Logutil::instance();
    log.installMessageHandler();
    qInfo() << "Application log started";

    Viewutil view;
    Controlutil control(&view, pathsIn(dir));
    emit view.sendLoadAppSettings();
    if (role == QLatin1String("record")) {
        view.setMrIncludeDateTimeInNmeaFileStatus(true);
        view.setMrRxTimeout(60);
        view.setMrSaveNmeaToFileToggle(true);
        view.setMrGrpIpAddress(kGroup);
        view.setMrGrpPortNumber(QString::number(kPort + 3));
        view.setMrConnectionToggle(QStringLiteral("connect"));
        if (view.mrConnectionStatus() != QLatin1String("Connected"))
            return 3;
        std::printf("READY\n");
        std::fflush(stdout);
        return QCoreApplication::exec();
    }
    std::printf("READY\n");
    std::fflush(stdout);
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

int main(int argc, char *argv[])
{
    const QString role = qEnvironmentVariable("QCX_FAULTS_CHILD");
    if (!role.isEmpty()) {
        QCoreApplication app(argc, argv);
        return runChild(role, qEnvironmentVariable("QCX_FAULTS_DIR"));
    }
    TempHome home;
    if (!home.isValid())
        return 1;
    QCoreApplication app(argc, argv);
    app.setOrganizationName(QStringLiteral("vestranautic"));
    app.setApplicationName(QStringLiteral("QuaycastTool"));
    TestFaults test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_faults.moc"
