#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include "logcapture.h"
#include "saveutil.h"
#include "temphome.h"
#include "timeline.h"

namespace {

const QString kHdt = QStringLiteral("$GPHDT,123.4,T*2B");
const QString kTimeoutNotice = QStringLiteral("No NMEA Data Received From Multicast Source");

QStringList readLines(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {QStringLiteral("<unreadable>")};
    const QString text = QString::fromUtf8(file.readAll());
    if (text.isEmpty())
        return {};
    if (!text.endsWith(QLatin1Char('\n')))
        return {QStringLiteral("<last line unterminated>"), text};
    QStringList lines = text.split(QLatin1Char('\n'));
    lines.removeLast();
    return lines;
}

QStringList captureFiles(const QString &dir)
{
    return QDir(dir).entryList({QStringLiteral("QCX NMEA LOG *.txt")}, QDir::Files, QDir::Name);
}

// Names a capture started now or in the next seconds can get; a test that
// needs something in the capture file's place puts it under each of them.
QStringList upcomingCaptureNames()
{
    const QDateTime now = QDateTime::currentDateTime();
    QStringList names;
    for (int s = 0; s < 3; ++s)
        names << captureFileName(now.addSecs(s));
    return names;
}

void feed(Saveutil &save, const QString &sentence, const QString &status = QStringLiteral("Connected"))
{
    save.recvNmeaData(status, sentence, QStringLiteral("198.51.100.7"), QStringLiteral("4400"));
}

QString normalised(QString event)
{
    static const QRegularExpression stamp(QStringLiteral("\\d\\d\\.\\d\\d\\.\\d\\d \\d\\d\\.\\d\\d\\.\\d\\d"));
    return event.replace(stamp, QStringLiteral("<stamp>"));
}

} // namespace

class TestSaveutil : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void fileName_data();
    void fileName();
    void line_data();
    void line();
    void defaultDirectories();

    void startWriteStopLogs();
    void everySentenceFlushedAtOnce();
    void dateTimeSwitchTakesEffectNextLine();
    void stampIsTheTimeOfWriting();
    void idleWritesAndSecondStartIgnored();
    void stopStartWithinOneSecondLosesNothing();
    void destructionClosesFile();

    void directoryBlockedUsesFallback();
    void noUsableDirectory();
    void directoryStandingForFile();
    void writeFailureReported();

private:
    void record(Saveutil &save, Timeline &timeline);
    QString captureDir() const { return m_tmp->path() + QStringLiteral("/machine/QCX"); }
    QString fallbackDir() const { return m_tmp->path() + QStringLiteral("/Documents/QCN"); }

    std::unique_ptr<QTemporaryDir> m_tmp;
};

void TestSaveutil::init()
{
    m_tmp = std::make_unique<QTemporaryDir>();
    QVERIFY(m_tmp->isValid());
}

void TestSaveutil::record(Saveutil &save, Timeline &timeline)
{
    connect(&save, &Saveutil::sendErrorMessage, this,
            [&timeline](const QString &text) { timeline.note(QStringLiteral("error-signal: ") + text); });
    connect(&save, &Saveutil::sendInfoMessage, this,
            [&timeline](const QString &text) { timeline.note(QStringLiteral("info-signal: ") + text); });
}

void TestSaveutil::fileName_data()
{
    QTest::addColumn<QDateTime>("start");
    QTest::addColumn<QString>("name");

    QTest::newRow("morning") << QDateTime(QDate(2025, 3, 14), QTime(9, 5, 7))
                             << "QCX NMEA LOG 25.03.14 09.05.07.txt";
    QTest::newRow("last second of a year") << QDateTime(QDate(2025, 12, 31), QTime(23, 59, 59))
                                           << "QCX NMEA LOG 25.12.31 23.59.59.txt";
    QTest::newRow("midnight, early century") << QDateTime(QDate(2009, 1, 2), QTime(0, 0, 0))
                                             << "QCX NMEA LOG 09.01.02 00.00.00.txt";
}

void TestSaveutil::fileName()
{
    QFETCH(QDateTime, start);
    QFETCH(QString, name);
    QCOMPARE(captureFileName(start), name);
}

