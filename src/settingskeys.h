#pragma once

#include <QMetaType>
#include <QVariant>

#include <vector>

// The settings file's keys in the file's order, each with its JSON type and
// built-in value. A key is also the name of the view model property that the
// hand-over fills from it and collects it from.
struct SettingsKey
{
    const char *name;
    QMetaType::Type type;
    QVariant builtIn;
};

const std::vector<SettingsKey> &settingsKeys();

// A loaded value as the view model takes it: converted to the key's type, the
// type's empty value when missing.
QVariant settingsValue(const SettingsKey &key, const QVariant &value);
