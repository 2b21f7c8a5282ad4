#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QRegularExpression>
#include <QTest>

#include <QRegularExpression>

#include <climits>
#include <numeric>

#include "iec450.h"
#include "ifaceselect.h"
#include "linerecord.h"
#include "listutil.h"
#include "livetime.h"
#include "nmeacheck.h"
#include "nmeastats.h"
#include "replayschedule.h"
#include "saveutil.h"
#include "scancounts.h"
#include "scanplan.h"
#include "sendutil.h"
#include "sourcestats.h"
#include "statsmodel.h"
#include "validateutil.h"

using namespace IfaceSelect;

// The rules that decide what the program accepts, where it listens and what
// it writes, checked on plain values.
class TestRules : public QObject
{
    Q_OBJECT

private slots:
    void socketDetails_data();
    void socketDetails();
    void nmeaSentence_data();
    void nmeaSentence();
    void wiredInterface_data();
    void wiredInterface();
    void activeInterface_data();
    void activeInterface();
    void captureFormats_data();
    void captureFormats();
    void lineRecords_data();
    void lineRecords();
    void iec450Wire_data();
    void iec450Wire();
    void tagSources_data();
    void tagSources();
    void txInterval_data();
    void txInterval();
    void rowStore();
    void liveTime_data();
    void liveTime();
    void replaySteps_data();
    void replaySteps();
    void statistics_data();
    void statistics();
    void scanPlan_data();
    void scanPlan();
    void scanCounts_data();
    void scanCounts();
};

void TestRules::socketDetails_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("port");
    QTest::addColumn<QString>("message");
    const QString ok = QStringLiteral("All Socket Details OK");
    const QString badAddress = QStringLiteral("Invalid or Empty Multicast Group IP Address");
    const QString badPort = QStringLiteral("Invalid or Empty Group Port Number");
    QTest::newRow("lowest group, lowest port") << "224.0.0.0" << "1024" << ok;
    QTest::newRow("highest group, highest port") << "239.255.255.255" << "65535" << ok;
    QTest::newRow("just below the groups") << "223.255.255.255" << "4400" << badAddress;
    QTest::newRow("just above the groups") << "240.0.0.0" << "4400" << badAddress;
    QTest::newRow("unicast") << "198.51.100.1" << "4400" << badAddress;
    QTest::newRow("empty address") << "" << "4400" << badAddress;
    QTest::newRow("blank address") << "   " << "4400" << badAddress;
    QTest::newRow("IPv6 group") << "ff02::1" << "4400" << badAddress;
    QTest::newRow("words") << "group" << "4400" << badAddress;
    QTest::newRow("leading zeros, read as octal elsewhere") << "239.001.001.010" << "4400" << badAddress;
    QTest::newRow("short form") << "239.1" << "4400" << badAddress;
    QTest::newRow("hexadecimal") << "0xEF.1.1.1" << "4400" << badAddress;
    QTest::newRow("number above 255") << "239.1.1.256" << "4400" << badAddress;
    QTest::newRow("blanks around") << " 239.1.1.1 " << "4400" << ok;
    QTest::newRow("port below 1024") << "239.1.1.1" << "1023" << badPort;
    QTest::newRow("port above 65535") << "239.1.1.1" << "65536" << badPort;
    QTest::newRow("port with letters") << "239.1.1.1" << "44a0" << badPort;
    QTest::newRow("negative port") << "239.1.1.1" << "-4400" << badPort;
    QTest::newRow("empty port") << "239.1.1.1" << "" << badPort;
    QTest::newRow("both wrong: the address is named") << "10.0.0.1" << "0" << badAddress;
}

void TestRules::socketDetails()
{
    QFETCH(QString, address);
    QFETCH(QString, port);
    QFETCH(QString, message);
    const SocketDetailsVerdict verdict = socketDetailsVerdict(address, port);
    QCOMPARE(verdict.message, message);
    QCOMPARE(verdict.valid, message == QLatin1String("All Socket Details OK"));
}

void TestRules::nmeaSentence_data()
{
    QTest::addColumn<QString>("sentence");
    QTest::addColumn<bool>("valid");
    QTest::newRow("heading") << "$HEHDT,123.4,T*2B" << true;
    QTest::newRow("AIS with !") << "!AIVDM,1,1,,A,13aG?P0P00PD;88MD5MTDww@2<0L,0*5C" << true;
    QTest::newRow("no fields") << "$GPZZ*00" << true;
    QTest::newRow("lower-case checksum") << "$GPHDT,1,T*2b" << true;
    QTest::newRow("blanks and line end around it") << "  $GPHDT,1,T*00\r\n" << true;
    QTest::newRow("two-letter address") << "$GP,1*00" << true;
    QTest::newRow("one-letter address") << "$G,1*00" << false;
    QTest::newRow("six-letter address") << "$GPHDTX,1*00" << false;
    QTest::newRow("lower-case address") << "$gphdt,1*00" << false;
    QTest::newRow("no checksum") << "$GPHDT,1,T" << false;
    QTest::newRow("one checksum digit") << "$GPHDT,1,T*2" << false;
    QTest::newRow("checksum not hex") << "$GPHDT,1,T*G0" << false;
    QTest::newRow("star inside the fields") << "$GPHDT,1*2,T*00" << false;
    QTest::newRow("no start character") << "GPHDT,1,T*00" << false;
    QTest::newRow("empty") << "" << false;
}

void TestRules::nmeaSentence()
{
    QFETCH(QString, sentence);
    QFETCH(bool, valid);
    QCOMPARE(isNmeaSentence(sentence), valid);
}

namespace {

// "name flags address..." per interface, ';' between interfaces; flags are
// letters: u(p) r(unning) m(ulticast) l(oopback).
QList<IfaceDescription> ifaces(const QString &text)
{
    QList<IfaceDescription> list;
    int index = 1;
    for (const QString &part : text.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const QStringList words = part.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        IfaceDescription d;
        d.index = index++;
        d.name = words.value(0).replace(QLatin1Char('_'), QLatin1Char(' '));
        const QString flags = words.value(1);
        d.isUp = flags.contains(QLatin1Char('u'));
        d.isRunning = flags.contains(QLatin1Char('r'));
        d.canMulticast = flags.contains(QLatin1Char('m'));
        d.isLoopBack = flags.contains(QLatin1Char('l'));
        for (const QString &address : words.mid(2))
            d.addresses << QHostAddress(address);
        list << d;
    }
    return list;
}

} // namespace

