#include "ifaceselect.h"

#include <QtTest>

using IfaceSelect::IfaceDescription;
using IfaceList = QList<IfaceDescription>;

namespace {

enum Flag { Up = 1, Running = 2, Multicast = 4, LoopBack = 8, Usable = Up | Running | Multicast };

IfaceDescription iface(const QString &name, int flags, const QStringList &addresses, int index = 0)
{
    IfaceDescription description;
    description.index = index;
    description.name = name;
    description.isUp = flags & Up;
    description.isRunning = flags & Running;
    description.canMulticast = flags & Multicast;
    description.isLoopBack = flags & LoopBack;
    for (const QString &address : addresses)
        description.addresses << QHostAddress(address);
    return description;
}

} // namespace

class TestIfaceSelect : public QObject
{
    Q_OBJECT

private slots:
    void wiredSearch_data();
    void wiredSearch();
    void activeInterface_data();
    void activeInterface();
    void firstIPv4Address_data();
    void firstIPv4Address();
    void placement_data();
    void placement();
    void describesQtInterfaces();
};

void TestIfaceSelect::wiredSearch_data()
{
    QTest::addColumn<IfaceList>("ifaces");
    QTest::addColumn<int>("position");
    QTest::addColumn<QString>("address");

    const IfaceDescription lo = iface("lo", Usable | LoopBack, {"127.0.0.1"});

    QTest::newRow("eth0") << IfaceList{lo, iface("eth0", Usable, {"198.51.100.1"})} << 1 << "198.51.100.1";
    QTest::newRow("Ethernet 2") << IfaceList{iface("Ethernet 2", Usable, {"198.51.100.7"})} << 0 << "198.51.100.7";
    QTest::newRow("enp3s0") << IfaceList{iface("enp3s0", Usable, {"198.51.100.3"})} << 0 << "198.51.100.3";
    QTest::newRow("en anywhere: Open Tunnel 1")
        << IfaceList{iface("Open Tunnel 1", Usable, {"198.51.100.4"})} << 0 << "198.51.100.4";
    QTest::newRow("upper case ETHERNET") << IfaceList{iface("ETHERNET", Usable, {"198.51.100.5"})} << 0
                                         << "198.51.100.5";
    QTest::newRow("Wi-Fi never") << IfaceList{iface("Wi-Fi", Usable, {"198.51.100.6"})} << -1 << "";
    QTest::newRow("wlan0 never") << IfaceList{iface("wlan0", Usable, {"198.51.100.6"})} << -1 << "";
    QTest::newRow("loopback with a wired name")
        << IfaceList{iface("eth-loop", Usable | LoopBack, {"127.0.0.1"})} << -1 << "";
    QTest::newRow("down") << IfaceList{iface("eth0", Running | Multicast, {"198.51.100.1"})} << -1 << "";
    QTest::newRow("not running") << IfaceList{iface("eth0", Up | Multicast, {"198.51.100.1"})} << -1 << "";
    QTest::newRow("no multicast") << IfaceList{iface("eth0", Up | Running, {"198.51.100.1"})} << -1 << "";
    QTest::newRow("no address") << IfaceList{iface("eth0", Usable, {})} << -1 << "";
    QTest::newRow("IPv6 only is passed over, the next one taken")
        << IfaceList{iface("eth0", Usable, {"2001:db8::1", "fe80::1"}), iface("enp1s0", Usable, {"198.51.100.9"})}
        << 1 << "198.51.100.9";
    QTest::newRow("first listed wins")
        << IfaceList{iface("eth1", Usable, {"198.51.100.129"}), iface("eth0", Usable, {"198.51.100.1"})} << 0
        << "198.51.100.129";
    QTest::newRow("first IPv4 of several, after an IPv6 entry")
        << IfaceList{iface("eth0", Usable, {"fe80::1", "198.51.100.1", "198.51.100.5"})} << 0 << "198.51.100.1";
    QTest::newRow("unusable wired before usable Wi-Fi and wired")
        << IfaceList{iface("eth0", Up | Multicast, {"198.51.100.1"}), iface("Wi-Fi", Usable, {"198.51.100.2"}),
                     iface("Ethernet", Usable, {"198.51.100.3"})}
        << 2 << "198.51.100.3";
    QTest::newRow("empty list") << IfaceList{} << -1 << "";
}

void TestIfaceSelect::wiredSearch()
{
    QFETCH(IfaceList, ifaces);
    QFETCH(int, position);
    QFETCH(QString, address);

    const IfaceSelect::WiredChoice choice = IfaceSelect::findWiredInterface(ifaces);
    QCOMPARE(choice.position, position);
    QCOMPARE(choice.found(), position >= 0);
    QCOMPARE(choice.address, address.isEmpty() ? QHostAddress() : QHostAddress(address));
}