void TestSaveutil::line_data()
{
    QTest::addColumn<QString>("sentence");
    QTest::addColumn<bool>("includeDateTime");
    QTest::addColumn<QString>("line");

    QTest::newRow("date and time, CR LF received") << kHdt + "\r\n" << true
                                                   << "25.03.14:09.05.07: $GPHDT,123.4,T*2B\n";
    QTest::newRow("date and time, blanks around") << "  " + kHdt + " " << true
                                                  << "25.03.14:09.05.07: $GPHDT,123.4,T*2B\n";
    QTest::newRow("sentence only, CR LF received") << kHdt + "\r\n" << false << "$GPHDT,123.4,T*2B\n";
    QTest::newRow("time-out notice with date and time") << kTimeoutNotice << true
                                                        << "25.03.14:09.05.07: " + kTimeoutNotice + "\n";
    QTest::newRow("inner blanks kept") << "$GPTXT,a  b*00" << false << "$GPTXT,a  b*00\n";
}

void TestSaveutil::line()
{
    QFETCH(QString, sentence);
    QFETCH(bool, includeDateTime);
    QFETCH(QString, line);
    QCOMPARE(captureLine(sentence, includeDateTime, QDate(2025, 3, 14), QTime(9, 5, 7)), line);
    const QString stamp = includeDateTime ? captureStamp(QDate(2025, 3, 14), QTime(9, 5, 7)) : QString();
    QCOMPARE(captureLine(sentence, stamp), line);
}

void TestSaveutil::defaultDirectories()
{
#ifdef Q_OS_WIN
    QCOMPARE(defaultCaptureDirectory(), QStringLiteral("C:/ProgramData/QCX"));
#else
    QCOMPARE(defaultCaptureDirectory(), QStringLiteral("/var/lib/QCX"));
#endif
    QVERIFY(QDir::isAbsolutePath(defaultCaptureDirectory()));
    QCOMPARE(fallbackCaptureDirectory(),
             QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation) + QStringLiteral("/QCN"));
    QVERIFY(fallbackCaptureDirectory().startsWith(qEnvironmentVariable("HOME") + QLatin1Char('/')));
}

void TestSaveutil::startWriteStopLogs()
{
    LogCapture log;
    Timeline timeline(log);
    {
        Saveutil save(captureDir(), fallbackDir());
        record(save, timeline);
        save.recvIncludeDateTimeInNmeaSaveFile(false);
        save.recvStartNmeaSavingToFile();
        feed(save, kHdt);
        save.recvStopNmeaSavingToFile();
        save.recvStopNmeaSavingToFile();
        timeline.note(QStringLiteral("-- destroyed --"));
    }

    QCOMPARE(timeline.events(),
             (QStringList{
                 "info: Saveutil initialized",
                 "info: include date/time in NMEA save file status:  false",
                 "info: Trying to open NMEA save file",
                 "info: Trying to access NMEA save file directory",
                 "warning: NMEA save file directory not exist",
                 "info: NMEA save file is closed",
                 "info: NMEA save file is closed",
                 "-- destroyed --",
                 "info: NMEA save file is closed",
             }));
    QCOMPARE(captureFiles(captureDir()).size(), 1);
    QVERIFY(!QFileInfo::exists(fallbackDir()));

    // The directory is there now: the next start only looks for it.
    log.clear();
    Saveutil save(captureDir(), fallbackDir());
    save.recvStartNmeaSavingToFile();
    QCOMPARE(log.texts(), (QStringList{"Saveutil initialized", "Trying to open NMEA save file",
                                       "Trying to access NMEA save file directory"}));
}

void TestSaveutil::everySentenceFlushedAtOnce()
{
    Saveutil save(captureDir(), fallbackDir());
    QSignalSpy errors(&save, &Saveutil::sendErrorMessage);
    save.recvStartNmeaSavingToFile();
    const QString path = save.captureFilePath();
    QCOMPARE(QFileInfo(path).dir().path(), captureDir());
    QVERIFY2(QFileInfo(path).fileName().contains(QRegularExpression(
                 QStringLiteral("^QCX NMEA LOG \\d\\d\\.\\d\\d\\.\\d\\d \\d\\d\\.\\d\\d\\.\\d\\d\\.txt$"))),
             qPrintable(path));

    const QStringList received{kHdt + "\r\n", "", "   \r\n", "!AIVDM,1,1,,A,0,0*00", kTimeoutNotice, "\t$GPDPT,5.2,0.3*7A  "};
    QStringList expected;
    for (const QString &sentence : received) {
        feed(save, sentence);
        if (!sentence.trimmed().isEmpty())
            expected << sentence.trimmed();
        // Read while still recording: each line is on disk as soon as it is handed over.
        QCOMPARE(readLines(path), expected);
    }
    // Status events carry an empty sentence and leave no line.
    feed(save, QString(), QStringLiteral("Disconnected"));
    feed(save, QString(), QStringLiteral("Connected"));
    QCOMPARE(readLines(path), expected);
    QCOMPARE(expected.size(), 4);

    save.recvStopNmeaSavingToFile();
    const QByteArray raw = [&] {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }();
    QVERIFY(!raw.contains("198.51.100.7"));
    QVERIFY(!raw.contains("Connected"));
    QVERIFY(!raw.contains("\r"));
    QCOMPARE(errors.count(), 0);
}

