#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QUdpSocket>

#include <sched.h>
#include <sys/mount.h>

#include "filelines.h"
#include "controlutil.h"
#include "logcapture.h"
#include "netnsguard.h"
#include "netnslab.h"
#include "temphome.h"
#include "viewutil.h"

// The program without its pages, between two hosts: what the view model and
// the capture file see of a peer's datagrams, and what the view model's
// sender settings put on the wire.
class TestEndToEnd : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void receivedSentencesReachViewAndCaptureFile();
    void senderSettingsPutDatagramsOnWire();
    void realProgramStartsInOrder();
    void shutdownLeavesGroupAndStopsSender();

};

void TestEndToEnd::initTestCase()
{
    const QString refusal = netnsRefusal();
    QVERIFY2(refusal.isEmpty(), qPrintable(refusal));
    QVERIFY(!shipHostB().isEmpty());

    // The real program records below /var/lib; give this test and its children
    // a private, empty /var/lib so nothing lands on the machine.
    QVERIFY2(::unshare(CLONE_NEWNS) == 0, "unshare(CLONE_NEWNS) failed");
    QVERIFY(::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0);
    QVERIFY(::mount("tmpfs", "/var/lib", "tmpfs", 0, "size=4m") == 0);
}

void TestEndToEnd::receivedSentencesReachViewAndCaptureFile()
{
    QTemporaryDir dir;
    const QString captureDir = dir.path() + QStringLiteral("/capture");
    Viewutil view;
    Controlutil control(&view, {dir.path() + QStringLiteral("/settings"), captureDir, dir.path() + QStringLiteral("/qcn")});
    emit view.sendLoadAppSettings();
    view.setMrAllowOsChooseIfaceStatus(false);
    view.setMrIncludeDateTimeInNmeaFileStatus(false);
    view.setMrRxTimeout(0);
    view.setMrSaveNmeaToFileToggle(true);

    const QStringList captureFiles = QDir(captureDir).entryList(QDir::Files);
    QCOMPARE(captureFiles.size(), 1);
    const QString capturePath = captureDir + QLatin1Char('/') + captureFiles.first();

    QStringList seen;
    QStringList capturedBeforeView;
    connect(&view, &Viewutil::sendMrNmeaSentenceChanged, this, [&] {
        if (view.mrConnectionStatus() != QLatin1String("Connected") || view.mrNmeaSentence().isEmpty())
            return;
        seen << view.mrNmeaSentence();
        capturedBeforeView << QString::number(readTextLines(capturePath).size());
    });

    view.setMrGrpIpAddress(QStringLiteral("239.191.1.1"));
    view.setMrGrpPortNumber(QStringLiteral("4400"));
    view.setMrConnectionToggle(QStringLiteral("connect"));
    QCOMPARE(view.mrSocketStatus(), true);
    QCOMPARE(view.mrConnectionStatus(), QStringLiteral("Connected"));
    QVERIFY(hasMulticastMembership(shipHostA(), QStringLiteral("eth0"), QStringLiteral("239.191.1.1")));

    McastPeer peer;
    QVERIFY(peer.startSender(shipHostB(), QStringLiteral("239.191.1.1"), 4400, shipAddressB(),
                             {QByteArray("$HEHDT,90.0,T*16\r\n"), QByteArray("$SDDPT,20.0,0.0,50.0*52"),
                              QByteArray("$SDDPT,20.0,0.0,50.0*52"), QByteArray("<b>x</b>")},
                             5555));
    QVERIFY(peer.waitFinished(10000));
    QTRY_COMPARE_WITH_TIMEOUT(seen.size(), 4, 10000);

    QCOMPARE(seen, (QStringList{QStringLiteral("$HEHDT,90.0,T*16"), QStringLiteral("$SDDPT,20.0,0.0,50.0*52"),
                                QStringLiteral("$SDDPT,20.0,0.0,50.0*52"), QStringLiteral("<b>x</b>")}));
    // The view model hears of each sentence before the capture file does.
    QCOMPARE(capturedBeforeView, (QStringList{QStringLiteral("0"), QStringLiteral("1"), QStringLiteral("2"),
                                              QStringLiteral("3")}));
    QCOMPARE(view.mrInfoSrcIpAddress(), shipAddressB());
    QCOMPARE(readTextLines(capturePath), seen);

    view.setMrConnectionToggle(QStringLiteral("disconnect"));
    QCOMPARE(view.mrConnectionStatus(), QStringLiteral("Disconnected"));
    QVERIFY(!hasMulticastMembership(shipHostA(), QStringLiteral("eth0"), QStringLiteral("239.191.1.1")));
    view.setMrSaveNmeaToFileToggle(false);
    QCOMPARE(readTextLines(capturePath).size(), 4);
}

