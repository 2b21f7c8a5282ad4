#include <QQmlComponent>
#include <QQuickImageProvider>
#include <QMutex>

#include "mainwindowharness.h"
#include "netnsguard.h"
#include "netnslab.h"
#include "probeimageprovider.h"
#include "temphome.h"

namespace {

const QString kGroup = QStringLiteral("239.192.2.1");
const quint16 kPort = 24410;

} // namespace

// The receiver page on the real main window with the real controller, inside
// host A of the namespace harness; the peer sends from host B.
class TestReceiverTab : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();

    void atCreation();
    void connectWithEmptyFields();
    void connectReceiveDisconnect();
    void markupIsShownAsText();
    void wiredInterfaceMessage_data();
    void wiredInterfaceMessage();
    void reportedStatusDrivesControls_data();
    void reportedStatusDrivesControls();
    void rxTimeoutWritesOnlyOnChange();
    void saveNmeaBoxWritesOnChange();
    void clearDataInBothStates();
    void addressAndPortStoredPerKeystroke_data();
    void addressAndPortStoredPerKeystroke();

private:
    bool start(const QVariantMap &stored = {});
    QQuickItem *page(const char *name) const { return MainWindowHarness::findItem(m_main->item("recvTab"), QLatin1String(name)); }
    bool connectTo(const QString &group, quint16 port);
    bool peerSends(const QList<QByteArray> &payloads);
    bool controlsConnected() const;
    bool controlsDisconnected() const;

    std::unique_ptr<QTemporaryDir> m_data;
    std::unique_ptr<MainWindowHarness> m_main;
};

void TestReceiverTab::initTestCase()
{
    const QString refusal = netnsRefusal();
    QVERIFY2(refusal.isEmpty(), qPrintable(refusal));
}

void TestReceiverTab::cleanup()
{
    m_main.reset();
    m_data.reset();
}

bool TestReceiverTab::start(const QVariantMap &stored)
{
    m_data = std::make_unique<QTemporaryDir>();
    // No time-out rows, no capture file, empty default fields unless asked.
    QVariantMap values{{QStringLiteral("mrDefaultRxTimeout"), 0},
                       {QStringLiteral("mrSaveNmeaToFileStatus"), false},
                       {QStringLiteral("mrDefaultGrpIpAddress"), QString()},
                       {QStringLiteral("mrDefaultGrpPortNumber"), QString()},
                       {QStringLiteral("mrAllowOsChooseIfaceStatus"), false}};
    for (auto it = stored.cbegin(); it != stored.cend(); ++it)
        values.insert(it.key(), it.value());
    if (!m_data->isValid() || !MainWindowHarness::writeSettings(m_data->path(), values))
        return false;
    m_main = std::make_unique<MainWindowHarness>(MainWindowHarness::Controller::Real, m_data->path());
    return m_main->load();
}

bool TestReceiverTab::connectTo(const QString &group, quint16 port)
{
    return MainWindowHarness::typeInto(page("grpIpTextField"), group)
        && MainWindowHarness::typeInto(page("grpPortTextField"), QString::number(port))
        && MainWindowHarness::click(page("connectBtn"));
}

bool TestReceiverTab::peerSends(const QList<QByteArray> &payloads)
{
    McastPeer peer;
    if (!peer.startSender(shipHostB(), kGroup, kPort, shipAddressB(), payloads, 0, 0, 5) || !peer.waitFinished(10000)) {
        qWarning() << "peer:" << peer.errorOutput();
        return false;
    }
    return true;
}

bool TestReceiverTab::controlsConnected() const
{
    return page("grpIpTextField")->property("readOnly").toBool() && page("grpPortTextField")->property("readOnly").toBool()
        && !page("connectBtn")->isEnabled() && page("disconnectBtn")->isEnabled();
}

bool TestReceiverTab::controlsDisconnected() const
{
    return !page("grpIpTextField")->property("readOnly").toBool()
        && !page("grpPortTextField")->property("readOnly").toBool() && page("connectBtn")->isEnabled()
        && !page("disconnectBtn")->isEnabled();
}

