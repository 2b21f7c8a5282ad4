#include <QDir>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkDatagram>
#include <QProcess>
#include <QRegularExpression>
#include <QtEndian>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QUdpSocket>

#include "controlutil.h"
#include "iec450.h"
#include "netlab.h"
#include "scanmodel.h"
#include "viewutil.h"

// The receiver and the sender as the window drives them, through the view
// model and the controller, on small networks of namespaces this test builds:
// the program's host H and, behind each of H's interfaces, a peer P0, P1...

namespace {

const QString kGroup = QStringLiteral("239.192.0.1");
const quint16 kPort = 4410;

// A socket of a peer, made inside it; it joins the group when asked to listen.
std::unique_ptr<QUdpSocket> peerSocket(const QString &ns, bool listen, const QString &group = kGroup)
{
    Inside inside(ns);
    auto socket = std::make_unique<QUdpSocket>();
    const bool bound = listen ? socket->bind(QHostAddress::AnyIPv4, kPort, QUdpSocket::ShareAddress | QUdpSocket::ReuseAddressHint)
                                    && socket->joinMulticastGroup(QHostAddress(group))
                              : socket->bind(QHostAddress::AnyIPv4, 0);
    socket->setSocketOption(QAbstractSocket::MulticastLoopbackOption, 0);
    return inside.ok() && bound ? std::move(socket) : nullptr;
}

QList<QNetworkDatagram> drain(QUdpSocket *socket)
{
    QList<QNetworkDatagram> got;
    while (socket->hasPendingDatagrams())
        got << socket->receiveDatagram();
    return got;
}

bool portFree()
{
    QUdpSocket probe;
    return probe.bind(QHostAddress::AnyIPv4, kPort, QUdpSocket::DontShareAddress);
}

// The program's objects as main() makes them, with files in a temporary folder.
struct Program
{
    QTemporaryDir dir;
    QStringList mrRows, mrSources, msRows, mrInfos, msInfos;
    Viewutil view;
    std::unique_ptr<Controlutil> control{new Controlutil(
        &view, {dir.filePath(QStringLiteral("settings")), dir.filePath(QStringLiteral("capture")),
                dir.filePath(QStringLiteral("fallback"))})};

    Program()
    {
        QObject::connect(&view, &Viewutil::sendMrNmeaSentenceChanged, [this] { mrRows << view.mrNmeaSentence(); });
        QObject::connect(&view, &Viewutil::sendMrInfoSrcIpAddressChanged,
                         [this] { mrSources << view.mrNmeaSentence() + QLatin1Char('@') + view.mrInfoSrcIpAddress(); });
        QObject::connect(&view, &Viewutil::sendMsNmeaSentenceChanged, [this] { msRows << view.msNmeaSentence(); });
        QObject::connect(&view, &Viewutil::sendMrInfoMessageChanged, [this] { mrInfos << view.mrInfoMessage(); });
        QObject::connect(&view, &Viewutil::sendMsInfoMessageChanged, [this] { msInfos << view.msInfoMessage(); });
    }
    void connectReceiver(bool osChoice, int rxTimeout = 3)
    {
        view.setMrAllowOsChooseIfaceStatus(osChoice);
        view.setMrRxTimeout(rxTimeout);
        view.setMrGrpIpAddress(kGroup);
        view.setMrGrpPortNumber(QString::number(kPort));
        view.setMrConnectionToggle(QStringLiteral("connect"));
    }
    void startSender(bool osChoice, const QStringList &sentences)
    {
        view.setMsAllowOsChooseIfaceStatus(osChoice);
        view.setMsTxInterval(1);
        view.setMsNmeaSentencesList(sentences);
        view.setMsGrpIpAddress(kGroup);
        view.setMsGrpPortNumber(QString::number(kPort));
        view.setMsConnectionToggle(QStringLiteral("start"));
    }
};

} // namespace

class TestNetwork : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void topology_data();
    void topology();
    void receiving();
    void transmitting();
    void iec450BetweenHosts();
    void replaying();
    void scanning();
};

void TestNetwork::initTestCase()
{
    if (::geteuid() != 0)
        QSKIP("building test networks needs root; scripts/test.sh runs this as root");
    QVERIFY2(!inInitialNetns(),
             "refusing to run in the machine's own network namespace: run it inside `unshare -n` (scripts/test.sh)");
}

