#include "mainwindowharness.h"
#include "netnsguard.h"
#include "netnslab.h"
#include "temphome.h"

namespace {

const QString kGroup = QStringLiteral("239.192.3.1");
const quint16 kPort = 24420;
const QString kCustom = QStringLiteral("$GPGGA,101530.00,5321.5012,N,00613.9913,E,1,08,0.9,12.3,M,46.1,M,,*5D");

} // namespace

// The sender page on the real main window with the real controller, inside
// host A of the namespace harness; the peer listens in host B.
class TestSenderTab : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();

    void atCreation();
    void sentenceList_data();
    void sentenceList();
    void emptyCustomSentence();
    void rejectedCustomSentence();
    void acceptedCustomSentenceDefault_data();
    void acceptedCustomSentenceDefault();
    void txIntervalTyped_data();
    void txIntervalTyped();
    void startWithEmptyFields();
    void peerReceivesWhatTheListSays();
    void emptyListWhileStarted();
    void wiredInterfaceMessage_data();
    void wiredInterfaceMessage();
    void reportedStatusDrivesControls_data();
    void reportedStatusDrivesControls();
    void addressAndPortStoredPerKeystroke_data();
    void addressAndPortStoredPerKeystroke();

private:
    bool start(const QVariantMap &stored = {});
    QQuickItem *page(const char *name) const { return MainWindowHarness::findItem(m_main->item("sendTab"), QLatin1String(name)); }
    QQuickItem *page(const QString &name) const { return page(name.toLatin1().constData()); }
    bool checked(const char *name) const { return page(name)->property("checked").toBool(); }
    QString sentence(const QString &key) const;
    QStringList sendingList() const { return m_main->view()->msNmeaSentencesList(); }
    bool startSending(const QString &group, quint16 port);
    bool controlsStarted() const;
    bool controlsStopped() const;

    std::unique_ptr<QTemporaryDir> m_data;
    std::unique_ptr<MainWindowHarness> m_main;
};

void TestSenderTab::initTestCase()
{
    const QString refusal = netnsRefusal();
    QVERIFY2(refusal.isEmpty(), qPrintable(refusal));
}

void TestSenderTab::cleanup()
{
    m_main.reset();
    m_data.reset();
}

bool TestSenderTab::start(const QVariantMap &stored)
{
    m_data = std::make_unique<QTemporaryDir>();
    QVariantMap values{{QStringLiteral("msDefaultGrpIpAddress"), QString()},
                       {QStringLiteral("msDefaultGrpPortNumber"), QString()},
                       {QStringLiteral("msDefaultCustomNmeaSentence"), QString()},
                       {QStringLiteral("msAllowOsChooseIfaceStatus"), false},
                       {QStringLiteral("mrSaveNmeaToFileStatus"), false}};
    for (auto it = stored.cbegin(); it != stored.cend(); ++it)
        values.insert(it.key(), it.value());
    if (!m_data->isValid() || !MainWindowHarness::writeSettings(m_data->path(), values))
        return false;
    m_main = std::make_unique<MainWindowHarness>(MainWindowHarness::Controller::Real, m_data->path());
    return m_main->load() && MainWindowHarness::click(m_main->item("sendTabBtn"));
}

// H, Z, R, S, D, W: the six templates; C: the custom sentence of these tests.
QString TestSenderTab::sentence(const QString &key) const
{
    const Viewutil *view = m_main->view();
    switch (key.at(0).toLatin1()) {
    case 'H': return view->msHeadingNmeaSentence();
    case 'Z': return view->msPositionZdaNmeaSentence();
    case 'R': return view->msPositionRmcNmeaSentence();
    case 'S': return view->msSpeedNmeaSentence();
    case 'D': return view->msDepthNmeaSentence();
    case 'W': return view->msWindNmeaSentence();
    case 'C': return kCustom;
    }
    return QString();
}

bool TestSenderTab::startSending(const QString &group, quint16 port)
{
    return MainWindowHarness::typeInto(page("grpIpTextField"), group)
        && MainWindowHarness::typeInto(page("grpPortTextField"), QString::number(port))
        && MainWindowHarness::click(page("startBtn"));
}

