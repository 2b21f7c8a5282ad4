#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkDatagram>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QUdpSocket>
#include <QtEndian>

#include <csignal>

#include "netlab.h"

// The command line program from outside, as scripts use it: qcx runs in host
// H of a two-host network of namespaces this test builds, a peer P sends and
// listens with plain sockets.

namespace {

const QString kGroup = QStringLiteral("239.192.0.4");
const quint16 kPort = 60004;
const QString kTarget = QStringLiteral("239.192.0.4:60004");

// qcx in H.
void startQcx(QProcess &qcx, const QStringList &arguments)
{
    qcx.start(QStringLiteral("ip"), QStringList{QStringLiteral("netns"), QStringLiteral("exec"), Lab::host(), QStringLiteral(QCX_PATH)} + arguments);
    QVERIFY(qcx.waitForStarted());
}

struct Run
{
    int status = -1;
    QByteArray out, err;
};

Run runQcx(const QStringList &arguments, const QByteArray &input = {}, int timeoutMs = 10000)
{
    QProcess qcx;
    startQcx(qcx, arguments);
    qcx.write(input);
    qcx.closeWriteChannel();
    Run run;
    if (qcx.waitForFinished(timeoutMs) && qcx.exitStatus() == QProcess::NormalExit)
        run.status = qcx.exitCode();
    else
        qcx.kill();
    run.out = qcx.readAllStandardOutput();
    run.err = qcx.readAllStandardError();
    return run;
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestQcx : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void status_data();
    void status();
    void listen_data();
    void listen();
    void signals_();
    void send();
    void replay();

private:
    std::unique_ptr<QUdpSocket> peer(bool listen);
    std::unique_ptr<Lab> m_lab;
};

void TestQcx::initTestCase()
{
    if (::geteuid() != 0)
        QSKIP("building test networks needs root; scripts/test.sh runs this as root");
    QVERIFY2(!inInitialNetns(), "refusing to run in the machine's own network namespace: run it inside `unshare -n`");
    m_lab = std::make_unique<Lab>(QStringLiteral("eth0 198.51.100.1/24 198.51.100.2"), QStringLiteral("eth0"));
    QVERIFY2(m_lab->ok(), qPrintable(m_lab->error()));
}

void TestQcx::cleanupTestCase()
{
    m_lab.reset();
}

// A socket of the peer; a listening one has joined the group.
std::unique_ptr<QUdpSocket> TestQcx::peer(bool listen)
{
    Inside inP(Lab::peer(0));
    auto socket = std::make_unique<QUdpSocket>();
    const bool ok = listen ? socket->bind(QHostAddress::AnyIPv4, kPort, QUdpSocket::ShareAddress)
                                 && socket->joinMulticastGroup(QHostAddress(kGroup))
                           : socket->bind(QHostAddress::AnyIPv4, 0);
    return inP.ok() && ok ? std::move(socket) : nullptr;
}

void TestQcx::status_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("error");
    const QString sentence = QStringLiteral("$QCTX,1*00");
    QTest::newRow("group with leading zeros") << QStringList{"send", "239.001.001.010:60004", sentence} << 2
                                              << "Invalid or Empty Multicast Group IP Address";
    QTest::newRow("second group bad") << QStringList{"listen", kTarget, "239.1.1.1"} << 2
                                      << "Invalid or Empty Group Port Number";
    QTest::newRow("port below 1024") << QStringList{"send", "239.192.0.4:1000", sentence} << 2
                                     << "Invalid or Empty Group Port Number";
    QTest::newRow("identity") << QStringList{"send", kTarget, "--iec450", "E1", sentence} << 2
                              << "Invalid Source Identity \"E1\": Two Letters And Four Digits Are Needed, e.g. EI0001";
    QTest::newRow("bad sentence after a good one") << QStringList{"send", kTarget, sentence, "QCTX,2*00"} << 2
                                                   << "Pls Enter A Valid NMEA Sentence";
    QTest::newRow("interval") << QStringList{"send", kTarget, "--interval", "0.05", sentence} << 2 << "--interval";
    QTest::newRow("replay speed") << QStringList{"replay", "/dev/null", kTarget, "--speed", "3"} << 2 << "--speed";
    QTest::newRow("unknown interface") << QStringList{"listen", kTarget, "--iface", "eth9"} << 2 << "eth9";
    QTest::newRow("no command") << QStringList{"probe"} << 2 << "unknown command";
    QTest::newRow("scan, second group bad") << QStringList{"scan", kTarget, "239.001.001.010:60001"} << 2
                                            << "Invalid or Empty Multicast Group IP Address";
    QTest::newRow("scan preset") << QStringList{"scan", "--preset", "iec"} << 2 << "--preset";
    QTest::newRow("replay of a missing file") << QStringList{"replay", "/nonexistent.txt", kTarget} << 1
                                              << "Replay File Not Found: /nonexistent.txt";
    QTest::newRow("nothing within the time-out") << QStringList{"listen", kTarget, "--timeout", "0.5"} << 3
                                                 << "No NMEA Data Received From Multicast Source";
    QTest::newRow("version") << QStringList{"--version"} << 0 << "";
}