void TestRules::wiredInterface_data()
{
    QTest::addColumn<QString>("interfaces");
    QTest::addColumn<int>("position");
    QTest::addColumn<QString>("address");
    QTest::newRow("eth0") << "lo url 127.0.0.1; eth0 urm 198.51.100.1" << 1 << "198.51.100.1";
    QTest::newRow("enp name") << "enp3s0 urm 198.51.100.7" << 0 << "198.51.100.7";
    QTest::newRow("Windows name, any case") << "Ethernet_2 urm 198.51.100.3" << 0 << "198.51.100.3";
    QTest::newRow("wireless only") << "wlan0 urm 198.51.100.1" << -1 << "";
    QTest::newRow("loopback with a wired name") << "eth-lo urml 127.0.0.1; eth1 urm 198.51.100.2" << 1
                                                << "198.51.100.2";
    QTest::newRow("down") << "eth0 rm 198.51.100.1; eth1 urm 198.51.100.2" << 1 << "198.51.100.2";
    QTest::newRow("not running") << "eth0 um 198.51.100.1" << -1 << "";
    QTest::newRow("no multicast") << "eth0 ur 198.51.100.1" << -1 << "";
    QTest::newRow("IPv6 only") << "eth0 urm fe80::1; eth1 urm 198.51.100.2" << 1 << "198.51.100.2";
    QTest::newRow("IPv4 after IPv6") << "eth0 urm fe80::1 198.51.100.1" << 0 << "198.51.100.1";
    QTest::newRow("first of two wired") << "eth0 urm 198.51.100.1; eth1 urm 198.51.100.2" << 0
                                        << "198.51.100.1";
}

void TestRules::wiredInterface()
{
    QFETCH(QString, interfaces);
    QFETCH(int, position);
    QFETCH(QString, address);
    const WiredChoice choice = findWiredInterface(ifaces(interfaces));
    QCOMPARE(choice.position, position);
    QCOMPARE(choice.address, QHostAddress(address));
    // Without a wired interface the system may choose only when allowed.
    QCOMPARE(choosePlacement(choice.found(), false),
             choice.found() ? Placement::WiredInterface : Placement::NotPlaced);
    QCOMPARE(choosePlacement(choice.found(), true),
             choice.found() ? Placement::WiredInterface : Placement::OsSelected);
}

void TestRules::activeInterface_data()
{
    QTest::addColumn<QString>("interfaces");
    QTest::addColumn<QString>("local");
    QTest::addColumn<int>("joined");
    QTest::addColumn<int>("position");
    const QString two = QStringLiteral("lo url 127.0.0.1; wlan0 urm 198.51.100.9; eth0 urm 198.51.100.1");
    QTest::newRow("bound to any: first usable, wired or not") << two << "0.0.0.0" << 0 << 1;
    QTest::newRow("bound to the group: the joined one") << two << "239.1.1.1" << 3 << 2;
    QTest::newRow("bound to the group, none joined") << two << "239.1.1.1" << 0 << -1;
    QTest::newRow("bound to an address: its holder") << two << "198.51.100.1" << 0 << 2;
    QTest::newRow("address nobody holds") << two << "198.51.100.200" << 0 << -1;
}

void TestRules::activeInterface()
{
    QFETCH(QString, interfaces);
    QFETCH(QString, local);
    QFETCH(int, joined);
    QFETCH(int, position);
    QCOMPARE(findActiveInterface(ifaces(interfaces), QHostAddress(local), joined), position);
}

void TestRules::captureFormats_data()
{
    QTest::addColumn<QString>("sentence");
    QTest::addColumn<bool>("dated");
    QTest::addColumn<QString>("line");
    QTest::newRow("without date and time") << "$HEHDT,1,T*00" << false << "$HEHDT,1,T*00\n";
    QTest::newRow("with date and time") << "$HEHDT,1,T*00" << true << "26.12.07:04.05.06: $HEHDT,1,T*00\n";
    QTest::newRow("blanks trimmed") << "  $A*00\r\n" << false << "$A*00\n";
    QTest::newRow("several lines, a record each") << "$A*00\r\n$B*00\r\n" << true
                                                 << "26.12.07:04.05.06: $A*00\n26.12.07:04.05.06: $B*00\n";
    QTest::newRow("blank lines and lone CR") << "$A*00\r\n\r\n$B*00\r$C*00" << false << "$A*00\n$B*00\n$C*00\n";
    QTest::newRow("placeholders stay") << "$A,%1*00" << true << "26.12.07:04.05.06: $A,%1*00\n";
}

void TestRules::captureFormats()
{
    QFETCH(QString, sentence);
    QFETCH(bool, dated);
    QFETCH(QString, line);
    const QDateTime start(QDate(2026, 12, 7), QTime(4, 5, 6));
    QCOMPARE(captureLine(sentence, dated, start.date(), start.time()), line);
    QCOMPARE(captureFileName(start), QStringLiteral("QCX NMEA LOG 26.12.07 04.05.06.txt"));
}

