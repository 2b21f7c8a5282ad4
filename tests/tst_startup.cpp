#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

// Starts the real program as a user would, with a fresh home folder.
class TestStartup : public QObject
{
    Q_OBJECT

private slots:
    void logStartsWithApplicationLogStarted();
    void failedLoadExitsWithMinusOne();

private:
    static QProcessEnvironment environmentFor(const QTemporaryDir &home)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), home.path());
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.path() + QStringLiteral("/.config"));
        env.insert(QStringLiteral("XDG_DATA_HOME"), home.path() + QStringLiteral("/.local/share"));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), home.path() + QStringLiteral("/runtime"));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        QDir(home.path()).mkpath(QStringLiteral("runtime"));
        QFile::setPermissions(home.path() + QStringLiteral("/runtime"),
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        return env;
    }
    static QString logDir(const QTemporaryDir &home)
    {
        return home.path() + QStringLiteral("/.config/vestranautic/QuaycastTool/logs");
    }
    static QStringList logMessages(const QTemporaryDir &home)
    {
        const QStringList files = QDir(logDir(home)).entryList({QStringLiteral("*.log")}, QDir::Files, QDir::Name);
        QStringList messages;
        for (const QString &name : files) {
            QFile f(logDir(home) + QLatin1Char('/') + name);
            if (!f.open(QIODevice::ReadOnly | QIODevice::Text))
                continue;
            const QStringList lines = QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
            for (const QString &line : lines)
                messages << line.mid(line.indexOf(QLatin1String("] ")) + 2);
        }
        return messages;
    }
};

void TestStartup::logStartsWithApplicationLogStarted()
{
    QTemporaryDir home;
    QProcess app;
    app.setProcessEnvironment(environmentFor(home));
    app.start(QStringLiteral(QCX_APP_PATH), {});
    QVERIFY(app.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(logMessages(home).contains(QStringLiteral("Viewutil initialized")), 20000);
    QCOMPARE(app.state(), QProcess::Running);
    app.kill();
    app.waitForFinished();

    const QStringList messages = logMessages(home);
    QCOMPARE(messages.value(0), QStringLiteral("Application log started"));
    QVERIFY(messages.indexOf(QStringLiteral("Viewutil initialized")) > 0);
    QVERIFY(!messages.contains(QStringLiteral("Logutil is Initialized")));

    const QString stdoutText = QString::fromUtf8(app.readAllStandardOutput());
    QVERIFY2(stdoutText.contains(QStringLiteral(" [INFO   ] Application log started")), qPrintable(stdoutText));
}

void TestStartup::failedLoadExitsWithMinusOne()
{
    QTemporaryDir home;
    QProcess app;
    app.setProcessEnvironment(environmentFor(home));
    app.start(QStringLiteral(QCX_BROKEN_APP_PATH), {});
    QVERIFY(app.waitForFinished(30000));
    QCOMPARE(app.exitStatus(), QProcess::NormalExit);
    QCOMPARE(app.exitCode(), 255); // -1 as the shell sees it

    const QStringList messages = logMessages(home);
    QCOMPARE(messages.value(0), QStringLiteral("Application log started"));
    QVERIFY(messages.contains(QStringLiteral("Viewutil initialized")));
    bool engineComplained = false;
    for (const QString &m : messages)
        engineComplained |= m.contains(QStringLiteral("NoSuchTypeAnywhere"));
    QVERIFY2(engineComplained, qPrintable(messages.join(QLatin1Char('\n'))));
}

QTEST_GUILESS_MAIN(TestStartup)
#include "tst_startup.moc"