void TestReceiverTab::atCreation()
{
    m_data = std::make_unique<QTemporaryDir>();
    QVERIFY(MainWindowHarness::writeSettings(m_data->path(), {{QStringLiteral("mrDefaultGrpIpAddress"), QString()},
                                                              {QStringLiteral("mrDefaultGrpPortNumber"), QString()},
                                                              {QStringLiteral("mrDefaultRxTimeout"), 3}}));
    m_main = std::make_unique<MainWindowHarness>(MainWindowHarness::Controller::Real, m_data->path());
    QSignalSpy rxWrites(m_main->view(), &Viewutil::sendMrRxTimeoutChanged);
    QVERIFY(m_main->load());
    // A loaded default equal to the box's own 3 writes nothing.
    QCOMPARE(rxWrites.count(), 0);

    QCOMPARE(MainWindowHarness::spinBoxText(page("rxTimeoutSpinBox")), QStringLiteral("3.0"));
    QCOMPARE(page("rxTimeoutSpinBox")->property("from").toInt(), 0);
    QCOMPARE(page("rxTimeoutSpinBox")->property("to").toInt(), 60);
    QCOMPARE(page("grpIpTextField")->property("text").toString(), QString());
    QCOMPARE(page("grpIpTextField")->property("placeholderText").toString(), QStringLiteral("Pls Enter Multicast IP Address"));
    QCOMPARE(page("grpPortTextField")->property("placeholderText").toString(), QStringLiteral("Pls Enter Port Number"));
    QCOMPARE(page("connectBtn")->property("text").toString(), QStringLiteral("Connect"));
    QCOMPARE(page("disconnectBtn")->property("text").toString(), QStringLiteral("Disonnect"));
    QCOMPARE(page("clearBtn")->property("text").toString(), QStringLiteral("Clear Data"));
    QCOMPARE(page("saveNmeaChkBox")->property("text").toString(), QStringLiteral("Save NMEA To File"));
    QVERIFY(controlsDisconnected());
    QCOMPARE(page("socketStatusLbl")->property("text").toString(), QString());
    QCOMPARE(page("infoSrcIpAddressLbl")->property("text").toString(), QString());
    QCOMPARE(page("infoLbl")->property("text").toString(), QStringLiteral("App Settings Loaded Successfully"));
    QCOMPARE(m_main->rows("listView"), QStringList());
    // The two buttons share their row equally; "Clear Data" is at least as wide.
    QVERIFY(qAbs(page("connectBtn")->width() - page("disconnectBtn")->width()) <= 1.0);
    QVERIFY(page("clearBtn")->width() >= page("connectBtn")->width());
    // The control column is never narrower than its contents.
    for (const char *name : {"rxTimeoutSpinBox", "disconnectBtn", "grpIpTextField"}) {
        QQuickItem *item = page(name);
        const QRectF onScene = item->mapRectToScene(QRectF(0, 0, item->width(), item->height()));
        QVERIFY2(onScene.right() < page("listView")->mapToScene(QPointF(0, 0)).x(), name);
    }
}

void TestReceiverTab::connectWithEmptyFields()
{
    QVERIFY(start());
    QSignalSpy toggles(m_main->view(), &Viewutil::sendMrConnectionToggleChanged);
    QVERIFY(MainWindowHarness::click(page("connectBtn")));
    QCOMPARE(toggles.count(), 1);
    QCOMPARE(m_main->view()->mrConnectionToggle(), QStringLiteral("connect"));
    QCOMPARE(m_main->view()->mrGrpIpAddress(), QString());
    QCOMPARE(m_main->errorShown(), QStringLiteral("Invalid or Empty Multicast Group IP Address"));
    QVERIFY(controlsDisconnected());

    // Every click asks again, though the toggle already holds "connect".
    m_main->closeErrorWindow();
    QVERIFY(MainWindowHarness::click(page("connectBtn")));
    QCOMPARE(toggles.count(), 2);
    QCOMPARE(m_main->errorShown(), QStringLiteral("Invalid or Empty Multicast Group IP Address"));
}

