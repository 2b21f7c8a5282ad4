#include "prefsutil.h"

Prefsutil::Prefsutil(const QString &settingsDirectory)
    : m_settings(settingsDirectory + QStringLiteral("/preferences.ini"), QSettings::IniFormat)
{
}

QVariant Prefsutil::value(const QString &key, const QVariant &defaultValue) const
{
    return m_settings.value(key, defaultValue);
}

void Prefsutil::setValue(const QString &key, const QVariant &value)
{
    m_settings.setValue(key, value);
    m_settings.sync();
}

QString Prefsutil::filePath() const
{
    return m_settings.fileName();
}