void TestRules::lineRecords_data()
{
    // Rows with their marks and hover texts, '|' between rows; the kinds
    // the rows count under, blank-separated.
    QTest::addColumn<QByteArray>("datagram");
    QTest::addColumn<QString>("rows");
    QTest::addColumn<QString>("marks");
    QTest::addColumn<QString>("details");
    QTest::addColumn<QString>("kinds");
    const QByteArray h("UdPbC", 6);
    const QString ok = QStringLiteral("Source EI0001, line 1, TAG checksum correct");
    QTest::newRow("unframed as before") << QByteArray("$HEHDT,90.0,T*16\r\n") << "$HEHDT,90.0,T*16" << "R"
                                        << "Checksum right" << "HEHDT";
    QTest::newRow("several lines, the worst verdict")
        << QByteArray("$HEHDT,90.0,T*16\r\n$GPRMC,1*00\r\n$SDDPT,20.0,0.0*00\r\n")
        << "$HEHDT,90.0,T*16\r\n$GPRMC,1*00\r\n$SDDPT,20.0,0.0*00" << "W"
        << "Line 1: Checksum right\nLine 2: Checksum wrong: received 00, computed 56\n"
           "Line 3: Checksum wrong: received 00, computed 65"
        << "HEHDT GPRMC SDDPT";
    QTest::newRow("no checksum before not NMEA") << QByteArray("hello\n$GPGLL,1\n") << "hello\n$GPGLL,1" << "N"
                                                 << "Line 1: Not an NMEA sentence\nLine 2: No checksum" << "other GPGLL";
    QTest::newRow("framed right") << h + "\\s:EI0001,n:1*0D\\$HEHDT,90.0,T*16\r\n"
                                  << "\\s:EI0001,n:1*0D\\$HEHDT,90.0,T*16" << "R" << ok + ", Checksum right" << "HEHDT";
    QTest::newRow("framed wrong, two lines") << h + "\\s:EI0001,n:1*0D\\$GPRMC,1,A*99\r\n\n\\s:EI0001,n:2*0e\\$B*00\r\n"
                                             << "\\s:EI0001,n:1*0D\\$GPRMC,1,A*99|\\s:EI0001,n:2*0e\\$B*00" << "WO"
                                             << ok + ", Checksum wrong: received 99, computed 3B|"
                                                     "Source EI0001, line 2, TAG checksum correct, Not an NMEA sentence"
                                             << "GPRMC other";
    QTest::newRow("header cut before NUL") << QByteArray("UdPbC") << "truncated datagram header UdPbC, 5 bytes" << "O"
                                           << "Not an NMEA sentence" << "other";
    QTest::newRow("header alone") << h << "empty datagram UdPbC, 6 bytes" << "O" << "Not an NMEA sentence" << "other";
    QTest::newRow("binary transfer") << QByteArray("RaUdP\0\0\xff\n", 9) << "binary datagram RaUdP, 9 bytes" << "O"
                                     << "Not an NMEA sentence" << "other";
    QTest::newRow("TAG block not closed") << h + "\\s:EI0001,n:1*0D$A*00" << "\\s:EI0001,n:1*0D$A*00" << "O"
                                          << "Source EI0001, line 1, TAG block not closed, Not an NMEA sentence" << "other";
    QTest::newRow("wrong TAG checksum, right sentence") << h + "\\s:EI0001,n:1*0E\\$HEHDT,90.0,T*16"
                                                        << "\\s:EI0001,n:1*0E\\$HEHDT,90.0,T*16" << "R"
                                                        << "Source EI0001, line 1, TAG checksum wrong, Checksum right"
                                                        << "HEHDT";
    QTest::newRow("no TAG checksum") << h + "\\n:1\\$GPGLL,1" << "\\n:1\\$GPGLL,1" << "N"
                                     << "No source, line 1, TAG block without checksum, No checksum" << "GPGLL";
    QTest::newRow("several TAG blocks") << h + "\\c:1700000000*5F\\\\s:EI0001,n:1*0D\\$HEHDT,90.0,T*16"
                                        << "\\c:1700000000*5F\\\\s:EI0001,n:1*0D\\$HEHDT,90.0,T*16" << "R"
                                        << ok + ", Checksum right" << "HEHDT";
    QTest::newRow("control and non-ASCII bytes") << h + QByteArray("$AB,\0\t\xb0\x85\x7f*00", 12)
                                                 << "$AB,<00><09>°<85><7F>*00" << "W"
                                                 << "Checksum wrong: received 00, computed EA" << "AB";
    QTest::newRow("wrong") << QByteArray("$HEHDT,90.0,T*17") << "$HEHDT,90.0,T*17" << "W"
                           << "Checksum wrong: received 17, computed 16" << "HEHDT";
    QTest::newRow("one digit") << QByteArray("$HEHDT,90.0,T*1") << "$HEHDT,90.0,T*1" << "W"
                               << "Checksum wrong: received 1, computed 16" << "HEHDT";
    QTest::newRow("nothing after star") << QByteArray("$GPRMC,1*") << "$GPRMC,1*" << "W"
                                        << "Checksum wrong: received nothing, computed 56" << "GPRMC";
    QTest::newRow("proprietary, lower-case digits") << QByteArray("$PGRMZ,246,f,3*1b") << "$PGRMZ,246,f,3*1b" << "R"
                                                    << "Checksum right" << "PGRM";
    QTest::newRow("AIS") << QByteArray("!AIVDM,1,1,,A,13aG?P0P00PD;88MD5MTDww@2<0L,0*71")
                         << "!AIVDM,1,1,,A,13aG?P0P00PD;88MD5MTDww@2<0L,0*71" << "R" << "Checksum right" << "AIVDM";
    QTest::newRow("lower-case address") << QByteArray("$gprmc,1*56") << "$gprmc,1*56" << "O" << "Not an NMEA sentence" << "other";
    QTest::newRow("one-letter address") << QByteArray("$A*41") << "$A*41" << "O" << "Not an NMEA sentence" << "other";
    // Unframed text is the bytes as Latin-1 less the white space around them.
    QTest::newRow("Latin-1 and blanks") << QByteArray(" \t$XY,\xb0\xe9*00 ") << QString::fromUtf8("$XY,°é*00") << "W"
                                        << "Checksum wrong: received 00, computed 74" << "XY";
    QTest::newRow("NUL inside kept") << QByteArray("$X\0Y", 4) << QString::fromLatin1("$X\0Y", 4) << "O"
                                     << "Not an NMEA sentence" << "other";
    QTest::newRow("empty unframed") << QByteArray(" \r\n") << "" << "-" << "" << "";
}

void TestRules::lineRecords()
{
    QFETCH(QByteArray, datagram);
    const DatagramRecord record = readDatagram(datagram);
    QCOMPARE(record.bytes, datagram.size());
    QStringList rows, details, kinds;
    QString marks;
    Listutil list;
    for (const RowRecord &row : record.rows) {
        rows << row.text;
        details << row.detail();
        // The list keeps the text alone and reads the hover from it again.
        list.appendRows({{row.text, row.verdict(), QString()}});
        QCOMPARE(list.data(list.index(list.count() - 1), Listutil::VerdictTextRole).toString(), row.detail());
        kinds << row.kinds();
        marks += QStringLiteral("-RWNO").at(int(row.verdict()));
        // Each framed row is exactly one line of the capture file, and text.
        QVERIFY(!record.framed || captureLine(row.text, QString()) == row.text + QLatin1Char('\n'));
        QVERIFY(!record.framed || !row.text.contains(QRegularExpression(QStringLiteral("[\\x00-\\x1f\\x7f-\\x9f]"))));
    }
    QTEST(rows.join(QLatin1Char('|')), "rows");
    QTEST(marks, "marks");
    QTEST(details.join(QLatin1Char('|')), "details");
    QTEST(kinds.join(QLatin1Char(' ')), "kinds");
    // Every line counts once, and the bytes are the datagram's.
    Statsmodel stats([] { return qint64(0); });
    stats.add(record);
    stats.refresh();
    QCOMPARE(stats.totalCount(), std::accumulate(record.rows.cbegin(), record.rows.cend(), qint64(0),
                                                 [](qint64 n, const RowRecord &row) { return n + row.lines.size(); }));
    QCOMPARE(stats.totalBytesPerSecond(), double(datagram.size()));
}

void TestRules::iec450Wire_data()
{
    QTest::addColumn<QString>("sentence");
    QTest::addColumn<QString>("identity");
    QTest::addColumn<int>("previous");
    QTest::addColumn<QByteArray>("wire");
    const QByteArray h("UdPbC", 6);
    QTest::newRow("first") << "$HEHDT,1,T*00" << "EI0001" << 0
                           << h + "\\s:EI0001,n:1*0D\\$HEHDT,1,T*00\r\n";
    QTest::newRow("999th, line end not doubled") << "$A*00\r\n" << "EI0001" << 998
                                                 << h + "\\s:EI0001,n:999*05\\$A*00\r\n";
    QTest::newRow("after 999 comes 1") << "$A*00" << "GP0001" << 999
                                       << h + "\\s:GP0001,n:1*16\\$A*00\r\n";
    QTest::newRow("lower-case identity refused") << "$A*00" << "ei0001" << 0 << QByteArray();
    QTest::newRow("five digits refused") << "$A*00" << "EI00012" << 0 << QByteArray();
}

