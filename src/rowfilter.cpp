#include "rowfilter.h"

#include "listutil.h"

#include <algorithm>

Rowfilter::Rowfilter(QObject *parent)
    : QSortFilterProxyModel(parent)
{
    setFilterRole(Listutil::TextRole);
}

void Rowfilter::setText(const QString &text)
{
    m_text = text;
    invalidateFilter();
    emit textChanged();
}

bool Rowfilter::filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const
{
    if (m_text.isEmpty())
        return true;
    const QModelIndex index = sourceModel()->index(sourceRow, 0, sourceParent);
    if (index.data(Listutil::TextRole).toString().contains(m_text, Qt::CaseInsensitive))
        return true;
    const QString kind = m_text.trimmed();
    const QStringList kinds = index.data(Listutil::KindsRole).toString().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    return std::any_of(kinds.cbegin(), kinds.cend(),
                       [&](const QString &k) { return k.compare(kind, Qt::CaseInsensitive) == 0; });
}
