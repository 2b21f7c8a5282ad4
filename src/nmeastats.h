#pragma once

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QVector>

#include <array>
#include <functional>

// Counts of the last sixty whole seconds in a ring, by second.
struct SecondCounts
{
    static constexpr int seconds = 60;
    std::array<qint64, seconds> counts{};
    qint64 newest = -1;
    void add(qint64 second, qint64 amount);
    qint64 at(qint64 second) const;
    qint64 sum(qint64 from, qint64 to) const;
};

// The recent interval of a stream: the median of its last sixteen gaps, so
// that an outage long ago does not stretch it.
struct RecentGaps
{
    static constexpr int kept = 16;
    std::array<qint64, kept> gaps{};
    int size = 0;
    int next = 0;
    void add(qint64 gapMs);
    qint64 median() const;
};

// Rules shared by the statistics and the network scan. A stream is stale
// when it has been quiet for more than three of its recent intervals, and
// for at least two seconds. Its rate is over the last ten whole seconds, or
// over the time since its first sentence while ten have not yet passed.
bool isStale(qint64 recentIntervalMs, qint64 lastMs, qint64 nowMs);
// How long after its last sentence such a stream turns stale.
qint64 staleAfterMs(qint64 recentIntervalMs);
// Milliseconds since the clock was made, the counters' clock unless a test hands in its own.
std::function<qint64()> monotonicClock();
double rateOf(const SecondCounts &counts, qint64 count, qint64 firstMs, qint64 nowMs);
qint64 secondOf(qint64 ms);

// Counts received sentences per kind and answers, for a moment, the rates,
// the time since each kind was last seen and whether it has gone quiet. The
// clock (milliseconds, monotonic) is handed in so that the arithmetic can be
// tried with made-up times. At most maxKinds kinds are told apart; the rest
// are counted together, so hostile input cannot make it grow.
class Nmeastats
{
public:
    using Clock = std::function<qint64()>;
    static constexpr int rateSeconds = 10;
    static constexpr int historySeconds = SecondCounts::seconds;
    static constexpr int maxKinds = 1000;
    static constexpr int maxHostsPerKind = 32;

    struct Row
    {
        QString kind;
        qint64 count = 0;
        double rate = 0;
        qint64 sinceLastMs = 0;
        qint64 wrong = 0;
        QStringList hosts;
        bool stale = false;
    };
    struct Total
    {
        qint64 count = 0;
        double rate = 0;
        double bytesPerSecond = 0;
    };

    explicit Nmeastats(Clock clock = {});
    static QString othersKind();

    // One sentence of a kind.
    void add(const QString &kind, bool wrongChecksum, const QString &host);
    // The bytes of one datagram as received.
    void addBytes(qint64 bytes);
    void reset();

    QVector<Row> rows() const;
    Total total() const;
    // Sentences in each of the last sixty whole seconds, oldest first; of
    // one kind, or of all when kind is empty.
    QVector<double> history(const QString &kind = QString()) const;

private:
    struct Kind
    {
        qint64 count = 0;
        qint64 wrong = 0;
        qint64 firstMs = 0;
        qint64 lastMs = 0;
        QSet<QString> hosts;
        QString lastHost;
        SecondCounts seconds;
        RecentGaps gaps;
    };

    qint64 now() const;

    Clock m_clock;
    QHash<QString, Kind> m_kinds;
    SecondCounts m_sentences;
    SecondCounts m_bytes;
    qint64 m_count = 0;
    qint64 m_byteCount = 0;
    qint64 m_firstMs = 0;
};