void TestQcx::status()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    QFETCH(QString, error);
    auto listener = peer(true);
    QVERIFY(listener);
    const Run run = runQcx(arguments);
    QCOMPARE(run.status, status);
    QVERIFY2(error.isEmpty() ? run.err.isEmpty() : run.err.startsWith("qcx: ") && run.err.contains(error.toUtf8()),
             run.err.constData());
    if (status == 0)
        QCOMPARE(run.out, QByteArray("qcx " QCX_VERSION "\n"));
    QTest::qWait(100);
    QVERIFY(!listener->hasPendingDatagrams());
}

void TestQcx::listen_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QList<QByteArray>>("datagrams");
    QTest::addColumn<QStringList>("expected"); // plain lines without their stamp, or JSON objects
    const QByteArray framed = QByteArray("UdPbC", 6) + "\\s:EI0001,n:7*0B\\$QCA,1*4E\r\n\\s:EI0001*46\\$QCB*00\r\n";
    QTest::newRow("plain, several lines in a datagram")
        << QStringList() << QList<QByteArray>{"$QCA,1*4E", " $QCB,2\r\n!QCC,3*00\r\n"}
        << QStringList{"$QCA,1*4E", "$QCB,2", "!QCC,3*00"};
    QTest::newRow("plain, framed, without time") << QStringList{"--no-time"} << QList<QByteArray>{framed}
                                                 << QStringList{"\\s:EI0001,n:7*0B\\$QCA,1*4E", "\\s:EI0001*46\\$QCB*00"};
    QTest::newRow("json, framed") << QStringList{"--json"} << QList<QByteArray>{framed}
                                  << QStringList{R"({"line":"\\s:EI0001,n:7*0B\\$QCA,1*4E","kind":"QCA","checksum":"right","tag":{"s":"EI0001","n":7,"verdict":"correct"}})",
                                                 R"({"line":"\\s:EI0001*46\\$QCB*00","kind":"QCB","checksum":"wrong","tag":{"s":"EI0001","verdict":"wrong"}})"};
    QTest::newRow("json, control and Latin-1 bytes")
        << QStringList{"--json"} << QList<QByteArray>{QByteArray("$QC,\0\x1b\xe9\"\\", 9), "GARBAGE"}
        << QStringList{QString::fromUtf8(R"({"line":"$QC,\u0000\u001bé\"\\","kind":"other","checksum":"not-nmea"})"),
                       R"({"line":"GARBAGE","kind":"other","checksum":"not-nmea"})"};
}

