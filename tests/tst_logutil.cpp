#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "filelines.h"
#include "logutil.h"

// Logs into a temporary folder on a clock the test moves by hand.
class TestLogutil : public QObject
{
    Q_OBJECT

private slots:
    void lineFormat_data();
    void lineFormat();
    void fileNameUsesShortDate();
    void sameDayAppends();
    void purgeKeepsSevenDaysDeletesEight();
    void midnightSwitchesFile();
    void unwritableDirectoryStillRuns();
    void consoleEcho();

};

void TestLogutil::lineFormat_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    const QString stamp = QStringLiteral("2025-03-14 09:05:07");
    QTest::newRow("info") << int(QtInfoMsg) << QStringLiteral("Application log started")
                          << stamp + QStringLiteral(" [INFO   ] Application log started");
    QTest::newRow("debug") << int(QtDebugMsg) << QStringLiteral("d") << stamp + QStringLiteral(" [DEBUG  ] d");
    QTest::newRow("warning") << int(QtWarningMsg) << QStringLiteral("w") << stamp + QStringLiteral(" [WARNING] w");
    QTest::newRow("critical not cut") << int(QtCriticalMsg) << QStringLiteral("c")
                                      << stamp + QStringLiteral(" [CRITICAL] c");
    QTest::newRow("fatal") << int(QtFatalMsg) << QStringLiteral("f") << stamp + QStringLiteral(" [FATAL  ] f");
    QTest::newRow("unknown type") << 42 << QStringLiteral("u") << stamp + QStringLiteral(" [       ] u");
    QTest::newRow("text unchanged") << int(QtInfoMsg) << QStringLiteral("Mr socket message =  \"Valid\"")
                                    << stamp + QStringLiteral(" [INFO   ] Mr socket message =  \"Valid\"");
}

void TestLogutil::lineFormat()
{
    QFETCH(int, type);
    QFETCH(QString, text);
    QFETCH(QString, expected);
    const QDateTime when(QDate(2025, 3, 14), QTime(9, 5, 7));
    QCOMPARE(Logutil::formatLine(when, QtMsgType(type), text), expected);
}

void TestLogutil::fileNameUsesShortDate()
{
    QCOMPARE(Logutil::logFileName(QDate(2025, 3, 14)), QStringLiteral("QCX LOG 25.03.14.log"));
    QCOMPARE(Logutil::logFileName(QDate(2026, 12, 6)), QStringLiteral("QCX LOG 26.12.06.log"));
}

void TestLogutil::sameDayAppends()
{
    QTemporaryDir tmp;
    const QString dir = tmp.path() + QStringLiteral("/a/logs");
    QDateTime now(QDate(2025, 3, 14), QTime(9, 5, 7));
    {
        Logutil log(dir, [&] { return now; });
        log.writeMessage(QtInfoMsg, QStringLiteral("Application log started"));
        QCOMPARE(log.logFilePath(), dir + QStringLiteral("/QCX LOG 25.03.14.log"));
    }
    now = now.addSecs(60);
    {
        Logutil log(dir, [&] { return now; });
        log.writeMessage(QtWarningMsg, QStringLiteral("second run"));
    }
    QCOMPARE(readTextLines(dir + QStringLiteral("/QCX LOG 25.03.14.log")),
             (QStringList{QStringLiteral("2025-03-14 09:05:07 [INFO   ] Application log started"),
                          QStringLiteral("2025-03-14 09:06:07 [WARNING] second run")}));
}

void TestLogutil::purgeKeepsSevenDaysDeletesEight()
{
    QTemporaryDir tmp;
    const QString dir = tmp.path();
    auto touch = [&](const QString &name, const QDate &modified) {
        QFile f(dir + QLatin1Char('/') + name);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("old\n");
        QVERIFY(f.flush());
        QVERIFY(f.setFileTime(QDateTime(modified, QTime(12, 0)), QFileDevice::FileModificationTime));
        f.close();
    };
    touch(QStringLiteral("QCX LOG 25.03.06.log"), QDate(2025, 3, 6));
    touch(QStringLiteral("QCX LOG 25.03.07.log"), QDate(2025, 3, 7));
    touch(QStringLiteral("other.log"), QDate(2025, 1, 1));
    touch(QStringLiteral("notes.txt"), QDate(2025, 1, 1));

    {
        Logutil log(dir, [] { return QDateTime(QDate(2025, 3, 13), QTime(8, 0)); });
    }
    QVERIFY(QFile::exists(dir + QStringLiteral("/QCX LOG 25.03.06.log")));
    QVERIFY(!QFile::exists(dir + QStringLiteral("/other.log")));
    QVERIFY(QFile::exists(dir + QStringLiteral("/notes.txt")));

    {
        Logutil log(dir, [] { return QDateTime(QDate(2025, 3, 14), QTime(8, 0)); });
    }
    QVERIFY(!QFile::exists(dir + QStringLiteral("/QCX LOG 25.03.06.log")));
    QVERIFY(QFile::exists(dir + QStringLiteral("/QCX LOG 25.03.07.log")));
    QVERIFY(QFile::exists(dir + QStringLiteral("/notes.txt")));
}

