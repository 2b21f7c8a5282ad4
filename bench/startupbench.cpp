// Part 4 of the benchmark: start-up, offscreen. The child does what main()
// does, in the same order, and reports when the settings are in the view
// model and when the main window has shown its first frame.

#include <QCoreApplication>
#include <QGuiApplication>
#include <QIcon>
#include <QQmlApplicationEngine>
#include <QQmlContext>
#include <QQuickWindow>
#include <QTemporaryDir>
#include <QUrl>

#include <cstdio>

#include "benchparts.h"
#include "benchsupport.h"
#include "controlutil.h"
#include "logutil.h"
#include "viewutil.h"

using namespace Bench;

int runStartupRole(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    QGuiApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/RJ45.ico")));
    startApplicationLog(true);

    QQmlApplicationEngine engine;
    Viewutil viewutil;
    // The settings and the log are where the real program keeps them (below
    // the temporary config folder the orchestrator sets); the capture folder,
    // used because recording is on by default, is a temporary one.
    QTemporaryDir capture;
    ControlutilPaths paths = ControlutilPaths::platformDefaults();
    paths.captureDirectory = capture.path() + QStringLiteral("/capture");
    paths.fallbackCaptureDirectory = capture.path() + QStringLiteral("/documents");
    Controlutil controlutil(&viewutil, paths);

    qint64 settingsAt = 0;
    // Connected after the controller, so this runs once the settings are in.
    QObject::connect(&viewutil, &Viewutil::sendLoadAppSettings, &viewutil, [&] { settingsAt = monotonicNanos(); });

    engine.rootContext()->setContextProperty(QStringLiteral("viewutil"), &viewutil);
    engine.rootContext()->setContextProperty(QStringLiteral("controlutil"), &controlutil);
    QObject::connect(
        &engine, &QQmlApplicationEngine::objectCreationFailed, &app, [] { QCoreApplication::exit(-1); },
        Qt::QueuedConnection);
    engine.load(QUrl(QStringLiteral("qrc:/qt/qml/Quaycast/Main.qml")));
    const qint64 loadedAt = monotonicNanos();

    auto *window = qobject_cast<QQuickWindow *>(engine.rootObjects().value(0));
    if (!window)
        return 2;
    QObject::connect(window, &QQuickWindow::frameSwapped, window, [&] {
        CommandChannel::reply("startup settings_ns=" + QByteArray::number(settingsAt) + " loaded_ns="
                              + QByteArray::number(loadedAt) + " frame_ns=" + QByteArray::number(monotonicNanos()));
        QCoreApplication::quit();
    });
    return QCoreApplication::exec();
}

bool runStartupBench(const BenchSetup &setup)
{
    const int runs = setup.quick ? 2 : 6;
    std::printf("## 4. Start-up\n\nWhat main() does, offscreen, timed from just before the process is started. "
                "Run 1 finds no settings file and writes the defaults; the others read it.\n\n");
    std::printf("| run | settings in the view model | Main loaded | first frame shown |\n|---:|---:|---:|---:|\n");
    std::vector<double> settings;
    std::vector<double> shown;
    bool ok = true;
    for (int run = 1; run <= runs; ++run) {
        Child child;
        const qint64 started = monotonicNanos();
        if (!child.start(setup.self, {QStringLiteral("--role"), QStringLiteral("startup")}, setup.childEnvironment)) {
            ok = false;
            continue;
        }
        const QByteArray reply = child.waitReply("startup", 30000);
        child.process().waitForFinished(30000);
        if (reply.isEmpty()) {
            ok = false;
            std::printf("| %d | failed | | |\n", run);
            continue;
        }
        const auto since = [&](const char *key) { return (field(reply, key) - double(started)) / 1e6; };
        std::printf("| %d | %.1f ms | %.1f ms | %.1f ms |\n", run, since("settings_ns"), since("loaded_ns"),
                    since("frame_ns"));
        settings.push_back(since("settings_ns"));
        shown.push_back(since("frame_ns"));
    }
    std::printf("\nMedian: settings in the view model %.1f ms, first frame %.1f ms; slowest first frame %.1f ms.\n\n",
                quantile(settings, 0.5), quantile(shown, 0.5), quantile(shown, 1.0));
    return ok;
}
