// qcx_leaksession: a 30-second session of the whole program for leak checks
// (bench/leakcheck.sh runs it under valgrind and LeakSanitizer).
//
// Runs in host H of a lab it builds (tests/netlab.h). It builds what main() builds (the
// application log, the view model, the controller, the real main window) with
// its files in a temporary home, then works the program as an operator and a
// busy network would: the receiver joins a group that a peer in P0 fills
// with 200 sentences a second and some hostile datagrams, records them, is
// disconnected and connected again; the sender sends every 100 ms; the Settings
// and About windows open and close. After 30 seconds (QCX_SESSION_SECONDS) it
// closes the main window, which saves the settings and ends the event loop, and
// everything is destroyed in main()'s order. Exit code 0 when the session went
// as planned.

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QTimer>

#include "logutil.h"
#include "benchsupport.h"
#include "mainwindowharness.h"
#include "temphome.h"
#include <QQmlExtensionPlugin>

Q_IMPORT_QML_PLUGIN(QuaycastPlugin)

namespace {

const QString kGroup = QStringLiteral("239.192.9.1");
const quint16 kPort = 24490;

bool step(bool ok, const char *what)
{
    if (!ok)
        qWarning() << "leak session: failed to" << what;
    return ok;
}

} // namespace

int main(int argc, char *argv[])
{
    TempHome home;
    if (!home.isValid())
        return 1;
    const int seconds = qEnvironmentVariableIsSet("QCX_SESSION_SECONDS")
        ? qEnvironmentVariableIntValue("QCX_SESSION_SECONDS")
        : 30;

    QGuiApplication app(argc, argv);
    const Bench::BenchLab lab;
    if (!lab.refusal().isEmpty()) {
        std::fprintf(stderr, "qcx_leaksession: %s\n", qPrintable(lab.refusal()));
        return 77;
    }
    Bench::startApplicationLog(true);

    MainWindowHarness::writeSettings(home.path() + QStringLiteral("/data"),
                                     {{QStringLiteral("mrDefaultRxTimeout"), 2},
                                      {QStringLiteral("mrSaveNmeaToFileStatus"), true},
                                      {QStringLiteral("mrAllowOsChooseIfaceStatus"), false}});
    int status = 0;
    {
        MainWindowHarness program(home.path() + QStringLiteral("/data"));
        if (!step(program.load(), "load the main window"))
            return 2;
        const auto page = [&](const char *name) { return program.receiverItem(name); };
        Viewutil *view = program.view();

        bool ok = step(MainWindowHarness::typeInto(page("grpIpTextField"), kGroup), "type the group")
            && step(MainWindowHarness::typeInto(page("grpPortTextField"), QString::number(kPort)), "type the port")
            && step(MainWindowHarness::click(page("connectBtn")), "connect")
            && step(view->mrConnectionStatus() == QLatin1String("Connected"), "join the group");

        Bench::Peer flood;
        Bench::Peer hostile;
        ok = ok && step(flood.startBlast(kGroup, kPort, 200, seconds, {QStringLiteral("--numbered")}), "start the flood");
        QByteArray largest(65507, 'x');
        ok = ok
            && step(hostile.startSender(Lab::peer(0), kGroup, kPort, Bench::kPeerAddress,
                                        {QByteArray("<img src=\"http://198.51.100.2/x.png\"><b>b</b>"),
                                         QByteArray("\0\x01\x1b[2J\xff", 6), largest, QByteArray()},
                                        500, 100),
                    "send the hostile datagrams");

        view->setMsNmeaSentencesList({view->msHeadingNmeaSentence(), view->msPositionRmcNmeaSentence()});
        view->setMsTxInterval(1);
        view->setMsGrpIpAddress(QStringLiteral("239.192.9.2"));
        view->setMsGrpPortNumber(QString::number(kPort + 1));
        view->setMsConnectionToggle(QStringLiteral("start"));

        QElapsedTimer clock;
        clock.start();
        int round = 0;
        while (ok && clock.elapsed() < seconds * 1000) {
            QTest::qWait(2500);
            ++round;
            switch (round % 4) {
            case 0: {
                QQuickWindow *settings = program.openSettings();
                ok = step(settings != nullptr, "open the Settings window");
                QTest::qWait(300);
                if (settings)
                    settings->close();
                break;
            }
            case 1:
                ok = step(MainWindowHarness::click(page("disconnectBtn")), "disconnect")
                    && step(MainWindowHarness::click(page("connectBtn")), "connect again");
                break;
            case 2:
                ok = step(MainWindowHarness::click(page("saveNmeaChkBox")), "stop recording")
                    && step(MainWindowHarness::click(page("saveNmeaChkBox")), "record again");
                break;
            default:
                ok = step(MainWindowHarness::click(page("clearBtn")), "clear the list");
                break;
            }
        }
        ok = ok && step(flood.waitFinished(20000), "finish the flood") && step(hostile.waitFinished(5000), "finish");
        qInfo() << "leak session:" << flood.sentCount() << "sentences flooded," << view->msTotalSentencesSent()
                << "sent by the program";
        view->setMsConnectionToggle(QStringLiteral("stop"));

        // As the operator ends the program: closing the main window saves the
        // settings and ends the event loop.
        QTimer::singleShot(0, program.window(), &QWindow::close);
        QGuiApplication::exec();
        status = ok ? 0 : 3;
    }
    return status;
}
