#include "recvutil.h"

#include "netnsguard.h"
#include "netnslab.h"
#include "workerwatch.h"

#include <QFile>
#include <QFileInfo>
#include <QUdpSocket>
#include <QtTest>

#include <memory>

namespace {

const QString timeoutStatus = dataEvent(QStringLiteral("Connected"),
                                        QStringLiteral("No NMEA Data Received From Multicast Source"));
const QString timeoutMessage = messageEvent(QStringLiteral("Multicast Receiver Timeout Interval Is Exceeded"));
const QString disabledMessage = messageEvent(QStringLiteral("Multicast Receiver Timeout Timer is Disabled"));
const QString disabledLog = infoLog(QStringLiteral("Multicast receiver timeout timer is disabled"));
const QString terminatedMessage = messageEvent(QStringLiteral("Multicast Receiver Is Terminated"));
const QString stoppedLog = infoLog(QStringLiteral("Mr receiver stopped."));

QStringList wiredJoinEvents(const QString &ifaceName)
{
    return {messageEvent(QStringLiteral("Wired Ethernet Interface is Connected, Receiving From Wired Ethernet Interface")),
            infoLog(QStringLiteral("Mr Wired ethernet interface is valid")),
            infoLog(QStringLiteral("Mr socket bind succeeded on wired ethernet interface")),
            infoLog(QStringLiteral("Mr isConnected =  true")),
            dataEvent(QStringLiteral("Connected")),
            messageEvent(QStringLiteral("Receiving Multicast On %1 Interface").arg(ifaceName))};
}

QStringList noWiredEvents()
{
    return {errorEvent(QStringLiteral("No Wired Ethernet Interface Found")),
            messageEvent(QStringLiteral("No Wired Ethernet Interface Found")),
            warningLog(QStringLiteral("Mr wired ethernet interface not found"))};
}

QStringList disconnectEvents()
{
    return {dataEvent(QStringLiteral("Disconnected")), terminatedMessage, stoppedLog};
}

} // namespace

class TestRecvutil : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void connectsAndDisconnectsOnWiredInterface();
    void receivesDatagrams_data();
    void receivesDatagrams();
    void readsEveryPendingDatagramInOrder();
    void keepsABurstThatComesWhileBusy();
    void keepsOutOtherGroupsOnTheSamePort();
    void connectWhileJoinedStartsAfresh();
    void disconnectWhileIdleEmitsNothing();
    void destroyingJoinedReceiverLeavesGroup();

    void timeoutRepeatsAndRestartsOnData();
    void timeoutZeroDisablesTimer();

    void noWiredInterface_data();
    void noWiredInterface();
    void osSelectedInterfaceWhenNoWired();
    void firstListedWiredInterfaceWins();
    void bindFailure_data();
    void bindFailure();
    void joinFailsWithoutMulticastRoute();
    void activeInterfaceNotFound();

private:
    // Sends the payloads from host B (or the given peer host) and waits until
    // the peer has sent them all.
    static bool peerSends(const QString &group, quint16 port, const QList<QByteArray> &payloads,
                          quint16 sourcePort = 0, const QString &ns = shipHostB(),
                          const QString &localAddress = shipAddressB());
};

bool TestRecvutil::peerSends(const QString &group, quint16 port, const QList<QByteArray> &payloads,
                             quint16 sourcePort, const QString &ns, const QString &localAddress)
{
    McastPeer peer;
    if (!peer.startSender(ns, group, port, localAddress, payloads, sourcePort))
        return false;
    const bool ok = peer.waitFinished(10000);
    if (!ok)
        qWarning("peer failed: %s", qPrintable(peer.errorOutput()));
    return ok;
}

void TestRecvutil::initTestCase()
{
    const QString refusal = netnsRefusal();
    QVERIFY2(refusal.isEmpty(), qPrintable(refusal));
    QVERIFY2(QFileInfo(QStringLiteral(QCX_MCASTPEER)).isExecutable(), QCX_MCASTPEER);
    QVERIFY(!shipHostB().isEmpty());
}

