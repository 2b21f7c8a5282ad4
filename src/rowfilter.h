#pragma once

#include <QSortFilterProxyModel>
#include <QtQmlIntegration/qqmlintegration.h>

// The rows of a list that contain a text, in any case, or whose sentence
// kind is that text (GPRMC, PGRM, other).
class Rowfilter : public QSortFilterProxyModel
{
    Q_OBJECT
    Q_PROPERTY(QString text READ text WRITE setText NOTIFY textChanged)
    QML_ELEMENT

public:
    explicit Rowfilter(QObject *parent = nullptr);

    QString text() const { return m_text; }
    void setText(const QString &text);

signals:
    void textChanged();

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const override;

private:
    QString m_text;
};

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