void TestRules::iec450Wire()
{
    QFETCH(QString, sentence);
    QFETCH(QString, identity);
    QFETCH(int, previous);
    QFETCH(QByteArray, wire);
    QCOMPARE(Iec450::identityError(identity).isEmpty(), !wire.isEmpty());
    if (!wire.isEmpty())
        QCOMPARE(Iec450::sentenceDatagram(sentence.toLatin1(), identity, Iec450::nextLineCount(previous)), wire);
}

namespace {
// A framed line of source EI0001 with these TAG fields; '!' at the end
// spoils the block's checksum.
QByteArray tagged(QString fields)
{
    const bool spoil = fields.endsWith(QLatin1Char('!'));
    if (spoil)
        fields.chop(1);
    const QByteArray body = fields.toLatin1();
    const int sum = Iec450::tagChecksum(body) ^ (spoil ? 1 : 0);
    return QByteArray("UdPbC", 6) + '\\' + body + '*' + QByteArray::number(sum, 16).rightJustified(2, '0').toUpper()
        + "\\$HEHDT,90.0,T*16\r\n";
}

QStringList counts(const QString &identity, const QList<int> &lineCounts)
{
    QStringList fields;
    for (const int n : lineCounts)
        fields << QStringLiteral("s:%1,n:%2").arg(identity).arg(n);
    return fields;
}
}

void TestRules::tagSources_data()
{
    // TAG fields of the lines one host sends, one datagram each; ">ms"
    // lets the clock run on. The figures of the sources, one per source.
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QString>("figures");
    const auto figures = [](const QString &identity, int lost, int duplicated, int reordered, int restarts) {
        return QStringLiteral("%1 lost %2 dup %3 reord %4 restarts %5").arg(identity).arg(lost).arg(duplicated).arg(reordered).arg(restarts);
    };
    QTest::newRow("in order") << counts("EI0001", {1, 2, 3}) << figures("EI0001", 0, 0, 0, 0);
    QTest::newRow("two missing") << counts("EI0001", {1, 2, 5}) << figures("EI0001", 2, 0, 0, 0);
    QTest::newRow("late line fills its gap") << counts("EI0001", {5, 7, 6, 8}) << figures("EI0001", 0, 0, 1, 0);
    QTest::newRow("duplicate") << counts("EI0001", {5, 5, 6, 5}) << figures("EI0001", 0, 2, 0, 0);
    QTest::newRow("999 to 1") << counts("EI0001", {998, 999, 1, 2}) << figures("EI0001", 0, 0, 0, 0);
    QTest::newRow("999 to 0, 0 valid") << counts("EI0001", {997, 999, 0, 1}) << figures("EI0001", 1, 0, 0, 0);
    QTest::newRow("jump across the wrap") << counts("EI0001", {998, 2}) << figures("EI0001", 2, 0, 0, 0);
    QTest::newRow("late line across the wrap") << counts("EI0001", {999, 2, 1}) << figures("EI0001", 0, 0, 1, 0);
    QTest::newRow("restart") << counts("EI0001", {499, 500, 1, 2}) << figures("EI0001", 0, 0, 0, 1);
    QTest::newRow("sources apart") << counts("EI0001", {1, 2, 4}) + counts("GP0002", {7, 9})
                                   << figures("EI0001", 1, 0, 0, 0) + '|' + figures("GP0002", 1, 0, 0, 0);
    QTest::newRow("damaged s: is no source")
        << counts("EI0001", {1, 2}) + QStringList{"s:EI0O01,n:3!", "s:EI0001,n:3"}
        << figures("EI0001", 0, 0, 0, 0) + '|' + figures("(no TAG)", 0, 0, 0, 0) + " damaged 1";
    QTest::newRow("c: in seconds and milliseconds")
        << QStringList{"s:EI0001,n:1,c:1700000000", "s:EI0001,n:2,c:1700000000250"}
        << figures("EI0001", 0, 0, 0, 0) + " latency 1000/1000";
    QTest::newRow("groups complete and incomplete")
        << QStringList{"s:EI0001,n:1,g:1-2-7", "s:EI0001,n:2,g:2-2-7", "s:EI0001,n:3,g:1-3-8", ">2001"}
        << figures("EI0001", 0, 0, 0, 0) + " groups 1/1";
    QStringList many;
    for (int i = 0; i < 1500; ++i)
        many << QStringLiteral("s:EI%1,n:1").arg(i, 4, 10, QLatin1Char('0'));
    QTest::newRow("at most 1,000 sources") << many << QStringLiteral("1001 sources, (others) with 500 lines");
}

void TestRules::tagSources()
{
    QFETCH(QStringList, lines);
    qint64 clock = 0;
    Sourcestats stats([&clock] { return clock; });
    for (const QString &line : lines) {
        if (line.startsWith(QLatin1Char('>'))) {
            clock += line.mid(1).toLongLong();
            continue;
        }
        DatagramRecord record = readDatagram(tagged(line));
        record.host = QStringLiteral("198.51.100.2");
        record.arrivalMs = 1700000001000;
        stats.add(record);
        clock += 10;
    }
    const QVector<Sourcestats::Source> sources = stats.sources();
    QStringList shown;
    if (sources.size() > 1000) {
        shown << QStringLiteral("%1 sources, %2 with %3 lines").arg(sources.size()).arg(sources.last().identity).arg(sources.last().lines);
    } else {
        for (const Sourcestats::Source &s : sources) {
            QString text = QStringLiteral("%1 lost %2 dup %3 reord %4 restarts %5")
                               .arg(s.identity.isEmpty() ? QStringLiteral("(no TAG)") : s.identity)
                               .arg(s.lost).arg(s.duplicated).arg(s.reordered).arg(s.restarts);
            if (s.damaged > 0)
                text += QStringLiteral(" damaged %1").arg(s.damaged);
            if (s.latencyMaxMs >= 0)
                text += QStringLiteral(" latency %1/%2").arg(s.latencyMedianMs).arg(s.latencyMaxMs);
            if (s.groupsComplete + s.groupsIncomplete > 0)
                text += QStringLiteral(" groups %1/%2").arg(s.groupsComplete).arg(s.groupsIncomplete);
            shown << text;
        }
    }
    QTEST(shown.join(QLatin1Char('|')), "figures");
    qint64 lost = 0;
    for (const Sourcestats::Source &s : sources)
        lost += s.lost;
    QCOMPARE(stats.totalLost(), lost);
    stats.reset();
    QVERIFY(stats.sources().isEmpty() && stats.summary().isEmpty());
}

void TestRules::txInterval_data()
{
    QTest::addColumn<double>("tenths");
    QTest::addColumn<int>("ms");
    QTest::newRow("one second") << 10.0 << 1000;
    QTest::newRow("one tenth") << 1.0 << 100;
    QTest::newRow("2.3 tenths, not 229") << 2.3 << 230;
    QTest::newRow("0.7 tenths, not 69") << 0.7 << 70;
    QTest::newRow("fraction of a ms cut") << 0.159 << 15;
    QTest::newRow("zero") << 0.0 << 0;
    QTest::newRow("too long is clamped") << 1e12 << INT_MAX;
}

