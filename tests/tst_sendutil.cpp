#include "sendutil.h"

#include "netnsguard.h"
#include "netnslab.h"
#include "recvutil.h"
#include "workerwatch.h"

#include <QFileInfo>
#include <QUdpSocket>
#include <QtTest>

#include <memory>

namespace {

const QString terminatedMessage = messageEvent(QStringLiteral("Mutlicast Transmission Terminated"));
const QString stoppedLog = infoLog(QStringLiteral("Ms sender stopped."));
const QString wiredMessage =
    messageEvent(QStringLiteral("Wired Ethernet Interface is Connected, Sending Over Wired Ethernet Interface"));

QStringList stopEvents()
{
    return {dataEvent(QStringLiteral("Stopped")), terminatedMessage, stoppedLog};
}

QStringList noWiredEvents()
{
    return {errorEvent(QStringLiteral("No Wired Ethernet Interface Found")),
            messageEvent(QStringLiteral("No Wired Ethernet Interface Found")),
            warningLog(QStringLiteral("Ms wired ethernet interface not found"))};
}

QString progressMessage(const QString &ifaceName, int sentences, qint64 bytes)
{
    return messageEvent(QStringLiteral("Multicast Transmission in Progress On %1 Interface , Total Sentences Sent: "
                                       "%2 , Total Bytes Sent: %3")
                            .arg(ifaceName)
                            .arg(sentences)
                            .arg(bytes));
}

// The three signals of one sentence sent.
QStringList sentEvents(const QString &sentence, const QString &source, const QString &ifaceName, int sentences,
                       qint64 bytes)
{
    return {dataEvent(QStringLiteral("Started"), sentence, source),
            countersEvent(QString::number(sentences), QString::number(bytes)),
            progressMessage(ifaceName, sentences, bytes)};
}

// Six sentences of 30 bytes each.
QStringList sixSentences()
{
    QStringList sentences;
    for (int i = 1; i <= 6; ++i)
        sentences << QStringLiteral("$QCXTS,%1,ABCDEFGHIJKLMNOPQR*00").arg(i);
    return sentences;
}

} // namespace

class TestSendutil : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void intervalFromTenths_data();
    void intervalFromTenths();

    void sendsEachSentenceAsOneDatagram();
    void sentenceBytesOnTheWire_data();
    void sentenceBytesOnTheWire();
    void emptyListReportsNoTransmission();
    void periodSetsTickRate_data();
    void periodSetsTickRate();
    void periodChangeTakesEffectAtOnce();
    void listChangeDuringTransmission();
    void startWhileTransmittingRestartsCounters();
    void stopWhileStoppedEmitsNothing();
    void destroyingRunningSenderStops();
    void receiverOnTheSameHostSeesOwnSentences();

    void noWiredInterface_data();
    void noWiredInterface();
    void osSelectedInterfaceWhenNoWired();
    void sendFailureWithoutRouteIsSilent();
    void activeInterfaceNotFound();
    void firstListedWiredInterfaceWins();
    void bindFailure_data();
    void bindFailure();
};

void TestSendutil::initTestCase()
{
    const QString refusal = netnsRefusal();
    QVERIFY2(refusal.isEmpty(), qPrintable(refusal));
    QVERIFY2(QFileInfo(QStringLiteral(QCX_MCASTPEER)).isExecutable(), QCX_MCASTPEER);
    QVERIFY(!shipHostB().isEmpty());
    for (const QString &sentence : sixSentences())
        QCOMPARE(sentence.size(), 30);
}

void TestSendutil::intervalFromTenths_data()
{
    QTest::addColumn<double>("tenths");
    QTest::addColumn<int>("milliseconds");

    QTest::newRow("10 is one second") << 10.0 << 1000;
    QTest::newRow("1") << 1.0 << 100;
    QTest::newRow("5") << 5.0 << 500;
    QTest::newRow("600") << 600.0 << 60000;
    QTest::newRow("fraction 2.5") << 2.5 << 250;
    QTest::newRow("fraction 2.3 is not 229") << 2.3 << 230;
    QTest::newRow("truncated toward zero") << 2.3456 << 234;
}

