#include <QGuiApplication>
#include <QQmlApplicationEngine>
#include <QQmlComponent>
#include <QQmlContext>
#include <QQuickItem>
#include <QQuickWindow>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include "viewutil.h"

// The main window and its shared controls, loaded from the program's own
// module with a view model but without the rest of the program.
class TestMain : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void windowGeometryAndTitle();
    void startsWithReceiverTabStyled();
    void tabSwitchingColours();
    void settingsRequestedOnceAtStart();
    void msSpinBoxText_data();
    void msSpinBoxText();
    void mrSpinBoxShowsOneDecimal();
    void secondErrorReplacesText();
    void closeSavesAndQuitsWithZero();

private:
    QQuickWindow *window() const { return qobject_cast<QQuickWindow *>(m_engine->rootObjects().value(0)); }
    QObject *find(const char *name) const { return window()->findChild<QObject *>(QLatin1String(name)); }
    QQuickItem *item(const char *name) const { return window()->findChild<QQuickItem *>(QLatin1String(name)); }
    void click(QQuickItem *target);
    QQuickItem *createInMain(const QByteArray &qml);

    Viewutil *m_view = nullptr;
    QQmlApplicationEngine *m_engine = nullptr;
    QSignalSpy *m_loadSpy = nullptr;
};

void TestMain::init()
{
    m_view = new Viewutil;
    m_loadSpy = new QSignalSpy(m_view, &Viewutil::sendLoadAppSettings);
    m_engine = new QQmlApplicationEngine;
    m_engine->rootContext()->setContextProperty(QStringLiteral("viewutil"), m_view);
    m_engine->load(QUrl(QStringLiteral("qrc:/qt/qml/Quaycast/Main.qml")));
    QVERIFY(window());
    QVERIFY(QTest::qWaitForWindowExposed(window()));
}

void TestMain::cleanup()
{
    delete m_loadSpy;
    // The view model goes first, as in the program: bindings must survive it.
    delete m_view;
    delete m_engine;
    m_loadSpy = nullptr;
    m_view = nullptr;
    m_engine = nullptr;
}

void TestMain::click(QQuickItem *target)
{
    QVERIFY(target);
    const QPointF centre = target->mapToScene(QPointF(target->width() / 2, target->height() / 2));
    QTest::mouseClick(window(), Qt::LeftButton, Qt::NoModifier, centre.toPoint());
}

QQuickItem *TestMain::createInMain(const QByteArray &qml)
{
    QQmlComponent component(m_engine);
    component.setData("import QtQuick\nimport Quaycast\n" + qml, QUrl(QStringLiteral("qrc:/qt/qml/Quaycast/TestItem.qml")));
    // Created in the main window's context, so it sees msgWin as the pages do.
    QObject *obj = component.create(qmlContext(window()));
    if (!obj) {
        qWarning() << component.errors();
        return nullptr;
    }
    auto *quickItem = qobject_cast<QQuickItem *>(obj);
    quickItem->setParentItem(window()->contentItem());
    return quickItem;
}

void TestMain::windowGeometryAndTitle()
{
    QQuickWindow *w = window();
    QCOMPARE(w->title(), QStringLiteral("Quaycast Tool - QCX"));
    QCOMPARE(w->minimumSize(), QSize(800, 600));
    QCOMPARE(w->size(), QSize(800, 600));
    QCOMPARE(w->maximumSize().width() > 800, true);
    QVERIFY(w->isVisible());
    QCOMPARE(item("recvTabBtn")->property("text").toString(), QStringLiteral("Multicast Receiver"));
    QCOMPARE(item("sendTabBtn")->property("text").toString(), QStringLiteral("Multicast Sender"));
    QCOMPARE(item("sendTabBtn")->width(), item("recvTabBtn")->width());
    QCOMPARE(item("recvTabBtn")->height(), 40.0);
    QVERIFY(!find("msgWin")->property("visible").toBool());
    QVERIFY(!find("settingsWin")->property("visible").toBool());
    QVERIFY(!find("aboutWin")->property("visible").toBool());
}