void TestSaveutil::dateTimeSwitchTakesEffectNextLine()
{
    Saveutil save(captureDir(), fallbackDir());
    save.recvIncludeDateTimeInNmeaSaveFile(true);
    save.recvStartNmeaSavingToFile();
    const QDate before = QDate::currentDate();
    feed(save, kHdt + "\r\n");
    feed(save, "  ");
    save.recvIncludeDateTimeInNmeaSaveFile(false);
    feed(save, kHdt);
    save.recvIncludeDateTimeInNmeaSaveFile(true);
    feed(save, kTimeoutNotice);
    const QDate after = QDate::currentDate();
    save.recvStopNmeaSavingToFile();

    const QStringList lines = readLines(save.captureFilePath());
    QCOMPARE(lines.size(), 3);
    const QRegularExpression stamped(QStringLiteral("^(\\d\\d\\.\\d\\d\\.\\d\\d):\\d\\d\\.\\d\\d\\.\\d\\d: (.*)$"));
    const QRegularExpressionMatch first = stamped.match(lines.at(0));
    QVERIFY2(first.hasMatch(), qPrintable(lines.at(0)));
    QCOMPARE(first.captured(2), kHdt);
    const QString day = first.captured(1);
    QVERIFY2(day == before.toString("yy.MM.dd") || day == after.toString("yy.MM.dd"), qPrintable(day));
    QCOMPARE(lines.at(1), kHdt);
    const QRegularExpressionMatch third = stamped.match(lines.at(2));
    QVERIFY2(third.hasMatch(), qPrintable(lines.at(2)));
    QCOMPARE(third.captured(2), kTimeoutNotice);
}

void TestSaveutil::idleWritesAndSecondStartIgnored()
{
    LogCapture log;
    Saveutil save(captureDir(), fallbackDir());
    QSignalSpy errors(&save, &Saveutil::sendErrorMessage);

    // Stop without start, and sentences while idle: nothing to disk.
    save.recvStopNmeaSavingToFile();
    feed(save, kHdt);
    QVERIFY(!QFileInfo::exists(captureDir()));
    QVERIFY(!QFileInfo::exists(fallbackDir()));

    save.recvStartNmeaSavingToFile();
    const QString path = save.captureFilePath();
    log.clear();
    save.recvStartNmeaSavingToFile();
    QCOMPARE(log.texts(), QStringList());
    QCOMPARE(save.captureFilePath(), path);
    feed(save, kHdt);
    save.recvStopNmeaSavingToFile();

    // After a stop, sentences are ignored again.
    feed(save, kTimeoutNotice);
    QCOMPARE(captureFiles(captureDir()).size(), 1);
    QCOMPARE(readLines(path), QStringList{kHdt});
    QCOMPARE(errors.count(), 0);
}