void TestSendutil::intervalFromTenths()
{
    QFETCH(double, tenths);
    QFETCH(int, milliseconds);

    QCOMPARE(txIntervalMsFromTenths(tenths), milliseconds);
}

void TestSendutil::sendsEachSentenceAsOneDatagram()
{
    const QString group = QStringLiteral("239.192.1.1");
    const quint16 port = 4501;
    const QStringList sentences = sixSentences();
    McastPeer peer;
    QVERIFY(peer.startReceiver(shipHostB(), group, port, shipAddressB(), 12, 10000));

    WorkerWatch watch;
    Sendutil sender;
    watch.follow(&sender);
    QCOMPARE(watch.newEvents(), QStringList{infoLog(QStringLiteral("Sendutil initialized"))});

    sender.recvMsNmeaSentencesList(sentences);
    sender.recvMsTxTransmissionInterval(1);
    QCOMPARE(watch.newEvents(),
             (QStringList{infoLog(QStringLiteral("MS NMEA list received, number of NMEA sentences =  6")),
                          infoLog(QStringLiteral("Ms Tx interval changed to:  100  ms."))}));

    // The period update has already started the timer, so the start leaves it be.
    sender.recvMsSocketDetailsConnect(group, QString::number(port));
    QCOMPARE(watch.newEvents(),
             (QStringList{wiredMessage, infoLog(QStringLiteral("Ms socket bind succeeded on wired ethernet interface")),
                          infoLog(QStringLiteral("Ms sender started"))}));

    QVERIFY(watch.waitFor(countersEvent(QStringLiteral("12"), QStringLiteral("360")), 5000));
    QVERIFY(peer.waitForDatagrams(12, 5000));
    sender.recvStopSender();

    QStringList expected;
    for (int i = 0; i < 12; ++i)
        expected += sentEvents(sentences.at(i % 6), shipAddressA(), QStringLiteral("eth0"), i + 1, 30 * (i + 1));
    QCOMPARE(watch.newEvents().mid(0, expected.size()), expected);

    const QList<PeerDatagram> datagrams = peer.datagrams();
    QCOMPARE(datagrams.size(), 12);
    for (int i = 0; i < 12; ++i) {
        QCOMPARE(datagrams.at(i).payload, sentences.at(i % 6).toLatin1());
        QCOMPARE(datagrams.at(i).sourceAddress, shipAddressA());
        QCOMPARE(datagrams.at(i).sourcePort, port);
    }
}

void TestSendutil::sentenceBytesOnTheWire_data()
{
    QTest::addColumn<QString>("sentence");
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("plain sentence, nothing appended")
        << QStringLiteral("$HEHDT,274.07,T*03") << QByteArray("$HEHDT,274.07,T*03");
    QTest::newRow("Latin-1 characters as single bytes")
        << QStringLiteral("$GPTXT,01,01,02,%1C %2 %3*00").arg(QChar(0xB0)).arg(QChar(0xC4)).arg(QChar(0xFF))
        << QByteArray("$GPTXT,01,01,02,\xB0" "C \xC4 \xFF*00");
    QTest::newRow("a terminator in the entry goes out as given")
        << QStringLiteral("$GPZDA,173616.97,01,11,2025,0,0*68\r\n")
        << QByteArray("$GPZDA,173616.97,01,11,2025,0,0*68\r\n");
}

