#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QVariantMap>

// The 18 settings keys with their built-in values.
QVariantMap defaultAppSettings();
// The settings file's text for a map: one indented JSON object.
QByteArray appSettingsJson(const QVariantMap &appSettings);
// Per-user configuration location followed by "/settings".
QString defaultAppSettingsDirectory();

class Jsonutil : public QObject
{
    Q_OBJECT

public:
    explicit Jsonutil(QObject *parent = nullptr);
    // Keeps the settings file in settingsDirectory instead of the per-user location.
    explicit Jsonutil(const QString &settingsDirectory, QObject *parent = nullptr);

    QString settingsFilePath() const;

signals:
    void sendAppSettings(QVariantMap appSettings);
    void sendJsonErrorMessage(QString ErrorMsg);
    void sendJsonInfoMessage(QString InfoMsg);

public slots:
    void recvLoadAppSettings();
    void recvSaveAppSettings(QVariantMap appSettings);

private:
    bool initDefaultSettings();
    bool initAppSettingsFile();
    bool saveAppSettings(const QVariantMap &appSettings);
    bool loadAppSettings();

    QVariantMap m_loadedSettings;
    QVariantMap m_defaultSettings;
    QString m_settingsFilePath;
    QString m_settingsDirectory;
};
