#include <QMetaMethod>
#include <QTimer>

#include "mainwindowharness.h"
#include "temphome.h"

namespace {

// The settings properties in the order the window loads them.
const QStringList kLoadOrder{
    QStringLiteral("mrSaveGrpIpAddStatus"),
    QStringLiteral("mrSaveGrpPortNumStatus"),
    QStringLiteral("mrSaveNmeaToFileStatus"),
    QStringLiteral("mrIncludeDateTimeInNmeaFileStatus"),
    QStringLiteral("mrShowWiredIfaceErrorStatus"),
    QStringLiteral("mrAllowOsChooseIfaceStatus"),
    QStringLiteral("mrDefaultRxTimeout"),
    QStringLiteral("msSaveGrpIpAddStatus"),
    QStringLiteral("msSaveGrpPortNumStatus"),
    QStringLiteral("msSaveCustomNmeaStatus"),
    QStringLiteral("msShowWiredIfaceErrorStatus"),
    QStringLiteral("msAllowOsChooseIfaceStatus"),
    QStringLiteral("msDefaultTxInterval"),
};

// Every option of the window off, as an operator may have stored it.
QVariantMap allOptionsOff()
{
    QVariantMap values;
    for (const QString &key : kLoadOrder) {
        if (key.endsWith(QLatin1String("Status")))
            values.insert(key, false);
    }
    return values;
}

} // namespace

// Records, in order, which view-model properties announced a change.
class ChangeRecorder : public QObject
{
    Q_OBJECT

public:
    ChangeRecorder(QObject *source, const QStringList &properties)
    {
        const QMetaObject *meta = source->metaObject();
        const QMetaMethod slot = metaObject()->method(metaObject()->indexOfSlot("hit()"));
        for (const QString &name : properties) {
            const QMetaProperty property = meta->property(meta->indexOfProperty(name.toLatin1().constData()));
            m_names.insert(property.notifySignalIndex(), name);
            connect(source, property.notifySignal(), this, slot);
        }
    }

    QStringList changes;

public slots:
    void hit() { changes << m_names.value(senderSignalIndex()); }

private:
    QHash<int, QString> m_names;
};

// The Settings window on the real main window, with the real controller and
// its settings file in a temporary folder.
class TestSettingsWindow : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void windowFrameAndTexts();
    void checkBoxEditsItsProperty_data();
    void checkBoxEditsItsProperty();
    void loadAssignsInOrder();
    void firstOpeningPushesDefaultRxTimeout();
    void firstOpeningPushesDefaultTxInterval();
    void saveNmeaPreferenceTicksPageBoxOnce();
    void clearingSaveCustomEmptiesDefaultAtOnce();
    void tickingSaveAddressStoresOnNextChange();
    void invalidDefaultTxIntervalText();
    void everyClosingSaves_data();
    void everyClosingSaves();
    void closingMainWindowStoresDefaultsAndExits();

private:
    bool start(const QVariantMap &stored);
    QQuickItem *control(const char *name) const { return m_main->item(name, m_main->subWindow("settingsWin")); }
    QQuickItem *recvItem(const char *name) const { return MainWindowHarness::findItem(m_main->item("recvTab"), QLatin1String(name)); }
    QQuickItem *sendItem(const char *name) const { return MainWindowHarness::findItem(m_main->item("sendTab"), QLatin1String(name)); }
    bool closeSettings() const;

    std::unique_ptr<QTemporaryDir> m_data;
    std::unique_ptr<MainWindowHarness> m_main;
};

void TestSettingsWindow::init()
{
    m_data = std::make_unique<QTemporaryDir>();
    QVERIFY(m_data->isValid());
}

void TestSettingsWindow::cleanup()
{
    m_main.reset();
    m_data.reset();
}

bool TestSettingsWindow::start(const QVariantMap &stored)
{
    if (!MainWindowHarness::writeSettings(m_data->path(), stored))
        return false;
    m_main = std::make_unique<MainWindowHarness>(MainWindowHarness::Controller::Real, m_data->path());
    return m_main->load();
}

bool TestSettingsWindow::closeSettings() const
{
    QQuickWindow *settings = m_main->subWindow("settingsWin");
    if (!MainWindowHarness::click(m_main->item("closeBtn", settings)))
        return false;
    return QTest::qWaitFor([settings] { return !settings->isVisible(); });
}