void TestRules::txInterval()
{
    QFETCH(double, tenths);
    QFETCH(int, ms);
    QCOMPARE(txIntervalMsFromTenths(tenths), ms);
}

void TestRules::rowStore()
{
    Listutil list;
    QStringList rows{QString(), QString(70000, QLatin1Char('x')), QString::fromUtf8("$GPXTE,°µ€,A*00"),
                     QStringLiteral("<b>x</b>")};
    for (int i = 0; i < 20000; ++i)
        rows << QStringLiteral("$QCROW,%1*00").arg(i);
    for (const QString &row : rows)
        list.append({{QStringLiteral("text"), row}});
    QCOMPARE(list.count(), rows.size());
    for (int i = 0; i < rows.size(); i += 997)
        QCOMPARE(list.text(i), rows.at(i));
    QCOMPARE(list.data(list.index(2), Listutil::TextRole).toString(), rows.at(2));
    // A row the program writes itself has no hover, whatever it reads like.
    QCOMPARE(list.data(list.index(2), Listutil::VerdictTextRole).toString(), QString());
    QCOMPARE(list.text(rows.size() - 1), rows.last());

    // The newest 100,000 rows stay; the oldest leave ten thousand at a time.
    QSignalSpy removed(&list, &QAbstractItemModel::rowsRemoved);
    for (int k = rows.size(); k < 110000; ++k)
        list.appendText(QStringLiteral("$QCROW,%1*00").arg(k - 4));
    QCOMPARE(list.count(), 100000);
    QCOMPARE(removed.size(), 1);
    QCOMPARE(removed.at(0).at(2).toInt(), 9999);
    QCOMPARE(list.text(0), QStringLiteral("$QCROW,9996*00"));
    QCOMPARE(list.text(99999), QStringLiteral("$QCROW,109995*00"));
    list.clear();
    QCOMPARE(list.rowCount(), 0);
    list.appendText(QStringLiteral("again"));
    QCOMPARE(list.text(0), QStringLiteral("again"));
}

// Sentences given as "ms KIND[!][@host]" ('!': wrong checksum), 20 bytes
// each; the figures of one kind and the total at a moment.
void TestRules::statistics_data()
{
    QTest::addColumn<QStringList>("sentences");
    QTest::addColumn<qint64>("now");
    QTest::addColumn<QString>("kind");
    QTest::addColumn<qint64>("count");
    QTest::addColumn<double>("rate");
    QTest::addColumn<bool>("stale");
    QTest::addColumn<int>("wrong");
    QTest::addColumn<int>("hosts");
    QTest::addColumn<double>("totalRate");
    const auto every = [](int fromMs, int stepMs, int n, const QString &kind) {
        QStringList list;
        for (int i = 0; i < n; ++i)
            list << QStringLiteral("%1 %2").arg(fromMs + i * stepMs).arg(kind);
        return list;
    };
    const QStringList steady = every(0, 1000, 20, QStringLiteral("GPRMC"));
    QTest::newRow("steady 1/s") << steady << qint64(20000) << "GPRMC" << qint64(20) << 1.0 << false << 0 << 1 << 1.0;
    QTest::newRow("quiet three intervals") << steady << qint64(22000) << "GPRMC" << qint64(20) << 0.8 << false << 0 << 1 << 0.8;
    QTest::newRow("quiet more than three") << steady << qint64(22001) << "GPRMC" << qint64(20) << 0.8 << true << 0 << 1 << 0.8;
    QTest::newRow("second not yet whole") << (steady + QStringList{"20100 GPRMC"}) << qint64(20500) << "GPRMC" << qint64(21)
                                          << 1.0 << false << 0 << 1 << 1.0;
    QTest::newRow("older than 10 s") << steady << qint64(31000) << "GPRMC" << qint64(20) << 0.0 << true << 0 << 1 << 0.0;
    const QStringList fast = every(0, 100, 10, QStringLiteral("HEHDT"));
    // Before ten seconds have passed, the rate is over the time since the first sentence.
    QTest::newRow("fast kind, 2 s floor") << fast << qint64(2900) << "HEHDT" << qint64(10) << 10 / 2.9 << false << 0 << 1 << 10 / 2.9;
    QTest::newRow("fast kind past floor") << fast << qint64(2901) << "HEHDT" << qint64(10) << 10 / 2.901 << true << 0 << 1 << 10 / 2.901;
    QTest::newRow("10/s after 3 s") << every(0, 100, 30, QStringLiteral("HEHDT")) << qint64(3000) << "HEHDT" << qint64(30)
                                    << 10.0 << false << 0 << 1 << 10.0;
    QTest::newRow("one sentence") << QStringList{"0 AIVDM"} << qint64(2001) << "AIVDM" << qint64(1) << 1 / 2.001 << true << 0 << 1 << 1 / 2.001;
    // Stale is judged on the recent intervals: an outage long ago does not delay it.
    const QStringList outage = steady + every(3620000, 1000, 20, QStringLiteral("GPRMC"));
    QTest::newRow("old outage, quiet 3 s") << outage << qint64(3639000 + 3001) << "GPRMC" << qint64(40) << 0.8 << true << 0 << 1 << 0.8;
    QStringList kinds;
    for (int i = 0; i < 1005; ++i)
        kinds << QStringLiteral("%1 K%2").arg(20000 + i).arg(i);
    QTest::newRow("at most 1,000 kinds") << (steady + kinds) << qint64(21010) << "(others)" << qint64(6) << 6.0 << false << 0 << 1
                                         << 100.9;
    QTest::newRow("wrong and hosts") << (steady + QStringList{"19500 HEHDT!@b", "19600 HEHDT@c", "19700 HEHDT!@b"})
                                     << qint64(20000) << "HEHDT" << qint64(3) << 3.0 << false << 2 << 2 << 1.3;
    QTest::newRow("reset") << (steady + QStringList{"reset", "19500 HEHDT"}) << qint64(20000) << "GPRMC" << qint64(0)
                           << 0.0 << false << 0 << 0 << 1.0;
}

static qint64 parts0(const QStringList &sentences)
{
    return sentences.value(0).section(QLatin1Char(' '), 0, 0).toLongLong();
}

void TestRules::statistics()
{
    QFETCH(QStringList, sentences);
    QFETCH(qint64, now);
    QFETCH(QString, kind);
    qint64 clock = 0;
    Nmeastats stats([&clock] { return clock; });
    for (const QString &sentence : sentences) {
        if (sentence == QLatin1String("reset")) {
            stats.reset();
            continue;
        }
        const QStringList parts = sentence.split(QRegularExpression(QStringLiteral("[ @]")));
        clock = parts.at(0).toLongLong();
        const bool wrong = parts.at(1).endsWith(QLatin1Char('!'));
        stats.add(wrong ? parts.at(1).chopped(1) : parts.at(1), wrong, parts.value(2, QStringLiteral("a")));
        stats.addBytes(20);
    }
    clock = now;
    Nmeastats::Row row;
    for (const Nmeastats::Row &r : stats.rows())
        row = r.kind == kind ? r : row;
    QTEST(row.count, "count");
    QTEST(row.rate, "rate");
    QTEST(row.stale, "stale");
    QTEST(int(row.wrong), "wrong");
    QTEST(int(row.hosts.size()), "hosts");
    QTEST(stats.total().rate, "totalRate");
    QCOMPARE(stats.total().bytesPerSecond, stats.total().rate * 20);
    const QVector<double> history = stats.history();
    if (now >= 10000 + parts0(sentences) && !sentences.contains(QStringLiteral("reset")))
        QCOMPARE(std::accumulate(history.end() - 10, history.end(), 0.0) / 10, stats.total().rate);
}

