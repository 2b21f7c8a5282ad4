#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>

#include "controlutil.h"
#include "jsonutil.h"
#include "viewutil.h"
#include "logutil.h"
#include "replayutil.h"
#include "recvutil.h"
#include "saveutil.h"
#include "textfile.h"

// The files an operator keeps: capture files, the settings file and the
// application log, written by the real classes into a temporary folder.
class TestFiles : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void captureFile();
    void captureFallbackFolder();
    void recordingAsOrdinaryUser();
    void defaultSettingsFile();
    void settingsLoadFallbacks_data();
    void settingsLoadFallbacks();
    void settingsHandOver();
    void fullDisk();
    void logPurgeAndMidnight();
    void replayInput_data();
    void replayInput();

private:
    QTemporaryDir m_dir;
};

namespace {

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

void record(Saveutil &save, const QString &sentence)
{
    save.recvNmeaData(QStringLiteral("Connected"), sentence, QStringLiteral("198.51.100.2"), QStringLiteral("4400"));
}

// The types the settings file holds, key by key, as other programs read it.
const QMap<QString, QJsonValue::Type> &settingsTypes()
{
    static const QMap<QString, QJsonValue::Type> types = [] {
        QMap<QString, QJsonValue::Type> t;
        for (const char *key : {"mrDefaultGrpIpAddress", "mrDefaultGrpPortNumber", "msDefaultGrpIpAddress",
                                "msDefaultGrpPortNumber", "msDefaultCustomNmeaSentence"})
            t.insert(QLatin1String(key), QJsonValue::String);
        for (const char *key : {"mrDefaultRxTimeout", "msDefaultTxInterval"})
            t.insert(QLatin1String(key), QJsonValue::Double);
        for (const char *key : {"mrSaveGrpIpAddStatus", "mrSaveGrpPortNumStatus", "mrSaveNmeaToFileStatus",
                                "mrIncludeDateTimeInNmeaFileStatus", "mrShowWiredIfaceErrorStatus",
                                "mrAllowOsChooseIfaceStatus", "msSaveGrpIpAddStatus", "msSaveGrpPortNumStatus",
                                "msSaveCustomNmeaStatus", "msShowWiredIfaceErrorStatus", "msAllowOsChooseIfaceStatus"})
            t.insert(QLatin1String(key), QJsonValue::Bool);
        return t;
    }();
    return types;
}

} // namespace

void TestFiles::initTestCase()
{
    QVERIFY(m_dir.isValid());
}

void TestFiles::captureFile()
{
    const QString dir = m_dir.filePath(QStringLiteral("capture"));
    Saveutil save(dir, m_dir.filePath(QStringLiteral("fallback")));
    // Start just after a second begins, so that what follows shares that second.
    QTRY_VERIFY_WITH_TIMEOUT(QDateTime::currentMSecsSinceEpoch() % 1000 < 100, 2000);
    const QDateTime started = QDateTime::currentDateTime();
    save.recvIncludeDateTimeInNmeaSaveFile(false);
    save.recvStartNmeaSavingToFile();
    const QString path = save.captureFilePath();
    QCOMPARE(path, dir + QLatin1Char('/') + captureFileName(started));

    // Every line is on disk the moment it is written, before any stop.
    record(save, QStringLiteral("$HEHDT,1,T*00\r\n"));
    QCOMPARE(readFile(path), QByteArray("$HEHDT,1,T*00\n"));
    record(save, QStringLiteral("   "));
    save.recvIncludeDateTimeInNmeaSaveFile(true);
    record(save, QStringLiteral("$GPZDA,2*00"));
    const QList<QByteArray> lines = readFile(path).split('\n');
    QCOMPARE(lines.size(), 3);
    QVERIFY2(QRegularExpression(QStringLiteral("^\\d\\d\\.\\d\\d\\.\\d\\d:\\d\\d\\.\\d\\d\\.\\d\\d: \\$GPZDA,2\\*00$"))
                 .match(QString::fromLatin1(lines.at(1))).hasMatch(),
             lines.at(1).constData());

    // A stop and a start within the same second continue the same file.
    save.recvStopNmeaSavingToFile();
    record(save, QStringLiteral("$NOT,RECORDED*00"));
    save.recvStartNmeaSavingToFile();
    record(save, QStringLiteral("$AFTER,RESTART*00"));
    QCOMPARE(save.captureFilePath(), path);
    const QByteArray text = readFile(path);
    QVERIFY2(text.startsWith("$HEHDT,1,T*00\n") && text.endsWith("$AFTER,RESTART*00\n")
                 && !text.contains("NOT,RECORDED"),
             text.constData());
    QCOMPARE(QDateTime::currentDateTime().toSecsSinceEpoch(), started.toSecsSinceEpoch());
}