void TestEndToEnd::senderSettingsPutDatagramsOnWire()
{
    QTemporaryDir dir;
    Viewutil view;
    Controlutil control(&view, {dir.path() + QStringLiteral("/settings"), dir.path() + QStringLiteral("/capture"),
                                dir.path() + QStringLiteral("/qcn")});
    McastPeer peer;
    QVERIFY(peer.startReceiver(shipHostB(), QStringLiteral("239.191.1.2"), 4401, shipAddressB(), 4, 10000));

    view.setMsNmeaSentencesList({view.msHeadingNmeaSentence(), view.msWindNmeaSentence()});
    view.setMsTxInterval(1);
    view.setMsGrpIpAddress(QStringLiteral("239.191.1.2"));
    view.setMsGrpPortNumber(QStringLiteral("4401"));
    view.setMsConnectionToggle(QStringLiteral("start"));
    QCOMPARE(view.msSocketStatus(), true);

    QVERIFY2(peer.waitForDatagrams(4, 10000), qPrintable(peer.errorOutput()));
    view.setMsConnectionToggle(QStringLiteral("stop"));
    QCOMPARE(view.msConnectionStatus(), QStringLiteral("Stopped"));

    const QList<PeerDatagram> got = peer.datagrams();
    QCOMPARE(got.size(), 4);
    for (int i = 0; i < got.size(); ++i) {
        const QByteArray expected = (i % 2 == 0 ? view.msHeadingNmeaSentence() : view.msWindNmeaSentence()).toLatin1();
        QCOMPARE(got.at(i).payload, expected);
        QCOMPARE(got.at(i).sourceAddress, shipAddressA());
        QCOMPARE(got.at(i).sourcePort, quint16(4401));
    }
    QVERIFY(view.msTotalSentencesSent().toInt() >= 4);
    QCOMPARE(view.msSrcIpAddress(), QString());
}