void TestRules::scanPlan_data()
{
    // "preset ID N": its Nth group; "count ID": how many; "note GROUP KIND":
    // the talker note; "list A|B": free entries, '|' between lines.
    QTest::addColumn<QString>("ask");
    QTest::addColumn<QString>("answer");
    QTest::newRow("16 groups") << "count iec450" << "16";
    QTest::newRow("by the tab's label") << "count IEC 61162-450 (16 groups)" << "16";
    QTest::newRow("64 groups") << "count iec450-all" << "64";
    QTest::newRow("by the tab's label, 64") << "count IEC 61162-450 (all 64 reserved)" << "64";
    QTest::newRow("unknown preset") << "count iec" << "0";
    const QStringList names{"MISC", "TGTD", "SATD", "NAVD", "VDRD", "RCOM", "TIME", "PROP", "USR1", "USR2",
                            "USR3", "USR4", "USR5", "USR6", "USR7", "USR8"};
    for (int i = 0; i < names.size(); ++i)
        QTest::addRow("group %d", i + 1) << QStringLiteral("preset iec450 %1").arg(i)
                                         << QStringLiteral("239.192.0.%1:%2 %3").arg(i + 1).arg(60001 + i).arg(names.at(i));
    QTest::newRow("17 by number") << "preset iec450-all 16" << "239.192.0.17:60017 17";
    QTest::newRow("64 by number") << "preset iec450-all 63" << "239.192.0.64:60064 64";
    QTest::newRow("GP position on targets") << "note TGTD GPGGA" << "GP unusual on TGTD";
    QTest::newRow("AIS on targets") << "note TGTD AIVDM" << "";
    QTest::newRow("radar targets") << "note TGTD RATTM" << "";
    QTest::newRow("heading on sensors") << "note SATD HEHDT" << "";
    QTest::newRow("AIS on sensors") << "note SATD AIVDM" << "AI unusual on SATD";
    QTest::newRow("GP position on navigation") << "note NAVD GPRMC" << "";
    QTest::newRow("time from GNSS") << "note TIME GNZDA" << "";
    QTest::newRow("engines on propulsion") << "note PROP ERRPM" << "";
    QTest::newRow("heading on propulsion") << "note PROP HEHDT" << "HE unusual on PROP";
    QTest::newRow("user group takes any") << "note USR3 GPGGA" << "";
    QTest::newRow("proprietary tells no talker") << "note TGTD PGRM" << "";
    QTest::newRow("no sentence tells no talker") << "note TGTD other" << "";
    QTest::newRow("entries, blanks and repeats")
        << "list 239.192.1.20:61020|  |239.192.0.3:60003 |239.192.1.20:61020|239.192.0.40:60040"
        << "239.192.1.20:61020 ;239.192.0.3:60003 SATD;239.192.0.40:60040 40";
    QTest::newRow("entry with octal-looking group")
        << "list 239.192.0.1:60001|239.001.001.010:60001"
        << "Invalid or Empty Multicast Group IP Address: 239.001.001.010:60001";
    QTest::newRow("entry with low port") << "list 239.192.0.1:80" << "Invalid or Empty Group Port Number: 239.192.0.1:80";
    QTest::newRow("entry without port") << "list 239.192.0.1" << "Invalid or Empty Group Port Number: 239.192.0.1";
}

void TestRules::scanPlan()
{
    QFETCH(QString, ask);
    const QString verb = ask.section(QLatin1Char(' '), 0, 0);
    const QString rest = ask.section(QLatin1Char(' '), 1);
    QString answer;
    if (verb == QLatin1String("count")) {
        answer = QString::number(presetTargets(rest).size());
    } else if (verb == QLatin1String("preset")) {
        const ScanTarget t = presetTargets(rest.section(QLatin1Char(' '), 0, 0)).value(rest.section(QLatin1Char(' '), 1).toInt());
        answer = t.address() + QLatin1Char(' ') + t.name;
    } else if (verb == QLatin1String("note")) {
        answer = talkerNote(rest.section(QLatin1Char(' '), 0, 0), rest.section(QLatin1Char(' '), 1));
    } else {
        const ScanList list = parseScanList(QString(rest).replace(QLatin1Char('|'), QLatin1Char('\n')));
        QStringList targets;
        for (const ScanTarget &t : list.targets)
            targets << t.address() + QLatin1Char(' ') + t.name;
        answer = list.error.isEmpty() ? targets.join(QLatin1Char(';')) : list.error;
    }
    QTEST(answer, "answer");
}

void TestRules::scanCounts_data()
{
    // Framed lines "GROUP fields" on the groups TGTD, NAVD and VDRD, 100 ms
    // apart; ">ms" lets the clock run on. What each group shows, and the alarms
    // with the clock time each went stale.
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QString>("groups");
    QTest::addColumn<QStringList>("alarms");
    const auto every = [](int group, int n) {
        QStringList lines;
        for (int k = 1; k <= n; ++k)
            lines << QStringLiteral("%1 s:EI0001,n:%2").arg(group).arg(k);
        return lines;
    };
    QTest::newRow("active, silent") << every(0, 10) + QStringList{">100"}
                                    << "TGTD active 10 EI0001 active|NAVD silent 0|VDRD silent 0" << QStringList();
    QTest::newRow("quiet three intervals, under 2 s") << every(0, 10) + QStringList{">1900"}
                                                      << "TGTD active 10 EI0001 active|NAVD silent 0|VDRD silent 0"
                                                      << QStringList();
    const QStringList staleAlarms{"TGTD (239.192.0.2:60002) stale since 2900",
                                  "TGTD EI0001 from 198.51.100.2 stale since 2900"};
    QTest::newRow("stale past 2 s") << every(0, 10) + QStringList{">1901"}
                                    << "TGTD stale 10 EI0001 stale|NAVD silent 0|VDRD silent 0" << staleAlarms;
    QTest::newRow("recovered") << every(0, 10) + QStringList{">5000", "0 s:EI0001,n:11", ">100"}
                               << "TGTD active 11 EI0001 active|NAVD silent 0|VDRD silent 0" << QStringList();
    QStringList slow;
    for (int k = 1; k <= 5; ++k)
        slow << QStringLiteral("1 s:EI0002,n:%1").arg(k) << QStringLiteral(">900");
    QTest::newRow("slow group, three intervals") << slow + QStringList{">2000"}
                                                 << "TGTD silent 0|NAVD active 5 EI0002 active|VDRD silent 0"
                                                 << QStringList();
    QTest::newRow("slow group, past three intervals")
        << slow + QStringList{">2001"} << "TGTD silent 0|NAVD stale 5 EI0002 stale|VDRD silent 0"
        << QStringList{"NAVD (239.192.0.4:60004) stale since 7000", "NAVD EI0002 from 198.51.100.2 stale since 7000"};
    QTest::newRow("two sources, one quiet")
        << every(2, 10) + QStringList{"2 s:EI0003,n:1", ">1000", "2 s:EI0003,n:2", ">1000", "2 s:EI0003,n:3", ">1001"}
        << "TGTD silent 0|NAVD silent 0|VDRD active 13 EI0001 stale EI0003 active"
        << QStringList{"VDRD EI0001 from 198.51.100.2 stale since 2900"};
}