void TestFiles::captureFallbackFolder()
{
    // A plain file where the machine-wide folder should be: it cannot be made.
    const QString blocker = m_dir.filePath(QStringLiteral("blocker"));
    writeFile(blocker, "x");
    const QString fallback = m_dir.filePath(QStringLiteral("documents/QCN"));
    Saveutil save(blocker + QStringLiteral("/QCX"), fallback);
    QSignalSpy errors(&save, &Saveutil::sendErrorMessage);
    save.recvStartNmeaSavingToFile();
    record(save, QStringLiteral("$GPHDT,1,T*00"));
    QCOMPARE(QFileInfo(save.captureFilePath()).absolutePath(), QDir(fallback).absolutePath());
    QCOMPARE(readFile(save.captureFilePath()), QByteArray("$GPHDT,1,T*00\n"));
    QCOMPARE(errors.value(0).value(0).toString(), QStringLiteral("Failed To Create ProgramData Nmea Save Folder"));
}

void TestFiles::recordingAsOrdinaryUser()
{
    if (::geteuid() == 0) {
        // Root writes anywhere: the same checks run as the user "nobody", from a
        // copy of this program that user may start.
        QTemporaryDir bin(QDir::tempPath() + QStringLiteral("/qcx-XXXXXX"));
        const QString self = bin.filePath(QStringLiteral("tst_files"));
        QVERIFY(QFile::copy(QCoreApplication::applicationFilePath(), self));
        QVERIFY(QFile::setPermissions(bin.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner
                                                      | QFile::ReadOther | QFile::ExeOther));
        QProcess child;
        child.setProcessChannelMode(QProcess::MergedChannels);
        child.start(QStringLiteral("setpriv"), {QStringLiteral("--reuid=65534"), QStringLiteral("--regid=65534"),
                                                QStringLiteral("--clear-groups"), self,
                                                QStringLiteral("recordingAsOrdinaryUser")});
        QVERIFY(child.waitForFinished(30000));
        const QByteArray output = child.readAll();
        QVERIFY2(child.exitCode() == 0 && output.contains("PASS   : TestFiles::recordingAsOrdinaryUser()"),
                 output.constData());
        return;
    }
    QTemporaryDir dir;
    const auto readOnly = [&](const QString &name) {
        const QString path = dir.filePath(name);
        QDir().mkpath(path);
        QFile::setPermissions(path, QFile::ReadOwner | QFile::ExeOwner);
        return path;
    };
    // The machine-wide folder exists but is not this user's: the documents folder takes over.
    const QString machine = readOnly(QStringLiteral("machine"));
    Saveutil save(machine, dir.filePath(QStringLiteral("documents/QCN")));
    save.recvStartNmeaSavingToFile();
    record(save, QStringLiteral("$GPHDT,1,T*00"));
    QCOMPARE(readFile(dir.filePath(QStringLiteral("documents/QCN/")) + QFileInfo(save.captureFilePath()).fileName()),
             QByteArray("$GPHDT,1,T*00\n"));

    // Nowhere to write: the operator is told at once and the box is unticked.
    Viewutil view;
    Controlutil control(&view, {dir.filePath(QStringLiteral("settings")), machine,
                                readOnly(QStringLiteral("documents2")) + QStringLiteral("/QCN")});
    view.setMrSaveNmeaToFileToggle(true);
    QVERIFY2(view.mrInfoMessage().startsWith(QLatin1String("Nothing Is Being Recorded")), qPrintable(view.mrInfoMessage()));
    QVERIFY(view.mrRecordingProblem().startsWith(QLatin1String("No NMEA Save File Can Be Opened: ")));
    QVERIFY(!view.mrSaveNmeaToFileToggle());
}

