#include <QCoreApplication>
#include <QGuiApplication>
#include <QIcon>
#include <QQmlApplicationEngine>
#include <QQmlContext>
#include <QQmlExtensionPlugin>
#include <QUrl>

#include "accessiblestate.h"
#include "controlutil.h"
#include "logutil.h"
#include "viewutil.h"

// The window's QML module is linked in statically.
Q_IMPORT_QML_PLUGIN(QuaycastPlugin)

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("vestranautic"));
    QCoreApplication::setApplicationName(QStringLiteral("QuaycastTool"));
    QGuiApplication::setDesktopFileName(QStringLiteral("com.vestranautic.QuaycastTool"));
    QGuiApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/RJ45.ico")));

    Logutil &log = Logutil::instance();
    log.setConsoleOutput(true);
    log.installMessageHandler();
    qInfo() << "Application log started";

    Accessiblestate::install();
    QQmlApplicationEngine engine;
    Viewutil viewutil;
    Controlutil controlutil(&viewutil);

    engine.rootContext()->setContextProperty(QStringLiteral("viewutil"), &viewutil);
    engine.rootContext()->setContextProperty(QStringLiteral("controlutil"), &controlutil);

    QObject::connect(
        &engine, &QQmlApplicationEngine::objectCreationFailed, &app,
        [] { QCoreApplication::exit(-1); }, Qt::QueuedConnection);

#if QT_VERSION >= QT_VERSION_CHECK(6, 5, 0)
    engine.loadFromModule("Quaycast", "Main");
#else
    engine.load(QUrl(QStringLiteral("qrc:/qt/qml/Quaycast/Main.qml")));
#endif

    return app.exec();
}