void TestMain::startsWithReceiverTabStyled()
{
    QCOMPARE(window()->color(), QColor("white"));
    QCOMPARE(item("recvTabBtn")->property("backgroundColor").value<QColor>(), QColor("whitesmoke"));
    QCOMPARE(item("recvTab")->property("color").value<QColor>(), QColor("whitesmoke"));
    QCOMPARE(item("sendTabBtn")->property("backgroundColor").value<QColor>(), QColor("white"));
    QCOMPARE(item("tabBar")->property("currentIndex").toInt(), 0);
}

void TestMain::tabSwitchingColours()
{
    auto colour = [this](const char *name, const char *prop) {
        return item(name)->property(prop).value<QColor>();
    };
    click(item("sendTabBtn"));
    QCOMPARE(item("tabBar")->property("currentIndex").toInt(), 1);
    QCOMPARE(colour("sendTabBtn", "backgroundColor"), QColor("whitesmoke"));
    QCOMPARE(colour("sendTab", "color"), QColor("whitesmoke"));
    QCOMPARE(colour("recvTabBtn", "backgroundColor"), QColor("white"));
    QVERIFY(item("sendTab")->isVisible());
    QVERIFY(!item("recvTab")->isVisible());

    click(item("recvTabBtn"));
    QCOMPARE(item("tabBar")->property("currentIndex").toInt(), 0);
    QCOMPARE(colour("recvTabBtn", "backgroundColor"), QColor("whitesmoke"));
    QCOMPARE(colour("sendTabBtn", "backgroundColor"), QColor("white"));
    QCOMPARE(colour("recvTab", "color"), QColor("whitesmoke"));
    QCOMPARE(colour("sendTab", "color"), QColor("whitesmoke"));

    click(item("recvTabBtn"));
    QCOMPARE(item("tabBar")->property("currentIndex").toInt(), 0);
    QCOMPARE(colour("recvTabBtn", "backgroundColor"), QColor("whitesmoke"));
    QCOMPARE(colour("sendTabBtn", "backgroundColor"), QColor("white"));
}

void TestMain::settingsRequestedOnceAtStart()
{
    QCOMPARE(m_loadSpy->count(), 1);
}

void TestMain::msSpinBoxText_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("value");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<bool>("error");
    QTest::newRow("zero") << QStringLiteral("0") << 10 << QStringLiteral("1.0") << true;
    QTest::newRow("negative") << QStringLiteral("-1") << 10 << QStringLiteral("1.0") << true;
    QTest::newRow("letters") << QStringLiteral("abc") << 10 << QStringLiteral("1.0") << true;
    QTest::newRow("empty") << QString() << 10 << QStringLiteral("1.0") << true;
    QTest::newRow("two and a half") << QStringLiteral("2.5") << 25 << QStringLiteral("2.5") << false;
    QTest::newRow("half a second") << QStringLiteral("0.5") << 5 << QStringLiteral("0.5") << false;
    QTest::newRow("point three") << QStringLiteral("0.3") << 3 << QStringLiteral("0.3") << false;
    QTest::newRow("whole seconds") << QStringLiteral("60") << 600 << QStringLiteral("60.0") << false;
    QTest::newRow("above maximum") << QStringLiteral("99") << 600 << QStringLiteral("60.0") << false;
    QTest::newRow("below minimum") << QStringLiteral("0.01") << 1 << QStringLiteral("0.1") << false;
}

