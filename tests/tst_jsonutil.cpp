#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/resource.h>

#include "jsonutil.h"
#include "logcapture.h"
#include "temphome.h"
#include "timeline.h"

namespace {

const QByteArray kDefaultFile = R"({
    "mrAllowOsChooseIfaceStatus": true,
    "mrDefaultGrpIpAddress": "239.191.1.1",
    "mrDefaultGrpPortNumber": "4400",
    "mrDefaultRxTimeout": 3,
    "mrIncludeDateTimeInNmeaFileStatus": true,
    "mrSaveGrpIpAddStatus": true,
    "mrSaveGrpPortNumStatus": true,
    "mrSaveNmeaToFileStatus": true,
    "mrShowWiredIfaceErrorStatus": true,
    "msAllowOsChooseIfaceStatus": true,
    "msDefaultCustomNmeaSentence": "",
    "msDefaultGrpIpAddress": "239.191.1.1",
    "msDefaultGrpPortNumber": "4400",
    "msDefaultTxInterval": 10,
    "msSaveCustomNmeaStatus": true,
    "msSaveGrpIpAddStatus": true,
    "msSaveGrpPortNumStatus": true,
    "msShowWiredIfaceErrorStatus": true
}
)";

// The log lines of an initialisation that finds directory and file in place.
const QStringList kInitFound{QStringLiteral("info: App settings file initialized")};

// The log lines and signals of an initialisation that has to write the defaults.
const QStringList kInitWritesDefaults{
    QStringLiteral("info: App settings file initialized"),
    QStringLiteral("info: Trying to save App settings to App settings file"),
    QStringLiteral("info: App settings file initialized"),
    QStringLiteral("info-signal: App Settings Saved Successfully"),
    QStringLiteral("info: App settings saved successfully"),
    QStringLiteral("info: Default settings saved to App settings File"),
};

QByteArray readFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArrayLiteral("<unreadable>");
    return file.readAll();
}

bool writeFile(const QString &path, const QByteArray &content)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

// A map as the view model hands it over: the interval is a double.
QVariantMap viewModelSettings()
{
    QVariantMap map = defaultAppSettings();
    map.insert(QStringLiteral("mrDefaultGrpIpAddress"), QStringLiteral("239.1.2.3"));
    map.insert(QStringLiteral("mrDefaultGrpPortNumber"), QStringLiteral("5500"));
    map.insert(QStringLiteral("mrSaveNmeaToFileStatus"), false);
    map.insert(QStringLiteral("mrDefaultRxTimeout"), 12);
    map.insert(QStringLiteral("msDefaultCustomNmeaSentence"), QStringLiteral("$GPHDT,123.4,T*2B"));
    map.insert(QStringLiteral("msDefaultTxInterval"), 25.0);
    return map;
}

// Lowers the largest file size this process may write while alive, so that
// a write fails even for root. Nothing may be printed meanwhile: the test's
// own output may go to a file as well.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &m_old);
        rlimit limit = m_old;
        limit.rlim_cur = bytes;
        m_active = setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_oldHandler);
    }
    bool isActive() const { return m_active; }

private:
    rlimit m_old{};
    void (*m_oldHandler)(int) = nullptr;
    bool m_active = false;
};

} // namespace

class TestJsonutil : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void firstStartWritesDefaults();
    void defaultLocationIsPerUserConfig();

    void load_data();
    void load();
    void loadOfSavedMapGivesItBack();

    void saveWritesIndentedJson();
    void saveRecreatesDeletedFileFirst();
    void saveIntoDirectoryStandingForFile();
    void saveWhenDirectoryCannotBeCreated();
    void failedWriteKeepsPreviousFile();

private:
    void record(Jsonutil &json, Timeline &timeline);
    QString settingsDir() const { return m_tmp->path() + QStringLiteral("/config/settings"); }
    QString settingsFile() const { return settingsDir() + QStringLiteral("/appSettings.json"); }

    std::unique_ptr<QTemporaryDir> m_tmp;
};

void TestJsonutil::init()
{
    m_tmp = std::make_unique<QTemporaryDir>();
    QVERIFY(m_tmp->isValid());
}

