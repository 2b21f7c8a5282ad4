#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMutex>
#include <QQmlComponent>
#include <QQuickImageProvider>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <sys/inotify.h>
#include <unistd.h>

#include "mainwindowharness.h"
#include "netnsguard.h"
#include "netnslab.h"
#include "probeimageprovider.h"
#include "temphome.h"

namespace {

const QString kGroup = QStringLiteral("239.192.3.1");
const quint16 kPort = 24420;
const quint16 kProbePort = 8080;

// Notes every opening of the files it watches.
class OpenWatch
{
public:
    OpenWatch() : m_fd(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {}
    ~OpenWatch()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    OpenWatch(const OpenWatch &) = delete;
    OpenWatch &operator=(const OpenWatch &) = delete;

    bool watch(const QString &path)
    {
        const int wd = ::inotify_add_watch(m_fd, QFile::encodeName(path).constData(), IN_OPEN);
        if (wd < 0)
            return false;
        m_paths.insert(wd, path);
        return true;
    }

    QStringList opened()
    {
        alignas(inotify_event) char buffer[4096];
        ssize_t length;
        while ((length = ::read(m_fd, buffer, sizeof buffer)) > 0) {
            for (char *at = buffer; at < buffer + length;) {
                const auto *event = reinterpret_cast<const inotify_event *>(at);
                m_opened << m_paths.value(event->wd);
                at += sizeof(inotify_event) + event->len;
            }
        }
        return m_opened;
    }

private:
    int m_fd;
    QHash<int, QString> m_paths;
    QStringList m_opened;
};

// Notes the request line of every connection to a listener in host B.
class HttpProbe : public QObject
{
public:
    bool listen()
    {
        NetnsEnter inHostB(shipHostB());
        if (!inHostB.entered())
            return false;
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *socket = m_server.nextPendingConnection()) {
                m_requests << QString();
                const qsizetype index = m_requests.size() - 1;
                connect(socket, &QTcpSocket::readyRead, this, [this, socket, index] {
                    m_requests[index] += QString::fromLatin1(socket->readAll()).section(QLatin1Char('\n'), 0, 0);
                });
            }
        });
        return m_server.listen(QHostAddress(shipAddressB()), kProbePort);
    }
    QStringList requests() const { return m_requests; }

private:
    QTcpServer m_server;
    QStringList m_requests;
};

// All the bytes of a literal, NULs included.
template<size_t N>
QByteArray bytes(const char (&literal)[N])
{
    return QByteArray(literal, N - 1);
}

QByteArray fileUrlImage(const QString &path)
{
    return "<img src=\"" + QUrl::fromLocalFile(path).toEncoded() + "\">";
}

} // namespace

// Hostile datagrams through the whole program: the real main window with the
// real controller in host A, and a peer in host B sending what anyone on a
// ship's network could send.
class TestHostile : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();

    void oddBytesShownAndRecordedAsTheyAre_data();
    void oddBytesShownAndRecordedAsTheyAre();
    void markupIsTextAndLoadsNothing();
    void floodLeavesProgramResponsive();

private:
    bool start();
    QQuickItem *page(const char *name) const
    {
        return MainWindowHarness::findItem(m_main->item("recvTab"), QLatin1String(name));
    }
    bool connectReceiver();
    bool peerSends(const QList<QByteArray> &payloads);
    QString captureFile() const;
    QList<QQuickItem *> rowItems() const;

    std::unique_ptr<QTemporaryDir> m_data;
    std::unique_ptr<MainWindowHarness> m_main;
    // Every non-blank sentence the program was handed, in order: what the
    // capture file must hold.
    QStringList m_delivered;
};

void TestHostile::initTestCase()
{
    const QString refusal = netnsRefusal();
    QVERIFY2(refusal.isEmpty(), qPrintable(refusal));
}

void TestHostile::cleanup()
{
    m_main.reset();
    m_data.reset();
    m_delivered.clear();
}