void TestReceiverTab::connectReceiveDisconnect()
{
    QVERIFY(start());
    QVERIFY(connectTo(kGroup, kPort));
    QCOMPARE(m_main->view()->mrConnectionStatus(), QStringLiteral("Connected"));
    QCOMPARE(m_main->errorShown(), QString());
    QVERIFY(controlsConnected());
    QCOMPARE(page("socketStatusLbl")->property("text").toString(), QStringLiteral("Connected"));
    // The "Connected" report carries no sentence: it makes an empty row.
    QCOMPARE(m_main->rows("listView"), QStringList{QString()});

    const QList<QByteArray> payloads{"$HEHDT,90.0,T*16", "$HEHDT,90.0,T*16", "", "  $WIMWV,045.0,T,012.0,N,A*27\r\n",
                                     "$SDDPT,20.0,0.0,50.0*52"};
    QVERIFY(peerSends(payloads));
    const QStringList expected{QString(),
                               QStringLiteral("$HEHDT,90.0,T*16"),
                               QStringLiteral("$HEHDT,90.0,T*16"),
                               QString(),
                               QStringLiteral("$WIMWV,045.0,T,012.0,N,A*27"),
                               QStringLiteral("$SDDPT,20.0,0.0,50.0*52")};
    QTRY_COMPARE_WITH_TIMEOUT(m_main->rows("listView"), expected, 5000);
    QCOMPARE(page("infoSrcIpAddressLbl")->property("text").toString(), shipAddressB());

    // The newest row is in view.
    auto *view = MainWindowHarness::findItem(page("listView"), QStringLiteral("nmeaListView"));
    QVERIFY(view);
    QTRY_VERIFY(view->property("atYEnd").toBool());

    QVERIFY(MainWindowHarness::click(page("disconnectBtn")));
    QCOMPARE(m_main->view()->mrConnectionToggle(), QStringLiteral("disconnect"));
    QCOMPARE(m_main->view()->mrConnectionStatus(), QStringLiteral("Disconnected"));
    QCOMPARE(page("socketStatusLbl")->property("text").toString(), QStringLiteral("Disconnected"));
    QVERIFY(controlsDisconnected());
    QCOMPARE(m_main->rows("listView"), expected + QStringList{QString()});
    QCOMPARE(m_main->errorShown(), QString());

    // Connect again after the disconnection, as the operator can.
    QVERIFY(MainWindowHarness::click(page("connectBtn")));
    QCOMPARE(m_main->view()->mrConnectionStatus(), QStringLiteral("Connected"));
    QVERIFY(controlsConnected());
}

void TestReceiverTab::markupIsShownAsText()
{
    QVERIFY(start());
    m_main->engine()->addImageProvider(QStringLiteral("probe"), new ProbeImageProvider);

    // The probe works: rich text showing the same tag asks the provider.
    QQmlComponent control(m_main->engine());
    control.setData("import QtQuick\nText { textFormat: Text.RichText; text: '<img src=\"image://probe/richtext\">' }",
                    QUrl(QStringLiteral("qrc:/qt/qml/Quaycast/ProbeControl.qml")));
    std::unique_ptr<QQuickItem> richText(qobject_cast<QQuickItem *>(control.create()));
    QVERIFY(richText);
    richText->setParentItem(m_main->window()->contentItem());
    QTRY_VERIFY(ProbeImageProvider::requested().contains(QStringLiteral("richtext")));
    richText.reset();

    QVERIFY(connectTo(kGroup, kPort));
    const QByteArray bold("<b>x</b>");
    const QByteArray image("<img src=\"image://probe/datagram\">");
    QVERIFY(peerSends({bold, image}));
    const QStringList expected{QString(), QString::fromLatin1(bold), QString::fromLatin1(image)};
    QTRY_COMPARE_WITH_TIMEOUT(m_main->rows("listView"), expected, 5000);

    // The rows on screen show the characters.
    auto *view = MainWindowHarness::findItem(page("listView"), QStringLiteral("nmeaListView"));
    auto *contentItem = view->property("contentItem").value<QQuickItem *>();
    const auto shownRows = [contentItem] {
        QStringList shown;
        for (QQuickItem *row : contentItem->childItems()) {
            if (row->property("textFormat").toInt() == 0) // Text.PlainText
                shown << row->property("text").toString();
        }
        return shown;
    };
    QTRY_VERIFY(shownRows().contains(QString::fromLatin1(bold)));
    QTRY_VERIFY(shownRows().contains(QString::fromLatin1(image)));
    for (QQuickItem *row : contentItem->childItems()) {
        if (row->property("textFormat").isValid())
            QCOMPARE(row->property("textFormat").toInt(), 0);
    }
    QTest::qWait(300);
    QVERIFY(!ProbeImageProvider::requested().contains(QStringLiteral("datagram")));
}

void TestReceiverTab::wiredInterfaceMessage_data()
{
    QTest::addColumn<bool>("showWiredError");
    QTest::addColumn<QStringList>("shown");
    const QString noWired = QStringLiteral("No Wired Ethernet Interface Found");
    const QString notValid = QStringLiteral("Wired Ethernet Interface Not Valid, Multicast Receiver Terminated");
    QTest::newRow("option off: dropped") << false << QStringList{QStringLiteral("dropped: ") + noWired, notValid};
    QTest::newRow("option on: shown") << true << QStringList{noWired, notValid};
}

