#include "celltable.h"

#include <algorithm>

QString csvField(const QString &field)
{
    if (!field.contains(QLatin1Char(',')) && !field.contains(QLatin1Char('"')) && !field.contains(QLatin1Char('\n')))
        return field;
    return QLatin1Char('"') + QString(field).replace(QLatin1Char('"'), QStringLiteral("\"\"")) + QLatin1Char('"');
}

Celltable::Celltable(const QStringList &captions, QObject *parent)
    : QAbstractTableModel(parent)
    , m_captions(captions)
{
}

bool Celltable::before(const Row &a, const Row &b) const
{
    const QVariant &x = a.values.value(m_sortColumn);
    const QVariant &y = b.values.value(m_sortColumn);
    const QPartialOrdering order = QVariant::compare(x, y);
    if (order == QPartialOrdering::Equivalent || order == QPartialOrdering::Unordered)
        return a.key < b.key;
    return m_descending ? order == QPartialOrdering::Greater : order == QPartialOrdering::Less;
}

void Celltable::update(const QVector<Row> &rows)
{
    QHash<QString, qsizetype> fresh;
    for (qsizetype i = 0; i < rows.size(); ++i)
        fresh.insert(rows.at(i).key, i);
    for (qsizetype i = m_rows.size() - 1; i >= 0; --i) {
        if (fresh.contains(m_rows.at(i).key))
            continue;
        beginRemoveRows(QModelIndex(), int(i), int(i));
        m_rows.remove(i);
        endRemoveRows();
    }
    QHash<QString, qsizetype> shown;
    for (qsizetype i = 0; i < m_rows.size(); ++i)
        shown.insert(m_rows.at(i).key, i);
    for (const Row &row : rows) {
        const auto found = shown.constFind(row.key);
        if (found != shown.cend()) {
            Row &old = m_rows[*found];
            if (old.texts != row.texts || old.stale != row.stale) {
                old = row;
                emit dataChanged(index(int(*found), 0), index(int(*found), columnCount() - 1));
            }
            continue;
        }
        const qsizetype at = std::upper_bound(m_rows.cbegin(), m_rows.cend(), row,
                                              [this](const Row &a, const Row &b) { return before(a, b); })
            - m_rows.cbegin();
        beginInsertRows(QModelIndex(), int(at), int(at));
        m_rows.insert(at, row);
        endInsertRows();
        for (auto it = shown.begin(); it != shown.end(); ++it) {
            if (*it >= at)
                ++*it;
        }
        shown.insert(row.key, at);
    }
}

void Celltable::clear()
{
    update({});
}

void Celltable::sortRows()
{
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList before = persistentIndexList();
    QStringList keys;
    for (const QModelIndex &index : before)
        keys << m_rows.at(index.row()).key;
    std::stable_sort(m_rows.begin(), m_rows.end(), [this](const Row &a, const Row &b) { return this->before(a, b); });
    QModelIndexList after;
    for (qsizetype i = 0; i < before.size(); ++i) {
        const auto at = std::find_if(m_rows.cbegin(), m_rows.cend(), [&](const Row &r) { return r.key == keys.at(i); });
        after << index(int(at - m_rows.cbegin()), before.at(i).column());
    }
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
    emit headerDataChanged(Qt::Horizontal, 0, columnCount() - 1);
}

void Celltable::setSortColumn(int column)
{
    m_sortColumn = qBound(0, column, int(m_captions.size()) - 1);
    sortRows();
    emit sortChanged();
}

void Celltable::setSortDescending(bool descending)
{
    m_descending = descending;
    sortRows();
    emit sortChanged();
}

QString Celltable::key(int row) const
{
    return row >= 0 && row < m_rows.size() ? m_rows.at(row).key : QString();
}

QString Celltable::csv() const
{
    QStringList lines{m_captions.join(QLatin1Char(','))};
    for (const Row &row : m_rows) {
        QStringList fields;
        for (const QString &text : row.texts)
            fields << csvField(text);
        lines << fields.join(QLatin1Char(','));
    }
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

int Celltable::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int Celltable::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_captions.size());
}

QVariant Celltable::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return QVariant();
    const Row &row = m_rows.at(index.row());
    switch (role) {
    case Qt::DisplayRole:
        return row.texts.value(index.column());
    case SortRole:
        return row.values.value(index.column());
    case StaleRole:
        return row.stale;
    case KeyRole:
        return row.key;
    case LevelRole:
        return row.level;
    default:
        return QVariant();
    }
}

QVariant Celltable::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= m_captions.size())
        return QAbstractTableModel::headerData(section, orientation, role);
    if (section != m_sortColumn)
        return m_captions.at(section);
    return m_captions.at(section) + (m_descending ? QStringLiteral(" \u25bc") : QStringLiteral(" \u25b2"));
}

QHash<int, QByteArray> Celltable::roleNames() const
{
    return {{Qt::DisplayRole, "display"}, {SortRole, "sortValue"}, {StaleRole, "stale"}, {KeyRole, "key"}, {LevelRole, "level"}};
}