void TestRules::scanCounts()
{
    QFETCH(QStringList, lines);
    const qint64 wallBase = 1700000000000;
    qint64 clock = 0;
    Scancounts counts([&clock] { return clock; }, [&clock, wallBase] { return wallBase + clock; });
    counts.reset({presetTargets(QStringLiteral("iec450")).at(1), presetTargets(QStringLiteral("iec450")).at(3),
                  presetTargets(QStringLiteral("iec450")).at(4)});
    for (const QString &line : lines) {
        if (line.startsWith(QLatin1Char('>'))) {
            clock += line.mid(1).toLongLong();
            continue;
        }
        DatagramRecord record = readDatagram(tagged(line.section(QLatin1Char(' '), 1)));
        record.host = QStringLiteral("198.51.100.2");
        counts.add(line.section(QLatin1Char(' '), 0, 0).toInt(), record);
        clock += 100;
    }
    const ScanReport report = counts.report();
    QStringList groups;
    for (const ScanReport::Group &g : report.groups) {
        QString text = QStringLiteral("%1 %2 %3").arg(g.target.name, scanStateText(g.state)).arg(g.lines);
        for (const ScanReport::Source &s : g.sources)
            text += QStringLiteral(" %1 %2").arg(s.counts.identity, s.counts.stale ? "stale" : "active");
        groups << text;
    }
    QTEST(groups.join(QLatin1Char('|')), "groups");
    // The times as the wall clock read when each went stale.
    QStringList expected;
    QFETCH(QStringList, alarms);
    for (const QString &alarm : qAsConst(alarms)) {
        const qint64 at = alarm.section(QLatin1Char(' '), -1).toLongLong();
        expected << alarm.section(QLatin1Char(' '), 0, -2) + QLatin1Char(' ')
                + QDateTime::fromMSecsSinceEpoch(wallBase + at).toString(QStringLiteral("HH:mm:ss"));
    }
    QCOMPARE(scanAlarms(report), expected);
    // The map marks the same rows stale with a symbol, and notes the heading
    // talker where it is unusual.
    int staleRows = 0;
    for (const Celltable::Row &row : scanRows(report)) {
        staleRows += row.stale && row.texts.at(9).startsWith(QStringLiteral("\u26a0 stale ")) ? 1 : 0;
        if (row.level == 1)
            QCOMPARE(row.texts.last(), row.key.startsWith(QLatin1String("239.192.0.2:")) ? "HE unusual on TGTD" : "");
    }
    QCOMPARE(staleRows, expected.size());

    // The document of Copy, Save and qcx scan --json: exactly its keys.
    const QJsonObject document = QJsonDocument::fromJson(scanJson(report)).object();
    QCOMPARE(document.keys(), QStringList{"groups"});
    const QJsonArray jsonGroups = document.value("groups").toArray();
    QCOMPARE(jsonGroups.size(), 3);
    for (qsizetype i = 0; i < jsonGroups.size(); ++i) {
        const QJsonObject g = jsonGroups.at(i).toObject();
        QCOMPARE(g.keys(), QStringList({"group", "lines", "name", "port", "rate", "sources"}));
        QCOMPARE(g.value("name").toString(), report.groups.at(i).target.name);
        QCOMPARE(g.value("lines").toInteger(), report.groups.at(i).lines);
        for (const QJsonValue &value : g.value("sources").toArray()) {
            const QJsonObject source = value.toObject();
            QCOMPARE(source.keys(), QStringList({"damaged", "duplicated", "host", "kinds", "latency_ms", "lines", "lost",
                                                 "reordered", "restarts", "s"}));
            QVERIFY(source.value("latency_ms").isNull());
            QCOMPARE(source.value("kinds").toObject().value("HEHDT").toInteger(), source.value("lines").toInteger());
        }
    }
}

QTEST_GUILESS_MAIN(TestRules)
void TestRules::liveTime_data()
{
    QTest::addColumn<QString>("sentence");
    QTest::addColumn<QDateTime>("utc");
    QTest::addColumn<QString>("expected");
    const QDateTime morning(QDate(2026, 3, 4), QTime(5, 6, 7, 891), Qt::UTC);
    const QString rmcRest = QStringLiteral(",A,0002.12132,N,00002.12132,E,0000.0,000.0,%1,0.0,W,A,S*%2");
    QTest::newRow("RMC template") << QStringLiteral("$GPRMC,173749.53") + rmcRest.arg("011125", "67") << morning
                                  << QStringLiteral("$GPRMC,050607.89") + rmcRest.arg("040326", "6E");
    QTest::newRow("ZDA template") << "$GPZDA,173616.97,01,11,2025,0,0*68" << morning
                                  << "$GPZDA,050607.89,04,03,2026,0,0*62";
    QTest::newRow("last moment of a year") << QStringLiteral("$GNRMC,173749") + rmcRest.arg("011125", "00")
                                           << QDateTime(QDate(2025, 12, 31), QTime(23, 59, 59, 999), Qt::UTC)
                                           << QStringLiteral("$GNRMC,235959") + rmcRest.arg("311225", "5F");
    QTest::newRow("midnight") << QStringLiteral("$GNRMC,173749") + rmcRest.arg("011125", "00")
                              << QDateTime(QDate(2026, 1, 1), QTime(0, 0), Qt::UTC)
                              << QStringLiteral("$GNRMC,000000") + rmcRest.arg("010126", "5C");
    QTest::newRow("clock not in UTC, widths kept") << "$INZDA,173616.970,01,11,25,00,00*4A"
                                                   << QDateTime(morning.date(), morning.time(), Qt::OffsetFromUTC, 7200)
                                                   << "$INZDA,030607.891,04,03,26,00,00*47";
    QTest::newRow("empty fields stay empty") << "$GPRMC,,V,,,,,,,,,,N*53" << morning << "$GPRMC,,V,,,,,,,,,,N*53";
    QTest::newRow("heading untouched") << "$HEHDT,90.0,T*16" << morning << "$HEHDT,90.0,T*16";
    QTest::newRow("too few fields") << "$GPZDA*00" << morning << "$GPZDA*00";
}

