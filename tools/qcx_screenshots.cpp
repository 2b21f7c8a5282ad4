// Takes the pictures of docs/: the two pages with sentences flowing, the
// network scan of a small bridge, the Settings window and the About window, from the real main window with the
// real controller. It opens sockets, so it runs only inside the test hosts:
//
//   xvfb-run -a -s "-screen 0 1024x768x24" unshare -n -- build/bench/qcx_screenshots OUTPUT-DIR
//
// It builds its hosts with tests/netlab.h; a peer in P0 sends NMEA sentences to the group the receiver page joins.

#include <QDir>
#include <QElapsedTimer>
#include <QImage>

#include "iec450.h"
#include "benchsupport.h"
#include "mainwindowharness.h"
#include "temphome.h"
#include <QQmlExtensionPlugin>

Q_IMPORT_QML_PLUGIN(QuaycastPlugin)

namespace {

const QString kGroup = QStringLiteral("239.192.0.10");
const quint16 kPort = 10110;

void pump(int ms)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms)
        QTest::qWait(20);
}

bool save(QQuickWindow *window, const QString &path)
{
    pump(300);
    const QImage image = window->grabWindow();
    if (image.isNull() || !image.save(path)) {
        qWarning() << "could not save" << path;
        return false;
    }
    qInfo() << "saved" << path << image.size();
    return true;
}

void setText(QQuickItem *page, const char *name, const QString &text)
{
    QQuickItem *field = MainWindowHarness::findItem(page, QLatin1String(name));
    MainWindowHarness::typeInto(field, text);
}

} // namespace

