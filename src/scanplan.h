#pragma once

#include <QString>
#include <QStringList>
#include <QVector>

// What the network scan listens to: the preset lists of IEC 61162-450
// groups and their names, the talkers usual on each, and the free GROUP:PORT
// entries. Pure rules, tested on their own.

struct ScanTarget
{
    QString group;
    quint16 port = 0;
    QString name;  // the reserved group's name, empty for another group

    QString address() const { return group + QLatin1Char(':') + QString::number(port); }
    bool operator==(const ScanTarget &other) const { return group == other.group && port == other.port; }
};

struct ScanPreset
{
    const char *id;     // as qcx scan --preset takes it
    const char *label;  // as the Network Scan tab shows it
    int groups;
};

// The presets in the order the tab lists them.
const QVector<ScanPreset> &scanPresets();
// The groups of a preset by its id or label; empty for an unknown one.
QVector<ScanTarget> presetTargets(const QString &preset);

// The name of a reserved group (239.192.0.1 to .64), empty for any other.
QString reservedGroupName(const QString &group);

// The talkers usual on a named group; empty when any talker is usual there.
QStringList usualTalkers(const QString &groupName);
// The note for a sentence kind on a group: empty when its talker is usual
// there, or when the group or kind tells no talker.
QString talkerNote(const QString &groupName, const QString &kind);

struct ScanList
{
    QVector<ScanTarget> targets;
    QString error;  // the receiver's message and the entry, empty when all are valid
};
// Free entries, one GROUP:PORT a line (blank lines skipped, repeats once),
// each validated as the receiver validates its group and port.
ScanList parseScanList(const QString &text);
// One GROUP:PORT; empty when valid, else the receiver's message.
QString parseScanEntry(const QString &entry, ScanTarget &out);
