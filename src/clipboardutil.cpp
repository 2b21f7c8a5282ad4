#include "clipboardutil.h"

#include <QClipboard>
#include <QGuiApplication>

#include "listutil.h"

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
