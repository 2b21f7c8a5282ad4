#include <QSignalSpy>
#include <QTest>

#include "logcapture.h"
#include "timeline.h"
#include "validateutil.h"

class TestValidateutil : public QObject
{
    Q_OBJECT

private slots:
    void groupAddress_data();
    void groupAddress();
    void portNumber_data();
    void portNumber();
    void socketDetails_data();
    void socketDetails();
    void nmeaSentence_data();
    void nmeaSentence();

    void constructorLogs();
    void socketRequest_data();
    void socketRequest();
    void detailsReachWorkerBeforeResult();
    void customSentenceRequest_data();
    void customSentenceRequest();

private:
    static void record(Validateutil &validator, Timeline &timeline);
};

void TestValidateutil::record(Validateutil &validator, Timeline &timeline)
{
    auto result = [&timeline](const char *name) {
        return [&timeline, name](bool status, const QString &message) {
            timeline.note(QStringLiteral("%1(%2, %3)")
                              .arg(QLatin1String(name), status ? QStringLiteral("true") : QStringLiteral("false"),
                                   message));
        };
    };
    auto details = [&timeline](const char *name) {
        return [&timeline, name](const QString &address, const QString &port) {
            timeline.note(QStringLiteral("%1(%2, %3)").arg(QLatin1String(name), address, port));
        };
    };
    QObject::connect(&validator, &Validateutil::sendMrSocketValidateResult, &validator,
                     result("sendMrSocketValidateResult"));
    QObject::connect(&validator, &Validateutil::sendMrSocketDetails, &validator, details("sendMrSocketDetails"));
    QObject::connect(&validator, &Validateutil::sendMsSocketValidateResult, &validator,
                     result("sendMsSocketValidateResult"));
    QObject::connect(&validator, &Validateutil::sendMsSocketDetails, &validator, details("sendMsSocketDetails"));
    QObject::connect(&validator, &Validateutil::sendMsCustomNmeaSentenceValidateReslut, &validator,
                     result("sendMsCustomNmeaSentenceValidateReslut"));
}

void TestValidateutil::groupAddress_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<bool>("valid");

    QTest::newRow("lowest group 224.0.0.0") << "224.0.0.0" << true;
    QTest::newRow("highest group 239.255.255.255") << "239.255.255.255" << true;
    QTest::newRow("link-local group") << "224.0.0.251" << true;
    QTest::newRow("administratively scoped default") << "239.191.1.1" << true;
    QTest::newRow("blanks around are left to the parser") << " 239.1.1.1 " << true;
    QTest::newRow("just below the block 223.255.255.255") << "223.255.255.255" << false;
    QTest::newRow("just above the block 240.0.0.0") << "240.0.0.0" << false;
    QTest::newRow("broadcast") << "255.255.255.255" << false;
    QTest::newRow("unicast") << "10.0.0.1" << false;
    QTest::newRow("IPv6 multicast ff02::1") << "ff02::1" << false;
    QTest::newRow("IPv4-mapped IPv6 group") << "::ffff:239.1.1.1" << false;
    QTest::newRow("octet out of range") << "239.1.1.256" << false;
    QTest::newRow("word") << "hello" << false;
    QTest::newRow("empty") << "" << false;
    QTest::newRow("blanks only") << "   " << false;
}

void TestValidateutil::groupAddress()
{
    QFETCH(QString, address);
    QFETCH(bool, valid);
    QCOMPARE(isMulticastGroupAddress(address), valid);
}

void TestValidateutil::portNumber_data()
{
    QTest::addColumn<QString>("port");
    QTest::addColumn<bool>("valid");

    QTest::newRow("lowest allowed 1024") << "1024" << true;
    QTest::newRow("highest 65535") << "65535" << true;
    QTest::newRow("default 4400") << "4400" << true;
    QTest::newRow("well-known 1023") << "1023" << false;
    QTest::newRow("zero") << "0" << false;
    QTest::newRow("65536") << "65536" << false;
    QTest::newRow("beyond signed 32 bits") << "2147483648" << false;
    QTest::newRow("negative") << "-4400" << false;
    QTest::newRow("letters 12ab") << "12ab" << false;
    QTest::newRow("decimal point") << "4400.0" << false;
    QTest::newRow("hexadecimal") << "0x1130" << false;
    QTest::newRow("empty") << "" << false;
    QTest::newRow("blanks only") << "  " << false;
}

void TestValidateutil::portNumber()
{
    QFETCH(QString, port);
    QFETCH(bool, valid);
    QCOMPARE(isGroupPortNumber(port), valid);
}