bool TestHostile::start()
{
    m_data = std::make_unique<QTemporaryDir>();
    // Recording from the start, sentences without date and time, and a
    // time-out long enough never to add its notice.
    const QVariantMap values{{QStringLiteral("mrDefaultRxTimeout"), 60},
                             {QStringLiteral("mrSaveNmeaToFileStatus"), true},
                             {QStringLiteral("mrIncludeDateTimeInNmeaFileStatus"), false},
                             {QStringLiteral("mrAllowOsChooseIfaceStatus"), false}};
    if (!m_data->isValid() || !MainWindowHarness::writeSettings(m_data->path(), values))
        return false;
    m_main = std::make_unique<MainWindowHarness>(MainWindowHarness::Controller::Real, m_data->path());
    Viewutil *view = m_main->view();
    connect(view, &Viewutil::sendMrNmeaSentenceChanged, this, [this, view] {
        if (!view->mrNmeaSentence().trimmed().isEmpty())
            m_delivered << view->mrNmeaSentence();
    });
    m_main->engine()->addImageProvider(QStringLiteral("probe"), new ProbeImageProvider);
    return m_main->load() && page("saveNmeaChkBox")->property("checked").toBool();
}

bool TestHostile::connectReceiver()
{
    return MainWindowHarness::typeInto(page("grpIpTextField"), kGroup)
        && MainWindowHarness::typeInto(page("grpPortTextField"), QString::number(kPort))
        && MainWindowHarness::click(page("connectBtn"))
        && m_main->view()->mrConnectionStatus() == QLatin1String("Connected");
}

bool TestHostile::peerSends(const QList<QByteArray> &payloads)
{
    McastPeer peer;
    if (!peer.startSender(shipHostB(), kGroup, kPort, shipAddressB(), payloads, 0, 0, 5) || !peer.waitFinished(20000)) {
        qWarning() << "peer:" << peer.errorOutput();
        return false;
    }
    return true;
}

QString TestHostile::captureFile() const
{
    const QDir dir(m_data->path() + QStringLiteral("/capture"));
    const QStringList files = dir.entryList({QStringLiteral("QCX NMEA LOG *.txt")}, QDir::Files);
    return files.size() == 1 ? dir.filePath(files.first()) : QString();
}

QList<QQuickItem *> TestHostile::rowItems() const
{
    QList<QQuickItem *> rows;
    auto *list = MainWindowHarness::findItem(page("listView"), QStringLiteral("nmeaListView"));
    auto *content = list ? list->property("contentItem").value<QQuickItem *>() : nullptr;
    if (!content)
        return rows;
    for (QQuickItem *row : content->childItems()) {
        if (row->property("textFormat").isValid())
            rows << row;
    }
    return rows;
}

void TestHostile::oddBytesShownAndRecordedAsTheyAre_data()
{
    QTest::addColumn<QList<QByteArray>>("payloads");

    QByteArray everyHighByte;
    for (int b = 0x80; b <= 0xFF; ++b)
        everyHighByte += char(b);
    QByteArray largest = "$GPTXT,";
    largest += QByteArray(65507 - largest.size() - 3, 'x');
    largest += "*00";
    QByteArray tenThousandLines;
    for (int i = 0; i < 10000; ++i)
        tenThousandLines += QByteArray::number(i).rightJustified(5, '0') + '\n';

    QTest::newRow("NUL and control bytes")
        << QList<QByteArray>{bytes("$GP\0HDT,1\x01\x02\x1b[31m\x07\x08\x7f,T*00"), QByteArray(1, '\0'),
                             bytes("\x1b]0;title\x07\x1b[2J")};
    QTest::newRow("bytes 0x80 to 0xFF") << QList<QByteArray>{everyHighByte, "\xa0$GPHDT,\xe9\xff*00\x85"};
    QTest::newRow("largest datagram, 65,507 bytes") << QList<QByteArray>{largest};
    QTest::newRow("10,000 lines in one datagram") << QList<QByteArray>{tenThousandLines};
}

