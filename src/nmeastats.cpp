#include "nmeastats.h"

#include <QElapsedTimer>

#include <algorithm>

namespace {
constexpr qint64 staleIntervals = 3;
constexpr qint64 staleFloorMs = 2000;

qint64 secondOf(qint64 ms)
{
    return ms >= 0 ? ms / 1000 : (ms - 999) / 1000;
}
}

Nmeastats::Nmeastats(Clock clock)
    : m_clock(std::move(clock))
{
    if (!m_clock) {
        auto timer = std::make_shared<QElapsedTimer>();
        timer->start();
        m_clock = [timer] { return timer->elapsed(); };
    }
}

qint64 Nmeastats::now() const
{
    return m_clock();
}

void Nmeastats::Seconds::add(qint64 second, qint64 amount)
{
    if (second > newest) {
        for (qint64 s = std::max(newest + 1, second - historySeconds + 1); s <= second; ++s)
            counts[size_t(s % historySeconds)] = 0;
        newest = second;
    }
    if (second > newest - historySeconds)
        counts[size_t(second % historySeconds)] += amount;
}

qint64 Nmeastats::Seconds::at(qint64 second) const
{
    return second >= 0 && second <= newest && second > newest - historySeconds
        ? counts[size_t(second % historySeconds)]
        : 0;
}

qint64 Nmeastats::Seconds::sum(qint64 from, qint64 to) const
{
    qint64 total = 0;
    for (qint64 s = from; s <= to; ++s)
        total += at(s);
    return total;
}

void Nmeastats::add(const QString &kind, bool wrongChecksum, const QString &host, qint64 bytes)
{
    const qint64 ms = now();
    const qint64 second = secondOf(ms);
    Kind &k = m_kinds[kind];
    if (k.count == 0)
        k.firstMs = ms;
    ++k.count;
    k.lastMs = ms;
    if (wrongChecksum)
        ++k.wrong;
    if (!host.isEmpty())
        k.hosts.insert(host);
    k.seconds.add(second, 1);
    m_sentences.add(second, 1);
    m_bytes.add(second, bytes);
    ++m_count;
}

void Nmeastats::reset()
{
    m_kinds.clear();
    m_sentences = Seconds();
    m_bytes = Seconds();
    m_count = 0;
}

bool Nmeastats::isStale(qint64 count, qint64 firstMs, qint64 lastMs, qint64 nowMs)
{
    const qint64 quiet = nowMs - lastMs;
    const qint64 usual = count > 1 ? (lastMs - firstMs) / (count - 1) : 0;
    return quiet > std::max(staleIntervals * usual, staleFloorMs);
}

QVector<Nmeastats::Row> Nmeastats::rows() const
{
    const qint64 ms = now();
    const qint64 second = secondOf(ms);
    QVector<Row> rows;
    rows.reserve(m_kinds.size());
    for (auto it = m_kinds.cbegin(); it != m_kinds.cend(); ++it) {
        const Kind &k = it.value();
        Row row;
        row.kind = it.key();
        row.count = k.count;
        row.rate = double(k.seconds.sum(second - rateSeconds, second - 1)) / rateSeconds;
        row.sinceLastMs = ms - k.lastMs;
        row.wrong = k.wrong;
        row.hosts = QStringList(k.hosts.cbegin(), k.hosts.cend());
        row.hosts.sort();
        row.stale = isStale(k.count, k.firstMs, k.lastMs, ms);
        rows.append(row);
    }
    return rows;
}

Nmeastats::Total Nmeastats::total() const
{
    const qint64 second = secondOf(now());
    return {m_count, double(m_sentences.sum(second - rateSeconds, second - 1)) / rateSeconds,
            double(m_bytes.sum(second - rateSeconds, second - 1)) / rateSeconds};
}

QVector<double> Nmeastats::history(const QString &kind) const
{
    const qint64 second = secondOf(now());
    const auto found = m_kinds.constFind(kind);
    const Seconds *seconds = kind.isEmpty() ? &m_sentences : found != m_kinds.cend() ? &found->seconds : nullptr;
    QVector<double> counts;
    counts.reserve(historySeconds);
    for (qint64 s = second - historySeconds; s < second; ++s)
        counts.append(seconds ? double(seconds->at(s)) : 0.0);
    return counts;
}