void TestValidateutil::socketDetails_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("port");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<QString>("message");

    const QString ok = QStringLiteral("All Socket Details OK");
    const QString badAddress = QStringLiteral("Invalid or Empty Multicast Group IP Address");
    const QString badPort = QStringLiteral("Invalid or Empty Group Port Number");

    QTest::newRow("both valid") << "239.1.1.1" << "4400" << true << ok;
    QTest::newRow("unicast address, empty port") << "10.0.0.1" << "" << false << badAddress;
    QTest::newRow("unicast address, valid port") << "10.0.0.1" << "4400" << false << badAddress;
    QTest::newRow("blank address") << "   " << "4400" << false << badAddress;
    QTest::newRow("both empty") << "" << "" << false << badAddress;
    QTest::newRow("group, empty port") << "239.1.1.1" << "" << false << badPort;
    QTest::newRow("group, blank port") << "239.1.1.1" << " " << false << badPort;
    QTest::newRow("group, port 1023") << "239.1.1.1" << "1023" << false << badPort;
    QTest::newRow("group, port 65536") << "239.1.1.1" << "65536" << false << badPort;
    QTest::newRow("group, port 12ab") << "239.1.1.1" << "12ab" << false << badPort;
}

void TestValidateutil::socketDetails()
{
    QFETCH(QString, address);
    QFETCH(QString, port);
    QFETCH(bool, valid);
    QFETCH(QString, message);

    const SocketDetailsVerdict verdict = socketDetailsVerdict(address, port);
    QCOMPARE(verdict.valid, valid);
    QCOMPARE(verdict.message, message);
}

void TestValidateutil::nmeaSentence_data()
{
    QTest::addColumn<QString>("sentence");
    QTest::addColumn<bool>("valid");

    QTest::newRow("heading, checksum not compared") << "$GPHDT,123.4,T*2B" << true;
    QTest::newRow("AIS with ! start") << "!AIVDM,1,1,,A,0,0*00" << true;
    QTest::newRow("no data fields") << "$GP*00" << true;
    QTest::newRow("five-character address") << "$GPHDT*00" << true;
    QTest::newRow("empty data fields") << "$GPHDT,,,*00" << true;
    QTest::newRow("lower-case checksum digits") << "$GPHDT,1*2b" << true;
    QTest::newRow("lower case in data") << "$GPTXT,hello*00" << true;
    QTest::newRow("longer than 82 characters")
        << QStringLiteral("$GPTXT,%1*00").arg(QString(100, QLatin1Char('A'))) << true;
    QTest::newRow("trailing CR LF") << "$GPHDT,123.4,T*2B\r\n" << true;
    QTest::newRow("blanks around") << "  $GPHDT,123.4,T*2B  " << true;
    QTest::newRow("line feed before") << "\n$GPHDT,123.4,T*2B" << true;
    QTest::newRow("no checksum") << "$GPHDT,123.4,T" << false;
    QTest::newRow("lower-case address") << "$gphdt,1*00" << false;
    QTest::newRow("address of seven characters") << "$GPHDTXX*00" << false;
    QTest::newRow("address of six characters") << "$GPHDTX*00" << false;
    QTest::newRow("address of one character") << "$G*00" << false;
    QTest::newRow("no address") << "$*00" << false;
    QTest::newRow("G is no hexadecimal digit") << "$GPHDT,1*2G" << false;
    QTest::newRow("one checksum digit") << "$GPHDT,1*2" << false;
    QTest::newRow("three checksum digits") << "$GPHDT,1*2B0" << false;
    QTest::newRow("second asterisk in data") << "$GPHDT,1*2,T*2B" << false;
    QTest::newRow("no start character") << "GPHDT,123.4,T*2B" << false;
    QTest::newRow("text after checksum") << "$GPHDT,1*2B x" << false;
    QTest::newRow("blank inside address") << "$GP HDT,1*2B" << false;
    QTest::newRow("empty") << "" << false;
    QTest::newRow("blanks only") << "   " << false;
}

void TestValidateutil::nmeaSentence()
{
    QFETCH(QString, sentence);
    QFETCH(bool, valid);
    QCOMPARE(isNmeaSentence(sentence), valid);
}

void TestValidateutil::constructorLogs()
{
    LogCapture log;
    Validateutil validator;
    QCOMPARE(log.texts(), QStringList{QStringLiteral("Validateutil initialized")});
    QCOMPARE(log.entries().first().type, QtInfoMsg);
}