void TestNetwork::topology_data()
{
    QTest::addColumn<QString>("interfaces");
    QTest::addColumn<QString>("route");
    QTest::addColumn<bool>("osChoice");
    QTest::addColumn<int>("reached");
    QTest::addColumn<QString>("mrInfo");
    QTest::addColumn<QString>("msInfo");
    const QString wired = QStringLiteral("eth0 198.51.100.1/26 198.51.100.2");
    const QString wlan = QStringLiteral("wlan0 198.51.100.1/26 198.51.100.2");
    QTest::newRow("wired only") << wired << "eth0" << false << 0 << "Receiving Multicast On eth0 Interface"
                                << "Multicast Transmission in Progress On eth0 Interface";
    QTest::newRow("wired, no multicast route") << wired << "" << false << 0 << "Receiving Multicast On eth0 Interface"
                                               << "Multicast Transmission in Progress On eth0 Interface";
    QTest::newRow("wireless only, system may not choose")
        << wlan << "wlan0" << false << -1 << "Wired Ethernet Interface Not Valid, Multicast Receiver Terminated"
        << "Ethernet Interface Not Valid, Multicast Sender Terminated";
    QTest::newRow("wireless only, system chooses") << wlan << "wlan0" << true << 0
                                                   << "Receiving Multicast On wlan0 Interface"
                                                   << "Multicast Transmission in Progress On wlan0 Interface";
    // The route points at the wireless side: the wired one must be chosen all the same.
    QTest::newRow("two interfaces") << wlan + QStringLiteral(";eth1 198.51.100.65/26 198.51.100.66") << "wlan0"
                                    << true << 1 << "Receiving Multicast On eth1 Interface"
                                    << "Multicast Transmission in Progress On eth1 Interface";
    QTest::newRow("port held") << wired << "eth0" << true << -1 << "Failed To Start Multicast Receiver"
                               << "Multicast Sender Socket Bind Failed On Wired Ethernet Interface";
}

void TestNetwork::topology()
{
    QFETCH(QString, interfaces);
    QFETCH(QString, route);
    QFETCH(bool, osChoice);
    QFETCH(int, reached);
    QFETCH(QString, mrInfo);
    QFETCH(QString, msInfo);
    Lab lab(interfaces, route);
    QVERIFY2(lab.ok(), qPrintable(lab.error()));
    std::vector<std::unique_ptr<QUdpSocket>> senders, listeners;
    for (int i = 0; i < lab.peers(); ++i) {
        senders.push_back(peerSocket(Lab::peer(i), false));
        listeners.push_back(peerSocket(Lab::peer(i), true));
        QVERIFY(senders.back() && listeners.back());
    }
    Inside inH(Lab::host());
    QVERIFY(inH.ok());
    QUdpSocket holder;
    if (QByteArray(QTest::currentDataTag()) == "port held")
        QVERIFY(holder.bind(QHostAddress::AnyIPv4, kPort, QUdpSocket::DontShareAddress));

    Program program;
    program.connectReceiver(osChoice);
    program.startSender(osChoice, {QStringLiteral("$QCTX,1*00")});
    QTRY_VERIFY2(program.mrInfos.contains(mrInfo), qPrintable(program.mrInfos.join(QLatin1Char('|'))));
    QTRY_VERIFY2(!program.msInfos.filter(msInfo).isEmpty(), qPrintable(program.msInfos.join(QLatin1Char('|'))));
    QCOMPARE(program.view.mrConnectionStatus(), QLatin1String(reached >= 0 ? "Connected" : "Error"));
    QCOMPARE(program.view.msConnectionStatus(), QLatin1String(reached >= 0 ? "Started" : "Error"));

    for (size_t i = 0; i < senders.size(); ++i)
        senders[i]->writeDatagram(QStringLiteral("$QCPEER,%1*00").arg(i).toLatin1(), QHostAddress(kGroup), kPort);
    QTest::qWait(400);
    for (int i = 0; i < lab.peers(); ++i) {
        const QString row = QStringLiteral("$QCPEER,%1*00").arg(i);
        QCOMPARE(program.mrSources.contains(row + QLatin1Char('@') + lab.peerAddress(i)), i == reached);
        const QList<QNetworkDatagram> got = drain(listeners[i].get());
        QCOMPARE(!got.isEmpty(), i == reached);
        for (const QNetworkDatagram &d : got) {
            QCOMPARE(d.data(), QByteArray("$QCTX,1*00"));
            QCOMPARE(d.senderAddress().toString(), lab.hostAddress(i));
        }
    }
}