void TestFiles::defaultSettingsFile()
{
    const QString dir = m_dir.filePath(QStringLiteral("fresh/settings"));
    Jsonutil json(dir);
    QCOMPARE(json.settingsFilePath(), dir + QStringLiteral("/appSettings.json"));
    const QJsonObject object = QJsonDocument::fromJson(readFile(json.settingsFilePath())).object();
    QCOMPARE(object.keys(), settingsTypes().keys());
    for (auto it = settingsTypes().cbegin(); it != settingsTypes().cend(); ++it)
        QVERIFY2(object.value(it.key()).type() == it.value(), qPrintable(it.key()));
    QCOMPARE(object.value(QLatin1String("mrDefaultGrpIpAddress")).toString(), QStringLiteral("239.191.1.1"));
    QCOMPARE(object.value(QLatin1String("msDefaultGrpPortNumber")).toString(), QStringLiteral("4400"));
    QCOMPARE(object.value(QLatin1String("msDefaultTxInterval")).toDouble(), 10.0);
    QCOMPARE(object.value(QLatin1String("mrDefaultRxTimeout")).toDouble(), 3.0);

    // What is saved comes back on the next start.
    QVariantMap changed = defaultAppSettings();
    changed.insert(QStringLiteral("mrDefaultGrpIpAddress"), QStringLiteral("239.192.0.1"));
    json.recvSaveAppSettings(changed);
    Jsonutil next(dir);
    QSignalSpy loaded(&next, &Jsonutil::sendAppSettings);
    next.recvLoadAppSettings();
    QCOMPARE(loaded.value(0).value(0).toMap(), changed);
}

void TestFiles::settingsLoadFallbacks_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("info");
    QTest::newRow("not JSON") << QByteArray("{\"mrDefaultRxTimeout\": 3,") << "Failed To Parse Settings File, Loading Default Settings";
    QTest::newRow("an array") << QByteArray("[1, 2]") << "Failed To Create Object Of Settings File, Loading Default Settings";
    QTest::newRow("empty file") << QByteArray() << "Failed To Parse Settings File, Loading Default Settings";
    QTest::newRow("binary") << QByteArray("\x00\xff\xfe{", 4) << "Failed To Parse Settings File, Loading Default Settings";
    QTest::newRow("unreadable") << QByteArray("chmod") << "Failed To Read Settings File, Default Settings In Use";
}

void TestFiles::settingsLoadFallbacks()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, info);
    const QString dir = m_dir.filePath(QStringLiteral("broken/") + QString::fromLatin1(QTest::currentDataTag()));
    QVERIFY(QDir().mkpath(dir));
    const QString path = dir + QStringLiteral("/appSettings.json");
    if (content == "chmod") {
        // Root reads any file: a folder in the file's place cannot be read as one.
        QVERIFY(QDir().mkpath(path));
    } else {
        writeFile(path, content);
    }
    Jsonutil json(dir);
    QSignalSpy loaded(&json, &Jsonutil::sendAppSettings);
    QSignalSpy infos(&json, &Jsonutil::sendJsonInfoMessage);
    json.recvLoadAppSettings();
    QCOMPARE(loaded.size(), 1);
    QCOMPARE(loaded.at(0).at(0).toMap(), defaultAppSettings());
    QCOMPARE(infos.value(0).value(0).toString(), info);
    // The operator's file is left for them to mend, not overwritten.
    if (content != "chmod")
        QCOMPARE(readFile(path), content);
}

void TestFiles::settingsHandOver()
{
    // Every key, none at its built-in value, goes into the view model and
    // comes back out into the file unchanged.
    const QString dir = m_dir.filePath(QStringLiteral("handover"));
    QVERIFY(QDir().mkpath(dir));
    QJsonObject stored;
    for (auto it = settingsTypes().cbegin(); it != settingsTypes().cend(); ++it) {
        const int n = int(stored.size());
        stored.insert(it.key(), it.value() == QJsonValue::Bool     ? QJsonValue(false)
                                : it.value() == QJsonValue::Double ? QJsonValue(20 + n)
                                                                   : QJsonValue(QStringLiteral("text %1").arg(n)));
    }
    writeFile(dir + QStringLiteral("/appSettings.json"), QJsonDocument(stored).toJson());
    Viewutil view;
    Controlutil control(&view, {dir, m_dir.filePath(QStringLiteral("c")), m_dir.filePath(QStringLiteral("f"))});
    emit view.sendLoadAppSettings();
    QCOMPARE(view.mrDefaultRxTimeout(), stored.value(QLatin1String("mrDefaultRxTimeout")).toInt());
    QCOMPARE(view.msDefaultGrpPortNumber(), stored.value(QLatin1String("msDefaultGrpPortNumber")).toString());
    QVERIFY(!view.mrAllowOsChooseIfaceStatus());
    writeFile(dir + QStringLiteral("/appSettings.json"), "{}");
    emit view.sendSaveAppSettings();
    QCOMPARE(QJsonDocument::fromJson(readFile(dir + QStringLiteral("/appSettings.json"))).object(), stored);
}