void TestJsonutil::record(Jsonutil &json, Timeline &timeline)
{
    connect(&json, &Jsonutil::sendJsonErrorMessage, this,
            [&timeline](const QString &text) { timeline.note(QStringLiteral("error-signal: ") + text); });
    connect(&json, &Jsonutil::sendJsonInfoMessage, this,
            [&timeline](const QString &text) { timeline.note(QStringLiteral("info-signal: ") + text); });
    connect(&json, &Jsonutil::sendAppSettings, this, [&timeline](const QVariantMap &map) {
        const QByteArray compact = QJsonDocument(QJsonObject::fromVariantMap(map)).toJson(QJsonDocument::Compact);
        const QByteArray defaults =
            QJsonDocument(QJsonObject::fromVariantMap(defaultAppSettings())).toJson(QJsonDocument::Compact);
        timeline.note(QStringLiteral("settings: ")
                      + (compact == defaults ? QStringLiteral("DEFAULTS") : QString::fromUtf8(compact)));
    });
}

void TestJsonutil::firstStartWritesDefaults()
{
    LogCapture log;
    Timeline timeline(log);
    Jsonutil json(settingsDir());

    QStringList expected{
        QStringLiteral("info: Jsonutil initialized"),
        QStringLiteral("info: App default settings initialized"),
        QStringLiteral("info: App settings file initialized"),
        QStringLiteral("warning: App settings directory not Exist"),
        QStringLiteral("info: Trying to save App settings to App settings file"),
        QStringLiteral("info: App settings file initialized"),
        QStringLiteral("info: App settings saved successfully"),
        QStringLiteral("info: Default settings saved to App settings File"),
    };
    QCOMPARE(timeline.events(), expected);
    QCOMPARE(json.settingsFilePath(), settingsFile());
    QCOMPARE(readFile(settingsFile()), kDefaultFile);
    QCOMPARE(QDir(settingsDir()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden),
             QStringList{QStringLiteral("appSettings.json")});

    // A second start finds everything in place and leaves the file alone.
    log.clear();
    writeFile(settingsFile(), "{\"mrDefaultRxTimeout\": 9}");
    Jsonutil again(settingsDir());
    QCOMPARE(log.texts(), (QStringList{QStringLiteral("Jsonutil initialized"),
                                       QStringLiteral("App default settings initialized"),
                                       QStringLiteral("App settings file initialized")}));
    QCOMPARE(readFile(settingsFile()), QByteArray("{\"mrDefaultRxTimeout\": 9}"));
}

void TestJsonutil::defaultLocationIsPerUserConfig()
{
    const QString expectedDir =
        QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation) + QStringLiteral("/settings");
    QCOMPARE(defaultAppSettingsDirectory(), expectedDir);
    QVERIFY2(expectedDir.contains(QStringLiteral("vestranautic/QuaycastTool")), qPrintable(expectedDir));
    QVERIFY2(expectedDir.startsWith(qEnvironmentVariable("HOME") + QLatin1Char('/')), qPrintable(expectedDir));

    LogCapture log;
    Jsonutil json;
    QCOMPARE(json.settingsFilePath(), expectedDir + QStringLiteral("/appSettings.json"));
    QCOMPARE(readFile(json.settingsFilePath()), kDefaultFile);
    QVERIFY(QDir(expectedDir).removeRecursively());
}