void TestNetwork::receiving()
{
    Lab lab(QStringLiteral("eth0 198.51.100.1/26 198.51.100.2"), QStringLiteral("eth0"));
    QVERIFY2(lab.ok(), qPrintable(lab.error()));
    auto peer = peerSocket(Lab::peer(0), false);
    QVERIFY(peer);
    Inside inH(Lab::host());
    // Another program on H takes a second group on the same port.
    auto other = peerSocket(Lab::host(), true, QStringLiteral("239.192.0.2"));
    QVERIFY(other);

    Program program;
    QElapsedTimer clock;
    clock.start();
    program.connectReceiver(false, 1);
    QTRY_COMPARE(program.view.mrConnectionStatus(), QStringLiteral("Connected"));
    QVERIFY(joined(kGroup));
    const QString timedOut = QStringLiteral("No NMEA Data Received From Multicast Source");
    QTRY_VERIFY_WITH_TIMEOUT(program.mrRows.contains(timedOut), 1600);
    QVERIFY2(clock.elapsed() >= 950, qPrintable(QString::number(clock.elapsed())));

    // Data keeps the time-out away; each datagram is read exactly, once, and
    // recorded.
    program.mrRows.clear();
    program.view.setMrSaveNmeaToFileToggle(true);
    const QList<QByteArray> payloads{QByteArray(65507, 'A'), "$QCSHORT*00\r\n", "$QC,\xb0\xe9*00", " $QC,2*00 "};
    peer->writeDatagram("$QCOTHER*00", QHostAddress(QStringLiteral("239.192.0.2")), kPort);
    for (int round = 0; round < 4; ++round) {
        peer->writeDatagram(payloads.at(round), QHostAddress(kGroup), kPort);
        QTest::qWait(500);
    }
    QCOMPARE(program.mrRows,
             QStringList({QString(65507, QLatin1Char('A')), QStringLiteral("$QCSHORT*00"),
                          QString::fromUtf8("$QC,°é*00"), QStringLiteral("$QC,2*00")}));
    // A burst is read several datagrams at a time, also when a read's time
    // runs out in the middle of it: each once, in order.
    const auto slow = QObject::connect(program.control->findChild<Recvutil *>(), &Recvutil::sendMrDatagram,
                                       [] { QThread::msleep(1); });
    QStringList burst;
    for (int n = 1; n <= 40; ++n) {
        burst << QStringLiteral("$QCB,%1*00").arg(n);
        peer->writeDatagram(burst.last().toLatin1(), QHostAddress(kGroup), kPort);
    }
    QTRY_COMPARE(program.mrRows.mid(4), burst);
    QObject::disconnect(slow);
    QCOMPARE(program.mrSources.last(), QStringLiteral("$QCB,40*00@198.51.100.2"));
    QFile capture(program.dir.filePath(QStringLiteral("capture/"))
                  + QDir(program.dir.filePath(QStringLiteral("capture"))).entryList(QDir::Files).value(0));
    QVERIFY(capture.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(capture.readAll()), (program.mrRows + QStringList{QString()}).join(QLatin1Char('\n')));
    // It reached H: the receiver kept it out.
    QVERIFY(drain(other.get()).first().data() == "$QCOTHER*00");

    // Disconnect leaves the group and frees the port; so does closing the program.
    program.view.setMrConnectionToggle(QStringLiteral("disconnect"));
    QCOMPARE(program.view.mrConnectionStatus(), QStringLiteral("Disconnected"));
    QVERIFY(!joined(kGroup));
    other.reset();
    QVERIFY(portFree());
    // Without a time-out data does not repeat that it is off.
    program.connectReceiver(false, 0);
    QTRY_VERIFY(joined(kGroup));
    QVERIFY(!portFree());
    for (int i = 0; i < 3; ++i)
        peer->writeDatagram("$QC,0*00", QHostAddress(kGroup), kPort);
    QTRY_COMPARE(program.mrRows.count(QStringLiteral("$QC,0*00")), 3);
    QCOMPARE(program.mrInfos.count(QStringLiteral("Multicast Receiver Timeout Timer is Disabled")), 2);
    program.control.reset();
    QVERIFY(!joined(kGroup));
    QVERIFY(portFree());
}

