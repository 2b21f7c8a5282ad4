#include "jsonutil.h"

#include "settingskeys.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QSaveFile>
#include <QStandardPaths>

QVariantMap defaultAppSettings()
{
    QVariantMap settings;
    for (const SettingsKey &key : settingsKeys())
        settings.insert(QLatin1String(key.name), key.builtIn);
    return settings;
}

QByteArray appSettingsJson(const QVariantMap &appSettings)
{
    return QJsonDocument(QJsonObject::fromVariantMap(appSettings)).toJson(QJsonDocument::Indented);
}

QString defaultAppSettingsDirectory()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation)
        + QStringLiteral("/settings");
}

Jsonutil::Jsonutil(QObject *parent)
    : Jsonutil(defaultAppSettingsDirectory(), parent)
{
}

Jsonutil::Jsonutil(const QString &settingsDirectory, QObject *parent)
    : QObject(parent)
    , m_settingsDirectory(settingsDirectory)
{
    qInfo() << "Jsonutil initialized";
    initDefaultSettings();
    initAppSettingsFile();
}

QString Jsonutil::settingsFilePath() const
{
    return m_settingsFilePath;
}

void Jsonutil::recvLoadAppSettings()
{
    loadAppSettings();
}

void Jsonutil::recvSaveAppSettings(QVariantMap appSettings)
{
    saveAppSettings(appSettings);
}

bool Jsonutil::initDefaultSettings()
{
    qInfo() << "App default settings initialized";
    m_defaultSettings = defaultAppSettings();
    return true;
}

bool Jsonutil::initAppSettingsFile()
{
    qInfo() << "App settings file initialized";

    const QString dirPath = m_settingsDirectory;
    QDir dir(dirPath);
    if (!dir.exists()) {
        qWarning() << "App settings directory not Exist";
        if (!dir.mkpath(QStringLiteral("."))) {
            qWarning() << "Failed to create settings directory:" << dirPath;
            return false;
        }
    }

    m_settingsFilePath = dirPath + QStringLiteral("/appSettings.json");
    if (QFile::exists(m_settingsFilePath))
        return true;

    QFile file(m_settingsFilePath);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text)) {
        qWarning() << "Failed to create App settings file";
        return false;
    }
    // The empty file only marks the file as present for the nested save; it is
    // closed before that save replaces it, since an open handle can block the
    // replacement on some platforms.
    file.close();

    if (saveAppSettings(m_defaultSettings)) {
        qInfo() << "Default settings saved to App settings File";
        return true;
    }
    qWarning() << "Failed to write default settings to App settings file";
    return false;
}

bool Jsonutil::saveAppSettings(const QVariantMap &appSettings)
{
    qInfo() << "Trying to save App settings to App settings file";

    if (!initAppSettingsFile()) {
        qWarning() << "App settings file does not exist";
        return false;
    }

    // Written next to the old file and swapped in only when complete, so a
    // failed save leaves the operator's previous settings in place.
    QSaveFile file(m_settingsFilePath);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text)) {
        const QString message = QStringLiteral("Failed To Open Settings File, Settings Not Saved");
        emit sendJsonErrorMessage(message);
        emit sendJsonInfoMessage(message);
        qWarning() << "Failed to open settings file, settings not saved";
        return false;
    }

    const QByteArray json = appSettingsJson(appSettings);
    const qint64 written = file.write(json);
    // commit() does not notice a failed flush of buffered data and would then
    // replace the file with a truncated one, so the flush is checked first.
    const bool whole = written == json.size() && file.flush();
    if (!whole)
        file.cancelWriting();
    if (!whole || !file.commit()) {
        emit sendJsonErrorMessage(QStringLiteral("Failed To Write To Settings File"));
        emit sendJsonInfoMessage(QStringLiteral("Failed To Write To Settings File, Settings Not Saved"));
        qWarning() << "Failed to write to settings file";
        return false;
    }

    emit sendJsonInfoMessage(QStringLiteral("App Settings Saved Successfully"));
    qInfo() << "App settings saved successfully";
    return true;
}

bool Jsonutil::loadAppSettings()
{
    qInfo() << "Trying to load App settings from App settings file";

    if (!initAppSettingsFile()) {
        const QString message = QStringLiteral("App Settings File Does Not Exist");
        emit sendJsonErrorMessage(message);
        emit sendJsonInfoMessage(message);
        qWarning() << "App settings file does not exist";
        return false;
    }

    QFile file(m_settingsFilePath);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        const QString message = QStringLiteral("Failed To Read Settings File, Default Settings In Use");
        emit sendJsonErrorMessage(message);
        emit sendJsonInfoMessage(message);
        qWarning() << "Failed to read settings file, default settings in Use";
        emit sendAppSettings(m_defaultSettings);
        return false;
    }
    const QByteArray content = file.readAll();
    file.close();

    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(content, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        const QString message = QStringLiteral("Failed To Parse Settings File, Loading Default Settings");
        emit sendJsonErrorMessage(message);
        emit sendJsonInfoMessage(message);
        qWarning() << "Failed to parse settings file, loading default settings";
        qWarning() << "JSON parse error: " << parseError.errorString();
        emit sendAppSettings(m_defaultSettings);
        return false;
    }

    if (!document.isObject()) {
        emit sendJsonErrorMessage(QStringLiteral("Failed To Create Object Of Settings File"));
        emit sendJsonInfoMessage(
            QStringLiteral("Failed To Create Object Of Settings File, Loading Default Settings"));
        qWarning() << "Failed to create object of settings file, loading default settings";
        emit sendAppSettings(m_defaultSettings);
        return false;
    }

    m_loadedSettings = document.object().toVariantMap();
    emit sendAppSettings(m_loadedSettings);
    emit sendJsonInfoMessage(QStringLiteral("App Settings Loaded Successfully"));
    qInfo() << "App settings loaded successfully";
    return true;
}