void TestQcx::listen()
{
    QFETCH(QStringList, options);
    QFETCH(QList<QByteArray>, datagrams);
    QFETCH(QStringList, expected);
    QTemporaryDir capture;
    auto sender = peer(false);
    QVERIFY(sender);
    QProcess qcx;
    startQcx(qcx, QStringList{QStringLiteral("listen"), kTarget, QStringLiteral("239.192.0.5:60005"),
                              QStringLiteral("--capture"), capture.path(), QStringLiteral("--count"),
                              QString::number(expected.size())}
                      + options);
    QTRY_VERIFY(joined(kGroup, Lab::host()) && joined(QStringLiteral("239.192.0.5"), Lab::host()));
    for (const QByteArray &datagram : datagrams)
        sender->writeDatagram(datagram, QHostAddress(kGroup), kPort);
    QVERIFY(qcx.waitForFinished(5000));
    QCOMPARE(qcx.exitCode(), 0);
    const QByteArray out = qcx.readAllStandardOutput();
    // JSON lines in ASCII alone, whatever arrived.
    for (const char c : out)
        QVERIFY2(!options.contains(QStringLiteral("--json")) || c == '\n' || (c >= 0x20 && c < 0x7f), out.constData());
    const QList<QByteArray> lines = out.split('\n');
    QCOMPARE(lines.size(), expected.size() + 1);
    const QStringList files = QDir(capture.path()).entryList(QDir::Files);
    QCOMPARE(files.size(), 1);
    QVERIFY(QRegularExpression(QStringLiteral("^QCX NMEA LOG \\d\\d\\.\\d\\d\\.\\d\\d \\d\\d\\.\\d\\d\\.\\d\\d\\.txt$"))
                .match(files.first()).hasMatch());
    const QByteArray file = readAll(capture.filePath(files.first()));
    for (int i = 0; i < expected.size(); ++i) {
        if (!options.contains(QStringLiteral("--json"))) {
            const QString stamp = options.contains(QStringLiteral("--no-time")) ? QString() : QStringLiteral("\\d\\d\\.\\d\\d\\.\\d\\d:\\d\\d\\.\\d\\d\\.\\d\\d: ");
            QVERIFY2(QRegularExpression(QStringLiteral("^%1%2$").arg(stamp, QRegularExpression::escape(expected.at(i))))
                         .match(QString::fromUtf8(lines.at(i))).hasMatch(),
                     lines.at(i).constData());
            continue;
        }
        QJsonParseError error;
        const QJsonObject got = QJsonDocument::fromJson(lines.at(i), &error).object();
        QVERIFY2(error.error == QJsonParseError::NoError, lines.at(i).constData());
        QVERIFY(QRegularExpression(QStringLiteral("^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\\.\\d{3}Z$"))
                    .match(got.value(QStringLiteral("time")).toString()).hasMatch());
        QJsonObject want = QJsonDocument::fromJson(expected.at(i).toUtf8()).object();
        want.insert(QStringLiteral("time"), got.value(QStringLiteral("time")));
        want.insert(QStringLiteral("host"), QStringLiteral("198.51.100.2"));
        want.insert(QStringLiteral("group"), kGroup);
        want.insert(QStringLiteral("port"), kPort);
        QCOMPARE(got, want);
    }
    // The capture file has the plain lines, JSON or not.
    if (!options.contains(QStringLiteral("--json")))
        QCOMPARE(file, out);
    else
        QCOMPARE(file.count('\n'), expected.size());
}