bool TestSenderTab::controlsStarted() const
{
    return page("grpIpTextField")->property("readOnly").toBool() && page("grpPortTextField")->property("readOnly").toBool()
        && !page("startBtn")->isEnabled() && page("stopBtn")->isEnabled();
}

bool TestSenderTab::controlsStopped() const
{
    return !page("grpIpTextField")->property("readOnly").toBool()
        && !page("grpPortTextField")->property("readOnly").toBool() && page("startBtn")->isEnabled()
        && !page("stopBtn")->isEnabled();
}

void TestSenderTab::atCreation()
{
    m_data = std::make_unique<QTemporaryDir>();
    QVERIFY(MainWindowHarness::writeSettings(m_data->path(), {{QStringLiteral("msDefaultGrpIpAddress"), QString()},
                                                              {QStringLiteral("msDefaultGrpPortNumber"), QString()},
                                                              {QStringLiteral("msDefaultTxInterval"), 10},
                                                              {QStringLiteral("msDefaultCustomNmeaSentence"), kCustom}}));
    m_main = std::make_unique<MainWindowHarness>(MainWindowHarness::Controller::Real, m_data->path());
    QSignalSpy txWrites(m_main->view(), &Viewutil::sendMsTxIntervalChanged);
    QSignalSpy listWrites(m_main->view(), &Viewutil::sendMsNmeaSentencesListChanged);
    QVERIFY(m_main->load());
    QVERIFY(MainWindowHarness::click(m_main->item("sendTabBtn")));
    QCOMPARE(txWrites.count(), 0);
    QCOMPARE(listWrites.count(), 0);

    QQuickItem *box = page("txIntervalSpinBox");
    QCOMPARE(MainWindowHarness::spinBoxText(box), QStringLiteral("1.0"));
    QCOMPARE(box->property("from").toInt(), 1);
    QCOMPARE(box->property("to").toInt(), 600);
    QCOMPARE(page("grpIpTextField")->property("text").toString(), QString());
    QCOMPARE(page("grpIpTextField")->property("placeholderText").toString(), QStringLiteral("Pls Enter Multicast IP Address"));
    QCOMPARE(page("grpPortTextField")->property("placeholderText").toString(), QStringLiteral("Pls Enter Port Number"));
    QCOMPARE(page("customNmeaTextField")->property("placeholderText").toString(), QStringLiteral("Pls Enter Valid NMEA Sentence"));
    QCOMPARE(page("startBtn")->property("text").toString(), QStringLiteral("Start"));
    QCOMPARE(page("stopBtn")->property("text").toString(), QStringLiteral("Stop"));
    QCOMPARE(page("senderClearBtn")->property("text").toString(), QStringLiteral("Clear Data"));
    QVERIFY(controlsStopped());

    const QList<QPair<const char *, QString>> boxes{
        {"headingChkBox", QStringLiteral("Heading")}, {"positionZdaChkBox", QStringLiteral("Position - ZDA")},
        {"positionRmcChkBox", QStringLiteral("Position - RMC")}, {"speedChkBox", QStringLiteral("Speed")},
        {"depthChkBox", QStringLiteral("Depth")}, {"windChkBox", QStringLiteral("Wind")},
        {"selectAllChkBox", QStringLiteral("Select All")}, {"setCustomNmeaChkBox", QStringLiteral("Set")}};
    for (const auto &[name, text] : boxes) {
        QCOMPARE(page(name)->property("text").toString(), text);
        QVERIFY2(!checked(name), name);
    }
    // The stored custom sentence is only placed in the field.
    QCOMPARE(page("customNmeaTextField")->property("text").toString(), kCustom);
    QVERIFY(!page("customNmeaTextField")->property("readOnly").toBool());
    QCOMPARE(sendingList(), QStringList());
    QCOMPARE(m_main->rows("senderListView"), QStringList());
    QCOMPARE(page("socketStatusLbl")->property("text").toString(), QString());
    QCOMPARE(page("infoLbl")->property("text").toString(), QStringLiteral("App Settings Loaded Successfully"));
    QCOMPARE(page("infoLbl")->property("color").value<QColor>(), QColor("black"));
    QVERIFY(qAbs(page("startBtn")->width() - page("stopBtn")->width()) <= 1.0);
    QVERIFY(page("senderClearBtn")->width() >= page("startBtn")->width());
}