void TestSettingsWindow::windowFrameAndTexts()
{
    QVERIFY(start({}));
    QQuickWindow *settings = m_main->subWindow("settingsWin");
    QVERIFY(settings);
    QVERIFY(!settings->isVisible());
    QCOMPARE(settings->title(), QStringLiteral("Settings"));
    QCOMPARE(settings->size(), QSize(700, 500));
    QCOMPARE(settings->minimumSize(), QSize(700, 500));
    QCOMPARE(settings->maximumSize(), QSize(700, 500));
    QCOMPARE(settings->modality(), Qt::ApplicationModal);
    QVERIFY(settings->flags().testFlag(Qt::Dialog));

    // At creation, before any loading: all cleared, the Rx box at 0.
    const char *boxes[] = {"saveMrIpAddChkBox", "saveMrPortNumChkBox", "saveMrNmeaToFileChkBox",
                           "mrIncludeDateTimeInNmeaFileChkBox", "showMrDisconnectErrorChkBox",
                           "osChooseMrInterfaceChkBox", "saveMsIpAddChkBox", "saveMsPortNumChkBox",
                           "saveMsCustomNmeaChkBox", "showMsDisconnectErrorChkBox", "osChooseMsInterfaceChkBox"};
    for (const char *name : boxes) {
        QQuickItem *box = control(name);
        QVERIFY2(box, name);
        QVERIFY2(!box->property("checked").toBool(), name);
        QVERIFY2(box->isEnabled(), name);
    }
    QCOMPARE(control("mrDefRxTimeoutSpinBox")->property("value").toInt(), 0);

    QCOMPARE(m_main->openSettings(), settings);
    QCOMPARE(control("saveMrIpAddChkBox")->property("text").toString(), QStringLiteral("Save Mutlicast Group IP Address"));
    QCOMPARE(control("saveMsIpAddChkBox")->property("text").toString(), QStringLiteral("Save Mutlicast Group IP Address"));
    QCOMPARE(control("osChooseMsInterfaceChkBox")->property("text").toString(),
             QStringLiteral("Allow Operating System To Choose Another Network Interface If Wired Network Interface Absent"));
    QCOMPARE(control("closeBtn")->property("text").toString(), QStringLiteral("Close"));

    // While it is open the main window takes no input.
    QCOMPARE(QGuiApplication::modalWindow(), settings);
    QSignalSpy toggles(m_main->view(), &Viewutil::sendMrConnectionToggleChanged);
    QVERIFY(MainWindowHarness::click(recvItem("connectBtn")));
    QCOMPARE(toggles.count(), 0);

    // Every row lies inside the window and below the one before it.
    qreal lastBottom = 0;
    for (const char *name : {"saveMrIpAddChkBox", "saveMrPortNumChkBox", "saveMrNmeaToFileChkBox",
                             "mrIncludeDateTimeInNmeaFileChkBox", "showMrDisconnectErrorChkBox",
                             "osChooseMrInterfaceChkBox", "mrDefRxTimeoutSpinBox", "saveMsIpAddChkBox",
                             "saveMsPortNumChkBox", "saveMsCustomNmeaChkBox", "showMsDisconnectErrorChkBox",
                             "osChooseMsInterfaceChkBox", "msDefTxIntervalSpinBox", "closeBtn"}) {
        QQuickItem *row = control(name);
        const QRectF onScene = row->mapRectToScene(QRectF(0, 0, row->width(), row->height()));
        QVERIFY2(onScene.top() >= lastBottom, name);
        QVERIFY2(onScene.bottom() <= 500 && onScene.right() <= 700, name);
        lastBottom = onScene.bottom();
    }

    // Closed, it no longer blocks the main window.
    QVERIFY(closeSettings());
    QVERIFY(MainWindowHarness::click(recvItem("connectBtn")));
    QCOMPARE(toggles.count(), 1);
}

