#include "rowfilter.h"

#include <QClipboard>
#include <QGuiApplication>

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

void Clipboardutil::setText(const QString &text)
{
    QGuiApplication::clipboard()->setText(text);
}

QString Clipboardutil::rowsText(QAbstractItemModel *model, int first, int last) const
{
    QStringList rows;
    for (int row = qMax(0, first); model && row <= last && row < model->rowCount(); ++row)
        rows << model->index(row, 0).data(Listutil::TextRole).toString();
    return rows.join(QLatin1Char('\n'));
}