void TestRecvutil::connectsAndDisconnectsOnWiredInterface()
{
    const QString group = QStringLiteral("239.192.0.1");
    WorkerWatch watch;
    Recvutil receiver;
    watch.follow(&receiver);
    QCOMPARE(watch.newEvents(), QStringList{infoLog(QStringLiteral("Recvutil initialized"))});

    receiver.recvSocketDetailsConnect(group, QStringLiteral("4401"));
    QCOMPARE(watch.newEvents(), wiredJoinEvents(QStringLiteral("eth0")));
    QVERIFY(hasMulticastMembership(shipHostA(), QStringLiteral("eth0"), group));

    receiver.recvReceiverDisconnect();
    QCOMPARE(watch.newEvents(), disconnectEvents());
    QVERIFY(!hasMulticastMembership(shipHostA(), QStringLiteral("eth0"), group));
}

void TestRecvutil::receivesDatagrams_data()
{
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<QString>("sentence");
    QTest::addColumn<int>("sourcePort");

    QTest::newRow("sentence with CR LF") << QByteArray("$GPZDA,173616.97,01,11,2025,0,0*68\r\n")
                                         << QStringLiteral("$GPZDA,173616.97,01,11,2025,0,0*68") << 40001;
    QTest::newRow("leading and trailing blanks") << QByteArray(" \t $HEHDT,274.07,T*03 \r\n")
                                                 << QStringLiteral("$HEHDT,274.07,T*03") << 40002;
    QTest::newRow("two sentences stay one string")
        << QByteArray("$GPHDT,1.0,T*00\r\n$GPROT,2.0,A*00\r\n")
        << QStringLiteral("$GPHDT,1.0,T*00\r\n$GPROT,2.0,A*00") << 40003;

    QByteArray highBytes("$X,");
    QString highChars = QStringLiteral("$X,");
    for (int byte = 0x80; byte <= 0xFF; ++byte) {
        highBytes.append(char(byte));
        highChars.append(QChar(byte));
    }
    highBytes.append("*00");
    highChars.append(QStringLiteral("*00"));
    QTest::newRow("bytes 0x80 to 0xFF as Latin-1") << highBytes << highChars << 40004;

    QTest::newRow("empty datagram") << QByteArray() << QString() << 40005;
    QTest::newRow("blank datagram") << QByteArray(" \r\n") << QString() << 40006;
    QTest::newRow("source port without leading zeros") << QByteArray("$P") << QStringLiteral("$P") << 999;
    QTest::newRow("largest datagram, 65507 bytes") << QByteArray(65507, 'A') << QString(65507, QLatin1Char('A'))
                                                   << 40007;
}

void TestRecvutil::receivesDatagrams()
{
    QFETCH(QByteArray, payload);
    QFETCH(QString, sentence);
    QFETCH(int, sourcePort);

    const QString group = QStringLiteral("239.192.0.2");
    const quint16 port = 4402;
    WorkerWatch watch;
    Recvutil receiver;
    watch.follow(&receiver);
    receiver.recvSocketDetailsConnect(group, QString::number(port));
    QVERIFY(watch.events().contains(dataEvent(QStringLiteral("Connected"))));
    watch.newEvents();

    QVERIFY(peerSends(group, port, {payload}, quint16(sourcePort)));
    const QString received =
        dataEvent(QStringLiteral("Connected"), sentence, shipAddressB(), QString::number(sourcePort));
    QVERIFY2(watch.waitFor(received, 5000), qPrintable(watch.events().join(QLatin1Char('\n')).left(2000)));
    QCOMPARE(watch.newEvents(),
             (QStringList{received, messageEvent(QStringLiteral("Receiving Multicast On eth0 Interface"))}));
}