void TestSettingsWindow::checkBoxEditsItsProperty_data()
{
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("property");
    QTest::newRow("receiver address") << "saveMrIpAddChkBox" << "Save Mutlicast Group IP Address" << "mrSaveGrpIpAddStatus";
    QTest::newRow("receiver port") << "saveMrPortNumChkBox" << "Save Multicast Group Port Number" << "mrSaveGrpPortNumStatus";
    QTest::newRow("save NMEA") << "saveMrNmeaToFileChkBox" << "Save NMEA To File" << "mrSaveNmeaToFileStatus";
    QTest::newRow("date and time") << "mrIncludeDateTimeInNmeaFileChkBox"
                                   << "Include Current Date And Time In NMEA Save File"
                                   << "mrIncludeDateTimeInNmeaFileStatus";
    QTest::newRow("receiver wired error") << "showMrDisconnectErrorChkBox"
                                          << "Always Show An Error Message On Wired Ethernet Disconnection"
                                          << "mrShowWiredIfaceErrorStatus";
    QTest::newRow("receiver OS interface")
        << "osChooseMrInterfaceChkBox"
        << "Allow Operating System To Choose Another Network Interface If Wired Network Interface Absent"
        << "mrAllowOsChooseIfaceStatus";
    QTest::newRow("sender address") << "saveMsIpAddChkBox" << "Save Mutlicast Group IP Address" << "msSaveGrpIpAddStatus";
    QTest::newRow("sender port") << "saveMsPortNumChkBox" << "Save Multicast Group Port Number" << "msSaveGrpPortNumStatus";
    QTest::newRow("custom sentence") << "saveMsCustomNmeaChkBox" << "Save Custom NMEA Sentence" << "msSaveCustomNmeaStatus";
    QTest::newRow("sender wired error") << "showMsDisconnectErrorChkBox"
                                        << "Always Show An Error Message On Wired Ethernet Disconnection"
                                        << "msShowWiredIfaceErrorStatus";
    QTest::newRow("sender OS interface")
        << "osChooseMsInterfaceChkBox"
        << "Allow Operating System To Choose Another Network Interface If Wired Network Interface Absent"
        << "msAllowOsChooseIfaceStatus";
}

void TestSettingsWindow::checkBoxEditsItsProperty()
{
    QFETCH(QString, box);
    QFETCH(QString, text);
    QFETCH(QString, property);

    QVERIFY(start(allOptionsOff()));
    QVERIFY(m_main->openSettings());
    QQuickItem *check = control(box.toLatin1().constData());
    QCOMPARE(check->property("text").toString(), text);
    QVERIFY(!check->property("checked").toBool());
    QVERIFY(!m_main->view()->property(property.toLatin1().constData()).toBool());

    QVERIFY(MainWindowHarness::click(check));
    QVERIFY(check->property("checked").toBool());
    QVERIFY(m_main->view()->property(property.toLatin1().constData()).toBool());

    QVERIFY(MainWindowHarness::click(check));
    QVERIFY(!check->property("checked").toBool());
    QVERIFY(!m_main->view()->property(property.toLatin1().constData()).toBool());
}

void TestSettingsWindow::loadAssignsInOrder()
{
    // The stored values all differ from the controls' state at creation, so
    // every assignment runs its handler, which writes the property back.
    QVariantMap stored;
    for (const QString &key : kLoadOrder)
        stored.insert(key, true);
    stored.insert(QStringLiteral("mrDefaultRxTimeout"), 3);
    stored.insert(QStringLiteral("msDefaultTxInterval"), 25);
    QVERIFY(start(stored));

    ChangeRecorder recorder(m_main->view(), kLoadOrder);
    QVERIFY(m_main->openSettings());
    QCOMPARE(recorder.changes, kLoadOrder);

    // A second opening with nothing changed assigns the same states: no handler runs.
    QVERIFY(closeSettings());
    recorder.changes.clear();
    QVERIFY(m_main->openSettings());
    QCOMPARE(recorder.changes, QStringList());
}