void TestSaveutil::stopStartWithinOneSecondLosesNothing()
{
    // The two starts usually share a second and therefore a file name. When
    // the clock happens to tick between them the run is repeated, so that the
    // shared-name case is always covered.
    bool sharedNameSeen = false;
    for (int attempt = 0; attempt < 5 && !sharedNameSeen; ++attempt) {
        const QString dir = captureDir() + QString::number(attempt);
        Saveutil save(dir, fallbackDir());
        save.recvStartNmeaSavingToFile();
        const QString firstPath = save.captureFilePath();
        feed(save, QStringLiteral("$GPHDT,1.0,T*00"));
        feed(save, QStringLiteral("$GPHDT,2.0,T*00"));
        feed(save, QStringLiteral("$GPHDT,3.0,T*00"));
        save.recvStopNmeaSavingToFile();
        save.recvStartNmeaSavingToFile();
        const QString secondPath = save.captureFilePath();
        feed(save, QStringLiteral("$GPHDT,4.0,T*00"));
        feed(save, QStringLiteral("$GPHDT,5.0,T*00"));
        save.recvStopNmeaSavingToFile();

        QStringList all;
        for (const QString &name : captureFiles(dir))
            all += readLines(dir + QLatin1Char('/') + name);
        QCOMPARE(all, (QStringList{"$GPHDT,1.0,T*00", "$GPHDT,2.0,T*00", "$GPHDT,3.0,T*00", "$GPHDT,4.0,T*00",
                                   "$GPHDT,5.0,T*00"}));

        if (firstPath == secondPath) {
            sharedNameSeen = true;
            QCOMPARE(captureFiles(dir).size(), 1);
        } else {
            QCOMPARE(captureFiles(dir).size(), 2);
            QCOMPARE(readLines(secondPath).size(), 2);
        }
    }
    QVERIFY(sharedNameSeen);
}

void TestSaveutil::destructionClosesFile()
{
    QString path;
    LogCapture log;
    {
        Saveutil save(captureDir(), fallbackDir());
        save.recvStartNmeaSavingToFile();
        path = save.captureFilePath();
        feed(save, kHdt);
        log.clear();
    }
    QCOMPARE(log.texts(), QStringList{QStringLiteral("NMEA save file is closed")});
    QCOMPARE(readLines(path), QStringList{kHdt});
}

void TestSaveutil::directoryBlockedUsesFallback()
{
    QVERIFY(QDir().mkpath(QFileInfo(captureDir()).path()));
    QFile blocker(captureDir());
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();

    LogCapture log;
    Timeline timeline(log);
    Saveutil save(captureDir(), fallbackDir());
    record(save, timeline);
    save.recvStartNmeaSavingToFile();
    feed(save, kHdt);
    save.recvStopNmeaSavingToFile();

    QCOMPARE(timeline.events(),
             (QStringList{
                 "info: Saveutil initialized",
                 "info: Trying to open NMEA save file",
                 "info: Trying to access NMEA save file directory",
                 "warning: NMEA save file directory not exist",
                 "error-signal: Failed To Create ProgramData Nmea Save Folder",
                 "info: NMEA save file is closed",
             }));
    QCOMPARE(QFileInfo(save.captureFilePath()).dir().path(), fallbackDir());
    QCOMPARE(readLines(save.captureFilePath()), QStringList{kHdt});
    QVERIFY(QFileInfo(captureDir()).isFile());
}

void TestSaveutil::noUsableDirectory()
{
    QVERIFY(QDir().mkpath(QFileInfo(captureDir()).path()));
    for (const QString &path : {captureDir(), m_tmp->path() + QStringLiteral("/Documents")}) {
        QFile blocker(path);
        QVERIFY(blocker.open(QIODevice::WriteOnly));
    }

    LogCapture log;
    Timeline timeline(log);
    Saveutil save(captureDir(), fallbackDir());
    record(save, timeline);
    save.recvStartNmeaSavingToFile();
    feed(save, kHdt);

    QStringList events;
    for (const QString &event : timeline.events())
        events << normalised(event);
    QCOMPARE(events,
             (QStringList{
                 "info: Saveutil initialized",
                 "info: Trying to open NMEA save file",
                 "info: Trying to access NMEA save file directory",
                 "warning: NMEA save file directory not exist",
                 "error-signal: Failed To Create ProgramData Nmea Save Folder",
                 QStringLiteral("warning: \"Unable To Open Save File: %1/QCX NMEA LOG <stamp>.txt\"").arg(fallbackDir()),
                 "error-signal: Unable to open save file",
                 "error-signal: Unable To Create NMEA Save File",
                 "warning: Unable to create NMEA save file",
             }));

    // Recording stayed off, so a later start tries again from the beginning.
    log.clear();
    save.recvStartNmeaSavingToFile();
    QCOMPARE(log.texts().first(), QStringLiteral("Trying to open NMEA save file"));
}