void TestSenderTab::sentenceList_data()
{
    // Actions: a box's objectName is clicked; "type:" puts text into the custom field.
    QTest::addColumn<QStringList>("actions");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<int>("writes");

    QTest::newRow("Heading, Wind, clear Heading")
        << QStringList{"headingChkBox", "windChkBox", "headingChkBox"} << QStringList{"W"} << 3;
    QTest::newRow("Select All with Speed already ticked")
        << QStringList{"speedChkBox", "selectAllChkBox"} << QStringList{"S", "H", "Z", "R", "W", "D"} << 6;
    QTest::newRow("Select All from none, in its own order")
        << QStringList{"selectAllChkBox"} << QStringList{"H", "Z", "R", "S", "W", "D"} << 6;
    QTest::newRow("clearing Select All keeps the custom sentence")
        << QStringList{"type:C", "setCustomNmeaChkBox", "selectAllChkBox", "selectAllChkBox"} << QStringList{"C"} << 13;
    QTest::newRow("custom equal to a ticked template is listed twice")
        << QStringList{"headingChkBox", "windChkBox", "type:H", "setCustomNmeaChkBox"} << QStringList{"H", "W", "H"} << 3;
    QTest::newRow("clearing Set removes the first of two equal entries")
        << QStringList{"headingChkBox", "windChkBox", "type:H", "setCustomNmeaChkBox", "setCustomNmeaChkBox"}
        << QStringList{"W", "H"} << 4;
    QTest::newRow("clearing the template removes the first of two equal entries")
        << QStringList{"headingChkBox", "windChkBox", "type:H", "setCustomNmeaChkBox", "headingChkBox"}
        << QStringList{"W", "H"} << 4;
    QTest::newRow("custom equal to a template, both cleared")
        << QStringList{"depthChkBox", "type:D", "setCustomNmeaChkBox", "depthChkBox", "setCustomNmeaChkBox"}
        << QStringList{} << 4;
}

void TestSenderTab::sentenceList()
{
    QFETCH(QStringList, actions);
    QFETCH(QStringList, expected);
    QFETCH(int, writes);

    QVERIFY(start());
    QSignalSpy listWrites(m_main->view(), &Viewutil::sendMsNmeaSentencesListChanged);
    for (const QString &action : actions) {
        if (action.startsWith(QLatin1String("type:")))
            QVERIFY(MainWindowHarness::typeInto(page("customNmeaTextField"), sentence(action.mid(5))));
        else
            QVERIFY2(MainWindowHarness::click(page(action)), qPrintable(action));
    }
    QCOMPARE(m_main->errorShown(), QString());

    QStringList wanted;
    for (const QString &key : expected)
        wanted << sentence(key);
    QCOMPARE(sendingList(), wanted);
    QCOMPARE(listWrites.count(), writes);

    // Ticking or clearing single boxes never changes "Select All".
    const bool selectAllClicked = actions.count(QStringLiteral("selectAllChkBox")) % 2 == 1;
    QCOMPARE(checked("selectAllChkBox"), selectAllClicked);
}

void TestSenderTab::emptyCustomSentence()
{
    QVERIFY(start());
    QVERIFY(MainWindowHarness::click(page("headingChkBox")));
    QSignalSpy customWrites(m_main->view(), &Viewutil::sendMsCustomNmeaSentenceChanged);
    QSignalSpy listWrites(m_main->view(), &Viewutil::sendMsNmeaSentencesListChanged);

    QVERIFY(MainWindowHarness::click(page("setCustomNmeaChkBox")));
    QCOMPARE(m_main->errorShown(), QStringLiteral("No Nmea Sentence Found !"));
    QVERIFY(!checked("setCustomNmeaChkBox"));
    QCOMPARE(sendingList(), QStringList{sentence(QStringLiteral("H"))});
    QCOMPARE(customWrites.count(), 0);
    QCOMPARE(listWrites.count(), 0);
    QVERIFY(!page("customNmeaTextField")->property("readOnly").toBool());
}