// SIGHUP starts a new capture file, SIGTERM ends the run with every line out.
void TestQcx::signals_()
{
    QTemporaryDir capture;
    auto sender = peer(false);
    QVERIFY(sender);
    QProcess qcx;
    startQcx(qcx, {QStringLiteral("listen"), kTarget, QStringLiteral("--capture"), capture.path()});
    QTRY_VERIFY(joined(kGroup, Lab::host()));
    sender->writeDatagram("$QCA,1*31", QHostAddress(kGroup), kPort);
    QTRY_COMPARE(qcx.bytesAvailable() > 0, true);
    QTest::qWait(1100); // capture file names differ by the second
    QCOMPARE(::kill(pid_t(qcx.processId()), SIGHUP), 0);
    QTRY_COMPARE(QDir(capture.path()).entryList(QDir::Files).size(), 2);
    for (int i = 0; i < 200; ++i)
        sender->writeDatagram("$QCB,2*31", QHostAddress(kGroup), kPort);
    QTest::qWait(100);
    qcx.terminate();
    QVERIFY(qcx.waitForFinished(5000));
    QCOMPARE(qcx.exitStatus(), QProcess::NormalExit);
    QCOMPARE(qcx.exitCode(), 0);
    const QList<QByteArray> lines = qcx.readAllStandardOutput().split('\n');
    QCOMPARE(lines.size(), 202);
    QVERIFY(lines.at(200).endsWith("$QCB,2*31"));
    const QStringList files = QDir(capture.path()).entryList(QDir::Files, QDir::Name);
    QCOMPARE(readAll(capture.filePath(files.at(0))).count('\n'), 1);
    QCOMPARE(readAll(capture.filePath(files.at(1))).count('\n'), 200);
}

// Framed as the window frames, the line count running on; one round of
// standard input's lines.
void TestQcx::send()
{
    auto listener = peer(true);
    QVERIFY(listener);
    Run run = runQcx({QStringLiteral("send"), kTarget, QStringLiteral("--iec450"), QStringLiteral("ei0001"),
                      QStringLiteral("--interval"), QStringLiteral("0.1"), QStringLiteral("--count"),
                      QStringLiteral("2"), QStringLiteral("$QCTX,1*00"), QStringLiteral("$QCTX,2*00")});
    QCOMPARE(run.status, 0);
    QVERIFY2(run.out.isEmpty() && run.err.isEmpty(), run.err.constData());
    run = runQcx({QStringLiteral("send"), kTarget, QStringLiteral("--count"), QStringLiteral("1"),
                  QStringLiteral("--interval"), QStringLiteral("0.1")},
                 "$QCA,\xc2\xb0*00\r\n\n$QCB,\xb0*00\n");
    QCOMPARE(run.status, 0);
    QList<QByteArray> got;
    QTRY_COMPARE((got += [&] { QList<QByteArray> d; while (listener->hasPendingDatagrams()) d << listener->receiveDatagram().data(); return d; }()).size(), 6);
    const QByteArray header("UdPbC", 6);
    QCOMPARE(got, (QList<QByteArray>{header + "\\s:EI0001,n:1*0D\\$QCTX,1*00\r\n", header + "\\s:EI0001,n:2*0E\\$QCTX,2*00\r\n",
                                     header + "\\s:EI0001,n:3*0F\\$QCTX,1*00\r\n", header + "\\s:EI0001,n:4*08\\$QCTX,2*00\r\n",
                                     "$QCA,\xb0*00", "$QCB,\xb0*00"}));
}

// A capture at its recorded pace, doubled; its notices skipped.
void TestQcx::replay()
{
    auto listener = peer(true);
    QVERIFY(listener);
    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("capture.txt")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("25.11.01:17.37.49: $QCA,1*00\n25.11.01:17.37.49: $QCB,2*00\n"
               "25.11.01:17.37.50: No NMEA Data Received From Multicast Source\n25.11.01:17.37.51: $QCC,3*00\n");
    file.close();
    const Run run = runQcx({QStringLiteral("replay"), file.fileName(), kTarget, QStringLiteral("--speed"),
                            QStringLiteral("2")});
    QCOMPARE(run.status, 0);
    QVERIFY2(QRegularExpression(QStringLiteral("^sent 3, skipped 1, seconds 1\\.\\d\\d\n$"))
                 .match(QString::fromUtf8(run.out)).hasMatch(),
             run.out.constData());
    QStringList got;
    while (listener->hasPendingDatagrams())
        got << QString::fromLatin1(listener->receiveDatagram().data());
    QCOMPARE(got, QStringList({"$QCA,1*00", "$QCB,2*00", "$QCC,3*00"}));
}

QTEST_GUILESS_MAIN(TestQcx)
#include "tst_qcx.moc"
