#include "nmeastats.h"

#include <QElapsedTimer>

#include <algorithm>
#include <memory>

namespace {
constexpr qint64 staleIntervals = 3;
constexpr qint64 staleFloorMs = 2000;
constexpr qint64 rateWindowMs = Nmeastats::rateSeconds * 1000;
}

qint64 secondOf(qint64 ms)
{
    return ms >= 0 ? ms / 1000 : (ms - 999) / 1000;
}

void SecondCounts::add(qint64 second, qint64 amount)
{
    if (second > newest) {
        for (qint64 s = std::max(newest + 1, second - seconds + 1); s <= second; ++s)
            counts[size_t(s % seconds)] = 0;
        newest = second;
    }
    if (second > newest - seconds)
        counts[size_t(second % seconds)] += amount;
}

qint64 SecondCounts::at(qint64 second) const
{
    return second >= 0 && second <= newest && second > newest - seconds ? counts[size_t(second % seconds)] : 0;
}

qint64 SecondCounts::sum(qint64 from, qint64 to) const
{
    qint64 total = 0;
    for (qint64 s = from; s <= to; ++s)
        total += at(s);
    return total;
}

void RecentGaps::add(qint64 gapMs)
{
    gaps[size_t(next)] = gapMs;
    next = (next + 1) % kept;
    size = std::min(size + 1, kept);
}

qint64 RecentGaps::median() const
{
    if (size == 0)
        return 0;
    std::array<qint64, kept> sorted = gaps;
    std::sort(sorted.begin(), sorted.begin() + size);
    return sorted[size_t(size / 2)];
}

qint64 staleAfterMs(qint64 recentIntervalMs)
{
    return std::max(staleIntervals * recentIntervalMs, staleFloorMs);
}

bool isStale(qint64 recentIntervalMs, qint64 lastMs, qint64 nowMs)
{
    return nowMs - lastMs > staleAfterMs(recentIntervalMs);
}

double rateOf(const SecondCounts &counts, qint64 count, qint64 firstMs, qint64 nowMs)
{
    if (count == 0)
        return 0;
    const qint64 elapsed = nowMs - firstMs;
    if (elapsed < rateWindowMs)
        return double(count) / (double(std::max<qint64>(elapsed, 1000)) / 1000.0);
    const qint64 second = secondOf(nowMs);
    return double(counts.sum(second - Nmeastats::rateSeconds, second - 1)) / Nmeastats::rateSeconds;
}

std::function<qint64()> monotonicClock()
{
    auto timer = std::make_shared<QElapsedTimer>();
    timer->start();
    return [timer] { return timer->elapsed(); };
}

Nmeastats::Nmeastats(Clock clock)
    : m_clock(clock ? std::move(clock) : monotonicClock())
{
}

QString Nmeastats::othersKind()
{
    return QStringLiteral("(others)");
}

qint64 Nmeastats::now() const
{
    return m_clock();
}

void Nmeastats::add(const QString &kind, bool wrongChecksum, const QString &host)
{
    const qint64 ms = now();
    const qint64 second = secondOf(ms);
    auto found = m_kinds.find(kind);
    if (found == m_kinds.end() && m_kinds.size() >= maxKinds)
        found = m_kinds.find(othersKind());
    if (found == m_kinds.end())
        found = m_kinds.insert(m_kinds.size() < maxKinds ? kind : othersKind(), Kind());
    Kind &k = *found;
    if (k.count == 0)
        k.firstMs = ms;
    else
        k.gaps.add(ms - k.lastMs);
    ++k.count;
    k.lastMs = ms;
    if (wrongChecksum)
        ++k.wrong;
    // The host of the kind's line before is in the set already.
    if (!host.isEmpty() && host != k.lastHost && k.hosts.size() < maxHostsPerKind) {
        k.hosts.insert(host);
        k.lastHost = host;
    }
    k.seconds.add(second, 1);
    if (m_count == 0 && m_byteCount == 0)
        m_firstMs = ms;
    m_sentences.add(second, 1);
    ++m_count;
}

void Nmeastats::addBytes(qint64 bytes)
{
    const qint64 ms = now();
    if (m_count == 0 && m_byteCount == 0)
        m_firstMs = ms;
    m_bytes.add(secondOf(ms), bytes);
    m_byteCount += bytes;
}

void Nmeastats::reset()
{
    m_kinds.clear();
    m_sentences = SecondCounts();
    m_bytes = SecondCounts();
    m_count = 0;
    m_byteCount = 0;
    m_firstMs = 0;
}

QVector<Nmeastats::Row> Nmeastats::rows() const
{
    const qint64 ms = now();
    QVector<Row> rows;
    rows.reserve(m_kinds.size());
    for (auto it = m_kinds.cbegin(); it != m_kinds.cend(); ++it) {
        const Kind &k = it.value();
        Row row;
        row.kind = it.key();
        row.count = k.count;
        row.rate = rateOf(k.seconds, k.count, k.firstMs, ms);
        row.sinceLastMs = ms - k.lastMs;
        row.wrong = k.wrong;
        row.hosts = QStringList(k.hosts.cbegin(), k.hosts.cend());
        row.hosts.sort();
        row.stale = isStale(k.gaps.median(), k.lastMs, ms);
        rows.append(row);
    }
    return rows;
}

Nmeastats::Total Nmeastats::total() const
{
    const qint64 ms = now();
    return {m_count, rateOf(m_sentences, m_count, m_firstMs, ms), rateOf(m_bytes, m_byteCount, m_firstMs, ms)};
}

QVector<double> Nmeastats::history(const QString &kind) const
{
    const qint64 second = secondOf(now());
    const auto found = m_kinds.constFind(kind);
    const SecondCounts *seconds = kind.isEmpty() ? &m_sentences
        : found != m_kinds.cend()                ? &found->seconds
                                                 : nullptr;
    QVector<double> counts;
    counts.reserve(historySeconds);
    for (qint64 s = second - historySeconds; s < second; ++s)
        counts.append(seconds ? double(seconds->at(s)) : 0.0);
    return counts;
}