void TestJsonutil::load_data()
{
    QTest::addColumn<QString>("setup");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QStringList>("expected");

    const QStringList start{QStringLiteral("info: Trying to load App settings from App settings file")};

    QByteArray randomBytes(512, Qt::Uninitialized);
    QRandomGenerator generator(20250314);
    for (char &c : randomBytes)
        c = char(generator.bounded(256));
    randomBytes[0] = char(0xff);
    QJsonParseError randomError;
    QJsonDocument::fromJson(randomBytes, &randomError);

    auto parseError = [&start](const QString &parserText) {
        return start + kInitFound
            + QStringList{
                  QStringLiteral("error-signal: Failed To Parse Settings File, Loading Default Settings"),
                  QStringLiteral("info-signal: Failed To Parse Settings File, Loading Default Settings"),
                  QStringLiteral("warning: Failed to parse settings file, loading default settings"),
                  QStringLiteral("warning: JSON parse error:  \"%1\"").arg(parserText),
                  QStringLiteral("settings: DEFAULTS"),
              };
    };
    auto loaded = [&start](const QString &compactJson) {
        return start + kInitFound
            + QStringList{
                  QStringLiteral("settings: ") + compactJson,
                  QStringLiteral("info-signal: App Settings Loaded Successfully"),
                  QStringLiteral("info: App settings loaded successfully"),
              };
    };

    QTest::newRow("defaults as written at first start") << "file" << kDefaultFile
                                                        << loaded(QStringLiteral("DEFAULTS"));
    QTest::newRow("empty object") << "file" << QByteArray("{}") << loaded(QStringLiteral("{}"));
    QTest::newRow("only mrDefaultRxTimeout") << "file" << QByteArray("{ \"mrDefaultRxTimeout\": 7 }\n")
                                             << loaded(QStringLiteral("{\"mrDefaultRxTimeout\":7}"));
    QTest::newRow("unknown key carried, values not checked")
        << "file" << QByteArray(R"({"mrDefaultRxTimeout": "12", "colour": "red"})")
        << loaded(QStringLiteral(R"({"colour":"red","mrDefaultRxTimeout":"12"})"));
    QTest::newRow("the word hello") << "file" << QByteArray("hello")
                                    << parseError(QStringLiteral("illegal value"));
    QTest::newRow("empty file") << "file" << QByteArray() << parseError(QStringLiteral("illegal value"));
    QTest::newRow("random bytes") << "file" << randomBytes << parseError(randomError.errorString());
    QTest::newRow("JSON array")
        << "file" << QByteArray("[1, 2, 3]")
        << start + kInitFound
               + QStringList{
                   QStringLiteral("error-signal: Failed To Create Object Of Settings File"),
                   QStringLiteral("info-signal: Failed To Create Object Of Settings File, Loading Default Settings"),
                   QStringLiteral("warning: Failed to create object of settings file, loading default settings"),
                   QStringLiteral("settings: DEFAULTS"),
               };
    QTest::newRow("directory standing for the file (cannot be read)")
        << "directory" << QByteArray()
        << start + kInitFound
               + QStringList{
                   QStringLiteral("error-signal: Failed To Read Settings File, Default Settings In Use"),
                   QStringLiteral("info-signal: Failed To Read Settings File, Default Settings In Use"),
                   QStringLiteral("warning: Failed to read settings file, default settings in Use"),
                   QStringLiteral("settings: DEFAULTS"),
               };
    QTest::newRow("file deleted while running")
        << "deleted" << QByteArray()
        << start + kInitWritesDefaults
               + QStringList{
                   QStringLiteral("settings: DEFAULTS"),
                   QStringLiteral("info-signal: App Settings Loaded Successfully"),
                   QStringLiteral("info: App settings loaded successfully"),
               };
    QTest::newRow("settings directory cannot be created")
        << "blocked" << QByteArray()
        << start
               + QStringList{
                   QStringLiteral("info: App settings file initialized"),
                   QStringLiteral("warning: App settings directory not Exist"),
                   QStringLiteral("warning: Failed to create settings directory: \"%DIR%\""),
                   QStringLiteral("error-signal: App Settings File Does Not Exist"),
                   QStringLiteral("info-signal: App Settings File Does Not Exist"),
                   QStringLiteral("warning: App settings file does not exist"),
               };
}

void TestJsonutil::load()
{
    QFETCH(QString, setup);
    QFETCH(QByteArray, content);
    QFETCH(QStringList, expected);

    LogCapture log;
    std::unique_ptr<Jsonutil> json;
    if (setup == QLatin1String("blocked")) {
        // A regular file where the settings directory must go.
        QVERIFY(QDir().mkpath(QFileInfo(settingsDir()).path()));
        QVERIFY(writeFile(settingsDir(), "not a directory"));
        json = std::make_unique<Jsonutil>(settingsDir());
    } else {
        json = std::make_unique<Jsonutil>(settingsDir());
        if (setup == QLatin1String("file")) {
            QVERIFY(writeFile(settingsFile(), content));
        } else if (setup == QLatin1String("directory")) {
            QVERIFY(QFile::remove(settingsFile()));
            QVERIFY(QDir().mkpath(settingsFile()));
        } else if (setup == QLatin1String("deleted")) {
            QVERIFY(QFile::remove(settingsFile()));
        }
    }

    Timeline timeline(log);
    record(*json, timeline);
    QSignalSpy settingsSpy(json.get(), &Jsonutil::sendAppSettings);
    json->recvLoadAppSettings();

    for (QString &line : expected)
        line.replace(QStringLiteral("%DIR%"), settingsDir());
    QCOMPARE(timeline.events(), expected);

    const bool handsOutMap = expected.filter(QStringLiteral("settings: ")).size() == 1;
    QCOMPARE(settingsSpy.count(), handsOutMap ? 1 : 0);

    // Loading never changes what is on disk.
    if (setup == QLatin1String("file"))
        QCOMPARE(readFile(settingsFile()), content);
    else if (setup == QLatin1String("deleted"))
        QCOMPARE(readFile(settingsFile()), kDefaultFile);
    else if (setup == QLatin1String("blocked"))
        QCOMPARE(readFile(settingsDir()), QByteArray("not a directory"));
}