void TestMain::msSpinBoxText()
{
    QFETCH(QString, typed);
    QFETCH(int, value);
    QFETCH(QString, shown);
    QFETCH(bool, error);

    QQuickItem *box = createInMain("CustomMsSpinBox { from: 1; to: 600; value: 50; editable: true }");
    QVERIFY(box);
    auto *input = box->property("contentItem").value<QQuickItem *>();
    QVERIFY(input);
    QCOMPARE(input->property("text").toString(), QStringLiteral("5.0"));

    input->forceActiveFocus();
    QVERIFY(input->hasActiveFocus());
    input->setProperty("text", typed);
    QTest::keyClick(window(), Qt::Key_Return);

    QCOMPARE(box->property("value").toInt(), value);
    QCOMPARE(input->property("text").toString(), shown);
    QObject *msgWin = find("msgWin");
    QCOMPARE(msgWin->property("visible").toBool(), error);
    if (error)
        QCOMPARE(msgWin->property("message").toString(),
                 QStringLiteral("Pls Enter Valid Tx Interval From 1 Sec to 60 Sec"));
    delete box;
}

void TestMain::mrSpinBoxShowsOneDecimal()
{
    QQuickItem *box = createInMain("CustomMrSpinBox { from: 0; to: 60; value: 3; editable: true }");
    QVERIFY(box);
    auto *input = box->property("contentItem").value<QQuickItem *>();
    QCOMPARE(input->property("text").toString(), QStringLiteral("3.0"));
    input->forceActiveFocus();
    input->setProperty("text", QStringLiteral("7"));
    QTest::keyClick(window(), Qt::Key_Return);
    QCOMPARE(box->property("value").toInt(), 7);
    QCOMPARE(input->property("text").toString(), QStringLiteral("7.0"));
    QVERIFY(!find("msgWin")->property("visible").toBool());
    delete box;
}

void TestMain::secondErrorReplacesText()
{
    auto *msgWin = qobject_cast<QQuickWindow *>(find("msgWin"));
    QVERIFY(msgWin);
    QCOMPARE(msgWin->title(), QStringLiteral("Error Message"));
    QCOMPARE(msgWin->size(), QSize(300, 100));
    QCOMPARE(msgWin->minimumSize(), QSize(300, 100));
    QCOMPARE(msgWin->maximumSize(), QSize(300, 100));
    QCOMPARE(msgWin->modality(), Qt::ApplicationModal);

    msgWin->setProperty("message", QStringLiteral("First Error"));
    QMetaObject::invokeMethod(msgWin, "show");
    QVERIFY(QTest::qWaitForWindowExposed(msgWin));
    msgWin->setProperty("message", QStringLiteral("<b>Second</b> Error"));
    QMetaObject::invokeMethod(msgWin, "show");

    auto *text = msgWin->findChild<QQuickItem *>(QStringLiteral("messageText"));
    QCOMPARE(text->property("text").toString(), QStringLiteral("<b>Second</b> Error"));
    QCOMPARE(text->property("textFormat").toInt(), 0); // plain text: markup is shown, not rendered

    int visibleWindows = 0;
    for (QWindow *w : QGuiApplication::topLevelWindows())
        visibleWindows += w->isVisible() ? 1 : 0;
    QCOMPARE(visibleWindows, 2); // the main window and the one error window

    auto *ok = msgWin->findChild<QQuickItem *>(QStringLiteral("okButton"));
    QCOMPARE(ok->property("text").toString(), QStringLiteral("OK"));
    const QPointF centre = ok->mapToScene(QPointF(ok->width() / 2, ok->height() / 2));
    QTest::mouseClick(msgWin, Qt::LeftButton, Qt::NoModifier, centre.toPoint());
    QTRY_VERIFY(!msgWin->isVisible());
}

void TestMain::closeSavesAndQuitsWithZero()
{
    QSignalSpy save(m_view, &Viewutil::sendSaveAppSettings);
    QTimer::singleShot(0, window(), [this] { window()->close(); });
    QTimer::singleShot(10000, qApp, [] { QCoreApplication::exit(99); });
    QCOMPARE(QGuiApplication::exec(), 0);
    QCOMPARE(save.count(), 1);
    QVERIFY(!window()->isVisible());
}

QTEST_MAIN(TestMain)
#include "tst_main.moc"
