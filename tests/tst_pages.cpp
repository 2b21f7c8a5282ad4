#include <QAccessible>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMetaProperty>
#include <QMutex>
#include <QQmlApplicationEngine>
#include <QQmlComponent>
#include <QQmlContext>
#include <QQmlExtensionPlugin>
#include <QQuickImageProvider>
#include <QQuickItem>
#include <QQuickWindow>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "accessiblestate.h"
#include "controlutil.h"
#include "jsonutil.h"
#include "linerecord.h"
#include "scanmodel.h"
#include "scanplan.h"
#include "settingskeys.h"
#include "statsmodel.h"
#include "viewutil.h"

Q_IMPORT_QML_PLUGIN(QuaycastPlugin)

namespace {

const QString kCustom = QStringLiteral("$GPGGA,101530.00,5321.5012,N,00613.9913,E,1,08,0.9,12.3,M,46.1,M,,*5D");

// Records what rich text asks of the engine; plain text asks nothing.
QMutex probeMutex;
QStringList probeRequests;
class Probe : public QQuickImageProvider
{
public:
    Probe() : QQuickImageProvider(QQuickImageProvider::Image) {}
    QImage requestImage(const QString &id, QSize *, const QSize &) override
    {
        QMutexLocker lock(&probeMutex);
        probeRequests << id;
        return QImage(4, 4, QImage::Format_ARGB32);
    }
};

bool click(QQuickItem *target)
{
    if (!target || !target->isVisible())
        return false;
    const QPointF centre = target->mapToScene(QPointF(target->width() / 2, target->height() / 2));
    QTest::mouseClick(target->window(), Qt::LeftButton, Qt::NoModifier, centre.toPoint());
    return true;
}

// Words and digits only: "Resume (5)" and "Resume 5" read alike.
QString spoken(QString text)
{
    return text.replace(QRegularExpression(QStringLiteral("[^\\w ]")), QString()).simplified();
}

// Below node: the controls a screen reader would announce by their role
// alone, or by a name that is not their caption or that another control of
// their page or window has, or as enabled while they are not, found by the
// object names above them; and every node's name.
void walk(QAccessibleInterface *node, QStringList &wrong, QStringList &names, QMap<QString, QString> &seen)
{
    static const QList<QAccessible::Role> controls{QAccessible::Button, QAccessible::CheckBox, QAccessible::RadioButton,
        QAccessible::EditableText, QAccessible::SpinBox, QAccessible::PageTab, QAccessible::ComboBox, QAccessible::Slider};
    const QString name = node->text(QAccessible::Name);
    names << name;
    auto *item = qobject_cast<QQuickItem *>(node->object());
    if (controls.contains(node->role()) && item) {
        QString where = QLatin1String(node->object()->metaObject()->className()), page;
        for (QObject *up = node->object(); up; up = up->parent()) {
            where.prepend(up->objectName().isEmpty() ? QString() : up->objectName() + QLatin1Char('/'));
            if (page.isEmpty() && up->objectName().endsWith(QLatin1String("Tab")))
                page = up->objectName();
        }
        // The caption: a control's own text, or the label just before it.
        const QList<QQuickItem *> siblings = item->parentItem()->childItems();
        const QQuickItem *before = siblings.value(siblings.indexOf(item) - 1);
        const QString caption = item->property("text").isValid() && node->role() != QAccessible::EditableText
                                    && node->role() != QAccessible::SpinBox ? item->property("text").toString()
                                : before && before->inherits("QQuickLabel") ? before->property("text").toString()
                                                                            : QString();
        const QString scope = page + QLatin1Char('@') + QString::number(quintptr(item->window())) + QLatin1Char(':') + name;
        if (name.trimmed().isEmpty() || !spoken(name).contains(spoken(caption)) || seen.contains(scope)
            || item->isEnabled() == node->state().disabled)
            wrong << where + QLatin1String(" \"") + name + QLatin1Char('"') + (seen.contains(scope) ? QLatin1String(" also ") + seen.value(scope) : QString());
        seen.insert(scope, where);
    }
    for (int i = 0; i < node->childCount(); ++i)
        walk(node->child(i), wrong, names, seen);
}

} // namespace

