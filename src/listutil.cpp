#include "listutil.h"

#include <algorithm>

namespace {
// Large enough for any datagram's text; reserved whole, but memory pages
// are only taken as rows fill them.
constexpr qsizetype blockSize = 256 * 1024;
}

Listutil::Listutil(QObject *parent)
    : QAbstractListModel(parent)
{
}

int Listutil::count() const
{
    return int(m_rowStarts.size());
}

// Part 0 is the text, 1 the kinds.
QString Listutil::part(int row, int from) const
{
    if (row < 0 || row >= count())
        return QString();
    const qsizetype begin = (from == 0 ? m_rowStarts : m_kindsStarts)[size_t(row)];
    const qsizetype end = from == 0 ? m_kindsStarts[size_t(row)]
        : row + 1 < count()         ? m_rowStarts[size_t(row) + 1]
                                    : m_end;
    const qsizetype rowBegin = m_rowStarts[size_t(row)];
    const size_t block = size_t(std::upper_bound(m_blockStarts.cbegin(), m_blockStarts.cend(), rowBegin)
                                - m_blockStarts.cbegin())
        - 1;
    return QString::fromUtf8(m_blocks[block].constData() + (begin - m_blockStarts[block]), end - begin);
}

QString Listutil::text(int row) const
{
    return part(row, 0);
}

int Listutil::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : count();
}

QVariant Listutil::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return QVariant();
    switch (role) {
    case TextRole:
        return text(index.row());
    case VerdictRole:
        return int(m_verdicts[size_t(index.row())]);
    case VerdictTextRole:
        // Read again from the row's text when asked (the pointer rests on
        // the row): built for every row, the hover cost more than the rest
        // of a row, and a program's notices have none.
        return m_verdicts[size_t(index.row())] == NmeaVerdict::None ? QString()
                                                                     : readRow(text(index.row())).detail();
    case KindsRole:
        return part(index.row(), 1);
    default:
        return QVariant();
    }
}

QHash<int, QByteArray> Listutil::roleNames() const
{
    return {{TextRole, QByteArrayLiteral("text")}, {VerdictRole, QByteArrayLiteral("verdict")},
            {VerdictTextRole, QByteArrayLiteral("verdictText")}, {KindsRole, QByteArrayLiteral("kinds")}};
}

void Listutil::setFeed(QObject *feed)
{
    if (m_feed)
        disconnect(m_feed, nullptr, this, nullptr);
    m_feed = qobject_cast<Rowfeed *>(feed);
    if (m_feed) {
        connect(m_feed, &Rowfeed::rowsReady, this, [this] { appendRows(m_feed->take()); });
        appendRows(m_feed->take());
    }
    emit feedChanged();
}

void Listutil::appendRows(const std::vector<FeedRow> &rows)
{
    if (rows.empty())
        return;
    const int first = count();
    beginInsertRows(QModelIndex(), first, first + int(rows.size()) - 1);
    for (const FeedRow &row : rows)
        store(row);
    endInsertRows();
    if (count() >= listRowsKept + listRowsDroppedAtOnce)
        dropOldestRows(count() - listRowsKept);
    emit countChanged();
}

void Listutil::append(const QVariantMap &row)
{
    appendText(row.value(QStringLiteral("text")).toString());
}

void Listutil::appendText(const QString &text)
{
    const int row = count();
    beginInsertRows(QModelIndex(), row, row);
    store({text, NmeaVerdict::None, QString()});
    endInsertRows();
    if (count() >= listRowsKept + listRowsDroppedAtOnce)
        dropOldestRows(listRowsDroppedAtOnce);
    emit countChanged();
}

void Listutil::store(const FeedRow &row)
{
    // One array for the two parts, grown in place.
    QByteArray bytes = row.text.toUtf8();
    const qsizetype textSize = bytes.size();
    bytes += row.kinds.toUtf8();
    if (m_blocks.empty() || m_blocks.back().size() + bytes.size() > m_blocks.back().capacity()) {
        QByteArray block;
        block.reserve(qMax(blockSize, bytes.size()));
        m_blocks.push_back(block);
        m_blockStarts.push_back(m_end);
    }
    m_blocks.back().append(bytes);
    m_rowStarts.push_back(m_end);
    m_kindsStarts.push_back(m_end + textSize);
    m_end += bytes.size();
    m_verdicts.push_back(row.verdict);
}

void Listutil::dropOldestRows(int rows)
{
    beginRemoveRows(QModelIndex(), 0, rows - 1);
    m_rowStarts.erase(m_rowStarts.begin(), m_rowStarts.begin() + rows);
    m_kindsStarts.erase(m_kindsStarts.begin(), m_kindsStarts.begin() + rows);
    m_verdicts.erase(m_verdicts.begin(), m_verdicts.begin() + rows);
    // Blocks that now hold no row are freed.
    size_t unused = 0;
    while (unused + 1 < m_blockStarts.size() && m_blockStarts[unused + 1] <= m_rowStarts.front())
        ++unused;
    m_blocks.erase(m_blocks.begin(), m_blocks.begin() + qsizetype(unused));
    m_blockStarts.erase(m_blockStarts.begin(), m_blockStarts.begin() + qsizetype(unused));
    endRemoveRows();
}

void Listutil::clear()
{
    if (m_rowStarts.empty())
        return;
    beginResetModel();
    // Gives the memory back rather than keeping the capacity.
    std::vector<QByteArray>().swap(m_blocks);
    std::vector<qsizetype>().swap(m_blockStarts);
    std::vector<qsizetype>().swap(m_rowStarts);
    std::vector<qsizetype>().swap(m_kindsStarts);
    std::vector<NmeaVerdict>().swap(m_verdicts);
    m_end = 0;
    endResetModel();
    emit countChanged();
}