void TestRecvutil::readsEveryPendingDatagramInOrder()
{
    const QString group = QStringLiteral("239.192.0.3");
    const quint16 port = 4403;
    WorkerWatch watch;
    Recvutil receiver;
    watch.follow(&receiver);
    receiver.recvSocketDetailsConnect(group, QString::number(port));
    watch.newEvents();

    QList<QByteArray> payloads;
    QStringList expected;
    for (int i = 1; i <= 5; ++i) {
        payloads << QByteArray("$GPTXT,0") + QByteArray::number(i) + "*00\r\n";
        expected << dataEvent(QStringLiteral("Connected"), QStringLiteral("$GPTXT,0%1*00").arg(i), shipAddressB(),
                              QStringLiteral("40010"))
                 << messageEvent(QStringLiteral("Receiving Multicast On eth0 Interface"));
    }
    QVERIFY(peerSends(group, port, payloads, 40010));
    QVERIFY(watch.waitFor(expected.at(8), 5000));
    QCOMPARE(watch.newEvents(), expected);
}

void TestRecvutil::keepsABurstThatComesWhileBusy()
{
    // While the program is busy (drawing, waiting for the disk) datagrams
    // wait in the socket: a second of 1,000 sentences a second is kept, four
    // times what a socket holds by default.
    QFile rmemMax(QStringLiteral("/proc/sys/net/core/rmem_max"));
    const qint64 systemCap = rmemMax.open(QIODevice::ReadOnly) ? rmemMax.readAll().trimmed().toLongLong() : 0;
    if (systemCap < 1024 * 1024)
        QSKIP(qPrintable(QStringLiteral("net.core.rmem_max caps receive buffers at %1 bytes").arg(systemCap)));

    const QString group = QStringLiteral("239.192.0.18");
    const quint16 port = 4418;
    Recvutil receiver;
    receiver.recvSocketDetailsConnect(group, QString::number(port));
    QSignalSpy data(&receiver, &Recvutil::sendMrNmeaData);

    QList<QByteArray> payloads;
    for (int i = 1; i <= 1000; ++i)
        payloads << QByteArray("$GPTXT,") + QByteArray::number(i).rightJustified(4, '0') + "*00\r\n";
    McastPeer peer;
    QVERIFY(peer.startSender(shipHostB(), group, port, shipAddressB(), payloads, 40018, 0, 1));
    // The stimulus: the receiver's thread handles no event while the peer sends.
    QThread::msleep(2500);
    QVERIFY2(peer.waitFinished(20000), qPrintable(peer.errorOutput()));

    QTRY_COMPARE_WITH_TIMEOUT(data.count(), payloads.size(), 10000);
    for (int i = 0; i < payloads.size(); ++i)
        QCOMPARE(data.at(i).at(1).toString(), QString::fromLatin1(payloads.at(i).trimmed()));
}

void TestRecvutil::keepsOutOtherGroupsOnTheSamePort()
{
    const QString groupOne = QStringLiteral("239.192.0.4");
    const QString groupTwo = QStringLiteral("239.192.0.5");
    const quint16 port = 4404;
    Recvutil one;
    Recvutil two;
    QSignalSpy dataOne(&one, &Recvutil::sendMrNmeaData);
    QSignalSpy dataTwo(&two, &Recvutil::sendMrNmeaData);
    one.recvSocketDetailsConnect(groupOne, QString::number(port));
    two.recvSocketDetailsConnect(groupTwo, QString::number(port));
    QCOMPARE(dataOne.takeFirst().at(0).toString(), QStringLiteral("Connected"));
    QCOMPARE(dataTwo.takeFirst().at(0).toString(), QStringLiteral("Connected"));

    QVERIFY(peerSends(groupTwo, port, {"$TWO*00"}));
    QVERIFY(peerSends(groupOne, port, {"$ONE*00"}));
    QVERIFY(dataOne.count() > 0 || dataOne.wait(5000));
    QVERIFY(dataTwo.count() > 0 || dataTwo.wait(5000));
    QVERIFY(!dataOne.wait(200));
    QCOMPARE(dataOne.count(), 1);
    QCOMPARE(dataOne.at(0).at(1).toString(), QStringLiteral("$ONE*00"));
    QCOMPARE(dataTwo.count(), 1);
    QCOMPARE(dataTwo.at(0).at(1).toString(), QStringLiteral("$TWO*00"));
}

