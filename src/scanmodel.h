#pragma once

#include <QStringList>
#include <QTimer>
#include <QUrl>
#include <QVariantMap>

#include "celltable.h"
#include "scanutil.h"

class Prefsutil;

// The Network Scan tab's model: what to scan (a preset and free entries,
// kept in preferences.ini), the scan worker, and the map: each group's row
// and below it its sources' rows, refreshed twice a second in place so that
// rows and selection stay. Stale groups and sources are listed as alarms.
class Scanmodel : public Celltable
{
    Q_OBJECT
    Q_PROPERTY(QStringList presets READ presets CONSTANT)
    Q_PROPERTY(QString preset READ preset WRITE setPreset NOTIFY choicesChanged)
    Q_PROPERTY(QString entries READ entries WRITE setEntries NOTIFY choicesChanged)
    Q_PROPERTY(bool running READ running NOTIFY runningChanged)
    Q_PROPERTY(QString status READ status NOTIFY runningChanged)
    Q_PROPERTY(QString alarms READ alarms NOTIFY alarmsChanged)

public:
    static constexpr int refreshMs = 500;

    explicit Scanmodel(Prefsutil *prefs = nullptr, QObject *parent = nullptr);
    Scanmodel(Prefsutil *prefs, Scancounts::Clock clock, Scancounts::Clock wallClock, QObject *parent = nullptr);
    ~Scanmodel() override;

    QStringList presets() const;
    QString preset() const { return m_preset; }
    void setPreset(const QString &preset);
    QString entries() const { return m_entries; }
    void setEntries(const QString &entries);
    bool running() const { return m_scan.isRunning(); }
    QString status() const;
    QString alarms() const { return m_alarms; }
    Scanutil *scan() { return &m_scan; }

    // The receiver's choice of letting the system pick the interface.
    void setOsSelectAllowed(bool allowed) { m_osSelectAllowed = allowed; }

    // Checks the list and starts; false with the reason on failed().
    Q_INVOKABLE bool start();
    Q_INVOKABLE void stop();
    Q_INVOKABLE void refresh();
    // The map as the JSON document that qcx scan --json prints.
    Q_INVOKABLE QString json() const;
    // Empty when written, else the file and the reason.
    Q_INVOKABLE QString saveJson(const QUrl &file) const;
    // The group and port of a row's group, for the receiver tab.
    Q_INVOKABLE QVariantMap target(const QString &key) const;

signals:
    void choicesChanged();
    void runningChanged();
    void alarmsChanged();
    void failed(const QString &message);

private:
    Prefsutil *m_prefs;
    Scanutil m_scan;
    QString m_preset;
    QString m_entries;
    QString m_alarms;
    bool m_osSelectAllowed = false;
    QTimer m_timer;
};
