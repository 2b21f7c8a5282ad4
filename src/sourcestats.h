#pragma once

#include <QHash>
#include <QMap>
#include <QString>
#include <QVector>

#include <functional>

#include "iec450.h"
#include "linerecord.h"
#include "nmeastats.h"

// What each source sends, told apart by its TAG identity (s:) and host:
// lines, and from the TAG line counts what was lost, duplicated, reordered
// or restarted; damaged TAG blocks; g: groups; latency from c:. An identity
// is believed only from a block with a correct checksum: lines with another
// block count under their host alone. At most maxSources are told apart and
// the rest are counted together, so hostile input cannot make it grow.
class Sourcestats
{
public:
    using Clock = std::function<qint64()>;
    static constexpr int maxSources = 1000;
    static constexpr int maxKindsPerSource = 64;
    static constexpr int maxOpenGroups = 32;
    static constexpr qint64 groupTimeoutMs = 2000;
    static constexpr int latencySamples = 64;

    struct Source
    {
        QString identity;  // empty: no believed TAG identity
        QString host;
        qint64 lines = 0;
        qint64 lost = 0;
        qint64 duplicated = 0;
        qint64 reordered = 0;
        qint64 restarts = 0;
        qint64 damaged = 0;
        qint64 groupsComplete = 0;
        qint64 groupsIncomplete = 0;
        qint64 latencyMedianMs = -1;  // -1: no c: seen
        qint64 latencyMaxMs = -1;
        double rate = 0;
        qint64 sinceLastMs = 0;
        qint64 intervalMs = 0;  // the recent interval the stale rule goes by
        bool stale = false;
        QMap<QString, qint64> kinds;
    };

    explicit Sourcestats(Clock clock = {});
    static QString othersIdentity();

    void add(const DatagramRecord &datagram);
    void reset();
    // In the order the sources were first seen.
    QVector<Source> sources();
    qint64 totalLost() const { return m_totalLost; }
    bool anyTagged() const { return m_tagged; }
    // "TAG sources: N, lost: M", empty before any TAG block arrived.
    QString summary() const;

private:
    struct Group
    {
        int size = 0;
        quint64 seen = 0;
        qint64 firstMs = 0;
    };
    struct Tracked
    {
        Source source;
        Iec450::Sequence sequence;
        QVector<qint64> latencies;  // a ring of the latest
        int nextLatency = 0;
        QHash<QString, Group> groups;
        SecondCounts seconds;
        RecentGaps gaps;
        qint64 firstMs = 0;
        qint64 lastMs = 0;
    };

    Tracked &find(const QString &identity, const QString &host);
    int index(const QString &identity, const QString &host);
    void addLine(Tracked &tracked, const LineRecord &line, qint64 arrivalMs, qint64 nowMs);
    void expireGroups(Tracked &tracked, qint64 nowMs);

    Clock m_clock;
    QVector<Tracked> m_sources;
    QHash<QString, int> m_index;  // identity + '\n' + host
    int m_lastIndex = -1;         // of the last identity and host found
    QString m_lastIdentity;
    QString m_lastHost;
    qint64 m_totalLost = 0;
    bool m_tagged = false;
};
