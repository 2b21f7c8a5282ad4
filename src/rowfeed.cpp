#include "rowfeed.h"

namespace {
// About one frame of a 60 Hz display. Rows faster than some 600 a second
// are shown ten times a second: no one reads them as they pass, and each
// time the list moves on, its visible rows are all drawn anew.
constexpr int frameMs = 16;
constexpr int floodMs = 100;
constexpr size_t floodRows = 10;
}

Rowfeed::Rowfeed(QObject *parent)
    : QObject(parent)
{
    m_frame.setSingleShot(true);
    m_frame.setInterval(frameMs);
    connect(&m_frame, &QTimer::timeout, this, &Rowfeed::deliver);
}

void Rowfeed::add(const RowRecord &row)
{
    // One line has its own kind as its row's kinds, without a list to join.
    const QString kinds = row.lines.size() == 1 ? row.lines.first().check.kind : row.kinds().join(QLatin1Char(' '));
    push({row.text, row.verdict(), kinds});
}

void Rowfeed::addNotice(const QString &text)
{
    push({text, NmeaVerdict::None, QString()});
}

void Rowfeed::push(FeedRow row)
{
    m_rows.push_back(std::move(row));
    if (m_rows.size() > maxHeldRows)
        m_rows.pop_front();
    if (m_paused)
        ++m_held;
    if (!m_frame.isActive())
        m_frame.start();
}

void Rowfeed::deliver()
{
    m_frame.setInterval(m_rows.size() > floodRows ? floodMs : frameMs);
    if (m_paused)
        emit heldRowsChanged();
    else if (!m_rows.empty())
        emit rowsReady();
}

std::vector<FeedRow> Rowfeed::take()
{
    std::vector<FeedRow> rows(std::make_move_iterator(m_rows.begin()), std::make_move_iterator(m_rows.end()));
    m_rows.clear();
    return rows;
}

void Rowfeed::clear()
{
    m_rows.clear();
    m_held = 0;
    emit heldRowsChanged();
}

void Rowfeed::setPaused(bool paused)
{
    m_paused = paused;
    m_held = 0;
    emit pausedChanged();
    emit heldRowsChanged();
    if (!paused && !m_rows.empty())
        emit rowsReady();
}