void TestJsonutil::loadOfSavedMapGivesItBack()
{
    Jsonutil json(settingsDir());
    json.recvSaveAppSettings(viewModelSettings());

    QSignalSpy settingsSpy(&json, &Jsonutil::sendAppSettings);
    json.recvLoadAppSettings();
    QCOMPARE(settingsSpy.count(), 1);
    const QVariantMap map = settingsSpy.first().first().toMap();
    QCOMPARE(map.size(), 18);
    QCOMPARE(map.value("msDefaultTxInterval").toDouble(), 25.0);
    QCOMPARE(map.value("mrDefaultRxTimeout").toInt(), 12);
    QCOMPARE(map.value("mrDefaultGrpPortNumber").typeId(), QMetaType::QString);
    QCOMPARE(map.value("mrDefaultGrpPortNumber").toString(), QStringLiteral("5500"));
    QCOMPARE(map.value("mrSaveNmeaToFileStatus").toBool(), false);
    QCOMPARE(map.value("msDefaultCustomNmeaSentence").toString(), QStringLiteral("$GPHDT,123.4,T*2B"));
}

void TestJsonutil::saveWritesIndentedJson()
{
    Jsonutil json(settingsDir());
    LogCapture log;
    Timeline timeline(log);
    record(json, timeline);

    json.recvSaveAppSettings(viewModelSettings());

    QCOMPARE(timeline.events(),
             (QStringList{
                 QStringLiteral("info: Trying to save App settings to App settings file"),
                 QStringLiteral("info: App settings file initialized"),
                 QStringLiteral("info-signal: App Settings Saved Successfully"),
                 QStringLiteral("info: App settings saved successfully"),
             }));
    QByteArray expected = kDefaultFile;
    expected.replace("\"mrDefaultGrpIpAddress\": \"239.191.1.1\"", "\"mrDefaultGrpIpAddress\": \"239.1.2.3\"")
        .replace("\"mrDefaultGrpPortNumber\": \"4400\"", "\"mrDefaultGrpPortNumber\": \"5500\"")
        .replace("\"mrDefaultRxTimeout\": 3", "\"mrDefaultRxTimeout\": 12")
        .replace("\"mrSaveNmeaToFileStatus\": true", "\"mrSaveNmeaToFileStatus\": false")
        .replace("\"msDefaultCustomNmeaSentence\": \"\"", "\"msDefaultCustomNmeaSentence\": \"$GPHDT,123.4,T*2B\"")
        .replace("\"msDefaultTxInterval\": 10", "\"msDefaultTxInterval\": 25");
    QCOMPARE(readFile(settingsFile()), expected);

    // A whole double is written like the integer default.
    QVariantMap whole = defaultAppSettings();
    whole.insert(QStringLiteral("msDefaultTxInterval"), 10.0);
    json.recvSaveAppSettings(whole);
    QCOMPARE(readFile(settingsFile()), kDefaultFile);
    QCOMPARE(QDir(settingsDir()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden),
             QStringList{QStringLiteral("appSettings.json")});
}