void TestSendutil::sentenceBytesOnTheWire()
{
    QFETCH(QString, sentence);
    QFETCH(QByteArray, bytes);

    const QString group = QStringLiteral("239.192.1.2");
    const quint16 port = 4502;
    McastPeer peer;
    QVERIFY(peer.startReceiver(shipHostB(), group, port, shipAddressB(), 1, 5000));

    WorkerWatch watch;
    Sendutil sender;
    watch.follow(&sender);
    sender.recvMsNmeaSentencesList({sentence});
    sender.recvMsTxTransmissionInterval(1);
    sender.recvMsSocketDetailsConnect(group, QString::number(port));
    QVERIFY(peer.waitForDatagrams(1, 5000));
    sender.recvStopSender();

    QCOMPARE(peer.datagrams().at(0).payload, bytes);
    QVERIFY(watch.events().contains(dataEvent(QStringLiteral("Started"), sentence, shipAddressA())));
    QVERIFY(watch.events().contains(countersEvent(QStringLiteral("1"), QString::number(bytes.size()))));
}

void TestSendutil::emptyListReportsNoTransmission()
{
    const QString group = QStringLiteral("239.192.1.3");
    const quint16 port = 4503;
    McastPeer peer;
    QVERIFY(peer.startReceiver(shipHostB(), group, port, shipAddressB(), 1, 10000));

    WorkerWatch watch;
    Sendutil sender;
    watch.follow(&sender);
    sender.recvMsTxTransmissionInterval(1);
    sender.recvMsSocketDetailsConnect(group, QString::number(port));
    watch.newEvents();

    const QString noTransmission =
        dataEvent(QStringLiteral("No Transmission"), QStringLiteral("No NMEA Data To Send ..."));
    QVERIFY(watch.waitFor(noTransmission, 3000, 3));
    const QStringList oneTick{noTransmission,
                              messageEvent(QStringLiteral("Multicast Group Active but Transmission Suspended")),
                              warningLog(QStringLiteral("Ms NMEA list is empty, no NMEA data to send"))};
    QCOMPARE(watch.newEvents(), oneTick + oneTick + oneTick);

    sender.recvMsNmeaSentencesList({QStringLiteral("$BACK*00")});
    const QString backCounters = countersEvent(QStringLiteral("1"), QStringLiteral("8"));
    QVERIFY(watch.waitFor(backCounters, 3000));
    QVERIFY(peer.waitForDatagrams(1, 3000));
    sender.recvStopSender();

    QCOMPARE(watch.newEvents().mid(0, 4),
             QStringList{infoLog(QStringLiteral("MS NMEA list received, number of NMEA sentences =  1"))}
                 + sentEvents(QStringLiteral("$BACK*00"), shipAddressA(), QStringLiteral("eth0"), 1, 8));
    QCOMPARE(peer.datagrams().at(0).payload, QByteArray("$BACK*00"));
}

void TestSendutil::periodSetsTickRate_data()
{
    QTest::addColumn<double>("tenths");
    QTest::addColumn<int>("datagrams");
    QTest::addColumn<int>("spanMs");

    QTest::newRow("1: about ten a second") << 1.0 << 11 << 1000;
    QTest::newRow("10: about one a second") << 10.0 << 3 << 2000;
}

void TestSendutil::periodSetsTickRate()
{
    QFETCH(double, tenths);
    QFETCH(int, datagrams);
    QFETCH(int, spanMs);

    const QString group = QStringLiteral("239.192.1.4");
    const quint16 port = 4504;
    McastPeer peer;
    QVERIFY(peer.startReceiver(shipHostB(), group, port, shipAddressB(), datagrams, 10000));

    Sendutil sender;
    sender.recvMsNmeaSentencesList({QStringLiteral("$RATE*00")});
    sender.recvMsSocketDetailsConnect(group, QString::number(port));
    sender.recvMsTxTransmissionInterval(tenths);
    QVERIFY(peer.waitForDatagrams(datagrams, spanMs + 3000));
    sender.recvStopSender();

    const QList<PeerDatagram> received = peer.datagrams();
    const qint64 span = (received.last().atMicros - received.first().atMicros) / 1000;
    QVERIFY2(qAbs(span - spanMs) <= spanMs / 10, qPrintable(QStringLiteral("span %1 ms").arg(span)));
}