void TestFiles::fullDisk()
{
    if (::geteuid() != 0)
        QSKIP("mounting a small file system needs root; the test command runs as root");
    // A file system of 16 KiB in a mount namespace of this process alone.
    QVERIFY2(::unshare(CLONE_NEWNS) == 0, "unshare(CLONE_NEWNS) failed");
    QVERIFY(::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0);
    const QString small = m_dir.filePath(QStringLiteral("small"));
    QVERIFY(QDir().mkpath(small));
    QVERIFY(::mount("tmpfs", QFile::encodeName(small).constData(), "tmpfs", 0, "size=16k") == 0);

    writeFile(small + QStringLiteral("/stats.csv"), "kept");
    Viewutil view;
    Controlutil control(&view, {small + QStringLiteral("/settings"), small + QStringLiteral("/capture"),
                                m_dir.filePath(QStringLiteral("unused"))});
    Jsonutil json(small + QStringLiteral("/settings"));
    const QByteArray settingsBefore = readFile(json.settingsFilePath());
    view.setMrSaveNmeaToFileToggle(true);
    const QString path = small + QStringLiteral("/capture/") + QDir(small + QStringLiteral("/capture")).entryList(QDir::Files).value(0);
    const auto receive = [&](const QString &sentence) {
        emit control.findChild<Recvutil *>()->sendMrNmeaData(QStringLiteral("Connected"), sentence,
                                                             QStringLiteral("198.51.100.2"), QStringLiteral("4400"));
    };
    const QString sentence = QStringLiteral("$QCFULL,%1,") + QString(60, QLatin1Char('x')) + QStringLiteral("*00");
    int n = 0;
    while (view.mrRecordingProblem().isEmpty() && n < 2000)
        receive(sentence.arg(n++));
    // Said until a line is written again.
    QCOMPARE(view.mrRecordingProblem(), QStringLiteral("Cannot Write To %1 (No space left on device)").arg(path));
    receive(sentence.arg(n));
    QVERIFY(!view.mrRecordingProblem().isEmpty());

    // The file holds whole lines only; a failed save keeps the old settings,
    // and a failed export the old file, also when the bytes fit in a buffer.
    QByteArray captured = readFile(path);
    QVERIFY(captured.endsWith('\n'));
    QCOMPARE(captured.count('\n'), n - 1);
    QSignalSpy jsonErrors(&json, &Jsonutil::sendJsonErrorMessage);
    QVariantMap changed = defaultAppSettings();
    changed.insert(QStringLiteral("msDefaultCustomNmeaSentence"), QStringLiteral("$QCFULL,1*00"));
    json.recvSaveAppSettings(changed);
    QCOMPARE(jsonErrors.size(), 1);
    QCOMPARE(readFile(json.settingsFilePath()), settingsBefore);
    QCOMPARE(writeTextFile(small + QStringLiteral("/stats.csv"), "Sentence,Count\n"),
             small + QStringLiteral("/stats.csv (No space left on device)"));
    QCOMPARE(readFile(small + QStringLiteral("/stats.csv")), QByteArray("kept"));

    // Room again: recording goes on in the same file, and the notice goes.
    const int kept = captured.count('\n');
    QFile::resize(path, 0);
    receive(QStringLiteral("$QCROOM,1*00"));
    captured = readFile(path);
    QCOMPARE(captured.right(13), QByteArray("$QCROOM,1*00\n"));
    QCOMPARE(view.mrRecordingProblem(), QString());
    QVERIFY(kept > 10);
    view.setMrSaveNmeaToFileToggle(false);
    QVERIFY(::umount(QFile::encodeName(small).constData()) == 0);
}