void TestHostile::oddBytesShownAndRecordedAsTheyAre()
{
    QFETCH(QList<QByteArray>, payloads);
    QVERIFY(start());
    QVERIFY(connectReceiver());
    QVERIFY(peerSends(payloads + QList<QByteArray>{"$QCEND,1*00"}));

    // One row per datagram, each its Latin-1 text without the white space around it.
    QStringList expected{QString()};
    for (const QByteArray &payload : payloads)
        expected << QString::fromLatin1(payload).trimmed();
    expected << QStringLiteral("$QCEND,1*00");
    QTRY_COMPARE_WITH_TIMEOUT(m_main->rows("listView"), expected, 20000);
    QCOMPARE(m_main->view()->mrConnectionStatus(), QStringLiteral("Connected"));
    QCOMPARE(m_main->errorShown(), QString());

    // The rows show those characters as plain text.
    QTRY_VERIFY(!rowItems().isEmpty());
    for (QQuickItem *row : rowItems()) {
        QCOMPARE(row->property("textFormat").toInt(), int(Qt::PlainText));
        QVERIFY(expected.contains(row->property("text").toString()));
    }

    // The capture file holds each non-blank sentence as one UTF-8 entry, and nothing else.
    QByteArray expectedFile;
    for (const QString &sentence : std::as_const(m_delivered))
        expectedFile += sentence.toUtf8() + '\n';
    QCOMPARE(m_delivered, expected.mid(1).filter(QRegularExpression(QStringLiteral("\\S"))));
    QFile file(captureFile());
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), expectedFile);
}

void TestHostile::markupIsTextAndLoadsNothing()
{
    QTemporaryDir files;
    const QString controlImage = files.filePath(QStringLiteral("control.png"));
    const QString datagramImage = files.filePath(QStringLiteral("datagram.png"));
    for (const QString &path : {controlImage, datagramImage}) {
        QImage image(4, 4, QImage::Format_ARGB32);
        image.fill(Qt::blue);
        QVERIFY(image.save(path));
    }
    OpenWatch opens;
    QVERIFY(opens.watch(controlImage));
    QVERIFY(opens.watch(datagramImage));
    HttpProbe http;
    QVERIFY(http.listen());
    const QByteArray httpBase = "http://" + shipAddressB().toLatin1() + ':' + QByteArray::number(kProbePort);

    QVERIFY(start());

    // The probes work: rich text with the same markup asks the image provider,
    // the web server and the file system, and holds a link.
    const QByteArray controlMarkup = "<img src=\"image://probe/control\"><img src=\"" + httpBase + "/control.png\">"
        + fileUrlImage(controlImage) + "<a href=\"" + httpBase + "/control-link\">link link link link</a>";
    QQmlComponent control(m_main->engine());
    control.setData("import QtQuick\nText { textFormat: Text.RichText; width: 400; text: '" + controlMarkup + "' }",
                    QUrl(QStringLiteral("qrc:/qt/qml/Quaycast/ProbeControl.qml")));
    std::unique_ptr<QQuickItem> richText(qobject_cast<QQuickItem *>(control.create()));
    QVERIFY2(richText, qPrintable(control.errorString()));
    richText->setParentItem(m_main->window()->contentItem());
    QTRY_VERIFY(ProbeImageProvider::requested().contains(QStringLiteral("control")));
    QTRY_VERIFY_WITH_TIMEOUT(http.requests().filter(QStringLiteral("/control.png")).size() == 1, 10000);
    QTRY_VERIFY(opens.opened().contains(controlImage));
    QString link;
    for (qreal x = 1; x < richText->width() && link.isEmpty(); x += 4) {
        QMetaObject::invokeMethod(richText.get(), "linkAt", Q_RETURN_ARG(QString, link), Q_ARG(qreal, x),
                                  Q_ARG(qreal, richText->height() - 4));
    }
    QCOMPARE(link, QString::fromLatin1(httpBase + "/control-link"));
    richText.reset();

    QVERIFY(connectReceiver());
    const QList<QByteArray> payloads{
        "<b>bold</b> <i>x</i> &lt;&amp;&#65;",
        "<img src=\"image://probe/datagram\">",
        "<img src=\"" + httpBase + "/datagram.png\">",
        fileUrlImage(datagramImage),
        "<a href=\"" + httpBase + "/datagram-link\">" + QByteArray(60, 'L') + "</a>",
        "<html><head><style>*{color:red}</style></head><body onload=\"x()\"><table><tr><td>t</td></tr></table></body></html>",
    };
    QVERIFY(peerSends(payloads));
    QStringList expected{QString()};
    for (const QByteArray &payload : payloads)
        expected << QString::fromLatin1(payload);
    QTRY_COMPARE_WITH_TIMEOUT(m_main->rows("listView"), expected, 10000);

    // Each row shows the markup's characters, and holds no link.
    QStringList shown;
    QTRY_VERIFY(rowItems().size() >= expected.size());
    for (QQuickItem *row : rowItems()) {
        QCOMPARE(row->property("textFormat").toInt(), int(Qt::PlainText));
        shown << row->property("text").toString();
        for (qreal x = 1; x < row->width(); x += 4) {
            QString rowLink;
            QVERIFY(QMetaObject::invokeMethod(row, "linkAt", Q_RETURN_ARG(QString, rowLink), Q_ARG(qreal, x),
                                              Q_ARG(qreal, row->height() / 2)));
            QCOMPARE(rowLink, QString());
        }
    }
    for (const QString &text : expected.mid(1))
        QVERIFY2(shown.contains(text), qPrintable(text));

    // Rendered, and given as long as the control needed: nothing was loaded.
    QVERIFY(!m_main->window()->grabWindow().isNull());
    QTest::qWait(1000);
    QVERIFY(!ProbeImageProvider::requested().contains(QStringLiteral("datagram")));
    QCOMPARE(http.requests().filter(QStringLiteral("datagram")), QStringList());
    QVERIFY(!opens.opened().contains(datagramImage));

    // And the capture file holds the markup as it came.
    QFile file(captureFile());
    QVERIFY(file.open(QIODevice::ReadOnly | QIODevice::Text));
    QCOMPARE(QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts), expected.mid(1));
}