void TestSendutil::periodChangeTakesEffectAtOnce()
{
    const QString group = QStringLiteral("239.192.1.5");
    WorkerWatch watch;
    Sendutil sender;
    watch.follow(&sender);
    sender.recvMsNmeaSentencesList({QStringLiteral("$PERIOD*00")});
    sender.recvMsSocketDetailsConnect(group, QStringLiteral("4505"));
    const QString firstTick = countersEvent(QStringLiteral("1"), QStringLiteral("10"));
    QVERIFY(watch.waitFor(firstTick, 3000));
    QVERIFY(watch.events().contains(infoLog(QStringLiteral("Ms Tx timer started with interval =  1000  ms."))));
    watch.newEvents();

    QElapsedTimer sinceChange;
    sinceChange.start();
    sender.recvMsTxTransmissionInterval(1);
    QCOMPARE(watch.newEvents(), QStringList{infoLog(QStringLiteral("Ms Tx interval changed to:  100  ms."))});
    QVERIFY(watch.waitFor(countersEvent(QStringLiteral("2"), QStringLiteral("20")), 1000));
    QVERIFY2(sinceChange.elapsed() < 500, qPrintable(QString::number(sinceChange.elapsed())));
    sender.recvStopSender();
}

void TestSendutil::listChangeDuringTransmission()
{
    const QString group = QStringLiteral("239.192.1.6");
    const quint16 port = 4506;
    McastPeer peer;
    QVERIFY(peer.startReceiver(shipHostB(), group, port, shipAddressB(), 3, 10000));

    WorkerWatch watch;
    Sendutil sender;
    watch.follow(&sender);
    sender.recvMsNmeaSentencesList({QStringLiteral("$AA*00"), QStringLiteral("$BBB*00")});
    sender.recvMsTxTransmissionInterval(1);
    sender.recvMsSocketDetailsConnect(group, QString::number(port));
    QVERIFY(watch.waitFor(countersEvent(QStringLiteral("2"), QStringLiteral("13")), 3000));
    watch.newEvents();

    sender.recvMsNmeaSentencesList({QStringLiteral("$CCCC*00")});
    QVERIFY(watch.waitFor(countersEvent(QStringLiteral("3"), QStringLiteral("21")), 3000));
    QVERIFY(peer.waitForDatagrams(3, 3000));
    sender.recvStopSender();

    QCOMPARE(watch.newEvents().mid(0, 4),
             QStringList{infoLog(QStringLiteral("MS NMEA list received, number of NMEA sentences =  1"))}
                 + sentEvents(QStringLiteral("$CCCC*00"), shipAddressA(), QStringLiteral("eth0"), 3, 21));
    const QList<PeerDatagram> datagrams = peer.datagrams();
    QCOMPARE(datagrams.at(0).payload, QByteArray("$AA*00"));
    QCOMPARE(datagrams.at(1).payload, QByteArray("$BBB*00"));
    QCOMPARE(datagrams.at(2).payload, QByteArray("$CCCC*00"));
}

void TestSendutil::startWhileTransmittingRestartsCounters()
{
    const QString group = QStringLiteral("239.192.1.7");
    WorkerWatch watch;
    Sendutil sender;
    watch.follow(&sender);
    sender.recvMsNmeaSentencesList({QStringLiteral("$RESTART*0")});
    sender.recvMsTxTransmissionInterval(1);
    sender.recvMsSocketDetailsConnect(group, QStringLiteral("4507"));
    QVERIFY(watch.waitFor(countersEvent(QStringLiteral("2"), QStringLiteral("20")), 3000));
    watch.newEvents();

    sender.recvMsSocketDetailsConnect(group, QStringLiteral("4507"));
    const QStringList restarted =
        stopEvents()
        + QStringList{wiredMessage, infoLog(QStringLiteral("Ms socket bind succeeded on wired ethernet interface")),
                      infoLog(QStringLiteral("Ms sender started")),
                      infoLog(QStringLiteral("Ms Tx timer started with interval =  100  ms."))};
    QCOMPARE(watch.newEvents(), restarted);

    QVERIFY(watch.waitFor(countersEvent(QStringLiteral("1"), QStringLiteral("10")), 3000, 2));
    sender.recvStopSender();
    QCOMPARE(watch.newEvents().mid(0, 3),
             sentEvents(QStringLiteral("$RESTART*0"), shipAddressA(), QStringLiteral("eth0"), 1, 10));
}