void TestSettingsWindow::firstOpeningPushesDefaultRxTimeout()
{
    QVERIFY(start({{QStringLiteral("mrDefaultRxTimeout"), 3}}));
    QQuickItem *pageBox = recvItem("rxTimeoutSpinBox");
    QCOMPARE(pageBox->property("value").toInt(), 3);

    QVERIFY(MainWindowHarness::typeIntoSpinBox(pageBox, QStringLiteral("7")));
    QCOMPARE(pageBox->property("value").toInt(), 7);
    QCOMPARE(m_main->view()->mrRxTimeout(), 7);

    QSignalSpy rxWrites(m_main->view(), &Viewutil::sendMrRxTimeoutChanged);
    QVERIFY(m_main->openSettings());
    QCOMPARE(control("mrDefRxTimeoutSpinBox")->property("value").toInt(), 3);
    QCOMPARE(pageBox->property("value").toInt(), 3);
    QCOMPARE(MainWindowHarness::spinBoxText(pageBox), QStringLiteral("3.0"));
    QCOMPARE(rxWrites.count(), 1);
    QCOMPARE(m_main->view()->mrRxTimeout(), 3);
    QVERIFY(closeSettings());

    QVERIFY(MainWindowHarness::typeIntoSpinBox(pageBox, QStringLiteral("9")));
    rxWrites.clear();
    QVERIFY(m_main->openSettings());
    QCOMPARE(pageBox->property("value").toInt(), 9);
    QCOMPARE(rxWrites.count(), 0);

    // Changing the default in the window pushes it again.
    QVERIFY(MainWindowHarness::typeIntoSpinBox(control("mrDefRxTimeoutSpinBox"), QStringLiteral("12")));
    QCOMPARE(m_main->view()->mrDefaultRxTimeout(), 12);
    QCOMPARE(pageBox->property("value").toInt(), 12);
    QCOMPARE(m_main->view()->mrRxTimeout(), 12);
}

void TestSettingsWindow::firstOpeningPushesDefaultTxInterval()
{
    QVERIFY(start({{QStringLiteral("msDefaultTxInterval"), 25}}));
    QQuickItem *pageBox = sendItem("txIntervalSpinBox");
    QCOMPARE(pageBox->property("value").toInt(), 25);
    QCOMPARE(MainWindowHarness::spinBoxText(pageBox), QStringLiteral("2.5"));

    pageBox->setProperty("value", 50); // as if the operator had stepped it up
    QCOMPARE(m_main->view()->msTxInterval(), 50.0);

    QSignalSpy txWrites(m_main->view(), &Viewutil::sendMsTxIntervalChanged);
    QVERIFY(m_main->openSettings());
    QCOMPARE(control("msDefTxIntervalSpinBox")->property("value").toInt(), 25);
    QCOMPARE(MainWindowHarness::spinBoxText(control("msDefTxIntervalSpinBox")), QStringLiteral("2.5"));
    QCOMPARE(pageBox->property("value").toInt(), 25);
    QCOMPARE(txWrites.count(), 1);
    QCOMPARE(m_main->view()->msTxInterval(), 25.0);
    QVERIFY(closeSettings());

    pageBox->setProperty("value", 40);
    txWrites.clear();
    QVERIFY(m_main->openSettings());
    QCOMPARE(pageBox->property("value").toInt(), 40);
    QCOMPARE(txWrites.count(), 0);
}

void TestSettingsWindow::saveNmeaPreferenceTicksPageBoxOnce()
{
    QVERIFY(start({{QStringLiteral("mrSaveNmeaToFileStatus"), true}}));
    QQuickItem *pageBox = recvItem("saveNmeaChkBox");
    QVERIFY(pageBox->property("checked").toBool()); // assigned at start

    QSignalSpy toggles(m_main->view(), &Viewutil::sendMrSaveNmeaToFileToggleChanged);
    QVERIFY(MainWindowHarness::click(pageBox));
    QVERIFY(!m_main->view()->mrSaveNmeaToFileToggle());
    QCOMPARE(toggles.count(), 1);

    QVERIFY(m_main->openSettings());
    QVERIFY(control("saveMrNmeaToFileChkBox")->property("checked").toBool());
    QVERIFY(pageBox->property("checked").toBool());
    QCOMPARE(toggles.count(), 2);
    QVERIFY(m_main->view()->mrSaveNmeaToFileToggle());
    QVERIFY(closeSettings());

    QVERIFY(MainWindowHarness::click(pageBox));
    QVERIFY(!pageBox->property("checked").toBool());
    toggles.clear();
    QVERIFY(m_main->openSettings());
    QVERIFY(!pageBox->property("checked").toBool());
    QCOMPARE(toggles.count(), 0);

    // Clearing the preference in the window clears the page's box too.
    QVERIFY(MainWindowHarness::click(control("saveMrNmeaToFileChkBox")));
    QVERIFY(!m_main->view()->mrSaveNmeaToFileStatus());
    QVERIFY(!pageBox->property("checked").toBool());
    QVERIFY(MainWindowHarness::click(control("saveMrNmeaToFileChkBox")));
    QVERIFY(m_main->view()->mrSaveNmeaToFileStatus());
    QVERIFY(pageBox->property("checked").toBool());
    QVERIFY(m_main->view()->mrSaveNmeaToFileToggle());
}