// The real main window with the real controller, its files in a temporary
// folder. Nothing connects or starts: statuses and rows are written into the
// view model as the workers write them, so no socket is opened.
class TestPages : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<Viewutil> m_view;
    std::unique_ptr<Controlutil> m_control;
    std::unique_ptr<QQmlApplicationEngine> m_engine;

    QString path(const char *name) const { return m_dir->filePath(QLatin1String(name)); }
    QQuickWindow *window() const { return qobject_cast<QQuickWindow *>(m_engine->rootObjects().value(0)); }
    QQuickItem *item(const char *name) const { return window()->findChild<QQuickItem *>(name); }
    // The two pages share ids, so their items are looked up below a page.
    QQuickItem *onPage(bool sender, const char *name) const
    {
        return item(sender ? "sendTab" : "recvTab")->findChild<QQuickItem *>(name);
    }
    QString shownError() const
    {
        auto *msgWin = window()->findChild<QQuickWindow *>("msgWin");
        return msgWin->isVisible() ? msgWin->property("message").toString() : QString();
    }

    bool writeSettings(const QVariantMap &stored) const
    {
        QVariantMap settings = defaultAppSettings();
        settings.insert(stored);
        QFile file(path("settings/appSettings.json"));
        return QDir().mkpath(path("settings")) && file.open(QIODevice::WriteOnly)
            && file.write(appSettingsJson(settings)) > 0;
    }

    QVariant saved(const char *key) const
    {
        QFile file(path("settings/appSettings.json"));
        return file.open(QIODevice::ReadOnly) ? QJsonDocument::fromJson(file.readAll()).object().value(key).toVariant()
                                              : QVariant();
    }

    bool start(const QVariantMap &stored = {}, bool senderTab = false)
    {
        m_dir = std::make_unique<QTemporaryDir>();
        if (!m_dir->isValid() || !writeSettings(stored) || !QDir().mkpath(path("capture")))
            return false;
        m_view = std::make_unique<Viewutil>();
        m_control = std::make_unique<Controlutil>(m_view.get(),
                                                  ControlutilPaths{path("settings"), path("capture"), path("documents")});
        m_engine = std::make_unique<QQmlApplicationEngine>();
        m_engine->addImageProvider(QStringLiteral("probe"), new Probe);
        m_engine->rootContext()->setContextProperty(QStringLiteral("viewutil"), m_view.get());
        m_engine->rootContext()->setContextProperty(QStringLiteral("controlutil"), m_control.get());
        m_engine->load(QUrl(QStringLiteral("qrc:/qt/qml/Quaycast/Main.qml")));
        return window() && QTest::qWaitForWindowExposed(window()) && (!senderTab || click(item("sendTabBtn")));
    }

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        Accessiblestate::install();
    }

    void cleanup()
    {
        // The order of main(): controller, view model, then the engine.
        m_control.reset();
        m_view.reset();
        m_engine.reset();
        m_dir.reset();
        QAccessible::setActive(false);
    }

    void storedSettingsShownAtStart()
    {
        QVERIFY(start({{"mrDefaultGrpIpAddress", "239.20.30.40"}, {"mrDefaultRxTimeout", 17},
                       {"msDefaultGrpPortNumber", "6123"}, {"msDefaultTxInterval", 25},
                       {"msDefaultCustomNmeaSentence", kCustom}}));
        QCOMPARE(onPage(false, "grpIpTextField")->property("text").toString(), QStringLiteral("239.20.30.40"));
        QCOMPARE(onPage(false, "rxTimeoutSpinBox")->property("value").toInt(), 17);
        QCOMPARE(onPage(true, "grpPortTextField")->property("text").toString(), QStringLiteral("6123"));
        QCOMPARE(onPage(true, "txIntervalSpinBox")->property("value").toInt(), 25);
        QCOMPARE(onPage(true, "customNmeaTextField")->property("text").toString(), kCustom);
        // The workers are given the loaded values, not the boxes' own.
        QCOMPARE(m_view->mrRxTimeout(), 17);
        QCOMPARE(m_view->msTxInterval(), 25.0);
    }

    // The view model against what names its members: the settings hand-over
    // and the pages. A name misspelt on either side would read as undefined
    // or land in a dynamic property without a word.
    void viewModelMatchesSettingsAndPages()
    {
        Viewutil view;
        const QMetaObject &meta = Viewutil::staticMetaObject;
        QStringList members, problems;
        for (int i = meta.methodOffset(); i < meta.methodCount(); ++i)
            members << QString::fromLatin1(meta.method(i).name());
        for (int i = meta.propertyOffset(); i < meta.propertyCount(); ++i) {
            const QMetaProperty p = meta.property(i);
            const QString name = QLatin1String(p.name());
            members << name;
            if (p.isConstant())
                continue;
            const QString changed = name == QLatin1String("msTotalSentencesSent")
                ? QStringLiteral("sendMsTotalSentencesSenthanged")
                : QLatin1String("send") + name.at(0).toUpper() + name.mid(1) + QLatin1String("Changed");
            if (p.notifySignal().name() != changed.toLatin1() || !p.isReadable()
                || p.isWritable() == name.startsWith(QLatin1String("mrShown")))
                problems << name;
            // Read and write meet, and an equal value is said again.
            QVariant value(QStringLiteral("7"));
            value.convert(p.metaType());
            QSignalSpy spy(&view, p.notifySignal());
            if (p.isWritable()
                && (!p.write(&view, value) || !p.write(&view, value) || p.read(&view) != value || spy.size() != 2))
                problems << name + QLatin1String(" written");
        }
        for (const SettingsKey &key : settingsKeys()) {
            const QMetaProperty p = meta.property(meta.indexOfProperty(key.name));
            if (!p.isWritable() || p.metaType().id() != key.type)
                problems << QLatin1String("setting ") + QLatin1String(key.name);
        }
        const QDir qml(QStringLiteral(QCX_SOURCE_DIR "/qml"));
        static const QRegularExpression use(QStringLiteral("\\bviewutil\\.(\\w+)"));
        static const QRegularExpression handler(QStringLiteral("function on(\\w)(\\w*)\\("));
        int uses = 0;
        for (const QString &fileName : qml.entryList({QStringLiteral("*.qml")})) {
            QFile file(qml.filePath(fileName));
            QVERIFY(file.open(QIODevice::ReadOnly));
            const QString text = QString::fromUtf8(file.readAll());
            QStringList names;
            for (auto found = use.globalMatch(text); found.hasNext();)
                names << found.next().captured(1);
            // The handlers of a Connections block on the view model.
            const QLatin1String target("target: viewutil");
            for (int at = text.indexOf(target); at >= 0; at = text.indexOf(target, at + 1)) {
                int end = at;
                for (int depth = 0; end < text.size() && depth >= 0; ++end)
                    depth += text.at(end) == QLatin1Char('{') ? 1 : text.at(end) == QLatin1Char('}') ? -1 : 0;
                for (auto found = handler.globalMatch(text.mid(at, end - at)); found.hasNext();) {
                    const QRegularExpressionMatch on = found.next();
                    names << on.captured(1).toLower() + on.captured(2);
                }
            }
            for (const QString &name : names)
                if (!members.contains(name))
                    problems << fileName + QLatin1String(": viewutil.") + name;
            uses += names.size();
        }
        QVERIFY(uses > 0);
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1String(", "))));
    }

    void rowsArePlainText_data()
    {
        QTest::addColumn<bool>("sender");
        QTest::addColumn<QString>("text");
        QTest::newRow("received bold") << false << "<b>x</b>";
        QTest::newRow("received image") << false << "<img src=\"image://probe/received\">";
        QTest::newRow("sent image") << true << "<img src=\"image://probe/sent\">";
    }

    void rowsArePlainText()
    {
        QFETCH(bool, sender);
        QFETCH(QString, text);
        QVERIFY(start({}, sender));
        probeRequests.clear();
        sender ? m_view->setMsNmeaSentence(text) : m_view->mrFeed()->add(readRow(text));
        QQuickItem *view = onPage(sender, sender ? "senderListView" : "listView")->findChild<QQuickItem *>("nmeaListView");
        QQuickItem *row = nullptr;
        QTRY_VERIFY(QMetaObject::invokeMethod(view, "itemAtIndex", Q_RETURN_ARG(QQuickItem *, row), Q_ARG(int, 0)) && row);
        QCOMPARE(row->property("textFormat").toInt(), int(Qt::PlainText));
        QCOMPARE(row->property("text").toString(), text);

        // Rich text on the same engine does ask the probe; by the time it
        // has, a row's earlier request would have come too.
        QQmlComponent control(m_engine.get());
        control.setData("import QtQuick\nText { textFormat: Text.RichText; text: '<img src=\"image://probe/control\">' }",
                        QUrl(QStringLiteral("qrc:/qt/qml/Quaycast/Control.qml")));
        std::unique_ptr<QQuickItem> richText(qobject_cast<QQuickItem *>(control.create()));
        QVERIFY2(richText, qPrintable(control.errorString()));
        richText->setParentItem(window()->contentItem());
        const auto probed = [] { QMutexLocker lock(&probeMutex); return probeRequests; };
        QTRY_VERIFY(probed().contains(QStringLiteral("control")));
        QCOMPARE(probed(), QStringList{QStringLiteral("control")});
    }

    void controlsFollowStatus_data()
    {
        QTest::addColumn<bool>("sender");
        QTest::addColumn<QStringList>("statuses");
        QTest::addColumn<bool>("locked");
        QTest::newRow("receiver at start") << false << QStringList() << false;
        QTest::newRow("receiver Connected") << false << QStringList{"Connected"} << true;
        QTest::newRow("receiver Disconnected") << false << QStringList{"Connected", "Disconnected"} << false;
        QTest::newRow("receiver Error") << false << QStringList{"Connected", "Error"} << false;
        QTest::newRow("sender Started") << true << QStringList{"Started"} << true;
        QTest::newRow("sender No Transmission") << true << QStringList{"No Transmission"} << true;
        QTest::newRow("sender Stopped") << true << QStringList{"Started", "Stopped"} << false;
        QTest::newRow("sender Error") << true << QStringList{"No Transmission", "Error"} << false;
    }

    void controlsFollowStatus()
    {
        QFETCH(bool, sender);
        QFETCH(QStringList, statuses);
        QFETCH(bool, locked);
        QVERIFY(start());
        for (const QString &status : statuses)
            sender ? m_view->setMsConnectionStatus(status) : m_view->setMrConnectionStatus(status);
        QCOMPARE(onPage(sender, "grpIpTextField")->property("readOnly").toBool(), locked);
        QCOMPARE(onPage(sender, "grpPortTextField")->property("readOnly").toBool(), locked);
        QCOMPARE(onPage(sender, sender ? "startBtn" : "connectBtn")->isEnabled(), !locked);
        QCOMPARE(onPage(sender, sender ? "stopBtn" : "disconnectBtn")->isEnabled(), locked);
        QCOMPARE(onPage(sender, "socketStatusLbl")->property("text").toString(), statuses.value(statuses.size() - 1));
    }

    void sentenceListFollowsTicks_data()
    {
        // The boxes clicked, in order, with the custom sentence in its field.
        // H Z R S D W stand for the templates, C for the custom sentence.
        QTest::addColumn<QStringList>("actions");
        QTest::addColumn<QString>("expected");
        QTest::newRow("Heading then Wind") << QStringList{"heading", "wind"} << "HW";
        QTest::newRow("ticked and cleared") << QStringList{"heading", "positionZda", "heading"} << "Z";
        QTest::newRow("Select All") << QStringList{"selectAll"} << "HZRSWD";
        QTest::newRow("Select All after Speed") << QStringList{"speed", "selectAll"} << "SHZRWD";
        QTest::newRow("custom after templates") << QStringList{"positionRmc", "depth", "setCustomNmea"} << "RDC";
        QTest::newRow("custom cleared") << QStringList{"setCustomNmea", "heading", "setCustomNmea"} << "H";
        QTest::newRow("Select All cleared keeps custom") << QStringList{"setCustomNmea", "selectAll", "selectAll"} << "C";
    }

    void sentenceListFollowsTicks()
    {
        QFETCH(QStringList, actions);
        QFETCH(QString, expected);
        QVERIFY(start({}, true));
        onPage(true, "customNmeaTextField")->setProperty("text", kCustom);
        for (const QString &box : actions)
            QVERIFY2(click(onPage(true, qPrintable(box + QLatin1String("ChkBox")))), qPrintable(box));
        const QStringList templates{m_view->msHeadingNmeaSentence(), m_view->msPositionZdaNmeaSentence(),
                                    m_view->msPositionRmcNmeaSentence(), m_view->msSpeedNmeaSentence(),
                                    m_view->msDepthNmeaSentence(), m_view->msWindNmeaSentence(), kCustom};
        QStringList sentences;
        for (const QChar letter : expected)
            sentences << templates.value(QStringLiteral("HZRSDWC").indexOf(letter));
        QCOMPARE(m_view->msNmeaSentencesList(), sentences);
        QCOMPARE(shownError(), QString());
    }

    // Verdict marks, the statistics window, pause and filter on the
    // receiver page, with sentences as the receiver hands them over.
    void receivedRowsMarkedCountedPausedFiltered()
    {
        QVERIFY(start());
        QAccessible::setActive(true);
        // As the receiver hands a datagram over: its record, then its rows.
        const auto receive = [this](const QByteArray &datagram, const char *host = "198.51.100.2") {
            DatagramRecord record = readDatagram(datagram);
            record.host = QLatin1String(host);
            m_control->recvMrDatagram(record);
            for (const RowRecord &row : record.rows)
                m_control->recvMrNmeaData(QStringLiteral("Connected"), row.text, record.host, QStringLiteral("10110"));
        };
        // The receiver says so when it has joined, before any data.
        m_control->recvMrNmeaData(QStringLiteral("Connected"), QString(), QString(), QString());
        for (const char *sentence : {"$HEHDT,90.0,T*16", "$HEHDT,90.0,T*17", "$GPRMC,1*56", "hello"})
            receive(sentence);
        receive("$HEHDT,91.0,T*16", "198.51.100.3");
        // Several lines in one datagram, and a framed datagram of two lines, one lost between them.
        receive("$HEHDT,90.0,T*16\r\n$SDDPT,20.0,0.0*00\r\nhello again\r\n");
        receive(QByteArray("UdPbC", 6) + "\\s:EI0001,n:1*0D\\$GPRMC,1,A*99\r\n\\s:EI0001,n:3*0F\\$GPRMC,1*56\r\n");
        QQuickItem *rows = onPage(false, "nmeaListView");
        QTRY_COMPARE(rows->property("count").toInt(), 9);
        const auto mark = [rows](int index) {
            QQuickItem *row = nullptr;
            if (!QMetaObject::invokeMethod(rows, "itemAtIndex", Q_RETURN_ARG(QQuickItem *, row), Q_ARG(int, index)) || !row)
                return QString();
            for (QQuickItem *child : row->childItems())
                if (child->isVisible() && child->property("text").isValid())
                    return child->property("text").toString() + child->property("color").toString();
            return QString();
        };
        QTRY_COMPARE(mark(2), QStringLiteral("\u2717#c00000"));
        QCOMPARE(mark(6), QStringLiteral("\u2717#c00000"));
        QCOMPARE(mark(7), QStringLiteral("\u2717#c00000"));
        QCOMPARE(mark(8), QStringLiteral("\u2713#1b7a1b"));

        QVERIFY(click(onPage(false, "statsBtn")));
        QTRY_VERIFY(window()->findChild<QQuickWindow *>("statsWin")->isVisible());
        Statsmodel *table = m_view->mrStats();
        QTRY_COMPARE(table->rowCount(), 4);
        const auto shown = [](const QAbstractItemModel *model, QList<int> columns) {
            QStringList rows;
            for (int row = 0; row < model->rowCount(); ++row) {
                QStringList cells;
                for (const int column : columns)
                    cells << model->index(row, column).data().toString();
                rows << cells.join(QLatin1Char(' '));
            }
            return rows;
        };
        QCOMPARE(shown(table, {0, 1, 4, 5}), QStringList({"GPRMC 3 1 198.51.100.2", "HEHDT 4 2 198.51.100.2, 198.51.100.3",
                                                           "SDDPT 1 1 198.51.100.2", "other 2 0 198.51.100.2"}));
        QCOMPARE(shown(table->sources(), {0, 1, 2, 3}),
                 QStringList({"(no TAG) 198.51.100.2 7 0", "(no TAG) 198.51.100.3 1 0", "EI0001 198.51.100.2 2 1"}));
        QCOMPARE(table->sourcesSummary(), QStringLiteral("TAG sources: 1, lost: 1"));
        // A CSV file is written whole, or the window says why not.
        auto *statsWin = window()->findChild<QQuickWindow *>("statsWin");
        QMetaObject::invokeMethod(statsWin, "saveCsv", Q_ARG(QVariant, QUrl::fromLocalFile(path("stats.csv"))));
        QFile csv(path("stats.csv"));
        QVERIFY(csv.open(QIODevice::ReadOnly) && csv.readAll() == m_view->mrStats()->csv().toUtf8());
        QCOMPARE(shownError(), QString());
        QMetaObject::invokeMethod(statsWin, "saveCsv", Q_ARG(QVariant, QUrl::fromLocalFile("/dev/full")));
        QCOMPARE(shownError(), QStringLiteral("Failed To Save CSV File: /dev/full (No space left on device)"));
        window()->findChild<QQuickWindow *>("msgWin")->close();

        QVERIFY(click(onPage(false, "pauseBtn")));
        receive("$GPRMC,2*55");
        receive("$GPRMC,3*54");
        QTRY_COMPARE(onPage(false, "pauseBtn")->property("text").toString(), QStringLiteral("Resume (2)"));
        QCOMPARE(QAccessible::queryAccessibleInterface(onPage(false, "pauseBtn"))->text(QAccessible::Name),
                 QStringLiteral("Resume (2)"));
        QCOMPARE(rows->property("count").toInt(), 9);
        QVERIFY(click(onPage(false, "pauseBtn")));
        QTRY_COMPARE(rows->property("count").toInt(), 11);
        // Rows keep their place: the table is updated, never reset.
        QSignalSpy reset(table, &QAbstractItemModel::modelReset);
        table->refresh();
        QCOMPARE(shown(table, {0, 1}).first(), QStringLiteral("GPRMC 5"));
        QCOMPARE(reset.size(), 0);

        onPage(false, "filterField")->setProperty("text", QStringLiteral("gprmc"));
        QTRY_COMPARE(rows->property("count").toInt(), 5);
        onPage(false, "filterField")->setProperty("text", QStringLiteral("rmc,2"));
        QTRY_COMPARE(rows->property("count").toInt(), 1);
        // A screen reader finds the rows shown, not those kept for reuse.
        const auto readRows = [rows] {
            QStringList wrong, read;
            QMap<QString, QString> seen;
            walk(QAccessible::queryAccessibleInterface(rows), wrong, read, seen);
            return read.filter(QStringLiteral("$"));
        };
        QTRY_COMPARE(readRows(), QStringList{QStringLiteral("$GPRMC,2*55")});
        // A row of several lines shows when any of its lines is of the kind.
        onPage(false, "filterField")->setProperty("text", QStringLiteral("Other"));
        QTRY_COMPARE(rows->property("count").toInt(), 2);
        onPage(false, "filterField")->setProperty("text", QStringLiteral("sddpt"));
        QTRY_COMPARE(rows->property("count").toInt(), 1);
        onPage(false, "filterField")->setProperty("text", QString());
        QTRY_COMPARE(rows->property("count").toInt(), 11);
        QVERIFY(click(onPage(false, "clearBtn")));
        QCOMPARE(table->rowCount(), 0);
        QCOMPARE(table->sources()->rowCount(), 0);
        QCOMPARE(table->sourcesSummary(), QString());

        // The selection stays on its rows when the oldest ten thousand leave,
        // goes once they have left, and goes with Clear Data.
        QQuickItem *list = onPage(false, "listView");
        const auto feed = [this](int from, int to) {
            for (int i = from; i < to; ++i)
                m_view->mrFeed()->addNotice(QStringLiteral("$QCSEL,%1*00").arg(i));
        };
        const auto select = [list](int first, int last) {
            list->setProperty("selectionFirst", first);
            list->setProperty("selectionLast", last);
        };
        const auto selection = [list] {
            return QPoint(list->property("selectionFirst").toInt(), list->property("selectionLast").toInt());
        };
        feed(0, 20000);
        QTRY_COMPARE(rows->property("count").toInt(), 20000);
        select(15001, 15000);
        feed(20000, 110000);
        QTRY_COMPARE(rows->property("count").toInt(), 100000);
        QCOMPARE(selection(), QPoint(5001, 5000));
        QMetaObject::invokeMethod(list, "copySelection");
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("$QCSEL,15000*00\n$QCSEL,15001*00"));
        select(3, 3);
        feed(110000, 120000);
        QTRY_COMPARE(selection(), QPoint(-1, -1));
        select(7, 9);
        QVERIFY(click(onPage(false, "clearBtn")));
        QCOMPARE(selection(), QPoint(-1, -1));
        // More waited than the feed keeps: the button says so.
        QVERIFY(click(onPage(false, "pauseBtn")));
        feed(0, 150000);
        QTRY_COMPARE(onPage(false, "pauseBtn")->property("text").toString(),
                     QStringLiteral("Resume (150,000, newest 110,000 kept)"));
    }

    void customSentenceVerdict_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("error");
        QTest::newRow("valid") << kCustom << QString();
        QTest::newRow("no checksum") << "$GPGGA,1,2" << "Pls Enter A Valid NMEA Sentence";
        QTest::newRow("lower-case talker") << "$gphdt,1*00" << "Pls Enter A Valid NMEA Sentence";
        QTest::newRow("empty") << QString() << "No Nmea Sentence Found !";
    }

    void customSentenceVerdict()
    {
        QFETCH(QString, typed);
        QFETCH(QString, error);
        const QString stored = QStringLiteral("$HEHDT,1.0,T*00");
        QVERIFY(start({{"msDefaultCustomNmeaSentence", stored}}, true));
        QQuickItem *field = onPage(true, "customNmeaTextField");
        field->setProperty("text", typed);
        QVERIFY(click(onPage(true, "setCustomNmeaChkBox")));

        const bool accepted = error.isEmpty();
        QCOMPARE(shownError(), error);
        QCOMPARE(onPage(true, "setCustomNmeaChkBox")->property("checked").toBool(), accepted);
        QCOMPARE(field->property("readOnly").toBool(), accepted);
        QCOMPARE(m_view->msNmeaSentencesList(), accepted ? QStringList{typed} : QStringList());
        // Only an accepted sentence replaces the one kept for the next start.
        QCOMPARE(m_view->msDefaultCustomNmeaSentence(), accepted ? typed : stored);
    }

    void txIntervalTyped_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("tenths");
        QTest::addColumn<bool>("refused");
        QTest::newRow("one second") << "1.0" << 10 << false;
        QTest::newRow("half a second") << "0.5" << 5 << false;
        QTest::newRow("2.3 seconds") << "2.3" << 23 << false;
        QTest::newRow("above the maximum") << "99" << 600 << false;
        QTest::newRow("zero") << "0" << 10 << true;
        QTest::newRow("garbage") << "1.x" << 10 << true;
    }

    void txIntervalTyped()
    {
        QFETCH(QString, typed);
        QFETCH(int, tenths);
        QFETCH(bool, refused);
        QVERIFY(start({{"msDefaultTxInterval", 30}}, true));
        QQuickItem *input = onPage(true, "txIntervalSpinBox")->property("contentItem").value<QQuickItem *>();
        input->forceActiveFocus();
        QTest::keySequence(window(), QKeySequence::SelectAll);
        for (const QChar c : typed)
            QTest::keyClick(window(), c.toLatin1());
        QTest::keyClick(window(), Qt::Key_Return);

        QCOMPARE(m_view->msTxInterval(), double(tenths));
        QCOMPARE(input->property("text").toString(), QString::number(tenths / 10.0, 'f', 1));
        QCOMPARE(shownError(), refused ? QStringLiteral("Pls Enter Valid Tx Interval From 1 Sec to 60 Sec") : QString());
    }

    void settingsWindowSavesOnEveryClose()
    {
        QVERIFY(start({{"msShowWiredIfaceErrorStatus", true}}));
        auto *settings = window()->findChild<QQuickWindow *>("settingsWin");
        QVERIFY(click(item("settingsBtn")));
        QVERIFY(QTest::qWaitForWindowExposed(settings));
        QQuickItem *box = settings->findChild<QQuickItem *>("showMsDisconnectErrorChkBox");
        QVERIFY(box->property("checked").toBool());
        QVERIFY(click(box));
        QVERIFY(click(settings->findChild<QQuickItem *>("closeBtn")));
        QTRY_VERIFY(!settings->isVisible());
        QCOMPARE(saved("msShowWiredIfaceErrorStatus"), QVariant(false));

        // Nothing changed this time, and closed by the window's own control:
        // the file is written again all the same.
        QVERIFY(writeSettings({{"msShowWiredIfaceErrorStatus", true}}));
        QVERIFY(click(item("settingsBtn")));
        settings->close();
        QCOMPARE(saved("msShowWiredIfaceErrorStatus"), QVariant(false));
    }

    // What a screen reader finds: every control named, rows and messages read
    // out, Press doing what a click does, and the tabs reached by the keyboard.
    void screenReaderFindsNamedControls()
    {
        QVERIFY(start());
        // No screen reader runs offscreen: turned on by hand, once the window
        // is made, accessibility gives its controls their nodes.
        QAccessible::setActive(true);
        QVERIFY(item("sendTabBtn")->property("activeFocusOnTab").toBool());
        item("sendTabBtn")->forceActiveFocus(Qt::TabFocusReason);
        QTest::keyClick(window(), Qt::Key_Return);
        QCOMPARE(item("tabBar")->property("currentIndex").toInt(), 1);
        m_view->setMsNmeaSentence(kCustom);
        const QString message = QStringLiteral("Pls Enter A Valid NMEA Sentence");
        window()->findChild<QQuickWindow *>("msgWin")->setProperty("message", message);
        for (const char *button : {"settingsBtn", "aboutBtn"}) {
            QAccessibleInterface *node = QAccessible::queryAccessibleInterface(item(button));
            QVERIFY2(node && node->actionInterface(), button);
            node->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        }
        for (const char *shown : {"settingsWin", "aboutWin"})
            QVERIFY2(window()->findChild<QQuickWindow *>(shown)->isVisible(), shown);

        QStringList wrong, names;
        const auto walkAll = [&] {
            wrong = names = QStringList();
            QMap<QString, QString> seen;
            for (QQuickWindow *shown : window()->findChildren<QQuickWindow *>() + QList<QQuickWindow *>{window()})
                walk(QAccessible::queryAccessibleInterface(shown), wrong, names, seen);
            return names.contains(kCustom);
        };
        // A row is read out once its delegate is laid out.
        QTRY_VERIFY(walkAll());
        QVERIFY2(wrong.isEmpty(), qPrintable(QLatin1String("Misread: ") + wrong.join(QLatin1String(", "))));
        QCOMPARE(QAccessible::queryAccessibleInterface(onPage(true, "replaySpeedComboBox"))->text(QAccessible::Description),
                 QStringLiteral("Speed 1x"));
        // The walk reached every window.
        for (const QString &name : {QStringLiteral("Default Tx Interval"), QStringLiteral("Terms & Conditions"), message})
            QVERIFY2(names.contains(name), qPrintable(name));
    }

    // The map and its alarms as the scan counts them (no socket: the counts
    // are filled here), the alarm line read out as it changes, and a group
    // taken into the receiver tab.
    void scanMapAlarmsAndOpenInReceiver()
    {
        QVERIFY(start());
        QVERIFY(click(item("scanTabBtn")));
        QCOMPARE(item("tabBar")->property("currentIndex").toInt(), 2);
        QCOMPARE(item("startScanBtn")->property("enabled"), QVariant(true));
        // Offscreen no screen reader listens; what it would read is the alert's name,
        // and a change of that name is what Qt Quick announces.
        QAccessible::setActive(true);
        const auto alert = [this] {
            QAccessibleInterface *node = QAccessible::queryAccessibleInterface(item("alarmsLbl"));
            return node && node->role() == QAccessible::AlertMessage ? node->text(QAccessible::Name) : QString();
        };
        Scanmodel *scan = m_control->scan();
        const QVector<ScanTarget> preset = presetTargets(QStringLiteral("iec450"));
        scan->scan()->counts().reset({preset.at(1), preset.at(3)});
        const auto arrive = [scan](int group, const QByteArray &line) {
            DatagramRecord record = readDatagram(line);
            record.host = QStringLiteral("198.51.100.2");
            scan->scan()->counts().add(group, record);
            scan->refresh();
        };
        arrive(0, "$GPGGA,1*00");
        arrive(1, "$GPGGA,1*00");
        QCOMPARE(scan->rowCount(), 4);
        QCOMPARE(scan->index(0, 0).data().toString(), QStringLiteral("TGTD"));
        QCOMPARE(scan->index(1, 0).data().toString(), QStringLiteral("  (no TAG)"));
        QCOMPARE(scan->index(1, 10).data().toString(), QStringLiteral("GP unusual on TGTD"));
        QCOMPARE(scan->index(3, 10).data().toString(), QString());
        const QString alarm = QStringLiteral("Alarms: TGTD (239.192.0.2:60002) stale since ");
        QCOMPARE(alert(), QStringLiteral("Alarms: none"));
        QTRY_VERIFY_WITH_TIMEOUT((scan->refresh(), alert().startsWith(alarm)), 5000);
        QVERIFY(alert().contains(QLatin1String("; NAVD (239.192.0.4:60004) stale since ")));
        QVERIFY(scan->index(0, 9).data(Celltable::StaleRole).toBool());
        arrive(0, "$GPGGA,2*00");
        arrive(1, "$GPGGA,2*00");
        QCOMPARE(alert(), QStringLiteral("Alarms: none"));
        QCOMPARE(scan->index(0, 9).data().toString(), QStringLiteral("active"));

        // A source's row opens its group; the controller's requests stay here, so no socket opens.
        item("scanTab")->setProperty("selectedKey", QStringLiteral("239.192.0.4:60004\n\n198.51.100.2"));
        m_control->blockSignals(true);
        QVERIFY(click(item("openInReceiverBtn")));
        m_control->blockSignals(false);
        QCOMPARE(item("tabBar")->property("currentIndex").toInt(), 0);
        QCOMPARE(onPage(false, "grpIpTextField")->property("text").toString(), QStringLiteral("239.192.0.4"));
        QCOMPARE(onPage(false, "grpPortTextField")->property("text").toString(), QStringLiteral("60004"));
        QCOMPARE(m_view->mrGrpIpAddress(), QStringLiteral("239.192.0.4"));
        QCOMPARE(m_view->mrConnectionToggle(), QStringLiteral("connect"));
    }

    void closingMainWindowSavesAndQuits()
    {
        QVERIFY(start({{"msSaveGrpPortNumStatus", false}}));
        onPage(false, "grpIpTextField")->setProperty("text", QStringLiteral("239.1.2.3"));
        onPage(true, "grpPortTextField")->setProperty("text", QStringLiteral("7000"));
        QTimer::singleShot(0, window(), [this] { window()->close(); });
        QTimer::singleShot(10000, qApp, [] { QCoreApplication::exit(99); });
        QCOMPARE(QCoreApplication::exec(), 0);
        QCOMPARE(saved("mrDefaultGrpIpAddress"), QVariant(QStringLiteral("239.1.2.3")));
        // Not asked to be kept, so not kept.
        QCOMPARE(saved("msDefaultGrpPortNumber"), QVariant(QString()));
    }
};

QTEST_MAIN(TestPages)
#include "tst_pages.moc"