void TestSenderTab::rejectedCustomSentence()
{
    QVERIFY(start({{QStringLiteral("msSaveCustomNmeaStatus"), true},
                   {QStringLiteral("msDefaultCustomNmeaSentence"), kCustom}}));
    QVERIFY(MainWindowHarness::click(page("windChkBox")));
    QSignalSpy listWrites(m_main->view(), &Viewutil::sendMsNmeaSentencesListChanged);

    const QString wrong = QStringLiteral("HEHDT,90.0,T*16");
    QVERIFY(MainWindowHarness::typeInto(page("customNmeaTextField"), wrong));
    QVERIFY(MainWindowHarness::click(page("setCustomNmeaChkBox")));
    QCOMPARE(m_main->view()->msCustomNmeaSentence(), wrong);
    QVERIFY(!m_main->view()->msCustomNmeaSentenceStatus());
    QCOMPARE(m_main->errorShown(), QStringLiteral("Pls Enter A Valid NMEA Sentence"));
    QCOMPARE(m_main->errorShown(), m_main->view()->msCustomNmeaSentenceValidateMessage());
    QVERIFY(!checked("setCustomNmeaChkBox"));
    QVERIFY(!page("customNmeaTextField")->property("readOnly").toBool());
    QCOMPARE(sendingList(), QStringList{sentence(QStringLiteral("W"))});
    QCOMPARE(listWrites.count(), 0);
    // A rejected sentence leaves the stored default alone.
    QCOMPARE(m_main->view()->msDefaultCustomNmeaSentence(), kCustom);

    // Corrected, it is accepted.
    m_main->closeErrorWindow();
    QVERIFY(MainWindowHarness::typeInto(page("customNmeaTextField"), kCustom));
    QVERIFY(MainWindowHarness::click(page("setCustomNmeaChkBox")));
    QVERIFY(checked("setCustomNmeaChkBox"));
    QCOMPARE(m_main->errorShown(), QString());
    QCOMPARE(sendingList(), (QStringList{sentence(QStringLiteral("W")), kCustom}));
}

void TestSenderTab::acceptedCustomSentenceDefault_data()
{
    QTest::addColumn<bool>("saveCustom");
    QTest::newRow("Save Custom NMEA Sentence on") << true;
    QTest::newRow("Save Custom NMEA Sentence off") << false;
}

void TestSenderTab::acceptedCustomSentenceDefault()
{
    QFETCH(bool, saveCustom);

    QVERIFY(start({{QStringLiteral("msSaveCustomNmeaStatus"), saveCustom},
                   {QStringLiteral("msDefaultCustomNmeaSentence"), QStringLiteral("$HEHDT,90.0,T*16")}}));
    QQuickItem *field = page("customNmeaTextField");
    QVERIFY(MainWindowHarness::typeInto(field, kCustom));
    QVERIFY(MainWindowHarness::click(page("setCustomNmeaChkBox")));
    QVERIFY(m_main->view()->msCustomNmeaSentenceStatus());
    QCOMPARE(m_main->view()->msDefaultCustomNmeaSentence(), saveCustom ? kCustom : QString());
    QCOMPARE(sendingList(), QStringList{kCustom});

    // While set, the field cannot be edited.
    QVERIFY(field->property("readOnly").toBool());
    QVERIFY(MainWindowHarness::click(field));
    QTest::keyClick(m_main->window(), 'x');
    QCOMPARE(field->property("text").toString(), kCustom);

    QVERIFY(MainWindowHarness::click(page("setCustomNmeaChkBox")));
    QVERIFY(!field->property("readOnly").toBool());
    QCOMPARE(sendingList(), QStringList());
}