void TestJsonutil::saveRecreatesDeletedFileFirst()
{
    Jsonutil json(settingsDir());
    QVERIFY(QDir(settingsDir()).removeRecursively());

    LogCapture log;
    Timeline timeline(log);
    record(json, timeline);
    QSignalSpy infoSpy(&json, &Jsonutil::sendJsonInfoMessage);
    json.recvSaveAppSettings(viewModelSettings());

    QStringList expected{
        QStringLiteral("info: Trying to save App settings to App settings file"),
        QStringLiteral("info: App settings file initialized"),
        QStringLiteral("warning: App settings directory not Exist"),
    };
    expected += kInitWritesDefaults.mid(1);
    expected += QStringList{
        QStringLiteral("info-signal: App Settings Saved Successfully"),
        QStringLiteral("info: App settings saved successfully"),
    };
    QCOMPARE(timeline.events(), expected);
    QCOMPARE(infoSpy.count(), 2);
    QVERIFY(readFile(settingsFile()).contains("\"msDefaultTxInterval\": 25"));
}

void TestJsonutil::saveIntoDirectoryStandingForFile()
{
    Jsonutil json(settingsDir());
    QVERIFY(QFile::remove(settingsFile()));
    QVERIFY(QDir().mkpath(settingsFile() + QStringLiteral("/inside")));

    LogCapture log;
    Timeline timeline(log);
    record(json, timeline);
    json.recvSaveAppSettings(viewModelSettings());

    QCOMPARE(timeline.events(),
             (QStringList{
                 QStringLiteral("info: Trying to save App settings to App settings file"),
                 QStringLiteral("info: App settings file initialized"),
                 QStringLiteral("error-signal: Failed To Open Settings File, Settings Not Saved"),
                 QStringLiteral("info-signal: Failed To Open Settings File, Settings Not Saved"),
                 QStringLiteral("warning: Failed to open settings file, settings not saved"),
             }));
    QVERIFY(QFileInfo(settingsFile() + QStringLiteral("/inside")).isDir());
}

void TestJsonutil::saveWhenDirectoryCannotBeCreated()
{
    QVERIFY(QDir().mkpath(QFileInfo(settingsDir()).path()));
    QVERIFY(writeFile(settingsDir(), "not a directory"));
    Jsonutil json(settingsDir());

    LogCapture log;
    Timeline timeline(log);
    record(json, timeline);
    json.recvSaveAppSettings(viewModelSettings());

    // Nothing reaches the operator here, only the log.
    QCOMPARE(timeline.events(),
             (QStringList{
                 QStringLiteral("info: Trying to save App settings to App settings file"),
                 QStringLiteral("info: App settings file initialized"),
                 QStringLiteral("warning: App settings directory not Exist"),
                 QStringLiteral("warning: Failed to create settings directory: \"%1\"").arg(settingsDir()),
                 QStringLiteral("warning: App settings file does not exist"),
             }));
    QCOMPARE(readFile(settingsDir()), QByteArray("not a directory"));
}

void TestJsonutil::failedWriteKeepsPreviousFile()
{
    Jsonutil json(settingsDir());
    const QByteArray previous = R"({
    "mrDefaultGrpIpAddress": "239.7.7.7",
    "mrDefaultRxTimeout": 9
}
)";
    QVERIFY(writeFile(settingsFile(), previous));

    LogCapture log;
    Timeline timeline(log);
    record(json, timeline);
    {
        // Smaller than the new content, so only the new content cannot be written.
        FileSizeLimit limit(64);
        QVERIFY(limit.isActive());
        json.recvSaveAppSettings(viewModelSettings());
    }

    QCOMPARE(timeline.events(),
             (QStringList{
                 QStringLiteral("info: Trying to save App settings to App settings file"),
                 QStringLiteral("info: App settings file initialized"),
                 QStringLiteral("error-signal: Failed To Write To Settings File"),
                 QStringLiteral("info-signal: Failed To Write To Settings File, Settings Not Saved"),
                 QStringLiteral("warning: Failed to write to settings file"),
             }));
    QCOMPARE(readFile(settingsFile()), previous);
    QCOMPARE(QDir(settingsDir()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden),
             QStringList{QStringLiteral("appSettings.json")});

    // With room again the same request goes through.
    json.recvSaveAppSettings(viewModelSettings());
    QVERIFY(readFile(settingsFile()).contains("\"mrDefaultGrpIpAddress\": \"239.1.2.3\""));
}

QCX_TEMP_HOME_TEST_MAIN(TestJsonutil)

#include "tst_jsonutil.moc"