void TestSendutil::stopWhileStoppedEmitsNothing()
{
    WorkerWatch watch;
    Sendutil sender;
    watch.follow(&sender);
    watch.newEvents();

    sender.recvStopSender();
    QCOMPARE(watch.newEvents(), QStringList());

    sender.recvMsSocketDetailsConnect(QStringLiteral("239.192.1.8"), QStringLiteral("4508"));
    watch.newEvents();
    sender.recvStopSender();
    QCOMPARE(watch.newEvents(), stopEvents());
    sender.recvStopSender();
    QCOMPARE(watch.newEvents(), QStringList());
}

void TestSendutil::destroyingRunningSenderStops()
{
    WorkerWatch watch;
    auto sender = std::make_unique<Sendutil>();
    watch.follow(sender.get());
    sender->recvMsSocketDetailsConnect(QStringLiteral("239.192.1.9"), QStringLiteral("4509"));
    watch.newEvents();

    sender.reset();
    QCOMPARE(watch.newEvents(), stopEvents());
}

void TestSendutil::receiverOnTheSameHostSeesOwnSentences()
{
    const QString group = QStringLiteral("239.192.1.10");
    const quint16 port = 4510;
    Recvutil receiver;
    Sendutil sender;
    QSignalSpy received(&receiver, &Recvutil::sendMrNmeaData);
    receiver.recvSocketDetailsConnect(group, QString::number(port));
    QCOMPARE(received.takeFirst().at(0).toString(), QStringLiteral("Connected"));

    sender.recvMsNmeaSentencesList({QStringLiteral("$OWN,1*00"), QStringLiteral("$OWN,2*00")});
    sender.recvMsTxTransmissionInterval(1);
    sender.recvMsSocketDetailsConnect(group, QString::number(port));
    while (received.count() < 2)
        QVERIFY(received.wait(3000));
    sender.recvStopSender();

    const QList<QVariant> expectedFirst{QStringLiteral("Connected"), QStringLiteral("$OWN,1*00"), shipAddressA(),
                                        QString::number(port)};
    const QList<QVariant> expectedSecond{QStringLiteral("Connected"), QStringLiteral("$OWN,2*00"), shipAddressA(),
                                         QString::number(port)};
    QCOMPARE(received.at(0), expectedFirst);
    QCOMPARE(received.at(1), expectedSecond);
}

void TestSendutil::noWiredInterface_data()
{
    QTest::addColumn<QList<NetnsLab::Iface>>("ifaces");

    QTest::newRow("only wlan0") << QList<NetnsLab::Iface>{
        {QStringLiteral("wlan0"), {QStringLiteral("198.51.100.1/24")}, true, QStringLiteral("198.51.100.2/24")}};
    QTest::newRow("eth0 down") << QList<NetnsLab::Iface>{
        {QStringLiteral("eth0"), {QStringLiteral("198.51.100.1/24")}, false, QStringLiteral("198.51.100.2/24")}};
    QTest::newRow("eth0 with IPv6 only") << QList<NetnsLab::Iface>{
        {QStringLiteral("eth0"), {QStringLiteral("2001:db8::1/64")}, true, QString()}};
}