void TestSenderTab::txIntervalTyped_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("value");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("error");
    QTest::newRow("0.5 seconds") << "0.5" << 5 << "0.5" << QString();
    QTest::newRow("120 seconds, above the maximum") << "120" << 600 << "60.0" << QString();
    QTest::newRow("2.5 seconds") << "2.5" << 25 << "2.5" << QString();
    QTest::newRow("not a number") << "abc" << 10 << "1.0"
                                  << QStringLiteral("Pls Enter Valid Tx Interval From 1 Sec to 60 Sec");
}

void TestSenderTab::txIntervalTyped()
{
    QFETCH(QString, typed);
    QFETCH(int, value);
    QFETCH(QString, shown);
    QFETCH(QString, error);

    QVERIFY(start({{QStringLiteral("msDefaultTxInterval"), 30}}));
    QQuickItem *box = page("txIntervalSpinBox");
    QCOMPARE(box->property("value").toInt(), 30);
    QSignalSpy writes(m_main->view(), &Viewutil::sendMsTxIntervalChanged);
    QVERIFY(MainWindowHarness::typeIntoSpinBox(box, typed));
    QCOMPARE(box->property("value").toInt(), value);
    QCOMPARE(MainWindowHarness::spinBoxText(box), shown);
    QCOMPARE(writes.count(), 1);
    QCOMPARE(m_main->view()->msTxInterval(), double(value));
    QCOMPARE(m_main->errorShown(), error);

    // Leaving the box keeps the value.
    m_main->closeErrorWindow();
    QVERIFY(MainWindowHarness::click(page("grpIpTextField")));
    QCOMPARE(box->property("value").toInt(), value);
    QCOMPARE(writes.count(), 1);
}

void TestSenderTab::startWithEmptyFields()
{
    QVERIFY(start());
    QSignalSpy toggles(m_main->view(), &Viewutil::sendMsConnectionToggleChanged);
    QVERIFY(MainWindowHarness::click(page("startBtn")));
    QCOMPARE(toggles.count(), 1);
    QCOMPARE(m_main->view()->msConnectionToggle(), QStringLiteral("start"));
    QCOMPARE(m_main->errorShown(), QStringLiteral("Invalid or Empty Multicast Group IP Address"));
    QVERIFY(controlsStopped());
}

void TestSenderTab::peerReceivesWhatTheListSays()
{
    QVERIFY(start());
    QVERIFY(MainWindowHarness::click(page("headingChkBox")));
    QVERIFY(MainWindowHarness::click(page("windChkBox")));
    QVERIFY(MainWindowHarness::typeInto(page("customNmeaTextField"), kCustom));
    QVERIFY(MainWindowHarness::click(page("setCustomNmeaChkBox")));
    QVERIFY(MainWindowHarness::typeIntoSpinBox(page("txIntervalSpinBox"), QStringLiteral("0.2")));
    QCOMPARE(m_main->view()->msTxInterval(), 2.0);

    McastPeer peer;
    QVERIFY2(peer.startReceiver(shipHostB(), kGroup, kPort, shipAddressB(), 6, 10000), qPrintable(peer.errorOutput()));
    QVERIFY(startSending(kGroup, kPort));
    QCOMPARE(m_main->errorShown(), QString());
    QVERIFY2(peer.waitForDatagrams(6, 10000), qPrintable(peer.errorOutput()));
    QCOMPARE(m_main->view()->msConnectionStatus(), QStringLiteral("Started"));
    QVERIFY(controlsStarted());

    const QStringList cycle{sentence(QStringLiteral("H")), sentence(QStringLiteral("W")), kCustom};
    QStringList received;
    for (const PeerDatagram &datagram : peer.datagrams()) {
        received << QString::fromLatin1(datagram.payload);
        QCOMPARE(datagram.sourceAddress, shipAddressA());
        QCOMPARE(datagram.sourcePort, kPort);
    }
    QCOMPARE(received, cycle + cycle);

    // What was sent is listed, in order.
    QTRY_VERIFY(m_main->rows("senderListView").size() >= 6);
    QStringList listed = m_main->rows("senderListView");
    listed.removeAll(QString());
    QCOMPARE(listed.mid(0, 6), cycle + cycle);
    QCOMPARE(page("socketStatusLbl")->property("text").toString(), QStringLiteral("Started"));
    QCOMPARE(page("infoSrcIpAddressLbl")->property("text").toString(), shipAddressA());

    // A change of the list while sending reaches the wire.
    QVERIFY(MainWindowHarness::click(page("windChkBox")));
    McastPeer afterChange;
    QVERIFY(afterChange.startReceiver(shipHostB(), kGroup, kPort, shipAddressB(), 4, 10000));
    QVERIFY2(afterChange.waitForDatagrams(4, 10000), qPrintable(afterChange.errorOutput()));
    QStringList receivedAfter;
    for (const PeerDatagram &datagram : afterChange.datagrams())
        receivedAfter << QString::fromLatin1(datagram.payload);
    QCOMPARE(receivedAfter, (QStringList{sentence(QStringLiteral("H")), kCustom, sentence(QStringLiteral("H")), kCustom}));

    QVERIFY(MainWindowHarness::click(page("stopBtn")));
    QCOMPARE(m_main->view()->msConnectionToggle(), QStringLiteral("stop"));
    QCOMPARE(m_main->view()->msConnectionStatus(), QStringLiteral("Stopped"));
    QCOMPARE(page("socketStatusLbl")->property("text").toString(), QStringLiteral("Stopped"));
    QVERIFY(controlsStopped());
    QCOMPARE(m_main->rows("senderListView").last(), QString());

    // "Clear Data" empties the transmitted list only.
    QVERIFY(MainWindowHarness::click(page("senderClearBtn")));
    QCOMPARE(m_main->rows("senderListView"), QStringList());
    QCOMPARE(sendingList(), (QStringList{sentence(QStringLiteral("H")), kCustom}));
}