void TestRules::liveTime()
{
    QFETCH(QString, sentence);
    QFETCH(QDateTime, utc);
    QFETCH(QString, expected);
    QCOMPARE(liveTimeSentence(sentence, utc), expected);
}

void TestRules::replaySteps_data()
{
    // Each step as its due time ('t' after it: sent without its damaged TAG
    // block), '-' for a line skipped, 'L' for one too long. The lines are
    // scheduled in runs of runLines (0: all at once); stamps are Berlin's.
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<int>("txInterval");
    QTest::addColumn<int>("speed");
    QTest::addColumn<int>("maxSilence");
    QTest::addColumn<int>("runLines");
    QTest::addColumn<QString>("steps");
    const auto at = [](const char *time, const char *sentence) {
        return QStringLiteral("25.11.01:17.%1: %2").arg(QLatin1String(time), QLatin1String(sentence));
    };
    const QStringList paced{at("37.49", "$QA*00"), at("37.50", "$QB*00"), at("37.52", "$QC*00")};
    QTest::newRow("pace from prefixes") << paced << 100 << 1 << 0 << 0 << "0 1000 3000";
    QTest::newRow("twice the speed") << paced << 100 << 2 << 0 << 0 << "0 500 1500";
    const QStringList crowded{at("37.49", "$QA*00"), at("37.49", "$QB*00"), at("37.49", "$QC*00"),
                              at("37.49", "$QD*00"), at("37.50", "$QE*00")};
    QTest::newRow("spread within a second") << crowded << 100 << 1 << 0 << 0 << "0 250 500 750 1000";
    QTest::newRow("spread at ten times") << crowded << 100 << 10 << 0 << 0 << "0 25 50 75 100";
    QTest::newRow("a second across runs") << crowded << 100 << 1 << 0 << 2 << "0 250 500 750 1000";
    QTest::newRow("lines skipped") << QStringList{"", at("37.49", "No NMEA Data Received From Multicast Source"),
                                                  at("37.49", "$QA*00\r"), "garbage", "$A*00", "$QB*00",
                                                  at("37.50", "!QC*00")}
                                   << 100 << 1 << 0 << 0 << "- - 0 - - 500 1000";
    QTest::newRow("stamp going back") << QStringList{at("37.49", "$QA*00"), at("37.48", "$QB*00")} << 100 << 1 << 0 << 0
                                      << "0 1000";
    QTest::newRow("over midnight") << QStringList{"25.12.31:23.59.59: $QA*00", "26.01.01:00.00.00: $QB*00"} << 100
                                   << 1 << 0 << 0 << "0 1000";
    // Clocks go forward at 02:00 on 30 March 2025 and back at 03:00 on 26 October.
    QTest::newRow("spring forward") << QStringList{"25.03.30:01.59.59: $QA*00", "25.03.30:03.00.00: $QB*00",
                                                   "25.03.30:03.00.02: $QC*00"}
                                    << 100 << 1 << 0 << 0 << "0 1000 3000";
    QTest::newRow("fall back") << QStringList{"25.10.26:01.59.59: $QA*00", "25.10.26:02.30.00: $QB*00",
                                              "25.10.26:02.59.59: $QC*00", "25.10.26:02.00.30: $QD*00",
                                              "25.10.26:03.00.00: $QE*00"}
                               << 100 << 1 << 0 << 0 << "0 1801000 3600000 3631000 7201000";
    const QStringList quiet{at("37.49", "$QA*00"), at("38.49", "$QB*00"), at("38.51", "$QC*00")};
    QTest::newRow("silence kept") << quiet << 100 << 1 << 0 << 0 << "0 60000 62000";
    QTest::newRow("silences skipped") << quiet << 100 << 1 << 10 << 0 << "0 10000 12000";
    QTest::newRow("silences skipped at twice the speed") << quiet << 100 << 2 << 1 << 0 << "0 500 1000";
    QTest::newRow("IEC 61162-450 capture")
        << QStringList{at("37.49", "\\s:EI0001,n:5*09\\$HEHDT,90.0,T*16"),
                       at("37.49", "\\s:EI0001,n:6*00\\$HEHDT,90.0,T*16"), "\\s:EI0001,n:7*0B\\!QC*00",
                       at("37.50", "\\s:EI0001,n:8*00"), at("37.50", "\\s:EI0001,n:9$QD*00")}
        << 100 << 1 << 0 << 0 << "0 333t 666 - -";
    QTest::newRow("no time: Tx interval") << QStringList{"$QA*00", "$QB*00\r", "", "$QC*00"} << 200 << 1 << 0 << 0
                                          << "0 200 - 400";
    QTest::newRow("no time, twice the speed") << QStringList{"$QA*00", "$QB*00", at("37.49", "$QC*00")} << 200 << 2
                                              << 0 << 0 << "0 100 200";
    QTest::newRow("as fast as possible") << QStringList(12, QStringLiteral("$QA*00")) << 200 << 0 << 0 << 0
                                         << "0 0 0 0 0 0 0 0 0 0 1 1";
    QTest::newRow("longer than a datagram") << QStringList{"$Q" + QString(65506, 'X'), "$Q" + QString(65505, 'X')}
                                            << 100 << 1 << 0 << 0 << "L 0";
}

void TestRules::replaySteps()
{
    QFETCH(QStringList, lines);
    QFETCH(int, txInterval);
    QFETCH(int, speed);
    QFETCH(int, maxSilence);
    QFETCH(int, runLines);
    QFETCH(QString, steps);
    const ReplayPace pace{txInterval, speed, maxSilence, QTimeZone("Europe/Berlin")};
    QVERIFY(pace.zone.isValid());
    const qsizetype run = runLines > 0 ? runLines : lines.size();
    ReplayState state;
    QStringList got;
    for (qsizetype from = 0; from < lines.size(); from += run) {
        // The rest of a second past the run, as the replay looks ahead for it.
        const auto after = [&](qint64 second) {
            qint64 count = 0;
            for (qsizetype i = from + run; i < lines.size(); ++i) {
                const ReplayLine line = readReplayLine(lines.at(i));
                if (line.kind == ReplayStep::Send && line.second >= 0 && line.second != second)
                    break;
                count += line.kind == ReplayStep::Send;
            }
            return count;
        };
        for (const ReplayStep &step : replaySchedule(lines.mid(from, run), pace, state, after)) {
            got << (step.kind == ReplayStep::Send ? QString::number(step.dueMs) + (step.damagedTag ? "t" : "")
                                                  : QLatin1String(step.kind == ReplayStep::TooLong ? "L" : "-"));
            // What goes out is the sentence alone, without stamp, TAG block or line end.
            if (step.kind == ReplayStep::Send)
                QVERIFY2(step.sentence.size() > 65000
                             || QRegularExpression("^[$!][A-Z]{2}[A-Z0-9,.]*\\*[0-9A-F]{2}$").match(step.sentence).hasMatch(),
                         qPrintable(step.sentence));
        }
    }
    QCOMPARE(got.join(' '), steps);
}

#include "tst_rules.moc"