void TestSendutil::noWiredInterface()
{
    QFETCH(QList<NetnsLab::Iface>, ifaces);

    NetnsLab lab;
    const NetnsLab::Host host = lab.addShipHost(QStringLiteral("nowired"), ifaces, QString());
    QVERIFY2(host.isValid(), qPrintable(lab.error()));
    NetnsEnter inHost(host.ns);
    QVERIFY(inHost.entered());

    WorkerWatch watch;
    Sendutil sender;
    watch.follow(&sender);
    watch.newEvents();

    const QStringList refused =
        noWiredEvents()
        + QStringList{errorEvent(QStringLiteral("Ethernet Interface Not Valid, Multicast Sender Terminated")),
                      messageEvent(QStringLiteral("Ethernet Interface Not Valid, Multicast Sender Terminated")),
                      warningLog(QStringLiteral("Ms Wired ethernet interface not valid, multicast sender terminated")),
                      dataEvent(QStringLiteral("Error"))};
    sender.recvMsSocketDetailsConnect(QStringLiteral("239.192.1.11"), QStringLiteral("4511"));
    QCOMPARE(watch.newEvents(), refused);

    sender.recvMsSocketDetailsConnect(QStringLiteral("239.192.1.11"), QStringLiteral("4511"));
    QCOMPARE(watch.newEvents(), stopEvents() + refused);
    sender.recvStopSender();
    QCOMPARE(watch.newEvents(), stopEvents());
}

void TestSendutil::osSelectedInterfaceWhenNoWired()
{
    const QString group = QStringLiteral("239.192.1.12");
    const quint16 port = 4512;
    NetnsLab lab;
    const NetnsLab::Host host = lab.addShipHost(
        QStringLiteral("wlan"),
        {{QStringLiteral("wlan0"), {QStringLiteral("198.51.100.1/24")}, true, QStringLiteral("198.51.100.2/24")}},
        QStringLiteral("wlan0"));
    QVERIFY2(host.isValid(), qPrintable(lab.error()));
    McastPeer peer;
    QVERIFY(peer.startReceiver(host.peers.at(0), group, port, QStringLiteral("198.51.100.2"), 1, 5000));
    NetnsEnter inHost(host.ns);
    QVERIFY(inHost.entered());

    WorkerWatch watch;
    Sendutil sender;
    watch.follow(&sender);
    sender.recvMsOsSelectInterfaceStatus(true);
    sender.recvMsNmeaSentencesList({QStringLiteral("$WLAN*00")});
    sender.recvMsTxTransmissionInterval(1);
    watch.newEvents();

    sender.recvMsSocketDetailsConnect(group, QString::number(port));
    const QStringList started =
        noWiredEvents()
        + QStringList{infoLog(QStringLiteral("Ms socket bind succeeded on OS selected interface")),
                      infoLog(QStringLiteral("Ms sender started"))};
    QCOMPARE(watch.newEvents(), started);
    QVERIFY(peer.waitForDatagrams(1, 3000));
    QVERIFY(watch.waitFor(countersEvent(QStringLiteral("1"), QStringLiteral("8")), 3000));
    sender.recvStopSender();

    QCOMPARE(watch.newEvents().mid(0, 3),
             sentEvents(QStringLiteral("$WLAN*00"), QStringLiteral("198.51.100.1"), QStringLiteral("wlan0"), 1, 8));
    const PeerDatagram datagram = peer.datagrams().at(0);
    QCOMPARE(datagram.payload, QByteArray("$WLAN*00"));
    QCOMPARE(datagram.sourceAddress, QStringLiteral("198.51.100.1"));
    QCOMPARE(datagram.sourcePort, port);
}