void TestValidateutil::socketRequest_data()
{
    QTest::addColumn<QString>("side");
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("port");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("receiver, valid") << "Mr" << "239.1.1.1" << "4400"
        << QStringList{
               "info: Mr group IP address and port number are valid",
               "info: Mr group IP address:  \"239.1.1.1\" , port number:  \"4400\"",
               "sendMrSocketDetails(239.1.1.1, 4400)",
               "sendMrSocketValidateResult(true, All Socket Details OK)",
           };
    QTest::newRow("receiver, details handed on untrimmed") << "Mr" << " 239.1.1.1 " << " 4400"
        << QStringList{
               "info: Mr group IP address and port number are valid",
               "info: Mr group IP address:  \" 239.1.1.1 \" , port number:  \" 4400\"",
               "sendMrSocketDetails( 239.1.1.1 ,  4400)",
               "sendMrSocketValidateResult(true, All Socket Details OK)",
           };
    QTest::newRow("receiver, bad address") << "Mr" << "10.0.0.1" << ""
        << QStringList{
               "warning: Mr invalid group IP address and port number",
               "warning: Mr group IP address:  \"10.0.0.1\" , port number:  \"\"",
               "sendMrSocketValidateResult(false, Invalid or Empty Multicast Group IP Address)",
           };
    QTest::newRow("receiver, bad port") << "Mr" << "239.1.1.1" << "1023"
        << QStringList{
               "warning: Mr invalid group IP address and port number",
               "warning: Mr group IP address:  \"239.1.1.1\" , port number:  \"1023\"",
               "sendMrSocketValidateResult(false, Invalid or Empty Group Port Number)",
           };
    QTest::newRow("sender, valid") << "Ms" << "224.0.0.0" << "65535"
        << QStringList{
               "info: Ms group IP address and port number are valid",
               "info: Ms group IP address:  \"224.0.0.0\" , port number:  \"65535\"",
               "sendMsSocketDetails(224.0.0.0, 65535)",
               "sendMsSocketValidateResult(true, All Socket Details OK)",
           };
    QTest::newRow("sender, bad address") << "Ms" << "ff02::1" << "4400"
        << QStringList{
               "warning: Ms invalid group IP address and port number",
               "warning: Ms group IP address:  \"ff02::1\" , port number:  \"4400\"",
               "sendMsSocketValidateResult(false, Invalid or Empty Multicast Group IP Address)",
           };
    QTest::newRow("sender, bad port") << "Ms" << "239.191.1.1" << "12ab"
        << QStringList{
               "warning: Ms invalid group IP address and port number",
               "warning: Ms group IP address:  \"239.191.1.1\" , port number:  \"12ab\"",
               "sendMsSocketValidateResult(false, Invalid or Empty Group Port Number)",
           };
}

void TestValidateutil::socketRequest()
{
    QFETCH(QString, side);
    QFETCH(QString, address);
    QFETCH(QString, port);
    QFETCH(QStringList, expected);

    Validateutil validator;
    LogCapture log;
    Timeline timeline(log);
    record(validator, timeline);

    if (side == QLatin1String("Mr"))
        validator.recvMrSocketValidateConnect(address, port);
    else
        validator.recvMsSocketValidateConnect(address, port);

    QCOMPARE(timeline.events(), expected);
}

void TestValidateutil::detailsReachWorkerBeforeResult()
{
    Validateutil validator;
    QSignalSpy details(&validator, &Validateutil::sendMrSocketDetails);
    QSignalSpy result(&validator, &Validateutil::sendMrSocketValidateResult);
    int detailsSeenByResult = -1;
    connect(&validator, &Validateutil::sendMrSocketValidateResult, this,
            [&] { detailsSeenByResult = int(details.count()); });

    validator.recvMrSocketValidateConnect(QStringLiteral("239.1.1.1"), QStringLiteral("4400"));
    QCOMPARE(detailsSeenByResult, 1);
    QCOMPARE(details.count(), 1);
    QCOMPARE(details.first(), (QVariantList{QStringLiteral("239.1.1.1"), QStringLiteral("4400")}));
    QCOMPARE(result.count(), 1);
    QCOMPARE(result.first(), (QVariantList{true, QStringLiteral("All Socket Details OK")}));

    // A bad request afterwards answers with its own verdict and hands nothing on.
    validator.recvMrSocketValidateConnect(QStringLiteral("239.1.1.1"), QString());
    QCOMPARE(details.count(), 1);
    QCOMPARE(result.count(), 2);
    QCOMPARE(result.last(), (QVariantList{false, QStringLiteral("Invalid or Empty Group Port Number")}));
}

void TestValidateutil::customSentenceRequest_data()
{
    QTest::addColumn<QString>("sentence");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("valid") << "$GPHDT,123.4,T*2B\r\n"
        << QStringList{
               "info: Ms custom NMEA sentence is valid",
               "sendMsCustomNmeaSentenceValidateReslut(true, Custom NMEA Sentence is OK)",
           };
    QTest::newRow("invalid") << "$GPHDT,123.4,T"
        << QStringList{
               "warning: Ms invalid custom NMEA sentence",
               "sendMsCustomNmeaSentenceValidateReslut(false, Pls Enter A Valid NMEA Sentence)",
           };
    QTest::newRow("empty") << ""
        << QStringList{
               "warning: Ms invalid custom NMEA sentence",
               "sendMsCustomNmeaSentenceValidateReslut(false, Pls Enter A Valid NMEA Sentence)",
           };
}

void TestValidateutil::customSentenceRequest()
{
    QFETCH(QString, sentence);
    QFETCH(QStringList, expected);

    Validateutil validator;
    LogCapture log;
    Timeline timeline(log);
    record(validator, timeline);

    validator.recvMsCustomNmeaSentenceValidate(sentence);
    QCOMPARE(timeline.events(), expected);
}

QTEST_GUILESS_MAIN(TestValidateutil)

#include "tst_validateutil.moc"