void TestLogutil::midnightSwitchesFile()
{
    QTemporaryDir tmp;
    QDateTime now(QDate(2025, 3, 14), QTime(23, 59, 59));
    Logutil log(tmp.path(), [&] { return now; });
    log.writeMessage(QtInfoMsg, QStringLiteral("before midnight"));
    now = QDateTime(QDate(2025, 3, 15), QTime(0, 0, 1));
    log.writeMessage(QtInfoMsg, QStringLiteral("after midnight"));

    QCOMPARE(readTextLines(tmp.path() + QStringLiteral("/QCX LOG 25.03.14.log")),
             QStringList{QStringLiteral("2025-03-14 23:59:59 [INFO   ] before midnight")});
    QCOMPARE(readTextLines(tmp.path() + QStringLiteral("/QCX LOG 25.03.15.log")),
             QStringList{QStringLiteral("2025-03-15 00:00:01 [INFO   ] after midnight")});
    QCOMPARE(log.logFilePath(), tmp.path() + QStringLiteral("/QCX LOG 25.03.15.log"));
}

void TestLogutil::unwritableDirectoryStillRuns()
{
    QTemporaryDir tmp;
    // A regular file where the log folder should be: even root cannot open a
    // file beneath it.
    const QString blocker = tmp.path() + QStringLiteral("/logs");
    QFile f(blocker);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.close();

    QTest::ignoreMessage(QtWarningMsg,
                         qPrintable(QStringLiteral("Failed to open log file: \"%1/QCX LOG 25.03.14.log\"").arg(blocker)));
    Logutil log(blocker, [] { return QDateTime(QDate(2025, 3, 14), QTime(10, 0)); });
    log.writeMessage(QtInfoMsg, QStringLiteral("still running"));
    QVERIFY(QFileInfo(blocker).isFile());
}

void TestLogutil::consoleEcho()
{
    // The echo goes to the process's standard output, so look at it from outside.
    if (qEnvironmentVariableIsSet("QCX_LOG_ECHO_CHILD")) {
        return;
    }
    QTemporaryDir tmp;
    QProcess child;
    child.setProgram(QCoreApplication::applicationFilePath());
    child.setArguments({QStringLiteral("echoChild")});
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QCX_LOG_ECHO_CHILD"), tmp.path());
    child.setProcessEnvironment(env);
    child.start();
    QVERIFY(child.waitForFinished(20000));
    QCOMPARE(child.exitCode(), 0);
    const QString out = QString::fromUtf8(child.readAllStandardOutput());
    QVERIFY2(out.contains(QStringLiteral(" [INFO   ] echoed line\n")), qPrintable(out));
    QVERIFY(!out.contains(QStringLiteral("silent line")));
    const QStringList fileLines = readTextLines(tmp.path() + QLatin1Char('/')
                                            + Logutil::logFileName(QDate::currentDate()));
    QCOMPARE(fileLines.size(), 2);
    QVERIFY(fileLines.at(0).endsWith(QStringLiteral(" [INFO   ] silent line")));
    QVERIFY(fileLines.at(1).endsWith(QStringLiteral(" [INFO   ] echoed line")));
}

static int runEchoChild(const QString &dir)
{
    Logutil log(dir, [] { return QDateTime::currentDateTime(); });
    log.writeMessage(QtInfoMsg, QStringLiteral("silent line"));
    log.setConsoleOutput(true);
    log.writeMessage(QtInfoMsg, QStringLiteral("echoed line"));
    return 0;
}

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc > 1 && qstrcmp(argv[1], "echoChild") == 0)
        return runEchoChild(qEnvironmentVariable("QCX_LOG_ECHO_CHILD"));
    TestLogutil test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_logutil.moc"
