#include "scanmodel.h"

#include "prefsutil.h"
#include "scanreport.h"
#include "textfile.h"

namespace {
const QString kPresetKey = QStringLiteral("scan/preset");
const QString kEntriesKey = QStringLiteral("scan/entries");
const QString kNoPreset = QStringLiteral("No preset");
}

Scanmodel::Scanmodel(Prefsutil *prefs, QObject *parent)
    : Scanmodel(prefs, {}, {}, parent)
{
}

Scanmodel::Scanmodel(Prefsutil *prefs, Scancounts::Clock clock, Scancounts::Clock wallClock, QObject *parent)
    : Celltable(scanCaptions(), parent)
    , m_prefs(prefs)
    , m_scan(std::move(clock), std::move(wallClock))
{
    m_preset = m_prefs ? m_prefs->value(kPresetKey, presets().first()).toString() : presets().first();
    if (!presets().contains(m_preset))
        m_preset = presets().first();
    m_entries = m_prefs ? m_prefs->value(kEntriesKey).toString() : QString();
    m_timer.setInterval(refreshMs);
    connect(&m_timer, &QTimer::timeout, this, &Scanmodel::refresh);
    connect(&m_scan, &Scanutil::sendScanRunning, this, [this](bool running) {
        if (running)
            m_timer.start();
        else
            m_timer.stop();
        refresh();
        emit runningChanged();
    });
}

Scanmodel::~Scanmodel()
{
    // The scan stops as it is destroyed, after this model's timer: its last
    // report must not reach a model that is half gone.
    disconnect(&m_scan, nullptr, this, nullptr);
}

QStringList Scanmodel::presets() const
{
    QStringList labels;
    for (const ScanPreset &preset : scanPresets())
        labels << QLatin1String(preset.label);
    return labels << kNoPreset;
}

void Scanmodel::setPreset(const QString &preset)
{
    m_preset = preset;
    if (m_prefs && m_prefs->value(kPresetKey).toString() != preset)
        m_prefs->setValue(kPresetKey, preset);
    emit choicesChanged();
}

void Scanmodel::setEntries(const QString &entries)
{
    m_entries = entries;
    if (m_prefs && m_prefs->value(kEntriesKey).toString() != entries)
        m_prefs->setValue(kEntriesKey, entries);
    emit choicesChanged();
}

QString Scanmodel::status() const
{
    if (!m_scan.isRunning())
        return QStringLiteral("Not scanning");
    const int groups = int(m_scan.targets().size());
    return QStringLiteral("Scanning %1 group%2; %3")
        .arg(groups)
        .arg(groups == 1 ? QString() : QStringLiteral("s"), m_scan.interfaceMessage());
}

bool Scanmodel::start()
{
    const ScanList list = parseScanList(m_entries);
    if (!list.error.isEmpty()) {
        emit failed(list.error);
        return false;
    }
    QVector<ScanTarget> targets = presetTargets(m_preset);
    for (const ScanTarget &target : list.targets) {
        if (!targets.contains(target))
            targets.append(target);
    }
    if (targets.isEmpty()) {
        emit failed(QStringLiteral("No Group To Scan: Choose A Preset Or Enter GROUP:PORT"));
        return false;
    }
    clear();
    QString error;
    const auto errorWatch = connect(&m_scan, &Scanutil::sendScanErrorMessage, this,
                                    [&error](const QString &message) { error = message; });
    const bool started = m_scan.start(targets, m_osSelectAllowed);
    disconnect(errorWatch);
    if (!started)
        emit failed(error);
    return started;
}

void Scanmodel::stop()
{
    m_scan.stop();
}

void Scanmodel::refresh()
{
    const ScanReport report = m_scan.report();
    update(scanRows(report));
    const QStringList alarms = scanAlarms(report);
    const QString text = alarms.isEmpty() ? QStringLiteral("Alarms: none")
                                          : QStringLiteral("Alarms: ") + alarms.join(QStringLiteral("; "));
    if (text != m_alarms) {
        m_alarms = text;
        emit alarmsChanged();
    }
}

QString Scanmodel::json() const
{
    return QString::fromUtf8(scanJson(m_scan.report()));
}

QString Scanmodel::saveJson(const QUrl &file) const
{
    return writeTextFile(file.isLocalFile() ? file.toLocalFile() : file.toString(), scanJson(m_scan.report()));
}

QVariantMap Scanmodel::target(const QString &key) const
{
    // A group row's key is its GROUP:PORT, and its sources' keys begin with it.
    const QString address = key.section(QLatin1Char('\n'), 0, 0);
    ScanTarget target;
    if (!parseScanEntry(address, target).isEmpty())
        return {};
    return {{QStringLiteral("group"), target.group}, {QStringLiteral("port"), QString::number(target.port)}};
}