void TestReceiverTab::wiredInterfaceMessage()
{
    QFETCH(bool, showWiredError);
    QFETCH(QStringList, shown);

    QVERIFY(start({{QStringLiteral("mrShowWiredIfaceErrorStatus"), showWiredError}}));
    QVERIFY(MainWindowHarness::typeInto(page("grpIpTextField"), kGroup));
    QVERIFY(MainWindowHarness::typeInto(page("grpPortTextField"), QString::number(kPort)));

    // After the page has handled each error: did the error window take it?
    QQuickWindow *msgWin = m_main->subWindow("msgWin");
    QStringList outcome;
    QObject::connect(m_main->view(), &Viewutil::sendMrErrorMessageChanged, msgWin, [&] {
        const QString error = m_main->view()->mrErrorMessage();
        const bool taken = msgWin->isVisible() && msgWin->property("message").toString() == error;
        outcome << (taken ? error : QStringLiteral("dropped: ") + error);
    });

    // A host whose only interface is wireless: the receiver finds no wired one.
    NetnsLab lab;
    const NetnsLab::Host host = lab.addShipHost(QStringLiteral("wifi"),
        {{QStringLiteral("wlan0"), {QStringLiteral("198.51.100.1/24")}, true, QStringLiteral("198.51.100.2/24")}},
        QStringLiteral("wlan0"));
    QVERIFY2(host.isValid(), qPrintable(lab.error()));
    {
        NetnsEnter inHost(host.ns);
        QVERIFY(inHost.entered());
        QVERIFY(MainWindowHarness::click(page("connectBtn")));
    }
    QCOMPARE(outcome, shown);
    QCOMPARE(m_main->errorShown(), shown.last());
    QCOMPARE(m_main->view()->mrConnectionStatus(), QStringLiteral("Error"));
    QVERIFY(controlsDisconnected());

    // Any other error text is shown whatever the option says.
    m_main->closeErrorWindow();
    m_main->control()->recvMrErrorMessage(QStringLiteral("Failed To Join Multicast Group"));
    QCOMPARE(m_main->errorShown(), QStringLiteral("Failed To Join Multicast Group"));
}

void TestReceiverTab::reportedStatusDrivesControls_data()
{
    QTest::addColumn<QString>("status");
    QTest::addColumn<bool>("connected");
    QTest::newRow("Error") << QStringLiteral("Error") << false;
    QTest::newRow("Disconnected") << QStringLiteral("Disconnected") << false;
    QTest::newRow("unknown word") << QStringLiteral("Joined") << true;
    QTest::newRow("other case") << QStringLiteral("disconnected") << true;
}

void TestReceiverTab::reportedStatusDrivesControls()
{
    QFETCH(QString, status);
    QFETCH(bool, connected);

    QVERIFY(start());
    QVERIFY(connectTo(kGroup, kPort));
    QVERIFY(controlsConnected());
    // As the receiver reports it, through the controller.
    m_main->control()->recvMrNmeaData(status, QStringLiteral("Multicast Connection Aborted"), QString(), QString());
    QCOMPARE(page("socketStatusLbl")->property("text").toString(), status);
    QCOMPARE(controlsConnected(), connected);
    QCOMPARE(controlsDisconnected(), !connected);
    QCOMPARE(m_main->rows("listView").last(), QStringLiteral("Multicast Connection Aborted"));
}

void TestReceiverTab::rxTimeoutWritesOnlyOnChange()
{
    QVERIFY(start({{QStringLiteral("mrDefaultRxTimeout"), 3}}));
    QQuickItem *box = page("rxTimeoutSpinBox");
    QSignalSpy writes(m_main->view(), &Viewutil::sendMrRxTimeoutChanged);

    m_main->item("recvTab")->setProperty("mrRxTimout", 3);
    QCOMPARE(writes.count(), 0);

    struct Step { const char *typed; int value; const char *shown; };
    const Step steps[] = {{"7", 7, "7.0"}, {"99", 60, "60.0"}, {"-4", 0, "0.0"}, {"2.0", 2, "2.0"}, {"12.0", 12, "12.0"}};
    int expectedWrites = 0;
    for (const Step &step : steps) {
        QVERIFY(MainWindowHarness::typeIntoSpinBox(box, QLatin1String(step.typed)));
        QCOMPARE(box->property("value").toInt(), step.value);
        QCOMPARE(MainWindowHarness::spinBoxText(box), QLatin1String(step.shown));
        QCOMPARE(writes.count(), ++expectedWrites);
        QCOMPARE(m_main->view()->mrRxTimeout(), step.value);
    }

    // Leaving the box keeps its value and writes nothing more.
    QVERIFY(MainWindowHarness::click(page("grpIpTextField")));
    QCOMPARE(box->property("value").toInt(), 12);
    QCOMPARE(writes.count(), expectedWrites);

    // Retyping the value it holds writes nothing either.
    QVERIFY(MainWindowHarness::typeIntoSpinBox(box, QStringLiteral("12")));
    QCOMPARE(writes.count(), expectedWrites);
}