void TestSettingsWindow::clearingSaveCustomEmptiesDefaultAtOnce()
{
    const QString stored = QStringLiteral("$HEHDT,90.0,T*16");
    QVERIFY(start({{QStringLiteral("msSaveCustomNmeaStatus"), true},
                   {QStringLiteral("msDefaultCustomNmeaSentence"), stored}}));
    QCOMPARE(sendItem("customNmeaTextField")->property("text").toString(), stored);
    QVERIFY(m_main->openSettings());
    QQuickItem *box = control("saveMsCustomNmeaChkBox");
    QVERIFY(box->property("checked").toBool());
    QCOMPARE(m_main->view()->msDefaultCustomNmeaSentence(), stored);

    QVERIFY(MainWindowHarness::click(box));
    QVERIFY(!m_main->view()->msSaveCustomNmeaStatus());
    QCOMPARE(m_main->view()->msDefaultCustomNmeaSentence(), QString());

    QVERIFY(MainWindowHarness::click(box));
    QVERIFY(m_main->view()->msSaveCustomNmeaStatus());
    QCOMPARE(m_main->view()->msDefaultCustomNmeaSentence(), QString());

    QVERIFY(closeSettings());
    const QVariantMap file = MainWindowHarness::readSettings(m_data->path());
    QCOMPARE(file.value(QStringLiteral("msDefaultCustomNmeaSentence")).toString(), QString());
    QCOMPARE(file.value(QStringLiteral("msSaveCustomNmeaStatus")).toBool(), true);
}

void TestSettingsWindow::tickingSaveAddressStoresOnNextChange()
{
    QVERIFY(start(allOptionsOff()));
    QQuickItem *field = recvItem("grpIpTextField");
    QVERIFY(MainWindowHarness::typeInto(field, QStringLiteral("239.1.2.3")));
    QCOMPARE(m_main->view()->mrDefaultGrpIpAddress(), QString());

    QVERIFY(m_main->openSettings());
    QVERIFY(MainWindowHarness::click(control("saveMrIpAddChkBox")));
    QVERIFY(m_main->view()->mrSaveGrpIpAddStatus());
    QCOMPARE(m_main->view()->mrDefaultGrpIpAddress(), QString());
    QVERIFY(closeSettings());

    QVERIFY(MainWindowHarness::click(field));
    QTest::keyClick(m_main->window(), Qt::Key_End);
    QTest::keyClick(m_main->window(), '4');
    QCOMPARE(m_main->view()->mrDefaultGrpIpAddress(), QStringLiteral("239.1.2.34"));
    QTest::keyClick(m_main->window(), Qt::Key_Backspace);
    QCOMPARE(m_main->view()->mrDefaultGrpIpAddress(), QStringLiteral("239.1.2.3"));
}

void TestSettingsWindow::invalidDefaultTxIntervalText()
{
    QVERIFY(start({{QStringLiteral("msDefaultTxInterval"), 30}}));
    QVERIFY(m_main->openSettings());
    QQuickItem *box = control("msDefTxIntervalSpinBox");
    QCOMPARE(box->property("value").toInt(), 30);

    QVERIFY(MainWindowHarness::typeIntoSpinBox(box, QStringLiteral("abc")));
    QCOMPARE(m_main->errorShown(), QStringLiteral("Pls Enter Valid Tx Interval From 1 Sec to 60 Sec"));
    QCOMPARE(box->property("value").toInt(), 10);
    QCOMPARE(MainWindowHarness::spinBoxText(box), QStringLiteral("1.0"));
    // The value changed, so its handler ran as for any change.
    QCOMPARE(m_main->view()->msDefaultTxInterval(), 10.0);
    QCOMPARE(sendItem("txIntervalSpinBox")->property("value").toInt(), 10);
}

void TestSettingsWindow::everyClosingSaves_data()
{
    QTest::addColumn<bool>("withCloseButton");
    QTest::addColumn<bool>("changeSomething");
    QTest::newRow("Close button, option changed") << true << true;
    QTest::newRow("window's own close control, option changed") << false << true;
    QTest::newRow("Close button, nothing changed") << true << false;
    QTest::newRow("window's own close control, nothing changed") << false << false;
}

