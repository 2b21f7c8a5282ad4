#include "settingskeys.h"

const std::vector<SettingsKey> &settingsKeys()
{
    static const std::vector<SettingsKey> keys{
        {"mrDefaultGrpIpAddress", QMetaType::QString, QStringLiteral("239.191.1.1")},
        {"mrDefaultGrpPortNumber", QMetaType::QString, QStringLiteral("4400")},
        {"mrSaveGrpIpAddStatus", QMetaType::Bool, true},
        {"mrSaveGrpPortNumStatus", QMetaType::Bool, true},
        {"mrSaveNmeaToFileStatus", QMetaType::Bool, true},
        {"mrIncludeDateTimeInNmeaFileStatus", QMetaType::Bool, true},
        {"mrShowWiredIfaceErrorStatus", QMetaType::Bool, true},
        {"mrAllowOsChooseIfaceStatus", QMetaType::Bool, true},
        {"mrDefaultRxTimeout", QMetaType::Int, 3},
        {"msDefaultGrpIpAddress", QMetaType::QString, QStringLiteral("239.191.1.1")},
        {"msDefaultGrpPortNumber", QMetaType::QString, QStringLiteral("4400")},
        {"msDefaultCustomNmeaSentence", QMetaType::QString, QString()},
        {"msSaveGrpIpAddStatus", QMetaType::Bool, true},
        {"msSaveGrpPortNumStatus", QMetaType::Bool, true},
        {"msSaveCustomNmeaStatus", QMetaType::Bool, true},
        {"msShowWiredIfaceErrorStatus", QMetaType::Bool, true},
        {"msAllowOsChooseIfaceStatus", QMetaType::Bool, true},
        {"msDefaultTxInterval", QMetaType::Double, 10},
    };
    return keys;
}

QVariant settingsValue(const SettingsKey &key, const QVariant &value)
{
    switch (key.type) {
    case QMetaType::QString:
        return value.toString();
    case QMetaType::Bool:
        return value.toBool();
    case QMetaType::Int:
        return value.toInt();
    default:
        return value.toDouble();
    }
}