void TestHostile::floodLeavesProgramResponsive()
{
    QVERIFY(start());
    QVERIFY(connectReceiver());

    // The event loop's pulse: the longest time between two ticks of a 20 ms timer.
    QElapsedTimer pulse;
    qint64 longestGap = 0;
    bool flooding = false;
    QTimer ticker;
    connect(&ticker, &QTimer::timeout, this, [&] {
        if (flooding)
            longestGap = qMax(longestGap, pulse.restart());
    });
    ticker.start(20);

    McastPeer flood;
    QVERIFY(flood.startFlood(shipHostB(), kGroup, kPort, shipAddressB(), 50000, 10));
    pulse.start();
    flooding = true;
    QElapsedTimer floodTime;
    floodTime.start();
    QVERIFY2(flood.waitFinished(30000), qPrintable(flood.errorOutput()));
    flooding = false;
    const qint64 sent = flood.sentCount();
    qInfo() << "flood: sent" << sent << "in" << floodTime.elapsed() << "ms, delivered" << m_delivered.size()
            << ", longest pause of the event loop" << longestGap << "ms";
    QVERIFY(sent > 400000);
    QVERIFY(!m_delivered.isEmpty());
    QVERIFY2(longestGap < 500, qPrintable(QString::number(longestGap)));

    // Once the flood ends the next sentence comes through normally.
    QVERIFY(peerSends({"$QCEND,1*00"}));
    QTRY_COMPARE_WITH_TIMEOUT(m_delivered.last(), QStringLiteral("$QCEND,1*00"), 10000);
    QCOMPARE(m_main->view()->mrConnectionStatus(), QStringLiteral("Connected"));
    QCOMPARE(m_main->view()->mrInfoSrcIpAddress(), shipAddressB());

    // Delivered in the order sent, none twice.
    qint64 previous = 0;
    for (qsizetype i = 0; i + 1 < m_delivered.size(); ++i) {
        const qint64 number = m_delivered.at(i).mid(7, 8).toLongLong();
        QVERIFY2(number > previous, qPrintable(m_delivered.at(i)));
        previous = number;
    }

    // Recording stopped: the file holds exactly the sentences delivered.
    QVERIFY(MainWindowHarness::click(page("saveNmeaChkBox")));
    QVERIFY(!m_main->view()->mrSaveNmeaToFileToggle());
    QFile file(captureFile());
    QVERIFY(file.open(QIODevice::ReadOnly | QIODevice::Text));
    const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), m_delivered.size());
    QCOMPARE(lines, m_delivered);
}

int main(int argc, char *argv[])
{
    TempHome home;
    if (!home.isValid())
        return 1;
    QGuiApplication app(argc, argv);
    app.setOrganizationName(QStringLiteral("vestranautic"));
    app.setApplicationName(QStringLiteral("QuaycastTool"));
    TestHostile test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_hostile.moc"