void TestSenderTab::emptyListWhileStarted()
{
    QVERIFY(start());
    QVERIFY(MainWindowHarness::typeIntoSpinBox(page("txIntervalSpinBox"), QStringLiteral("0.1")));
    QVERIFY(startSending(kGroup, kPort));
    QTRY_COMPARE(m_main->view()->msConnectionStatus(), QStringLiteral("No Transmission"));
    QVERIFY(controlsStarted());
    QVERIFY(m_main->rows("senderListView").contains(QStringLiteral("No NMEA Data To Send ...")));

    // Ticking a box while started makes it send.
    QVERIFY(MainWindowHarness::click(page("depthChkBox")));
    QTRY_VERIFY(m_main->rows("senderListView").contains(sentence(QStringLiteral("D"))));
    QCOMPARE(m_main->view()->msConnectionStatus(), QStringLiteral("Started"));
    QVERIFY(controlsStarted());
    QVERIFY(MainWindowHarness::click(page("stopBtn")));
    QVERIFY(controlsStopped());
}

void TestSenderTab::wiredInterfaceMessage_data()
{
    QTest::addColumn<bool>("showWiredError");
    QTest::newRow("option off: dropped") << false;
    QTest::newRow("option on: shown") << true;
}

void TestSenderTab::wiredInterfaceMessage()
{
    QFETCH(bool, showWiredError);

    QVERIFY(start({{QStringLiteral("msShowWiredIfaceErrorStatus"), showWiredError}}));
    QVERIFY(MainWindowHarness::typeInto(page("grpIpTextField"), kGroup));
    QVERIFY(MainWindowHarness::typeInto(page("grpPortTextField"), QString::number(kPort)));

    QQuickWindow *msgWin = m_main->subWindow("msgWin");
    QStringList outcome;
    QObject::connect(m_main->view(), &Viewutil::sendMsErrorMessageChanged, msgWin, [&] {
        const QString error = m_main->view()->msErrorMessage();
        const bool taken = msgWin->isVisible() && msgWin->property("message").toString() == error;
        outcome << (taken ? error : QStringLiteral("dropped: ") + error);
    });

    NetnsLab lab;
    const NetnsLab::Host host = lab.addShipHost(QStringLiteral("wifi"),
        {{QStringLiteral("wlan0"), {QStringLiteral("198.51.100.1/24")}, true, QStringLiteral("198.51.100.2/24")}},
        QStringLiteral("wlan0"));
    QVERIFY2(host.isValid(), qPrintable(lab.error()));
    {
        NetnsEnter inHost(host.ns);
        QVERIFY(inHost.entered());
        QVERIFY(MainWindowHarness::click(page("startBtn")));
    }
    const QString noWired = QStringLiteral("No Wired Ethernet Interface Found");
    QVERIFY2(!outcome.isEmpty(), "the sender reported no error");
    QCOMPARE(outcome.first(), showWiredError ? noWired : QStringLiteral("dropped: ") + noWired);
    // Whatever follows it is shown.
    for (const QString &later : outcome.mid(1))
        QVERIFY2(!later.startsWith(QLatin1String("dropped: ")), qPrintable(later));

    m_main->closeErrorWindow();
    m_main->control()->recvMsErrorMessage(QStringLiteral("Failed To Send Datagram"));
    QCOMPARE(m_main->errorShown(), QStringLiteral("Failed To Send Datagram"));
}