void TestRecvutil::connectWhileJoinedStartsAfresh()
{
    const QString firstGroup = QStringLiteral("239.192.0.6");
    const QString secondGroup = QStringLiteral("239.192.0.7");
    const quint16 port = 4406;
    WorkerWatch watch;
    Recvutil receiver;
    watch.follow(&receiver);
    receiver.recvSocketDetailsConnect(firstGroup, QString::number(port));
    QVERIFY(hasMulticastMembership(shipHostA(), QStringLiteral("eth0"), firstGroup));
    watch.newEvents();

    receiver.recvSocketDetailsConnect(secondGroup, QString::number(port));
    const QStringList expected =
        QStringList{warningLog(QStringLiteral("Mr udpSocket already exist, stoping Mr udpSocket and exit"))}
        + disconnectEvents() + wiredJoinEvents(QStringLiteral("eth0"));
    QCOMPARE(watch.newEvents(), expected);
    QVERIFY(!hasMulticastMembership(shipHostA(), QStringLiteral("eth0"), firstGroup));
    QVERIFY(hasMulticastMembership(shipHostA(), QStringLiteral("eth0"), secondGroup));

    QVERIFY(peerSends(secondGroup, port, {"$AFTER*00"}, 40011));
    QVERIFY(watch.waitFor(dataEvent(QStringLiteral("Connected"), QStringLiteral("$AFTER*00"), shipAddressB(),
                                    QStringLiteral("40011")),
                          5000));
}

void TestRecvutil::disconnectWhileIdleEmitsNothing()
{
    WorkerWatch watch;
    Recvutil receiver;
    watch.follow(&receiver);
    watch.newEvents();

    receiver.recvReceiverDisconnect();
    QCOMPARE(watch.newEvents(), QStringList());

    receiver.recvSocketDetailsConnect(QStringLiteral("239.192.0.8"), QStringLiteral("4408"));
    receiver.recvReceiverDisconnect();
    watch.newEvents();
    receiver.recvReceiverDisconnect();
    QCOMPARE(watch.newEvents(), QStringList());
}

void TestRecvutil::destroyingJoinedReceiverLeavesGroup()
{
    const QString group = QStringLiteral("239.192.0.9");
    WorkerWatch watch;
    auto receiver = std::make_unique<Recvutil>();
    watch.follow(receiver.get());
    receiver->recvSocketDetailsConnect(group, QStringLiteral("4409"));
    QVERIFY(hasMulticastMembership(shipHostA(), QStringLiteral("eth0"), group));
    watch.newEvents();

    receiver.reset();
    QCOMPARE(watch.newEvents(), disconnectEvents());
    QVERIFY(!hasMulticastMembership(shipHostA(), QStringLiteral("eth0"), group));
}