void TestReceiverTab::saveNmeaBoxWritesOnChange()
{
    QVERIFY(start());
    QQuickItem *box = page("saveNmeaChkBox");
    QSignalSpy writes(m_main->view(), &Viewutil::sendMrSaveNmeaToFileToggleChanged);

    QVERIFY(MainWindowHarness::click(box));
    QCOMPARE(writes.count(), 1);
    QVERIFY(m_main->view()->mrSaveNmeaToFileToggle());

    m_main->item("recvTab")->setProperty("saveNmeaChkBox", true);
    QCOMPARE(writes.count(), 1);

    QVERIFY(MainWindowHarness::click(box));
    QCOMPARE(writes.count(), 2);
    QVERIFY(!m_main->view()->mrSaveNmeaToFileToggle());
    m_main->item("recvTab")->setProperty("saveNmeaChkBox", false);
    QCOMPARE(writes.count(), 2);
}

void TestReceiverTab::clearDataInBothStates()
{
    QVERIFY(start());
    QVERIFY(connectTo(kGroup, kPort));
    QVERIFY(peerSends({"$HEHDT,90.0,T*16", "$SDDPT,20.0,0.0,50.0*52"}));
    QTRY_COMPARE_WITH_TIMEOUT(m_main->rows("listView").size(), 3, 5000);

    // Connected: the list empties, the connection stays.
    QVERIFY(MainWindowHarness::click(page("clearBtn")));
    QCOMPARE(m_main->rows("listView"), QStringList());
    QCOMPARE(m_main->view()->mrConnectionStatus(), QStringLiteral("Connected"));
    QVERIFY(controlsConnected());
    auto *view = MainWindowHarness::findItem(page("listView"), QStringLiteral("nmeaListView"));
    QCOMPARE(view->property("contentY").toReal(), view->property("originY").toReal());

    QVERIFY(peerSends({"$WIMWV,045.0,T,012.0,N,A*27"}));
    QTRY_COMPARE_WITH_TIMEOUT(m_main->rows("listView"), QStringList{QStringLiteral("$WIMWV,045.0,T,012.0,N,A*27")}, 5000);

    // Disconnected.
    QVERIFY(MainWindowHarness::click(page("disconnectBtn")));
    QCOMPARE(m_main->rows("listView").size(), 2);
    QVERIFY(MainWindowHarness::click(page("clearBtn")));
    QCOMPARE(m_main->rows("listView"), QStringList());
    QVERIFY(controlsDisconnected());
}

void TestReceiverTab::addressAndPortStoredPerKeystroke_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("option");
    QTest::addColumn<QString>("defaultProperty");
    QTest::newRow("address") << "grpIpTextField" << "mrSaveGrpIpAddStatus" << "mrDefaultGrpIpAddress";
    QTest::newRow("port") << "grpPortTextField" << "mrSaveGrpPortNumStatus" << "mrDefaultGrpPortNumber";
}

void TestReceiverTab::addressAndPortStoredPerKeystroke()
{
    QFETCH(QString, field);
    QFETCH(QString, option);
    QFETCH(QString, defaultProperty);

    QVERIFY(start({{option, true}}));
    QQuickItem *input = page(field.toLatin1().constData());
    QVERIFY(MainWindowHarness::click(input));
    QStringList defaults;
    for (const char c : QByteArray("239")) {
        QTest::keyClick(m_main->window(), c);
        defaults << m_main->view()->property(defaultProperty.toLatin1().constData()).toString();
    }
    QCOMPARE(defaults, (QStringList{QStringLiteral("2"), QStringLiteral("23"), QStringLiteral("239")}));

    // With the option off, every keystroke clears the default.
    m_main->view()->setProperty(option.toLatin1().constData(), false);
    QTest::keyClick(m_main->window(), '1');
    QCOMPARE(input->property("text").toString(), QStringLiteral("2391"));
    QCOMPARE(m_main->view()->property(defaultProperty.toLatin1().constData()).toString(), QString());
}

int main(int argc, char *argv[])
{
    TempHome home;
    if (!home.isValid())
        return 1;
    QGuiApplication app(argc, argv);
    app.setOrganizationName(QStringLiteral("vestranautic"));
    app.setApplicationName(QStringLiteral("QuaycastTool"));
    TestReceiverTab test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_receivertab.moc"
