#pragma once

#include <QSettings>
#include <QString>
#include <QVariant>

// Preferences beyond the settings file's eighteen keys. They live in a file
// of their own beside it, so that a settings file still loads unchanged in
// either direction between versions of the program.
class Prefsutil
{
public:
    explicit Prefsutil(const QString &settingsDirectory);

    QVariant value(const QString &key, const QVariant &defaultValue = QVariant()) const;
    void setValue(const QString &key, const QVariant &value);
    QString filePath() const;

private:
    mutable QSettings m_settings;
};