void TestSendutil::sendFailureWithoutRouteIsSilent()
{
    NetnsLab lab;
    const NetnsLab::Host host = lab.addShipHost(
        QStringLiteral("noroute"),
        {{QStringLiteral("wlan0"), {QStringLiteral("198.51.100.1/24")}, true, QStringLiteral("198.51.100.2/24")}},
        QString());
    QVERIFY2(host.isValid(), qPrintable(lab.error()));
    NetnsEnter inHost(host.ns);
    QVERIFY(inHost.entered());

    WorkerWatch watch;
    Sendutil sender;
    watch.follow(&sender);
    sender.recvMsOsSelectInterfaceStatus(true);
    sender.recvMsNmeaSentencesList({QStringLiteral("$LOST*00")});
    sender.recvMsTxTransmissionInterval(1);
    sender.recvMsSocketDetailsConnect(QStringLiteral("239.192.1.13"), QStringLiteral("4513"));
    watch.newEvents();

    // Without a route the write fails: echoed all the same, never counted.
    const QString lost = dataEvent(QStringLiteral("Started"), QStringLiteral("$LOST*00"), QStringLiteral("198.51.100.1"));
    QVERIFY(watch.waitFor(lost, 3000, 2));
    sender.recvStopSender();
    const QStringList oneTick{lost, countersEvent(QStringLiteral("0"), QStringLiteral("0")),
                              progressMessage(QStringLiteral("wlan0"), 0, 0)};
    QCOMPARE(watch.newEvents().mid(0, 6), oneTick + oneTick);
}

void TestSendutil::activeInterfaceNotFound()
{
    const QString group = QStringLiteral("239.192.1.16");
    const quint16 port = 4516;
    // lo carries the multicast route but is not multicast-capable: the
    // datagrams go out, while no interface qualifies as the active one.
    NetnsLab lab;
    const NetnsLab::Host host = lab.addShipHost(QStringLiteral("loonly"), {}, QStringLiteral("lo"));
    QVERIFY2(host.isValid(), qPrintable(lab.error()));
    McastPeer peer;
    QVERIFY(peer.startReceiver(host.ns, group, port, QStringLiteral("127.0.0.1"), 1, 5000));
    NetnsEnter inHost(host.ns);
    QVERIFY(inHost.entered());

    WorkerWatch watch;
    Sendutil sender;
    watch.follow(&sender);
    sender.recvMsOsSelectInterfaceStatus(true);
    sender.recvMsNmeaSentencesList({QStringLiteral("$LO*00")});
    sender.recvMsTxTransmissionInterval(1);
    sender.recvMsSocketDetailsConnect(group, QString::number(port));
    watch.newEvents();

    QVERIFY(peer.waitForDatagrams(1, 3000));
    QVERIFY(watch.waitFor(countersEvent(QStringLiteral("1"), QStringLiteral("6")), 3000));
    sender.recvStopSender();
    QCOMPARE(watch.newEvents().mid(0, 3), sentEvents(QStringLiteral("$LO*00"), QString(), QString(), 1, 6));
    QCOMPARE(peer.datagrams().at(0).payload, QByteArray("$LO*00"));
}