void TestRecvutil::timeoutRepeatsAndRestartsOnData()
{
    const QString group = QStringLiteral("239.192.0.10");
    const quint16 port = 4410;
    WorkerWatch watch;
    Recvutil receiver;
    watch.follow(&receiver);
    watch.newEvents();
    receiver.recvMrRxTimeoutInterval(1);
    QCOMPARE(watch.newEvents(), QStringList());

    receiver.recvSocketDetailsConnect(group, QString::number(port));
    const qint64 joinedAt = watch.timesOf(dataEvent(QStringLiteral("Connected"))).value(0, -1);
    QVERIFY(joinedAt >= 0);
    watch.newEvents();

    // Two silent periods: the pair arrives after each.
    QVERIFY(watch.waitFor(timeoutMessage, 4000, 2));
    QCOMPARE(watch.newEvents(), (QStringList{timeoutStatus, timeoutMessage, timeoutStatus, timeoutMessage}));
    QList<qint64> pairs = watch.timesOf(timeoutStatus);
    QVERIFY2(pairs.at(0) - joinedAt >= 900 && pairs.at(0) - joinedAt <= 1600,
             qPrintable(QString::number(pairs.at(0) - joinedAt)));
    QVERIFY2(pairs.at(1) - pairs.at(0) >= 900 && pairs.at(1) - pairs.at(0) <= 1600,
             qPrintable(QString::number(pairs.at(1) - pairs.at(0))));

    // A datagram in the middle of the next period restarts it.
    McastPeer peer;
    QVERIFY(peer.startSender(shipHostB(), group, port, shipAddressB(), {"$MID*00"}, 40012, 500));
    const QString received =
        dataEvent(QStringLiteral("Connected"), QStringLiteral("$MID*00"), shipAddressB(), QStringLiteral("40012"));
    QVERIFY(watch.waitFor(received, 3000));
    QVERIFY(watch.waitFor(timeoutMessage, 3000, 3));
    QCOMPARE(watch.newEvents(),
             (QStringList{received, messageEvent(QStringLiteral("Receiving Multicast On eth0 Interface")),
                          timeoutStatus, timeoutMessage}));
    const qint64 receivedAt = watch.timesOf(received).value(0);
    pairs = watch.timesOf(timeoutStatus);
    QVERIFY2(pairs.at(2) - receivedAt >= 900, qPrintable(QString::number(pairs.at(2) - receivedAt)));
    QVERIFY2(pairs.at(2) - pairs.at(1) >= 1300, qPrintable(QString::number(pairs.at(2) - pairs.at(1))));
    QVERIFY(peer.waitFinished(1000));

    receiver.recvReceiverDisconnect();
    watch.newEvents();
    QVERIFY(!watch.waitForNext(timeoutMessage, 1500));
}

void TestRecvutil::timeoutZeroDisablesTimer()
{
    const QString group = QStringLiteral("239.192.0.11");
    const quint16 port = 4411;
    WorkerWatch watch;
    Recvutil receiver;
    watch.follow(&receiver);
    watch.newEvents();

    receiver.recvMrRxTimeoutInterval(0);
    QCOMPARE(watch.newEvents(), (QStringList{disabledMessage, disabledLog}));

    receiver.recvSocketDetailsConnect(group, QString::number(port));
    QStringList expected = wiredJoinEvents(QStringLiteral("eth0"));
    expected.insert(3, disabledMessage);
    expected.insert(4, disabledLog);
    QCOMPARE(watch.newEvents(), expected);

    QVERIFY(peerSends(group, port, {"$ZERO*00\r\n"}, 40013));
    const QString received =
        dataEvent(QStringLiteral("Connected"), QStringLiteral("$ZERO*00"), shipAddressB(), QStringLiteral("40013"));
    QVERIFY(watch.waitFor(received, 5000));
    QCOMPARE(watch.newEvents(), (QStringList{received, disabledMessage, disabledLog,
                                             messageEvent(QStringLiteral("Receiving Multicast On eth0 Interface"))}));
    QVERIFY(!watch.waitForNext(timeoutMessage, 1500));

    // Switched on while joined, the period starts at once; off again, it stops.
    receiver.recvMrRxTimeoutInterval(1);
    QVERIFY(watch.waitForNext(timeoutMessage, 2000));
    QCOMPARE(watch.newEvents(), (QStringList{timeoutStatus, timeoutMessage}));
    receiver.recvMrRxTimeoutInterval(0);
    QCOMPARE(watch.newEvents(), (QStringList{disabledMessage, disabledLog}));
    QVERIFY(!watch.waitForNext(timeoutMessage, 1500));
}