void TestSaveutil::directoryStandingForFile()
{
    for (const QString &name : upcomingCaptureNames())
        QVERIFY(QDir().mkpath(captureDir() + QLatin1Char('/') + name));

    LogCapture log;
    Timeline timeline(log);
    Saveutil save(captureDir(), fallbackDir());
    record(save, timeline);
    save.recvStartNmeaSavingToFile();
    feed(save, kHdt);

    QStringList events;
    for (const QString &event : timeline.events())
        events << normalised(event);
    QCOMPARE(events,
             (QStringList{
                 "info: Saveutil initialized",
                 "info: Trying to open NMEA save file",
                 "info: Trying to access NMEA save file directory",
                 QStringLiteral("warning: \"Unable To Open Save File: %1/QCX NMEA LOG <stamp>.txt\"").arg(captureDir()),
                 "error-signal: Unable to open save file",
                 "error-signal: Unable To Create NMEA Save File",
                 "warning: Unable to create NMEA save file",
             }));
    QVERIFY(QFileInfo(save.captureFilePath()).isDir());
    QCOMPARE(captureFiles(captureDir()), QStringList());
}

void TestSaveutil::writeFailureReported()
{
    if (!QFileInfo(QStringLiteral("/dev/full")).exists())
        QSKIP("/dev/full is not available on this system");

    QVERIFY(QDir().mkpath(captureDir()));
    for (const QString &name : upcomingCaptureNames())
        QVERIFY(QFile::link(QStringLiteral("/dev/full"), captureDir() + QLatin1Char('/') + name));

    LogCapture log;
    Timeline timeline(log);
    Saveutil save(captureDir(), fallbackDir());
    record(save, timeline);
    save.recvStartNmeaSavingToFile();
    feed(save, kHdt);
    feed(save, QString(), QStringLiteral("Disconnected"));
    feed(save, kTimeoutNotice);
    save.recvStopNmeaSavingToFile();

    // Qt itself warns that it cannot seek to the end of a device opened for
    // appending; only the program's own lines are of interest here.
    QStringList events = timeline.events();
    events.removeIf([](const QString &event) { return event.startsWith(QLatin1String("warning: QIODevice::")); });
    // Each failed line is reported, and recording goes on until the stop.
    QCOMPARE(events,
             (QStringList{
                 "info: Saveutil initialized",
                 "info: Trying to open NMEA save file",
                 "info: Trying to access NMEA save file directory",
                 "error-signal: Failed to Write To Log File",
                 "warning: Failed to write to NMEA to NMEA save file",
                 "error-signal: Failed to Write To Log File",
                 "warning: Failed to write to NMEA to NMEA save file",
                 "info: NMEA save file is closed",
             }));
    QVERIFY(QFileInfo(save.captureFilePath()).isSymLink());
}

void TestSaveutil::stampIsTheTimeOfWriting()
{
    // Lines written in two different seconds carry each its own second, the
    // date and the time read together.
    Saveutil save(captureDir(), fallbackDir());
    save.recvIncludeDateTimeInNmeaSaveFile(true);
    save.recvStartNmeaSavingToFile();
    QList<QDateTime> windows;
    for (int i = 0; i < 2; ++i) {
        if (i > 0) {
            const qint64 second = QDateTime::currentSecsSinceEpoch();
            QTRY_VERIFY_WITH_TIMEOUT(QDateTime::currentSecsSinceEpoch() > second, 3000);
        }
        windows << QDateTime::currentDateTime();
        feed(save, kHdt);
        windows << QDateTime::currentDateTime();
    }
    save.recvStopNmeaSavingToFile();

    const QStringList lines = readLines(save.captureFilePath());
    QCOMPARE(lines.size(), 2);
    QList<QDateTime> stamps;
    for (const QString &line : lines) {
        QCOMPARE(line.mid(19), kHdt);
        const QDateTime stamp = QDateTime::fromString(QStringLiteral("20") + line.left(17),
                                                      QStringLiteral("yyyy.MM.dd:hh.mm.ss"));
        QVERIFY2(stamp.isValid(), qPrintable(line));
        stamps << stamp;
    }
    for (int i = 0; i < 2; ++i) {
        const QDateTime from = windows.at(2 * i).addMSecs(-windows.at(2 * i).time().msec());
        QVERIFY2(stamps.at(i) >= from && stamps.at(i) <= windows.at(2 * i + 1), qPrintable(lines.at(i)));
    }
    QVERIFY(stamps.at(1) > stamps.at(0));
}

QCX_TEMP_HOME_TEST_MAIN(TestSaveutil)

#include "tst_saveutil.moc"