void TestSenderTab::reportedStatusDrivesControls_data()
{
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("status");
    QTest::addColumn<bool>("started");
    QTest::newRow("Error while started") << "Started" << "Error" << false;
    QTest::newRow("Stopped while started") << "Started" << "Stopped" << false;
    QTest::newRow("No Transmission while stopped") << "Stopped" << "No Transmission" << true;
    QTest::newRow("Started while stopped") << "Stopped" << "Started" << true;
    QTest::newRow("unknown word while started") << "Started" << "Sending" << true;
    QTest::newRow("unknown word while stopped") << "Stopped" << "started" << false;
}

void TestSenderTab::reportedStatusDrivesControls()
{
    QFETCH(QString, before);
    QFETCH(QString, status);
    QFETCH(bool, started);

    QVERIFY(start());
    // As the sender reports them, through the controller.
    m_main->control()->recvMsNmeaData(before, QString(), QString(), QString());
    m_main->control()->recvMsNmeaData(status, QStringLiteral("Multicast Sender Connection Aborted"), QString(), QString());
    QCOMPARE(page("socketStatusLbl")->property("text").toString(), status);
    QCOMPARE(controlsStarted(), started);
    QCOMPARE(controlsStopped(), !started);
    QCOMPARE(m_main->rows("senderListView"),
             (QStringList{QString(), QStringLiteral("Multicast Sender Connection Aborted")}));
}

void TestSenderTab::addressAndPortStoredPerKeystroke_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("option");
    QTest::addColumn<QString>("defaultProperty");
    QTest::newRow("address") << "grpIpTextField" << "msSaveGrpIpAddStatus" << "msDefaultGrpIpAddress";
    QTest::newRow("port") << "grpPortTextField" << "msSaveGrpPortNumStatus" << "msDefaultGrpPortNumber";
}

void TestSenderTab::addressAndPortStoredPerKeystroke()
{
    QFETCH(QString, field);
    QFETCH(QString, option);
    QFETCH(QString, defaultProperty);

    QVERIFY(start({{option, true}}));
    const QByteArray property = defaultProperty.toLatin1();
    QQuickItem *input = page(field);
    QVERIFY(MainWindowHarness::click(input));
    QStringList defaults;
    for (const char c : QByteArray("239")) {
        QTest::keyClick(m_main->window(), c);
        defaults << m_main->view()->property(property.constData()).toString();
    }
    QCOMPARE(defaults, (QStringList{QStringLiteral("2"), QStringLiteral("23"), QStringLiteral("239")}));

    m_main->view()->setProperty(option.toLatin1().constData(), false);
    QTest::keyClick(m_main->window(), '1');
    QCOMPARE(m_main->view()->property(property.constData()).toString(), QString());
}

int main(int argc, char *argv[])
{
    TempHome home;
    if (!home.isValid())
        return 1;
    QGuiApplication app(argc, argv);
    app.setOrganizationName(QStringLiteral("vestranautic"));
    app.setApplicationName(QStringLiteral("QuaycastTool"));
    TestSenderTab test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_sendertab.moc"