void TestRecvutil::noWiredInterface_data()
{
    QTest::addColumn<QList<NetnsLab::Iface>>("ifaces");

    QTest::newRow("only wlan0") << QList<NetnsLab::Iface>{
        {QStringLiteral("wlan0"), {QStringLiteral("198.51.100.1/24")}, true, QStringLiteral("198.51.100.2/24")}};
    QTest::newRow("eth0 down") << QList<NetnsLab::Iface>{
        {QStringLiteral("eth0"), {QStringLiteral("198.51.100.1/24")}, false, QStringLiteral("198.51.100.2/24")}};
    QTest::newRow("eth0 with IPv6 only") << QList<NetnsLab::Iface>{
        {QStringLiteral("eth0"), {QStringLiteral("2001:db8::1/64")}, true, QString()}};
}

void TestRecvutil::noWiredInterface()
{
    QFETCH(QList<NetnsLab::Iface>, ifaces);

    NetnsLab lab;
    const NetnsLab::Host host = lab.addShipHost(QStringLiteral("nowired"), ifaces, QString());
    QVERIFY2(host.isValid(), qPrintable(lab.error()));
    NetnsEnter inHost(host.ns);
    QVERIFY(inHost.entered());

    WorkerWatch watch;
    Recvutil receiver;
    watch.follow(&receiver);
    watch.newEvents();

    const QStringList refused =
        noWiredEvents()
        + QStringList{errorEvent(QStringLiteral("Wired Ethernet Interface Not Valid, Multicast Receiver Terminated")),
                      messageEvent(QStringLiteral("Wired Ethernet Interface Not Valid, Multicast Receiver Terminated")),
                      warningLog(QStringLiteral("Mr Wired ethernet interface not valid, multicast receiver terminated")),
                      dataEvent(QStringLiteral("Error"))};
    receiver.recvSocketDetailsConnect(QStringLiteral("239.192.0.12"), QStringLiteral("4412"));
    QCOMPARE(watch.newEvents(), refused);

    // The unbound socket is torn down by the next request.
    receiver.recvSocketDetailsConnect(QStringLiteral("239.192.0.12"), QStringLiteral("4412"));
    QCOMPARE(watch.newEvents(),
             QStringList{warningLog(QStringLiteral("Mr udpSocket already exist, stoping Mr udpSocket and exit"))}
                 + disconnectEvents() + refused);
    receiver.recvReceiverDisconnect();
    QCOMPARE(watch.newEvents(), disconnectEvents());
}

void TestRecvutil::osSelectedInterfaceWhenNoWired()
{
    const QString group = QStringLiteral("239.192.0.13");
    const quint16 port = 4413;
    NetnsLab lab;
    const NetnsLab::Host host = lab.addShipHost(
        QStringLiteral("wlan"),
        {{QStringLiteral("wlan0"), {QStringLiteral("198.51.100.1/24")}, true, QStringLiteral("198.51.100.2/24")}},
        QStringLiteral("wlan0"));
    QVERIFY2(host.isValid(), qPrintable(lab.error()));
    NetnsEnter inHost(host.ns);
    QVERIFY(inHost.entered());

    WorkerWatch watch;
    Recvutil receiver;
    watch.follow(&receiver);
    receiver.recvMrOsSelectInterfaceStatus(true);
    watch.newEvents();

    receiver.recvSocketDetailsConnect(group, QString::number(port));
    const QStringList expected =
        noWiredEvents()
        + QStringList{infoLog(QStringLiteral("Mr Socket bind succeeded on OS selected interface")),
                      infoLog(QStringLiteral("Mr isConnected =  true")), dataEvent(QStringLiteral("Connected")),
                      messageEvent(QStringLiteral("Receiving Multicast On wlan0 Interface"))};
    QCOMPARE(watch.newEvents(), expected);
    QVERIFY(hasMulticastMembership(host.ns, QStringLiteral("wlan0"), group));

    QVERIFY(peerSends(group, port, {"$OS*00"}, 40014, host.peers.at(0), QStringLiteral("198.51.100.2")));
    QVERIFY(watch.waitFor(
        dataEvent(QStringLiteral("Connected"), QStringLiteral("$OS*00"), QStringLiteral("198.51.100.2"),
                  QStringLiteral("40014")),
        5000));

    receiver.recvReceiverDisconnect();
    QVERIFY(!hasMulticastMembership(host.ns, QStringLiteral("wlan0"), group));
}

