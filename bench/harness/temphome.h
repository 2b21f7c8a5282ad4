#pragma once

#include <QByteArray>
#include <QStandardPaths>
#include <QTemporaryDir>

// Gives the test process a fresh HOME and XDG folders inside a temporary
// directory, with QStandardPaths in test mode, before the application object
// exists; nothing a test writes through the standard locations can reach the
// real user's folders.
class TempHome
{
public:
    TempHome()
    {
        const QByteArray home = m_dir.path().toUtf8();
        qputenv("HOME", home);
        qputenv("XDG_CONFIG_HOME", home + "/.config");
        qputenv("XDG_DATA_HOME", home + "/.local/share");
        qputenv("XDG_CACHE_HOME", home + "/.cache");
        qputenv("XDG_STATE_HOME", home + "/.local/state");
        QStandardPaths::setTestModeEnabled(true);
    }

    bool isValid() const { return m_dir.isValid(); }
    QString path() const { return m_dir.path(); }

private:
    QTemporaryDir m_dir;
};