void TestIfaceSelect::activeInterface_data()
{
    QTest::addColumn<IfaceList>("ifaces");
    QTest::addColumn<QHostAddress>("localAddress");
    QTest::addColumn<int>("joinedIndex");
    QTest::addColumn<int>("position");

    const IfaceList hosts{iface("lo", Up | Running | LoopBack, {"127.0.0.1"}, 1),
                          iface("Wi-Fi", Usable, {"198.51.100.20"}, 2),
                          iface("eth0", Usable, {"fe80::1", "198.51.100.1", "198.51.100.5"}, 3)};

    QTest::newRow("AnyIPv4: first usable with IPv4, name not examined")
        << hosts << QHostAddress(QHostAddress::AnyIPv4) << 0 << 1;
    QTest::newRow("Any: the same rule") << hosts << QHostAddress(QHostAddress::Any) << 0 << 1;
    QTest::newRow("AnyIPv4: a multicast loopback can be the one")
        << IfaceList{iface("lo", Usable | LoopBack, {"127.0.0.1"}), iface("eth0", Usable, {"198.51.100.1"})}
        << QHostAddress(QHostAddress::AnyIPv4) << 0 << 0;
    QTest::newRow("AnyIPv4: IPv6-only and down ones are passed over")
        << IfaceList{iface("eth0", Usable, {"2001:db8::1"}), iface("eth1", Running | Multicast, {"198.51.100.1"}),
                     iface("eth2", Usable, {"198.51.100.2"})}
        << QHostAddress(QHostAddress::AnyIPv4) << 0 << 2;
    QTest::newRow("AnyIPv4: none usable") << IfaceList{iface("eth0", Up | Running, {"198.51.100.1"})}
                                          << QHostAddress(QHostAddress::AnyIPv4) << 0 << -1;
    QTest::newRow("unicast: the interface holding it") << hosts << QHostAddress("198.51.100.5") << 0 << 2;
    QTest::newRow("unicast: an address nobody holds") << hosts << QHostAddress("198.51.100.99") << 0 << -1;
    QTest::newRow("group: the interface joined on") << hosts << QHostAddress("239.192.0.1") << 3 << 2;
    QTest::newRow("group: joined without an interface") << hosts << QHostAddress("239.192.0.1") << 0 << -1;
    QTest::newRow("group: joined interface gone") << hosts << QHostAddress("239.192.0.1") << 9 << -1;
}

void TestIfaceSelect::activeInterface()
{
    QFETCH(IfaceList, ifaces);
    QFETCH(QHostAddress, localAddress);
    QFETCH(int, joinedIndex);
    QFETCH(int, position);

    QCOMPARE(IfaceSelect::findActiveInterface(ifaces, localAddress, joinedIndex), position);
}

void TestIfaceSelect::firstIPv4Address_data()
{
    QTest::addColumn<IfaceDescription>("description");
    QTest::addColumn<QHostAddress>("address");

    QTest::newRow("first of two") << iface("eth0", Usable, {"198.51.100.1", "198.51.100.5"})
                                  << QHostAddress("198.51.100.1");
    QTest::newRow("after IPv6 entries") << iface("eth0", Usable, {"2001:db8::1", "fe80::1", "198.51.100.5"})
                                        << QHostAddress("198.51.100.5");
    QTest::newRow("IPv6 only") << iface("eth0", Usable, {"2001:db8::1"}) << QHostAddress();
    QTest::newRow("invalid interface") << IfaceDescription() << QHostAddress();
}

void TestIfaceSelect::firstIPv4Address()
{
    QFETCH(IfaceDescription, description);
    QFETCH(QHostAddress, address);

    QCOMPARE(IfaceSelect::firstIPv4Address(description), address);
}

void TestIfaceSelect::placement_data()
{
    QTest::addColumn<bool>("wiredFound");
    QTest::addColumn<bool>("osSelectAllowed");
    QTest::addColumn<int>("placement");

    QTest::newRow("wired, option off") << true << false << int(IfaceSelect::Placement::WiredInterface);
    QTest::newRow("wired, option on") << true << true << int(IfaceSelect::Placement::WiredInterface);
    QTest::newRow("no wired, option on") << false << true << int(IfaceSelect::Placement::OsSelected);
    QTest::newRow("no wired, option off") << false << false << int(IfaceSelect::Placement::NotPlaced);
}

void TestIfaceSelect::placement()
{
    QFETCH(bool, wiredFound);
    QFETCH(bool, osSelectAllowed);
    QFETCH(int, placement);

    QCOMPARE(int(IfaceSelect::choosePlacement(wiredFound, osSelectAllowed)), placement);
}

void TestIfaceSelect::describesQtInterfaces()
{
    const IfaceDescription invalid = IfaceSelect::describeInterface(QNetworkInterface());
    QVERIFY(invalid.name.isEmpty());
    QVERIFY(invalid.addresses.isEmpty());
    QCOMPARE(invalid.index, 0);

    // Reads the interface list only; no socket is opened.
    const QNetworkInterface loopBack = QNetworkInterface::interfaceFromName(QStringLiteral("lo"));
    if (!loopBack.isValid())
        QSKIP("this platform has no interface named lo");
    const IfaceDescription lo = IfaceSelect::describeInterface(loopBack);
    QCOMPARE(lo.name, QStringLiteral("lo"));
    QCOMPARE(lo.index, loopBack.index());
    QVERIFY(lo.index > 0);
    QVERIFY(lo.isLoopBack);
    QCOMPARE(lo.isUp, loopBack.flags().testFlag(QNetworkInterface::IsUp));
    QCOMPARE(lo.addresses.size(), loopBack.addressEntries().size());
    for (int i = 0; i < lo.addresses.size(); ++i)
        QCOMPARE(lo.addresses.at(i), loopBack.addressEntries().at(i).ip());
    QCOMPARE(IfaceSelect::describeInterfaces({loopBack, QNetworkInterface()}).size(), 2);
}

QTEST_GUILESS_MAIN(TestIfaceSelect)
#include "tst_ifaceselect.moc"
