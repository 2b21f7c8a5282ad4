#include "sourcestats.h"

#include <QStringBuilder>

#include <algorithm>

Sourcestats::Sourcestats(Clock clock)
    : m_clock(clock ? std::move(clock) : monotonicClock())
{
}

QString Sourcestats::othersIdentity()
{
    return QStringLiteral("(others)");
}

Sourcestats::Tracked &Sourcestats::find(const QString &identity, const QString &host)
{
    // Lines nearly always come from the source of the line before.
    if (m_lastIndex >= 0 && identity == m_lastIdentity && host == m_lastHost)
        return m_sources[m_lastIndex];
    m_lastIndex = index(identity, host);
    m_lastIdentity = identity;
    m_lastHost = host;
    return m_sources[m_lastIndex];
}

int Sourcestats::index(const QString &identity, const QString &host)
{
    const QString key = identity % QLatin1Char('\n') % host;
    auto found = m_index.constFind(key);
    if (found != m_index.cend())
        return *found;
    if (m_sources.size() >= maxSources) {
        const QString others = othersIdentity() + QLatin1Char('\n');
        found = m_index.constFind(others);
        if (found != m_index.cend())
            return *found;
        m_index.insert(others, int(m_sources.size()));
        Tracked tracked;
        tracked.source.identity = othersIdentity();
        m_sources.append(tracked);
        return int(m_sources.size()) - 1;
    }
    m_index.insert(key, int(m_sources.size()));
    Tracked tracked;
    tracked.source.identity = identity;
    tracked.source.host = host;
    m_sources.append(tracked);
    return int(m_sources.size()) - 1;
}

void Sourcestats::add(const DatagramRecord &datagram)
{
    const qint64 nowMs = m_clock();
    for (const RowRecord &row : datagram.rows) {
        for (const LineRecord &line : row.lines) {
            const bool believed = line.tag.believed();
            m_tagged = m_tagged || line.tag.blocks > 0;
            addLine(find(believed ? line.tag.source : QString(), datagram.host), line, datagram.arrivalMs, nowMs);
        }
    }
}

void Sourcestats::addLine(Tracked &t, const LineRecord &line, qint64 arrivalMs, qint64 nowMs)
{
    Source &s = t.source;
    if (s.lines == 0)
        t.firstMs = nowMs;
    else
        t.gaps.add(nowMs - t.lastMs);
    t.lastMs = nowMs;
    ++s.lines;
    t.seconds.add(secondOf(nowMs), 1);
    if (!line.check.kind.isEmpty()) {
        // One look-up for a kind already counted, as nearly every line's is.
        const auto kind = s.kinds.find(line.check.kind);
        if (kind != s.kinds.end())
            ++*kind;
        else
            ++s.kinds[s.kinds.size() < maxKindsPerSource ? line.check.kind : Nmeastats::othersKind()];
    }
    if (line.tag.blocks == 0)
        return;
    if (!line.tag.believed()) {
        ++s.damaged;
        return;
    }
    if (line.tag.lineCount >= 0) {
        int lost = 0;
        switch (Iec450::follow(t.sequence, line.tag.lineCount, lost)) {
        case Iec450::Step::Duplicate:
            ++s.duplicated;
            break;
        case Iec450::Step::Reordered:
            ++s.reordered;
            break;
        case Iec450::Step::Restart:
            ++s.restarts;
            break;
        default:
            break;
        }
        // A late line fills a gap counted before.
        lost = std::max<qint64>(lost, -s.lost);
        s.lost += lost;
        m_totalLost += lost;
    }
    if (line.tag.timeMs >= 0) {
        const qint64 latency = arrivalMs - line.tag.timeMs;
        if (t.latencies.size() < latencySamples)
            t.latencies.append(latency);
        else
            t.latencies[t.nextLatency] = latency;
        t.nextLatency = (t.nextLatency + 1) % latencySamples;
        s.latencyMaxMs = s.latencyMaxMs < 0 ? latency : std::max(s.latencyMaxMs, latency);
    }
    if (line.tag.groupLine > 0) {
        expireGroups(t, nowMs);
        auto group = t.groups.find(line.tag.groupId);
        if (group == t.groups.end()) {
            if (t.groups.size() >= maxOpenGroups) {
                ++s.groupsIncomplete;
                return;
            }
            group = t.groups.insert(line.tag.groupId, Group{line.tag.groupSize, 0, nowMs});
        }
        if (line.tag.groupLine <= 64)
            group->seen |= quint64(1) << (line.tag.groupLine - 1);
        const int size = std::min(group->size, 64);
        if (group->seen == (size == 64 ? ~quint64(0) : (quint64(1) << size) - 1)) {
            ++s.groupsComplete;
            t.groups.erase(group);
        }
    }
}

void Sourcestats::expireGroups(Tracked &t, qint64 nowMs)
{
    for (auto it = t.groups.begin(); it != t.groups.end();) {
        if (nowMs - it->firstMs > groupTimeoutMs) {
            ++t.source.groupsIncomplete;
            it = t.groups.erase(it);
        } else {
            ++it;
        }
    }
}

void Sourcestats::reset()
{
    m_sources.clear();
    m_index.clear();
    m_lastIndex = -1;
    m_totalLost = 0;
    m_tagged = false;
}

QVector<Sourcestats::Source> Sourcestats::sources()
{
    const qint64 nowMs = m_clock();
    QVector<Source> out;
    out.reserve(m_sources.size());
    for (Tracked &t : m_sources) {
        expireGroups(t, nowMs);
        Source s = t.source;
        if (!t.latencies.isEmpty()) {
            QVector<qint64> sorted = t.latencies;
            std::sort(sorted.begin(), sorted.end());
            s.latencyMedianMs = sorted.at(sorted.size() / 2);
        }
        s.rate = rateOf(t.seconds, s.lines, t.firstMs, nowMs);
        s.sinceLastMs = nowMs - t.lastMs;
        s.intervalMs = t.gaps.median();
        s.stale = isStale(s.intervalMs, t.lastMs, nowMs);
        out.append(s);
    }
    return out;
}

QString Sourcestats::summary() const
{
    if (!m_tagged)
        return QString();
    qsizetype tagged = 0;
    for (const Tracked &t : m_sources)
        tagged += t.source.identity.isEmpty() ? 0 : 1;
    return QStringLiteral("TAG sources: %1, lost: %2").arg(tagged).arg(m_totalLost);
}