void TestRecvutil::firstListedWiredInterfaceWins()
{
    const QString group = QStringLiteral("239.192.0.14");
    const quint16 port = 4414;
    NetnsLab lab;
    // The multicast route points at eth1, so only the join on eth0 can bring
    // eth0's datagrams in.
    const NetnsLab::Host host = lab.addShipHost(
        QStringLiteral("twowired"),
        {{QStringLiteral("eth0"), {QStringLiteral("198.51.100.1/25"), QStringLiteral("198.51.100.5/25")}, true,
          QStringLiteral("198.51.100.2/25")},
         {QStringLiteral("eth1"), {QStringLiteral("198.51.100.129/25")}, true, QStringLiteral("198.51.100.130/25")}},
        QStringLiteral("eth1"));
    QVERIFY2(host.isValid(), qPrintable(lab.error()));
    NetnsEnter inHost(host.ns);
    QVERIFY(inHost.entered());

    WorkerWatch watch;
    Recvutil receiver;
    watch.follow(&receiver);
    watch.newEvents();

    receiver.recvSocketDetailsConnect(group, QString::number(port));
    QCOMPARE(watch.newEvents(), wiredJoinEvents(QStringLiteral("eth0")));
    QVERIFY(hasMulticastMembership(host.ns, QStringLiteral("eth0"), group));
    QVERIFY(!hasMulticastMembership(host.ns, QStringLiteral("eth1"), group));

    QVERIFY(peerSends(group, port, {"$ETH1*00"}, 40015, host.peers.at(1), QStringLiteral("198.51.100.130")));
    QVERIFY(peerSends(group, port, {"$ETH0*00"}, 40016, host.peers.at(0), QStringLiteral("198.51.100.2")));
    const QString fromEth0 = dataEvent(QStringLiteral("Connected"), QStringLiteral("$ETH0*00"),
                                       QStringLiteral("198.51.100.2"), QStringLiteral("40016"));
    QVERIFY(watch.waitFor(fromEth0, 5000));
    QCOMPARE(watch.newEvents(),
             (QStringList{fromEth0, messageEvent(QStringLiteral("Receiving Multicast On eth0 Interface"))}));
}

void TestRecvutil::bindFailure_data()
{
    QTest::addColumn<bool>("osSelected");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("wired interface")
        << false
        << QStringList{messageEvent(QStringLiteral("Wired Ethernet Interface is Connected, Receiving From Wired Ethernet Interface")),
                       infoLog(QStringLiteral("Mr Wired ethernet interface is valid"))}
               + disconnectEvents()
               + QStringList{dataEvent(QStringLiteral("Error"), QStringLiteral("Multicast Connection Aborted")),
                             errorEvent(QStringLiteral("Failed To Start Multicast Receiver")),
                             messageEvent(QStringLiteral("Failed To Start Multicast Receiver")),
                             warningLog(QStringLiteral("Mr Failed to bind multicast receiver socket on wired ethernet interface"))};
    QTest::newRow("OS selected interface")
        << true
        << noWiredEvents()
               + QStringList{dataEvent(QStringLiteral("Error"), QStringLiteral("Multicast Connection Aborted")),
                             errorEvent(QStringLiteral("Multicast Receiver Socket Bind Failed On OS Selected Interface")),
                             messageEvent(QStringLiteral("Multicast Receiver Socket Bind Failed On OS Selected Interface")),
                             warningLog(QStringLiteral("Mr socket bind failed on OS selected interface"))}
               + disconnectEvents();
}

