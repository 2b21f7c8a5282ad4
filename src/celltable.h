#pragma once

#include <QAbstractTableModel>
#include <QStringList>
#include <QVariantList>
#include <QVector>

// A field of a CSV line, quoted where it must be.
QString csvField(const QString &field);

// A table of the statistics windows: rows known by a key, updated in
// place and new ones inserted where the sort order puts them, so that rows,
// scroll position and selection stay across refreshes. A click on a
// caption sorts by its column; only that moves rows.
class Celltable : public QAbstractTableModel
{
    Q_OBJECT
    Q_PROPERTY(int sortColumn READ sortColumn WRITE setSortColumn NOTIFY sortChanged)
    Q_PROPERTY(bool sortDescending READ sortDescending WRITE setSortDescending NOTIFY sortChanged)

public:
    enum Role { SortRole = Qt::UserRole + 1, StaleRole, KeyRole, LevelRole };

    struct Row
    {
        QString key;
        QVariantList values;  // what sorts, one per column
        QStringList texts;    // what shows, one per column
        bool stale = false;
        int level = 0;  // 1: a row below the one before it, as a source below its group
    };

    explicit Celltable(const QStringList &captions, QObject *parent = nullptr);

    // The rows as they are now; rows whose key is gone leave.
    void update(const QVector<Row> &rows);
    void clear();
    QString csv() const;
    Q_INVOKABLE QString key(int row) const;

    int sortColumn() const { return m_sortColumn; }
    void setSortColumn(int column);
    bool sortDescending() const { return m_descending; }
    void setSortDescending(bool descending);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    QHash<int, QByteArray> roleNames() const override;

signals:
    void sortChanged();

private:
    bool before(const Row &a, const Row &b) const;
    void sortRows();

    QStringList m_captions;
    QVector<Row> m_rows;
    int m_sortColumn = 0;
    bool m_descending = false;
};
