#pragma once

#include <QVector>

#include <functional>
#include <memory>

#include "linerecord.h"
#include "nmeastats.h"
#include "scanreport.h"
#include "sourcestats.h"

// The counts of a network scan: per group its lines and recent intervals,
// and its sources in a Sourcestats of its own. The clock (milliseconds,
// monotonic) is handed in so that stale and recovered can be tried with
// made-up times; the wall clock only dates when a row went stale.
class Scancounts
{
public:
    using Clock = std::function<qint64()>;

    explicit Scancounts(Clock clock = {}, Clock wallClock = {});

    // A new scan of these groups; all counts start anew.
    void reset(const QVector<ScanTarget> &targets);
    // A datagram that arrived on the group at this position of the list.
    void add(int target, const DatagramRecord &datagram);
    ScanReport report() const;
    const QVector<ScanTarget> &targets() const { return m_targets; }

private:
    struct Counts
    {
        std::unique_ptr<Sourcestats> sources;
        qint64 lines = 0;
        qint64 firstMs = 0;
        qint64 lastMs = 0;
        SecondCounts seconds;
        RecentGaps gaps;
    };

    Clock m_clock;
    Clock m_wallClock;
    QVector<ScanTarget> m_targets;
    std::vector<Counts> m_counts;
};