int main(int argc, char *argv[])
{
    TempHome home;
    QGuiApplication app(argc, argv);
    app.setOrganizationName(QStringLiteral("vestranautic"));
    app.setApplicationName(QStringLiteral("QuaycastTool"));

    const Bench::BenchLab lab;
    if (!lab.refusal().isEmpty()) {
        qWarning().noquote() << lab.refusal();
        return 2;
    }
    const QString outDir = app.arguments().value(1);
    if (outDir.isEmpty() || !QDir().mkpath(outDir)) {
        qWarning() << "usage: qcx_screenshots OUTPUT-DIR";
        return 2;
    }

    MainWindowHarness main(home.path());
    if (!main.load())
        return 1;
    QQuickWindow *win = main.window();
    win->requestActivate();

    // Receiver page: join the group, let the peer send a stream of sentences.
    QQuickItem *recvTab = main.item("recvTab");
    setText(recvTab, "grpIpTextField", kGroup);
    setText(recvTab, "grpPortTextField", QString::number(kPort));
    MainWindowHarness::click(MainWindowHarness::findItem(recvTab, QStringLiteral("connectBtn")));
    if (main.view()->mrConnectionStatus() != QLatin1String("Connected")) {
        qWarning() << "receiver did not connect:" << main.view()->mrConnectionStatus() << main.errorShown();
        return 1;
    }
    QList<QByteArray> sentences;
    const QList<QByteArray> pool{"$HEHDT,271.4,T*2F",
                                 "$GPZDA,101530.00,14,03,2026,00,00*60",
                                 "$VDVBW,12.1,00.2,A,11.9,00.1,A,00.0,A,00.0,A*59",
                                 "$SDDPT,18.6,0.5,50.0*5A",
                                 "$WIMWV,312.0,R,014.5,N,A*23",
                                 "$GPRMC,101530.00,A,5321.5012,N,00613.9913,E,12.1,271.4,140326,1.2,W,A*17",
                                 "$GPGGA,101530.00,5321.5012,N,00613.9913,E,1,08,0.9,12.3,M,46.1,M,,*5D",
                                 "$HEHDT,271.5,T*2F",
                                 "$PGRMZ,246,f,3",
                                 "!AIVDM,1,1,,A,13aG?P0P00PD;88MD5MTDww@2<0L,0*71",
                                 "hello from a test rig"};
    for (int i = 0; i < 33; ++i)
        sentences << pool.at(i % pool.size());
    Bench::Peer peer;
    if (!peer.startSender(Lab::peer(0), kGroup, kPort, Bench::kPeerAddress, sentences, 200, 60)
        || !peer.waitFinished(15000)) {
        qWarning() << "peer failed:" << peer.errorOutput();
        return 1;
    }
    pump(300);
    bool ok = save(win, outDir + QStringLiteral("/receiver.png"));

    // The statistics of that stream.
    MainWindowHarness::click(MainWindowHarness::findItem(recvTab, QStringLiteral("statsBtn")));
    QQuickWindow *statistics = main.subWindow("statsWin");
    if (!statistics || !QTest::qWaitForWindowExposed(statistics))
        return 1;
    pump(700);
    ok = save(statistics, outDir + QStringLiteral("/statistics.png")) && ok;
    statistics->close();

    // Sender page: three templates and a custom sentence, sent every half second.
    MainWindowHarness::click(main.item("sendTabBtn"));
    QQuickItem *sendTab = main.item("sendTab");
    pump(200);
    setText(sendTab, "grpIpTextField", QStringLiteral("239.192.0.20"));
    setText(sendTab, "grpPortTextField", QStringLiteral("10120"));
    for (const char *box : {"headingChkBox", "speedChkBox", "windChkBox"})
        MainWindowHarness::click(MainWindowHarness::findItem(sendTab, QLatin1String(box)));
    setText(sendTab, "customNmeaTextField", QStringLiteral("$GPGGA,101530.00,5321.5012,N,00613.9913,E,1,08,0.9,12.3,M,46.1,M,,*5D"));
    MainWindowHarness::click(MainWindowHarness::findItem(sendTab, QStringLiteral("setCustomNmeaChkBox")));
    MainWindowHarness::typeIntoSpinBox(MainWindowHarness::findItem(sendTab, QStringLiteral("txIntervalSpinBox")),
                                       QStringLiteral("0.5"));
    MainWindowHarness::click(MainWindowHarness::findItem(sendTab, QStringLiteral("startBtn")));
    pump(3200);
    ok = save(win, outDir + QStringLiteral("/sender.png")) && ok;
    MainWindowHarness::click(MainWindowHarness::findItem(sendTab, QStringLiteral("stopBtn")));

    // Network scan: the 16 groups of the preset, six of them fed by peers as
    // bridge equipment would feed them, one of which stops early and turns
    // stale; a GPS position on the targets group is noted.
    MainWindowHarness::click(main.item("scanTabBtn"));
    QQuickItem *scanTab = main.item("scanTab");
    pump(200);
    MainWindowHarness::click(MainWindowHarness::findItem(scanTab, QStringLiteral("startScanBtn")));
    struct Feed
    {
        int group;
        const char *identity;
        QByteArray sentence;
        int count;
    };
    const QList<Feed> feeds{{1, "EI0001", "$HEHDT,271.4,T*2F", 40},
                            {2, "AI0001", "!AIVDM,1,1,,A,13aG?P0P00PD;88MD5MTDww@2<0L,0*71", 40},
                            {2, "GP0001", "$GPGGA,101530.00,5321.5012,N,00613.9913,E,1,08,0.9,12.3,M,46.1,M,,*5D", 20},
                            {3, "HE0001", "$HEHDT,271.5,T*2E", 40},
                            {4, "GP0002", "$GPRMC,101530.00,A,5321.5012,N,00613.9913,E,12.1,271.4,140326,1.2,W,A*17", 40},
                            {4, "SD0001", "$SDDPT,18.6,0.5,50.0*5A", 40},
                            {5, "VR0001", "$VRTXT,01,01,01,VDR OK", 8},
                            {7, "GP0003", "$GPZDA,101530.00,14,03,2026,00,00*60", 40}};
    std::vector<std::unique_ptr<Bench::Peer>> feeders;
    for (const Feed &feed : feeds) {
        QList<QByteArray> datagrams;
        for (int k = 1; k <= feed.count; ++k)
            datagrams << Iec450::sentenceDatagram(feed.sentence, QLatin1String(feed.identity), k);
        const QString group = QStringLiteral("239.192.0.%1").arg(feed.group);
        feeders.push_back(std::make_unique<Bench::Peer>());
        if (!feeders.back()->startSender(Lab::peer(0), group, quint16(60000 + feed.group), Bench::kPeerAddress,
                                         datagrams, 200, 100)) {
            qWarning() << "peer failed:" << feeders.back()->errorOutput();
            return 1;
        }
    }
    for (const auto &feeder : feeders)
        feeder->waitFinished(15000);
    scanTab->setProperty("selectedKey", QStringLiteral("239.192.0.2:60002"));
    pump(700);
    ok = save(win, outDir + QStringLiteral("/scan.png")) && ok;
    MainWindowHarness::click(MainWindowHarness::findItem(scanTab, QStringLiteral("stopScanBtn")));

    // Settings window, with a few options on.
    main.view()->setMrSaveGrpIpAddStatus(true);
    main.view()->setMrSaveGrpPortNumStatus(true);
    main.view()->setMsSaveCustomNmeaStatus(true);
    main.view()->setMrDefaultRxTimeout(5);
    main.view()->setMsDefaultTxInterval(10);
    MainWindowHarness::click(main.item("settingsBtn"));
    QQuickWindow *settings = main.subWindow("settingsWin");
    if (!settings || !QTest::qWaitForWindowExposed(settings))
        return 1;
    ok = save(settings, outDir + QStringLiteral("/settings.png")) && ok;
    settings->close();

    MainWindowHarness::click(main.item("aboutBtn"));
    QQuickWindow *about = main.subWindow("aboutWin");
    if (!about || !QTest::qWaitForWindowExposed(about))
        return 1;
    ok = save(about, outDir + QStringLiteral("/about.png")) && ok;
    about->close();

    return ok ? 0 : 1;
}