void TestNetwork::transmitting()
{
    Lab lab(QStringLiteral("eth0 198.51.100.1/26 198.51.100.2"), QStringLiteral("eth0"));
    QVERIFY2(lab.ok(), qPrintable(lab.error()));
    auto listener = peerSocket(Lab::peer(0), true);
    QVERIFY(listener);
    Inside inH(Lab::host());

    Program program;
    // A sentence too long for a datagram fails and is not counted.
    const QString latin1 = QString::fromUtf8("$QCTX,°*00");
    program.startSender(false, {latin1, QString(70000, QLatin1Char('X'))});
    QTRY_VERIFY(program.view.msTotalSentencesSent().toInt() >= 3);
    QCOMPARE(program.view.msTotalBytesSent().toInt(), program.view.msTotalSentencesSent().toInt() * 10);
    QVERIFY(program.msRows.contains(QString(70000, QLatin1Char('X'))));
    QTest::qWait(50);
    const QList<QNetworkDatagram> got = drain(listener.get());
    QVERIFY(got.size() >= 3);
    for (const QNetworkDatagram &d : got)
        QCOMPARE(d.data(), QByteArray("$QCTX,\xb0*00"));
    QCOMPARE(got.first().senderAddress(), QHostAddress(QStringLiteral("198.51.100.1")));
    QCOMPARE(got.first().senderPort(), int(kPort));

    // An empty list keeps the group but sends nothing.
    program.view.setMsNmeaSentencesList({});
    QTRY_VERIFY(program.msRows.contains(QStringLiteral("No NMEA Data To Send ...")));
    QCOMPARE(program.view.msInfoMessage(), QStringLiteral("Multicast Group Active but Transmission Suspended"));
    QTest::qWait(150);
    drain(listener.get());
    QTest::qWait(250);
    QVERIFY(drain(listener.get()).isEmpty());
    // A replay is transmission: said at once, and so while it runs.
    QFile file(program.dir.filePath(QStringLiteral("plain.txt")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("25.11.01:17.37.49: $QCA,1*4E\n25.11.01:17.37.50: $QCB,2*4E\n");
    file.close();
    const qsizetype rows = program.msRows.size();
    QStringList statuses;
    const auto watch = connect(&program.view, &Viewutil::sendMsConnectionStatusChanged, this,
                               [&] { statuses << program.view.msConnectionStatus(); });
    // A path pasted from a terminal, quotes and all.
    program.view.setMsReplayFilePath(QStringLiteral(" '%1'").arg(file.fileName()));
    QCOMPARE(program.view.msConnectionStatus(), QStringLiteral("Started"));
    QTRY_VERIFY(!program.view.msReplayActive());
    disconnect(watch);
    // Nothing between the replay's start and its last sentence; the ticks say
    // "No NMEA Data To Send ..." again once it has ended.
    QCOMPARE(program.msRows.mid(rows, 2), QStringList({"$QCA,1*4E", "$QCB,2*4E"}));
    QVERIFY2(!statuses.contains(QStringLiteral("No Transmission")), qPrintable(statuses.join('|')));

    // Stop, then start again: counting starts afresh.
    program.view.setMsConnectionToggle(QStringLiteral("stop"));
    QCOMPARE(program.view.msConnectionStatus(), QStringLiteral("Stopped"));
    QVERIFY(portFree());
    QStringList totals;
    connect(&program.view, &Viewutil::sendMsTotalSentencesSenthanged, this,
            [&] { totals << program.view.msTotalSentencesSent(); });
    program.startSender(false, {QStringLiteral("$QCTX,2*00")});
    QTRY_VERIFY(totals.size() >= 2);
    QCOMPARE(totals.mid(0, 2), QStringList({QStringLiteral("1"), QStringLiteral("2")}));
}

void TestNetwork::iec450BetweenHosts()
{
    Lab lab(QStringLiteral("eth0 198.51.100.1/26 198.51.100.2"), QStringLiteral("eth0"));
    QVERIFY2(lab.ok(), qPrintable(lab.error()));
    Program receiver, sender;
    {
        Inside inP(Lab::peer(0));
        QVERIFY(inP.ok());
        receiver.connectReceiver(false);
        QCOMPARE(receiver.view.mrConnectionStatus(), QStringLiteral("Connected"));
    }
    Inside inH(Lab::host());
    // An empty field is told what to type.
    sender.view.setMsIec450Enabled(true);
    QVERIFY(sender.view.msErrorMessage().startsWith(QLatin1String("No Source Identity: Type Two Letters")));
    sender.view.setMsIec450Identity(QStringLiteral("E1"));
    sender.view.setMsIec450Enabled(true);
    QVERIFY(!sender.view.msIec450Enabled() && sender.view.msErrorMessage().contains(QLatin1String("EI0001")));
    sender.view.setMsIec450Identity(QStringLiteral("ei0001"));
    sender.view.setMsIec450Enabled(true);
    sender.startSender(false, {QStringLiteral("$QCTX,1*00")});

    const QString row = QStringLiteral("\\s:EI0001,n:1*0D\\$QCTX,1*00");
    QTRY_VERIFY(receiver.mrSources.contains(row + QStringLiteral("@198.51.100.1")));
    Statsmodel *stats = receiver.view.mrStats();
    stats->refresh();
    QCOMPARE(stats->sourcesSummary(), QStringLiteral("TAG sources: 1, lost: 0"));
    // Two sentences of another source in one datagram, one lost between them.
    QUdpSocket other;
    other.writeDatagram(QByteArray("UdPbC", 6) + "\\s:XX0001,n:1*01\\$A*00\r\n\\s:XX0001,n:3*03\\$B*00\r\n",
                        QHostAddress(kGroup), kPort);
    QTRY_COMPARE((stats->refresh(), stats->sourcesSummary()), QStringLiteral("TAG sources: 2, lost: 1"));
    // Several unframed lines in one datagram: each line counts, the worst verdict marks the row.
    other.writeDatagram("$HEHDT,90.0,T*16\r\n$GPRMC,1*00\r\n", QHostAddress(kGroup), kPort);
    QTRY_COMPARE((stats->refresh(), stats->rowCount()), 4);
    QStringList kinds;
    for (int row = 0; row < stats->rowCount(); ++row) {
        if (stats->index(row, 0).data() != QLatin1String("QCTX")) // the sender's, still going
            kinds << stats->index(row, 0).data().toString() + QLatin1Char(' ') + stats->index(row, 1).data().toString()
                    + QLatin1Char(' ') + stats->index(row, 4).data().toString();
    }
    QCOMPARE(kinds, QStringList({"GPRMC 1 1", "HEHDT 1 0", "other 2 0"}));
    // Each line of a datagram is published, and so recorded, on its own.
    QVERIFY(receiver.mrRows.contains(QStringLiteral("\\s:XX0001,n:1*01\\$A*00"))
            && receiver.mrRows.contains(QStringLiteral("\\s:XX0001,n:3*03\\$B*00")));
    QCOMPARE(sender.msRows.first(), row);
    QCOMPARE(sender.view.msTotalBytesSent().toInt(), sender.view.msTotalSentencesSent().toInt() * 35);
    // Remembered beside the settings file, which keeps its keys.
    QCOMPARE(QSettings(sender.dir.filePath(QStringLiteral("settings/preferences.ini")), QSettings::IniFormat)
                 .value(QStringLiteral("sender/sourceIdentity")),
             QVariant(QStringLiteral("EI0001")));
}

// A recording, TAG blocks and all, goes out at its recorded pace with its
// silences shortened, framed anew by the sender, with live time on the
// templates beside it; live time and the shortening are kept for the next start.
void TestNetwork::replaying()
{
    Lab lab(QStringLiteral("eth0 198.51.100.1/26 198.51.100.2"), QStringLiteral("eth0"));
    QVERIFY2(lab.ok(), qPrintable(lab.error()));
    auto listener = peerSocket(Lab::peer(0), true);
    QVERIFY(listener);
    Inside inH(Lab::host());

    Program program;
    QFile file(program.dir.filePath(QStringLiteral("capture.txt")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("25.11.01:17.37.49: $QCA,1*00\r\n25.11.01:17.37.49: \\s:EI0001,n:5*09\\$QCB,2*00\r\n\r\n"
               "25.11.01:17.37.50: No NMEA Data Received From Multicast Source\r\n"
               "25.11.01:17.37.50: \\s:EI0001,n:6*00\\$QCC,3*00\r\n25.11.01:17.37.52: $QCD,4*00");
    file.close();
    program.view.setMsLiveTime(true);
    program.view.setMsIec450Identity(QStringLiteral("QC0001"));
    program.view.setMsIec450Enabled(true);
    program.view.setMsReplaySkipSilences(true);
    program.view.setMsReplaySilenceSeconds(1);
    const QString zda = program.view.msPositionZdaNmeaSentence();
    program.startSender(false, {zda});
    QElapsedTimer clock;
    QList<QPair<QByteArray, qint64>> got;
    connect(listener.get(), &QUdpSocket::readyRead, this, [&] {
        for (const QNetworkDatagram &d : drain(listener.get()))
            got << qMakePair(d.data(), clock.elapsed());
    });
    QTRY_VERIFY(!got.isEmpty());
    program.view.setMsReplayFilePath(file.fileName());
    clock.start();
    QTRY_VERIFY_WITH_TIMEOUT(!program.view.msReplayActive(), 4000);

    QStringList replayed;
    QList<qint64> times;
    int lineCount = 0;
    for (const auto &[datagram, at] : got) {
        const QByteArray tag = Iec450::tagBlock(QStringLiteral("QC0001"), ++lineCount);
        QVERIFY2(datagram.startsWith(QByteArray("UdPbC", 6) + tag), datagram.constData());
        const QByteArray data = datagram.mid(6 + tag.size()).trimmed();
        QVERIFY(program.msRows.contains(QString::fromLatin1(tag + data)));
        if (data.startsWith("$QC")) {
            replayed << QString::fromLatin1(data);
            times << at;
        } else {
            // The template with today's UTC date, as shown in its row.
            const QString date = QDateTime::currentDateTimeUtc().toString(QStringLiteral("dd,MM,yyyy"));
            QCOMPARE(QString::fromLatin1(data).section(',', 2, 4), date);
        }
    }
    QCOMPARE(replayed, QStringList({"$QCA,1*00", "$QCB,2*00", "$QCC,3*00", "$QCD,4*00"}));
    // The silence of two seconds shortened to one.
    const QList<qint64> expected{0, 500, 1000, 2000};
    for (int i = 0; i < 4; ++i)
        QVERIFY2(qAbs(times.at(i) - times.at(0) - expected.at(i)) <= 150, qPrintable(QString::number(times.at(i))));
    QCOMPARE(program.view.msReplayPosition(), QStringLiteral("Line 6 of 6, 2 Skipped, 1 With Damaged TAG Block"));
    QVERIFY(program.msInfos.contains(
        QStringLiteral("Replay Finished, 4 Sentences Sent, 2 Lines Skipped, 1 With Damaged TAG Block")));

    Viewutil view;
    Controlutil again(&view, {program.dir.filePath(QStringLiteral("settings")), {}, {}});
    QVERIFY(view.msLiveTime());
    QVERIFY(view.msReplaySkipSilences());
    QCOMPARE(view.msReplaySilenceSeconds(), 1);
}

// Three groups scanned at once, one silent, two sources on one of them and a
// line lost between another's: the window's map and qcx scan --json side by
// side, and the receiver on a scanned group meanwhile. Every join is gone
// after Stop Scan and when the program goes.
void TestNetwork::scanning()
{
    Lab lab(QStringLiteral("eth0 198.51.100.1/26 198.51.100.2"), QStringLiteral("eth0"));
    QVERIFY2(lab.ok(), qPrintable(lab.error()));
    auto peer = peerSocket(Lab::peer(0), false);
    QVERIFY(peer);
    Inside inH(Lab::host());
    const auto joinedGroups = [] {
        QProcess ip;
        ip.start(QStringLiteral("ip"), {QStringLiteral("-n"), Lab::host(), QStringLiteral("maddr"), QStringLiteral("show"),
                                        QStringLiteral("dev"), QStringLiteral("eth0")});
        ip.waitForFinished(5000);
        static const QRegularExpression group(QStringLiteral("inet\\s+(239\\.192\\.0\\.\\d+)"));
        QStringList groups;
        for (auto it = group.globalMatch(QString::fromLatin1(ip.readAllStandardOutput())); it.hasNext();)
            groups << it.next().captured(1);
        groups.sort();
        return groups.join(QLatin1Char(' '));
    };
    const QStringList targets{"239.192.0.1:60001", "239.192.0.2:60002", "239.192.0.4:60004"};
    QProcess qcx;
    qcx.start(QStringLiteral("ip"), QStringList{"netns", "exec", Lab::host(), QStringLiteral(QCX_PATH), "scan"} + targets
                                        + QStringList{"--duration", "4", "--json"});
    QTRY_COMPARE(joinedGroups(), QStringLiteral("239.192.0.1 239.192.0.2 239.192.0.4"));

    auto program = std::make_unique<Program>();
    Scanmodel *scan = program->control->scan();
    scan->setPreset(QStringLiteral("No preset"));
    scan->setEntries(targets.join(QLatin1Char('\n')));
    QVERIFY(scan->start());
    QVERIFY(scan->running());
    QCOMPARE(joinedGroups(), QStringLiteral("239.192.0.1 239.192.0.2 239.192.0.4"));
    QVERIFY(scan->status().endsWith(QLatin1String("Receiving Multicast On eth0 Interface")));
    program->view.setMrGrpIpAddress(QStringLiteral("239.192.0.2"));
    program->view.setMrGrpPortNumber(QStringLiteral("60002"));
    program->view.setMrConnectionToggle(QStringLiteral("connect"));
    QTRY_COMPARE(program->view.mrConnectionStatus(), QStringLiteral("Connected"));

    const auto send = [&peer](const char *group, quint16 port, const char *identity, int k, const char *sentence) {
        peer->writeDatagram(Iec450::sentenceDatagram(sentence, QLatin1String(identity), k), QHostAddress(QLatin1String(group)), port);
    };
    for (int k = 1; k <= 5; ++k)
        send("239.192.0.1", 60001, "EI0001", k, "$HEHDT,90.0,T*16");
    for (int k : {1, 2, 3})
        send("239.192.0.2", 60002, "EI0001", k, "$AIVDM,1*00");
    for (int k : {1, 2, 4})
        send("239.192.0.2", 60002, "EI0002", k, "$GPGGA,1*00");
    QTRY_COMPARE((scan->refresh(), scan->rowCount()), 6);
    QStringList map;
    for (int row = 0; row < scan->rowCount(); ++row) {
        QStringList cells;
        for (int column : {0, 1, 2, 5, 6, 9, 10})
            cells << scan->index(row, column).data().toString();
        map << cells.join(QLatin1Char(','));
    }
    QCOMPARE(map, QStringList({"MISC,239.192.0.1:60001,5,1,,active,",
                               "  EI0001,198.51.100.2,5,HEHDT 5,0 / 0 / 0 / 0,active,",
                               "TGTD,239.192.0.2:60002,6,2,,active,",
                               "  EI0001,198.51.100.2,3,AIVDM 3,0 / 0 / 0 / 0,active,",
                               "  EI0002,198.51.100.2,3,GPGGA 3,1 / 0 / 0 / 0,active,GP unusual on TGTD",
                               "NAVD,239.192.0.4:60004,0,0,,silent,"}));
    // The same document from the tab and from the command line, rates apart.
    const auto document = [](const QByteArray &json) {
        QJsonArray groups = QJsonDocument::fromJson(json).object().value("groups").toArray();
        for (QJsonValueRef group : groups) {
            QJsonObject object = group.toObject();
            object.remove(QStringLiteral("rate"));
            group = object;
        }
        return groups;
    };
    const QJsonArray groups = document(scan->json().toUtf8());
    QCOMPARE(groups.size(), 3);
    QCOMPARE(groups.at(1)["sources"].toArray().at(1)["lost"].toInt(), 1);
    QCOMPARE(groups.at(2)["lines"].toInt(), 0);
    QVERIFY(qcx.waitForFinished(10000));
    QCOMPARE(qcx.exitCode(), 0);
    QCOMPARE(document(qcx.readAllStandardOutput()), groups);
    // The receiver saw its group's lines while the scan counted them.
    QTRY_COMPARE(program->mrRows.filter(QStringLiteral("EI0002")).size(), 3);

    scan->stop();
    QVERIFY(!scan->running());
    QCOMPARE(joinedGroups(), QStringLiteral("239.192.0.2"));
    program->view.setMrConnectionToggle(QStringLiteral("disconnect"));
    QCOMPARE(joinedGroups(), QString());
    QVERIFY(scan->start());
    QCOMPARE(joinedGroups(), QStringLiteral("239.192.0.1 239.192.0.2 239.192.0.4"));
    program.reset();
    QCOMPARE(joinedGroups(), QString());
}

QTEST_GUILESS_MAIN(TestNetwork)
#include "tst_network.moc"