void TestFiles::logPurgeAndMidnight()
{
    const QString dir = m_dir.filePath(QStringLiteral("logs"));
    QVERIFY(QDir().mkpath(dir));
    QDateTime now(QDate(2026, 12, 7), QTime(23, 59, 58, 900));
    const auto aged = [&](const QString &name, int days) {
        writeFile(dir + QLatin1Char('/') + name, "old\n");
        QFile file(dir + QLatin1Char('/') + name);
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.setFileTime(now.addDays(-days), QFileDevice::FileModificationTime));
    };
    aged(QStringLiteral("QCX LOG 26.11.29.log"), 8);
    aged(QStringLiteral("QCX LOG 26.11.30.log"), 7);
    aged(QStringLiteral("notes.txt"), 30);

    // The clock moves on 400 ms between readings, so midnight falls between
    // the two messages and any second reading within one message shows.
    Logutil log(dir, [&] {
        const QDateTime reading = now;
        now = now.addMSecs(400);
        return reading;
    });
    QStringList names = QDir(dir).entryList(QDir::Files, QDir::Name);
    QCOMPARE(names, QStringList({QStringLiteral("QCX LOG 26.11.30.log"), QStringLiteral("QCX LOG 26.12.07.log"),
                                 QStringLiteral("notes.txt")}));

    log.writeMessage(QtInfoMsg, QStringLiteral("before midnight"));
    log.writeMessage(QtWarningMsg, QStringLiteral("after midnight"));
    QVERIFY(readFile(dir + QStringLiteral("/QCX LOG 26.12.07.log"))
                .endsWith("2026-12-07 23:59:59 [INFO   ] before midnight\n"));
    QCOMPARE(readFile(dir + QStringLiteral("/QCX LOG 26.12.08.log")),
             QByteArray("2026-12-08 00:00:00 [WARNING] after midnight\n"));
}

void TestFiles::replayInput_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("error");
    QTest::addColumn<QStringList>("sent");
    QTest::newRow("missing") << "none.txt" << QByteArray() << "Replay File Not Found: " << QStringList();
    QTest::newRow("folder") << "" << QByteArray() << "Replay File Is Not A File: " << QStringList();
    QTest::newRow("empty") << "empty.txt" << QByteArray("") << "Replay File Is Empty: " << QStringList();
    QTest::newRow("binary") << "binary.bin" << QByteArray("$QA*00\n\x7f" "ELF\0\0", 12) << "Replay File Is Not A Text File: "
                            << QStringList();
    QTest::newRow("no sentences") << "notes.txt" << QByteArray("notes\n\nmore\n")
                                  << "Replay File Holds No NMEA Sentences, 3 Lines Skipped" << QStringList();
    QTest::newRow("line too long") << "long.txt" << "$Q" + QByteArray(70000, 'X') + "\r\n$QA*00"
                                   << "Replay Skipped Line 1: Longer Than A Datagram Can Hold (65507 Bytes)"
                                   << QStringList{"$QA*00"};
    // Noticed within a second, not when the next sentence is due.
    QTest::newRow("changed while replayed") << "growing.txt"
                                            << QByteArray("25.11.01:17.37.49: $QA*00\n25.11.01:17.37.52: $QB*00\n")
                                            << "Replay Stopped: The File Changed While It Was Replayed"
                                            << QStringList{"$QA*00"};
    // One second of 2,500 lines read in runs, a line too long where the second run starts.
    QByteArray lines;
    QStringList sent;
    for (int i = 0; i < 2500; ++i) {
        const QByteArray sentence = i == 1000 ? "$Q" + QByteArray(70000, 'X') : "$QA," + QByteArray::number(i) + "*00";
        lines += "25.11.01:17.37.49: " + sentence + '\n';
        if (i != 1000)
            sent << QString::fromLatin1(sentence);
    }
    QTest::newRow("runs of a long second") << "runs.txt" << lines
                                           << "Replay Skipped Line 1001: Longer Than A Datagram Can Hold (65507 Bytes)"
                                           << sent;
}

// Each input the replay cannot use is named, and nothing unusable goes out.
void TestFiles::replayInput()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, content);
    QFETCH(QString, error);
    QFETCH(QStringList, sent);
    const QString path = m_dir.filePath(name);
    QFile file(path);
    QVERIFY(content.isNull() || (file.open(QIODevice::WriteOnly) && file.write(content) == content.size()));
    file.close();
    Replayutil replay;
    QStringList got, errors;
    connect(&replay, &Replayutil::sendSentence, this, [&](const QString &sentence) {
        got << sentence;
        if (name == QLatin1String("growing.txt") && file.open(QIODevice::Append))
            file.write("$QC*00\n"), file.close();
    });
    connect(&replay, &Replayutil::sendErrorMessage, this, [&](const QString &message) { errors << message; });
    replay.start(path, 1, 1, false);
    QTRY_VERIFY(!replay.isActive());
    QVERIFY2(errors.value(0).startsWith(error), qPrintable(errors.join('|')));
    QCOMPARE(got, sent);
}

QTEST_GUILESS_MAIN(TestFiles)
#include "tst_files.moc"