void TestEndToEnd::realProgramStartsInOrder()
{
    QTemporaryDir home;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), home.path());
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.path() + QStringLiteral("/.config"));
    env.insert(QStringLiteral("XDG_DATA_HOME"), home.path() + QStringLiteral("/.local/share"));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), home.path());
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    const QString config = home.path() + QStringLiteral("/.config/vestranautic/QuaycastTool");
    auto messages = [&] {
        QStringList out;
        const QStringList logs = QDir(config + QStringLiteral("/logs")).entryList({QStringLiteral("*.log")}, QDir::Files);
        for (const QString &line : readTextLines(config + QStringLiteral("/logs/") + logs.value(0)))
            out << line.mid(line.indexOf(QLatin1String("] ")) + 2);
        return out;
    };

    QProcess app;
    app.setProcessEnvironment(env);
    app.start(QStringLiteral(QCX_APP_PATH), {});
    QVERIFY(app.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(messages().contains(QStringLiteral("Ms allow OS to select interface status =  true")),
                             20000);
    QCOMPARE(app.state(), QProcess::Running);
    app.kill();
    app.waitForFinished();

    const QStringList log = messages();
    const QStringList expected{
        QStringLiteral("Application log started"),  QStringLiteral("Viewutil initialized"),
        QStringLiteral("Jsonutil initialized"),     QStringLiteral("Validateutil initialized"),
        QStringLiteral("Recvutil initialized"),     QStringLiteral("Sendutil initialized"),
        QStringLiteral("Saveutil initialized"),     QStringLiteral("Controlutil initialized"),
        QStringLiteral("App Settings Received Successfully"),
        QStringLiteral("App settings loaded to UI OK"),
        QStringLiteral("Mr include date and time in NMEA save file =  true"),
        QStringLiteral("Mr allow OS to select interface status =  true"),
        QStringLiteral("Ms allow OS to select interface status =  true"),
    };
    QCOMPARE(log.value(0), expected.first());
    int at = 0;
    for (const QString &line : expected) {
        const int found = log.indexOf(line, at);
        QVERIFY2(found >= at, qPrintable(line + QStringLiteral(" missing or out of order:\n") + log.join(QLatin1Char('\n'))));
        at = found + 1;
    }
    // The settings file's start-up lines come between Jsonutil and Validateutil.
    QVERIFY(log.indexOf(QStringLiteral("Validateutil initialized")) - log.indexOf(QStringLiteral("Jsonutil initialized")) > 1);

    QFile settings(config + QStringLiteral("/settings/appSettings.json"));
    QVERIFY(settings.open(QIODevice::ReadOnly));
    const QVariantMap stored = QJsonDocument::fromJson(settings.readAll()).object().toVariantMap();
    QCOMPARE(stored.size(), 18);
    QCOMPARE(stored.value(QStringLiteral("mrDefaultGrpPortNumber")).typeId(), int(QMetaType::QString));
    QCOMPARE(stored.value(QStringLiteral("mrDefaultGrpPortNumber")).toString(), QStringLiteral("4400"));
    QCOMPARE(stored.value(QStringLiteral("mrDefaultRxTimeout")).toInt(), 3);
}

void TestEndToEnd::shutdownLeavesGroupAndStopsSender()
{
    QTemporaryDir dir;
    const QString captureDir = dir.path() + QStringLiteral("/capture");
    Viewutil view;
    auto *control = new Controlutil(&view, {dir.path() + QStringLiteral("/settings"), captureDir,
                                            dir.path() + QStringLiteral("/qcn")});
    view.setMrIncludeDateTimeInNmeaFileStatus(false);
    view.setMrSaveNmeaToFileToggle(true);
    view.setMrGrpIpAddress(QStringLiteral("239.191.1.3"));
    view.setMrGrpPortNumber(QStringLiteral("4402"));
    view.setMrConnectionToggle(QStringLiteral("connect"));
    QCOMPARE(view.mrConnectionStatus(), QStringLiteral("Connected"));
    view.setMsNmeaSentencesList({view.msDepthNmeaSentence()});
    view.setMsTxInterval(10);
    view.setMsGrpIpAddress(QStringLiteral("239.191.1.4"));
    view.setMsGrpPortNumber(QStringLiteral("4403"));
    view.setMsConnectionToggle(QStringLiteral("start"));
    QTRY_COMPARE_WITH_TIMEOUT(view.msConnectionStatus(), QStringLiteral("Started"), 5000);
    QVERIFY(hasMulticastMembership(shipHostA(), QStringLiteral("eth0"), QStringLiteral("239.191.1.3")));

    LogCapture log;
    delete control;

    QVERIFY(!hasMulticastMembership(shipHostA(), QStringLiteral("eth0"), QStringLiteral("239.191.1.3")));
    QCOMPARE(view.msConnectionStatus(), QStringLiteral("Stopped"));
    // No socket of the program is left on either port.
    QUdpSocket probe;
    QVERIFY(probe.bind(QHostAddress::AnyIPv4, 4403));
    probe.close();
    QVERIFY(probe.bind(QHostAddress::AnyIPv4, 4402));
    // The capture file was closed whole.
    const QStringList files = QDir(captureDir).entryList(QDir::Files);
    QCOMPARE(files.size(), 1);
    QVERIFY(QFileInfo(captureDir + QLatin1Char('/') + files.first()).exists());
    QVERIFY(!log.texts().isEmpty());
}

QCX_TEMP_HOME_TEST_MAIN(TestEndToEnd)
#include "tst_endtoend.moc"
