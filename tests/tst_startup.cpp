#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

// The real program started as a user would, with a home folder of its own.
class TestStartup : public QObject
{
    Q_OBJECT

private slots:
    void start_data();
    void start();
};

void TestStartup::start_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("logged");
    QTest::newRow("the program") << QCX_APP_PATH << 0 << "App Settings Received Successfully";
    // -1 as the shell sees it.
    QTest::newRow("a window that cannot be made") << QCX_BROKEN_APP_PATH << 255 << "NoSuchTypeAnywhere is not a type";
}

void TestStartup::start()
{
    QFETCH(QString, program);
    QFETCH(int, exitCode);
    QFETCH(QString, logged);
    QTemporaryDir home;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), home.path());
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral(".config")));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    QProcess app;
    app.setProcessEnvironment(env);
    app.start(program, {});
    QVERIFY(app.waitForStarted());

    const QString config = home.filePath(QStringLiteral(".config/vestranautic/QuaycastTool"));
    const auto log = [&] {
        QFile file(config + QStringLiteral("/logs/")
                   + QStringLiteral("QCX LOG %1.log").arg(QDate::currentDate().toString(QStringLiteral("yy.MM.dd"))));
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    };
    if (exitCode == 0) {
        QTRY_VERIFY_WITH_TIMEOUT(log().contains(logged), 20000);
        QCOMPARE(app.state(), QProcess::Running);
        app.kill();
    }
    QVERIFY(app.waitForFinished(30000));
    if (exitCode != 0) {
        QCOMPARE(app.exitStatus(), QProcess::NormalExit);
        QCOMPARE(app.exitCode(), exitCode);
        QVERIFY2(log().contains(logged), qPrintable(log()));
    }
    // The log begins with the program's first line, also on the console.
    QCOMPARE(log().section(QLatin1Char('\n'), 0, 0).mid(20), QStringLiteral("[INFO   ] Application log started"));
    QVERIFY(QString::fromUtf8(app.readAllStandardOutput()).contains(QLatin1String("] Application log started")));
    QVERIFY(QFile::exists(config + QStringLiteral("/settings/appSettings.json")));
}

QTEST_GUILESS_MAIN(TestStartup)
#include "tst_startup.moc"
