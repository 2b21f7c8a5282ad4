#pragma once

#include <QAbstractItemModel>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QQmlApplicationEngine>
#include <QQmlContext>
#include <QQuickItem>
#include <QQuickWindow>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

#include "benchsupport.h"
#include "controlutil.h"
#include "viewutil.h"

// Loads the program's real main window in-process, as main() does: the view
// model, the controller with its files inside a folder,
// the two context properties, then Main. Helpers find controls by objectName
// and drive them with mouse and keyboard events, as an operator would.
class MainWindowHarness
{
public:
    // Writes the settings file the controller will load: the built-in values
    // with the given ones in their place.
    static bool writeSettings(const QString &dataDirectory, const QVariantMap &values)
    {
        QVariantMap settings = defaultAppSettings();
        for (auto it = values.cbegin(); it != values.cend(); ++it)
            settings.insert(it.key(), it.value());
        if (!QDir().mkpath(dataDirectory + QStringLiteral("/settings")))
            return false;
        QFile file(dataDirectory + QStringLiteral("/settings/appSettings.json"));
        return file.open(QIODevice::WriteOnly | QIODevice::Text)
            && file.write(appSettingsJson(settings)) > 0;
    }

    // The controller's files below the folder, a temporary one when none is named.
    explicit MainWindowHarness(const QString &dataDirectory = QString())
    {
        const QString base = dataDirectory.isEmpty() ? m_dataDir.path() : dataDirectory;
        QDir().mkpath(base + QStringLiteral("/capture"));
        m_view = std::make_unique<Viewutil>();
        m_control = std::make_unique<Controlutil>(m_view.get(), Bench::pathsIn(base));
        m_engine = std::make_unique<QQmlApplicationEngine>();
        m_engine->rootContext()->setContextProperty(QStringLiteral("viewutil"), m_view.get());
        m_engine->rootContext()->setContextProperty(QStringLiteral("controlutil"), m_control.get());
    }

    ~MainWindowHarness()
    {
        // The order of main(): controller, view model, then the engine.
        m_control.reset();
        m_view.reset();
        m_engine.reset();
    }

    bool load()
    {
        m_engine->load(QUrl(QStringLiteral("qrc:/qt/qml/Quaycast/Main.qml")));
        return window() && QTest::qWaitForWindowExposed(window());
    }

    Viewutil *view() const { return m_view.get(); }
    Controlutil *control() const { return m_control.get(); }

    QQuickWindow *window() const
    {
        return m_engine ? qobject_cast<QQuickWindow *>(m_engine->rootObjects().value(0)) : nullptr;
    }

    // One of the main window's secondary windows: msgWin, settingsWin, aboutWin.
    QQuickWindow *subWindow(const char *name) const
    {
        return window()->findChild<QQuickWindow *>(QLatin1String(name));
    }

    QQuickItem *item(const char *name) const
    {
        if (QQuickItem *found = window()->findChild<QQuickItem *>(QLatin1String(name)))
            return found;
        return findItem(window()->contentItem(), QLatin1String(name));
    }

    // Searches the visual tree too: items made by a Repeater are visual
    // children only.
    static QQuickItem *findItem(QQuickItem *from, const QString &name)
    {
        if (!from)
            return nullptr;
        if (from->objectName() == name)
            return from;
        if (auto *found = from->findChild<QQuickItem *>(name))
            return found;
        const QList<QQuickItem *> children = from->childItems();
        for (QQuickItem *child : children) {
            if (QQuickItem *found = findItem(child, name))
                return found;
        }
        return nullptr;
    }

    QQuickItem *receiverItem(const char *name) const { return findItem(item("recvTab"), QLatin1String(name)); }

    // As the operator joins a group: types it and the port, clicks "Connect".
    bool connectReceiver(const QString &group, quint16 port) const
    {
        return typeInto(receiverItem("grpIpTextField"), group)
            && typeInto(receiverItem("grpPortTextField"), QString::number(port)) && click(receiverItem("connectBtn"))
            && view()->mrConnectionStatus() == QLatin1String("Connected");
    }

    // Clicks the centre of the item in its own window.
    static bool click(QQuickItem *target)
    {
        if (!target || !target->window() || !target->isVisible())
            return false;
        const QPointF centre = target->mapToScene(QPointF(target->width() / 2, target->height() / 2));
        QTest::mouseClick(target->window(), Qt::LeftButton, Qt::NoModifier, centre.toPoint());
        return true;
    }

    // QTest has keyClicks() only for widgets.
    static void keyClicks(QWindow *window, const QString &text)
    {
        for (const QChar c : text)
            QTest::keyClick(window, c.toLatin1());
    }

    // Clicks into a text field, selects what it holds and types the text over
    // it, key by key.
    static bool typeInto(QQuickItem *field, const QString &text)
    {
        if (!click(field) || !field->hasActiveFocus())
            return false;
        QTest::keySequence(field->window(), QKeySequence::SelectAll);
        if (text.isEmpty())
            QTest::keyClick(field->window(), Qt::Key_Delete);
        else
            keyClicks(field->window(), text);
        return true;
    }

    // Types into the text of an editable spin box and confirms with Return.
    static bool typeIntoSpinBox(QQuickItem *box, const QString &text)
    {
        auto *input = box ? box->property("contentItem").value<QQuickItem *>() : nullptr;
        if (!input)
            return false;
        input->forceActiveFocus();
        if (!input->hasActiveFocus())
            return false;
        QTest::keySequence(box->window(), QKeySequence::SelectAll);
        keyClicks(box->window(), text);
        QTest::keyClick(box->window(), Qt::Key_Return);
        return true;
    }

    // Opens the Settings window with the settings button, as the operator does.
    QQuickWindow *openSettings() const
    {
        if (!click(item("settingsBtn")))
            return nullptr;
        QQuickWindow *settings = subWindow("settingsWin");
        return settings && QTest::qWaitForWindowExposed(settings) ? settings : nullptr;
    }

    QString errorShown() const
    {
        QQuickWindow *msgWin = subWindow("msgWin");
        return msgWin && msgWin->isVisible() ? msgWin->property("message").toString() : QString();
    }

private:
    QTemporaryDir m_dataDir;
    std::unique_ptr<Viewutil> m_view;
    std::unique_ptr<Controlutil> m_control;
    std::unique_ptr<QQmlApplicationEngine> m_engine;
};