void TestSettingsWindow::everyClosingSaves()
{
    QFETCH(bool, withCloseButton);
    QFETCH(bool, changeSomething);

    QVERIFY(start({{QStringLiteral("msShowWiredIfaceErrorStatus"), false}, {QStringLiteral("mrDefaultRxTimeout"), 4}}));
    QSignalSpy saves(m_main->view(), &Viewutil::sendSaveAppSettings);
    QVERIFY(m_main->openSettings());
    if (changeSomething) {
        QVERIFY(MainWindowHarness::click(control("showMsDisconnectErrorChkBox")));
        QVERIFY(MainWindowHarness::typeIntoSpinBox(control("mrDefRxTimeoutSpinBox"), QStringLiteral("21")));
    }
    QCOMPARE(saves.count(), 0);

    // The file is rewritten by the save; clear it to see that.
    QVERIFY(MainWindowHarness::writeSettings(m_data->path(), {{QStringLiteral("mrDefaultRxTimeout"), 59}}));
    QQuickWindow *settings = m_main->subWindow("settingsWin");
    if (withCloseButton)
        QVERIFY(closeSettings());
    else
        settings->close();
    QVERIFY(!settings->isVisible());
    QCOMPARE(saves.count(), 1);

    const QVariantMap file = MainWindowHarness::readSettings(m_data->path());
    QCOMPARE(file.value(QStringLiteral("msShowWiredIfaceErrorStatus")).toBool(), changeSomething);
    QCOMPARE(file.value(QStringLiteral("mrDefaultRxTimeout")).toInt(), changeSomething ? 21 : 4);
    QCOMPARE(recvItem("infoLbl")->property("text").toString(), QStringLiteral("App Settings Saved Successfully"));
    QCOMPARE(sendItem("infoLbl")->property("text").toString(), QStringLiteral("App Settings Saved Successfully"));
}

void TestSettingsWindow::closingMainWindowStoresDefaultsAndExits()
{
    QVERIFY(start(allOptionsOff()));
    QVERIFY(MainWindowHarness::typeInto(recvItem("grpIpTextField"), QStringLiteral("239.10.0.1")));
    QVERIFY(MainWindowHarness::typeInto(recvItem("grpPortTextField"), QStringLiteral("5000")));
    QVERIFY(MainWindowHarness::click(m_main->item("sendTabBtn")));
    QVERIFY(MainWindowHarness::typeInto(sendItem("grpIpTextField"), QStringLiteral("239.10.0.2")));
    QVERIFY(MainWindowHarness::typeInto(sendItem("grpPortTextField"), QStringLiteral("5001")));
    QCOMPARE(m_main->view()->mrDefaultGrpIpAddress(), QString());

    // Asked for three of the four; ticking stores nothing yet.
    QVERIFY(m_main->openSettings());
    QVERIFY(MainWindowHarness::click(control("saveMrIpAddChkBox")));
    QVERIFY(MainWindowHarness::click(control("saveMrPortNumChkBox")));
    QVERIFY(MainWindowHarness::click(control("saveMsIpAddChkBox")));
    QVERIFY(closeSettings());
    QCOMPARE(m_main->view()->mrDefaultGrpIpAddress(), QString());

    QSignalSpy saves(m_main->view(), &Viewutil::sendSaveAppSettings);
    QTimer::singleShot(0, m_main->window(), [this] { m_main->window()->close(); });
    QTimer::singleShot(10000, qApp, [] { QCoreApplication::exit(99); });
    QCOMPARE(QGuiApplication::exec(), 0);
    QCOMPARE(saves.count(), 1);

    const QVariantMap file = MainWindowHarness::readSettings(m_data->path());
    QCOMPARE(file.value(QStringLiteral("mrDefaultGrpIpAddress")).toString(), QStringLiteral("239.10.0.1"));
    QCOMPARE(file.value(QStringLiteral("mrDefaultGrpPortNumber")).toString(), QStringLiteral("5000"));
    QCOMPARE(file.value(QStringLiteral("msDefaultGrpIpAddress")).toString(), QStringLiteral("239.10.0.2"));
    QCOMPARE(file.value(QStringLiteral("msDefaultGrpPortNumber")).toString(), QString());
}

int main(int argc, char *argv[])
{
    TempHome home;
    if (!home.isValid())
        return 1;
    QGuiApplication app(argc, argv);
    app.setOrganizationName(QStringLiteral("vestranautic"));
    app.setApplicationName(QStringLiteral("QuaycastTool"));
    TestSettingsWindow test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_settingswindow.moc"