void TestSendutil::firstListedWiredInterfaceWins()
{
    const QString group = QStringLiteral("239.192.1.14");
    const quint16 port = 4514;
    NetnsLab lab;
    // The multicast route points at eth1: only the sender's own choice of eth0
    // puts the datagrams there.
    const NetnsLab::Host host = lab.addShipHost(
        QStringLiteral("twowired"),
        {{QStringLiteral("eth0"), {QStringLiteral("198.51.100.1/25"), QStringLiteral("198.51.100.5/25")}, true,
          QStringLiteral("198.51.100.2/25")},
         {QStringLiteral("eth1"), {QStringLiteral("198.51.100.129/25")}, true, QStringLiteral("198.51.100.130/25")}},
        QStringLiteral("eth1"));
    QVERIFY2(host.isValid(), qPrintable(lab.error()));
    McastPeer onEth0;
    McastPeer onEth1;
    QVERIFY(onEth0.startReceiver(host.peers.at(0), group, port, QStringLiteral("198.51.100.2"), 2, 5000));
    QVERIFY(onEth1.startReceiver(host.peers.at(1), group, port, QStringLiteral("198.51.100.130"), 1, 1500));
    NetnsEnter inHost(host.ns);
    QVERIFY(inHost.entered());

    WorkerWatch watch;
    Sendutil sender;
    watch.follow(&sender);
    sender.recvMsNmeaSentencesList({QStringLiteral("$FIRST*00")});
    sender.recvMsTxTransmissionInterval(1);
    sender.recvMsSocketDetailsConnect(group, QString::number(port));
    QVERIFY(onEth0.waitForDatagrams(2, 3000));
    onEth1.waitFinished(3000);
    sender.recvStopSender();
    QCOMPARE(onEth1.exitCode(), 3); // its time-out ended it

    QCOMPARE(onEth1.datagrams().size(), 0);
    for (const PeerDatagram &datagram : onEth0.datagrams()) {
        QCOMPARE(datagram.payload, QByteArray("$FIRST*00"));
        QCOMPARE(datagram.sourceAddress, QStringLiteral("198.51.100.1"));
        QCOMPARE(datagram.sourcePort, port);
    }
    QVERIFY(watch.events().contains(progressMessage(QStringLiteral("eth0"), 1, 9)));
    QVERIFY(watch.events().contains(dataEvent(QStringLiteral("Started"), QStringLiteral("$FIRST*00"),
                                              QStringLiteral("198.51.100.1"))));
}

void TestSendutil::bindFailure_data()
{
    QTest::addColumn<bool>("osSelected");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("wired interface")
        << false
        << QStringList{wiredMessage} + stopEvents()
               + QStringList{dataEvent(QStringLiteral("Error"), QStringLiteral("Multicast Sender Connection Aborted")),
                             errorEvent(QStringLiteral("Multicast Sender Socket Bind Failed On Wired Ethernet Interface")),
                             messageEvent(QStringLiteral("Multicast Sender Socket Bind Failed On Wired Ethernet Interface"))};
    QTest::newRow("OS selected interface")
        << true
        << noWiredEvents() + stopEvents()
               + QStringList{dataEvent(QStringLiteral("Error"), QStringLiteral("Multicast Sender Connection Aborted")),
                             errorEvent(QStringLiteral("Multicast Sender Socket Bind Failed On OS Selected Interface")),
                             messageEvent(QStringLiteral("Multicast Sender Socket Bind Failed On OS Selected Interface")),
                             warningLog(QStringLiteral("Ms socket bind failed on OS selected interface"))};
}

void TestSendutil::bindFailure()
{
    QFETCH(bool, osSelected);
    QFETCH(QStringList, expected);

    NetnsLab lab;
    QString ns = shipHostA();
    if (osSelected) {
        const NetnsLab::Host host = lab.addShipHost(
            QStringLiteral("wlanbind"),
            {{QStringLiteral("wlan0"), {QStringLiteral("198.51.100.1/24")}, true, QStringLiteral("198.51.100.2/24")}},
            QStringLiteral("wlan0"));
        QVERIFY2(host.isValid(), qPrintable(lab.error()));
        ns = host.ns;
    }
    NetnsEnter inHost(ns);
    QVERIFY(inHost.entered());

    // A socket that does not share its port keeps everyone else off it.
    QUdpSocket holder;
    QVERIFY(holder.bind(QHostAddress::AnyIPv4, 4515, QAbstractSocket::DontShareAddress));

    WorkerWatch watch;
    Sendutil sender;
    watch.follow(&sender);
    sender.recvMsOsSelectInterfaceStatus(osSelected);
    sender.recvMsNmeaSentencesList({QStringLiteral("$NEVER*00")});
    watch.newEvents();

    sender.recvMsSocketDetailsConnect(QStringLiteral("239.192.1.15"), QStringLiteral("4515"));
    QCOMPARE(watch.newEvents(), expected);
    sender.recvStopSender();
    QCOMPARE(watch.newEvents(), QStringList());
}

QTEST_GUILESS_MAIN(TestSendutil)
#include "tst_sendutil.moc"
