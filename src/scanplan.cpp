#include "scanplan.h"

#include "cliargs.h"
#include "validateutil.h"

#include <QHostAddress>
#include <QSet>

namespace {

constexpr quint32 kReservedBase = 0xEFC00000u;  // 239.192.0.0
constexpr int kReservedGroups = 64;
constexpr quint16 kReservedBasePort = 60000;

// The names of the reserved groups 239.192.0.1 to .16; the rest go by number.
const char *const kGroupNames[] = {"MISC", "TGTD", "SATD", "NAVD", "VDRD", "RCOM", "TIME", "PROP",
                                   "USR1", "USR2", "USR3", "USR4", "USR5", "USR6", "USR7", "USR8"};

struct UsualTalkers
{
    const char *group;
    const char *talkers;
};

// The talkers usually found on each group, as bridges are commonly laid out:
// AIS and radar targets on TGTD, heading and rate of turn on SATD,
// positioning, speed, depth and wind on NAVD, time from the positioning
// receivers on TIME, radar control on RCOM, engines and steering on PROP.
// A group not listed takes any talker. Another talker is only a note.
const UsualTalkers kUsualTalkers[] = {
    {"TGTD", "AI AB AD AN AR AS AT AX RA"},
    {"SATD", "HE HC HN TI"},
    {"NAVD", "GP GL GA GB GI GQ GN BD II IN SD VD VM VW WI YX HE EC EI"},
    {"RCOM", "RA EI II"},
    {"TIME", "GP GL GA GB GI GQ GN BD ZA ZC ZQ ZV II"},
    {"PROP", "ER RC SG SS II"},
};

QString talkerOf(const QString &kind)
{
    // Proprietary kinds (PGRM) and what is no sentence tell no talker.
    if (kind.size() < 3 || !kind.at(0).isUpper() || kind.at(0) == QLatin1Char('P')
        || kind.at(0) > QLatin1Char('Z'))
        return QString();
    return kind.left(2);
}

} // namespace

const QVector<ScanPreset> &scanPresets()
{
    static const QVector<ScanPreset> presets{
        {"iec450", "IEC 61162-450 (16 groups)", 16},
        {"iec450-all", "IEC 61162-450 (all 64 reserved)", kReservedGroups},
    };
    return presets;
}

QVector<ScanTarget> presetTargets(const QString &preset)
{
    for (const ScanPreset &known : scanPresets()) {
        if (preset != QLatin1String(known.id) && preset != QLatin1String(known.label))
            continue;
        QVector<ScanTarget> targets;
        for (int i = 1; i <= known.groups; ++i) {
            const QString group = QHostAddress(kReservedBase + quint32(i)).toString();
            targets.append({group, quint16(kReservedBasePort + i), reservedGroupName(group)});
        }
        return targets;
    }
    return {};
}

QString reservedGroupName(const QString &group)
{
    if (!isMulticastGroupAddress(group))
        return QString();
    const quint32 value = QHostAddress(group.trimmed()).toIPv4Address();
    if (value <= kReservedBase || value > kReservedBase + kReservedGroups)
        return QString();
    const int number = int(value - kReservedBase);
    return number <= int(std::size(kGroupNames)) ? QLatin1String(kGroupNames[number - 1]) : QString::number(number);
}

QStringList usualTalkers(const QString &groupName)
{
    for (const UsualTalkers &usual : kUsualTalkers) {
        if (groupName == QLatin1String(usual.group))
            return QString::fromLatin1(usual.talkers).split(QLatin1Char(' '));
    }
    return {};
}

QString talkerNote(const QString &groupName, const QString &kind)
{
    const QString talker = talkerOf(kind);
    const QStringList usual = usualTalkers(groupName);
    if (talker.isEmpty() || usual.isEmpty() || usual.contains(talker))
        return QString();
    return QStringLiteral("%1 unusual on %2").arg(talker, groupName);
}

QString parseScanEntry(const QString &entry, ScanTarget &out)
{
    GroupPort parsed;
    const QString error = parseGroupPort(entry.trimmed(), parsed);
    if (!error.isEmpty())
        return error;
    out = {parsed.group, parsed.port, reservedGroupName(parsed.group)};
    return QString();
}

ScanList parseScanList(const QString &text)
{
    ScanList list;
    QSet<QString> seen;
    for (const QString &line : text.split(QLatin1Char('\n'))) {
        if (line.trimmed().isEmpty())
            continue;
        ScanTarget target;
        const QString error = parseScanEntry(line, target);
        if (!error.isEmpty()) {
            list.targets.clear();
            list.error = QStringLiteral("%1: %2").arg(error, line.trimmed());
            return list;
        }
        if (!seen.contains(target.address())) {
            seen.insert(target.address());
            list.targets.append(target);
        }
    }
    return list;
}