void TestRecvutil::bindFailure()
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
    QVERIFY(holder.bind(QHostAddress::AnyIPv4, 4415, QAbstractSocket::DontShareAddress));

    WorkerWatch watch;
    Recvutil receiver;
    watch.follow(&receiver);
    receiver.recvMrOsSelectInterfaceStatus(osSelected);
    watch.newEvents();

    receiver.recvSocketDetailsConnect(QStringLiteral("239.192.0.15"), QStringLiteral("4415"));
    QCOMPARE(watch.newEvents(), expected);
    receiver.recvReceiverDisconnect();
    QCOMPARE(watch.newEvents(), QStringList());
}

void TestRecvutil::joinFailsWithoutMulticastRoute()
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
    Recvutil receiver;
    watch.follow(&receiver);
    receiver.recvMrOsSelectInterfaceStatus(true);
    watch.newEvents();

    receiver.recvSocketDetailsConnect(QStringLiteral("239.192.0.16"), QStringLiteral("4416"));
    const QStringList expected =
        noWiredEvents()
        + QStringList{infoLog(QStringLiteral("Mr Socket bind succeeded on OS selected interface")),
                      dataEvent(QStringLiteral("Disconnected")), errorEvent(QStringLiteral("Failed To Join Multicast Group")),
                      messageEvent(QStringLiteral("Failed To Join Multicast Group")),
                      warningLog(QStringLiteral("Failed to join multicast group"))}
        + disconnectEvents();
    QCOMPARE(watch.newEvents(), expected);
    QVERIFY(!hasMulticastMembership(host.ns, QStringLiteral("wlan0"), QStringLiteral("239.192.0.16")));
}

void TestRecvutil::activeInterfaceNotFound()
{
    const QString group = QStringLiteral("239.192.0.17");
    const quint16 port = 4417;
    // lo carries the multicast route but is not multicast-capable, so the join
    // works while no interface qualifies as the active one.
    NetnsLab lab;
    const NetnsLab::Host host = lab.addShipHost(QStringLiteral("loonly"), {}, QStringLiteral("lo"));
    QVERIFY2(host.isValid(), qPrintable(lab.error()));
    NetnsEnter inHost(host.ns);
    QVERIFY(inHost.entered());

    WorkerWatch watch;
    Recvutil receiver;
    watch.follow(&receiver);
    receiver.recvMrOsSelectInterfaceStatus(true);
    watch.newEvents();

    receiver.recvSocketDetailsConnect(group, QString::number(port));
    const QStringList expected =
        noWiredEvents()
        + QStringList{infoLog(QStringLiteral("Mr Socket bind succeeded on OS selected interface")),
                      infoLog(QStringLiteral("Mr isConnected =  true")), dataEvent(QStringLiteral("Connected")),
                      messageEvent(QStringLiteral("Active Interface Is Not Valid")),
                      errorEvent(QStringLiteral("Active Interface Is Not Valid")),
                      warningLog(QStringLiteral("Active interface is not valid"))};
    QCOMPARE(watch.newEvents(), expected);

    // Still joined, it receives all the same.
    QVERIFY(peerSends(group, port, {"$LO*00"}, 40017, host.ns, QStringLiteral("127.0.0.1")));
    const QString received = dataEvent(QStringLiteral("Connected"), QStringLiteral("$LO*00"),
                                       QStringLiteral("127.0.0.1"), QStringLiteral("40017"));
    QVERIFY(watch.waitFor(received, 5000));
    QCOMPARE(watch.newEvents(),
             (QStringList{received, messageEvent(QStringLiteral("Receiving Multicast On  Interface"))}));
    QVERIFY(hasMulticastMembership(host.ns, QStringLiteral("lo"), group));
    receiver.recvReceiverDisconnect();
    QVERIFY(!hasMulticastMembership(host.ns, QStringLiteral("lo"), group));
}

QTEST_GUILESS_MAIN(TestRecvutil)
#include "tst_recvutil.moc"
