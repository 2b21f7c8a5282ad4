#pragma once

#include <QAbstractItemModel>
#include <QObject>
#include <QtQmlIntegration/qqmlintegration.h>

// The system clipboard for the pages: selected rows, the statistics table.
class Clipboardutil : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON

public:
    using QObject::QObject;
    Q_INVOKABLE void setText(const QString &text);
    // The texts of rows first to last of a list's model, one a line.
    Q_INVOKABLE QString rowsText(QAbstractItemModel *model, int first, int last) const;
};
