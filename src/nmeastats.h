#pragma once

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QVector>

#include <array>
#include <functional>

// Counts received sentences per kind and answers, for a moment, the rates
// over the last ten whole seconds, the time since each kind was last seen
// and whether it has gone quiet. The clock (milliseconds, monotonic) is
// handed in so that the arithmetic can be tried with made-up times.
class Nmeastats
{
public:
    using Clock = std::function<qint64()>;
    static constexpr int rateSeconds = 10;
    static constexpr int historySeconds = 60;

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

    void add(const QString &kind, bool wrongChecksum, const QString &host, qint64 bytes);
    void reset();

    QVector<Row> rows() const;
    Total total() const;
    // Sentences in each of the last sixty whole seconds, oldest first; of
    // one kind, or of all when kind is empty.
    QVector<double> history(const QString &kind = QString()) const;

    // A kind is stale when it has been quiet for more than three of its own
    // usual intervals, and for at least two seconds.
    static bool isStale(qint64 count, qint64 firstMs, qint64 lastMs, qint64 nowMs);

private:
    // Counts of the last sixty seconds in a ring, by whole second.
    struct Seconds
    {
        std::array<qint64, historySeconds> counts{};
        qint64 newest = -1;
        void add(qint64 second, qint64 amount);
        qint64 at(qint64 second) const;
        qint64 sum(qint64 from, qint64 to) const;
    };
    struct Kind
    {
        qint64 count = 0;
        qint64 wrong = 0;
        qint64 firstMs = 0;
        qint64 lastMs = 0;
        QSet<QString> hosts;
        Seconds seconds;
    };

    qint64 now() const;

    Clock m_clock;
    QHash<QString, Kind> m_kinds;
    Seconds m_sentences;
    Seconds m_bytes;
    qint64 m_count = 0;
};
