#include "scancounts.h"

#include <QDateTime>

Scancounts::Scancounts(Clock clock, Clock wallClock)
    : m_clock(std::move(clock))
    , m_wallClock(std::move(wallClock))
{
    if (!m_clock)
        m_clock = monotonicClock();
    if (!m_wallClock)
        m_wallClock = [] { return QDateTime::currentMSecsSinceEpoch(); };
}

void Scancounts::reset(const QVector<ScanTarget> &targets)
{
    m_targets = targets;
    m_counts.clear();
    m_counts.resize(size_t(targets.size()));
    for (Counts &counts : m_counts)
        counts.sources = std::make_unique<Sourcestats>(m_clock);
}

void Scancounts::add(int target, const DatagramRecord &datagram)
{
    if (target < 0 || size_t(target) >= m_counts.size())
        return;
    Counts &c = m_counts[size_t(target)];
    qint64 lines = 0;
    for (const RowRecord &row : datagram.rows)
        lines += row.lines.size();
    if (lines == 0)
        return;
    const qint64 nowMs = m_clock();
    if (c.lines == 0)
        c.firstMs = nowMs;
    else
        c.gaps.add(nowMs - c.lastMs);
    c.lastMs = nowMs;
    c.lines += lines;
    c.seconds.add(secondOf(nowMs), lines);
    c.sources->add(datagram);
}

ScanReport Scancounts::report() const
{
    const qint64 nowMs = m_clock();
    const qint64 wallMs = m_wallClock();
    // When a stream quiet since lastMs turned stale, on the wall clock.
    const auto wentStale = [&](qint64 sinceLastMs, qint64 intervalMs) {
        return wallMs - sinceLastMs + staleAfterMs(intervalMs);
    };
    ScanReport report;
    report.groups.reserve(m_targets.size());
    for (qsizetype i = 0; i < m_targets.size(); ++i) {
        const Counts &c = m_counts[size_t(i)];
        ScanReport::Group g;
        g.target = m_targets.at(i);
        g.lines = c.lines;
        if (c.lines > 0) {
            g.rate = rateOf(c.seconds, c.lines, c.firstMs, nowMs);
            g.sinceLastMs = nowMs - c.lastMs;
            const bool stale = isStale(c.gaps.median(), c.lastMs, nowMs);
            g.state = stale ? ScanReport::State::Stale : ScanReport::State::Active;
            if (stale)
                g.staleSinceMs = wentStale(g.sinceLastMs, c.gaps.median());
        }
        for (const Sourcestats::Source &s : c.sources->sources()) {
            ScanReport::Source source;
            source.counts = s;
            for (auto it = s.kinds.cbegin(); it != s.kinds.cend(); ++it) {
                const QString note = talkerNote(g.target.name, it.key());
                if (!note.isEmpty() && !source.notes.contains(note))
                    source.notes << note;
            }
            if (s.stale)
                source.staleSinceMs = wentStale(s.sinceLastMs, s.intervalMs);
            g.sources.append(source);
        }
        report.groups.append(g);
    }
    return report;
}
