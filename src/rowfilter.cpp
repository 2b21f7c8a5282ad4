#include "rowfilter.h"

#include "listutil.h"
#include "nmeacheck.h"

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
    const QString row = sourceModel()->index(sourceRow, 0, sourceParent).data(Listutil::TextRole).toString();
    return row.contains(m_text, Qt::CaseInsensitive)
        || checkNmea(row).kind.compare(m_text.trimmed(), Qt::CaseInsensitive) == 0;
}
