// Arbitrary bytes as the settings file: loaded by Jsonutil and applied to the
// view model by Controlutil, then saved and loaded again. Everything stays in
// a temporary folder.

#include "controlutil.h"
#include "fuzzsupport.h"
#include "jsonutil.h"
#include "viewutil.h"

#include <QCoreApplication>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QMetaProperty>
#include <QTemporaryDir>

#include <cmath>

namespace {

Viewutil *view = nullptr;
QString settingsFile;
// The 18 settings keys with the view model's property of the same name.
QList<QPair<QString, QMetaProperty>> settingsProperties;

// What the view model must hold after a map was applied: the map's value per
// key, converted to the property's type.
QVariant expectedValue(const QVariantMap &map, const QString &key, QMetaType type)
{
    const QVariant value = map.value(key);
    switch (type.id()) {
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

bool sameValue(const QVariant &a, const QVariant &b)
{
    if (a.typeId() == QMetaType::Double && b.typeId() == QMetaType::Double)
        return a.toDouble() == b.toDouble() || (std::isnan(a.toDouble()) && std::isnan(b.toDouble()));
    return a == b;
}

QVariantList viewSettings()
{
    QVariantList values;
    for (const auto &[key, property] : std::as_const(settingsProperties))
        values << property.read(view);
    return values;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    qInstallMessageHandler(qcxQuietMessages);
    new QCoreApplication(*argc, *argv);
    // Removed when the run ends.
    static QTemporaryDir tempDir;
    if (!tempDir.isValid())
        std::abort();
    view = new Viewutil;
    const QString base = tempDir.path();
    new Controlutil(view, {base + QStringLiteral("/settings"), base + QStringLiteral("/capture"),
                           base + QStringLiteral("/documents")});
    settingsFile = base + QStringLiteral("/settings/appSettings.json");
    const QStringList keys = defaultAppSettings().keys();
    for (const QString &key : keys) {
        const QMetaProperty property =
            view->metaObject()->property(view->metaObject()->indexOfProperty(key.toLatin1().constData()));
        if (!property.isValid())
            std::abort();
        settingsProperties.append({key, property});
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray content(reinterpret_cast<const char *>(data), qsizetype(size));
    {
        QFile file(settingsFile);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(content) != content.size())
            std::abort();
    }

    emit view->sendLoadAppSettings();

    // A JSON object is applied as it is; anything else gives the defaults. The
    // file is read in text mode, which drops every carriage return.
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(QByteArray(content).replace('\r', QByteArray()), &error);
    const bool usable = error.error == QJsonParseError::NoError && document.isObject();
    const QVariantMap expected = usable ? document.object().toVariantMap() : defaultAppSettings();
    for (const auto &[key, property] : std::as_const(settingsProperties))
        QCX_FUZZ_CHECK(sameValue(property.read(view), expectedValue(expected, key, property.metaType())), key);

    // Saved and loaded again, the view model holds the same settings, and the
    // file holds one object with the 18 keys.
    const QVariantList before = viewSettings();
    emit view->sendSaveAppSettings();
    QFile saved(settingsFile);
    QCX_FUZZ_CHECK(saved.open(QIODevice::ReadOnly), settingsFile);
    const QJsonDocument savedDocument = QJsonDocument::fromJson(saved.readAll(), &error);
    QCX_FUZZ_CHECK(error.error == QJsonParseError::NoError && savedDocument.isObject(), error.errorString());
    QCX_FUZZ_CHECK(savedDocument.object().size() == settingsProperties.size(),
                   QString::number(savedDocument.object().size()));
    emit view->sendLoadAppSettings();
    const QVariantList after = viewSettings();
    for (qsizetype i = 0; i < settingsProperties.size(); ++i)
        QCX_FUZZ_CHECK(sameValue(before.at(i), after.at(i)), settingsProperties.at(i).first);
    return 0;
}
