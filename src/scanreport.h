#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVector>

#include "celltable.h"
#include "scanplan.h"
#include "sourcestats.h"

// What a network scan has found at a moment: per group its lines, rate and
// state, and its sources as the statistics count them. The Network Scan
// tab, its Copy and Save and qcx scan all show this one report.
struct ScanReport
{
    enum class State { Silent, Active, Stale };

    struct Source
    {
        Sourcestats::Source counts;
        QStringList notes;        // talkers unusual for the group
        qint64 staleSinceMs = 0;  // UTC, while stale
    };
    struct Group
    {
        ScanTarget target;
        qint64 lines = 0;
        double rate = 0;
        qint64 sinceLastMs = -1;  // -1: nothing yet
        State state = State::Silent;
        qint64 staleSinceMs = 0;  // UTC, while stale
        QVector<Source> sources;
    };

    QVector<Group> groups;
};

QString scanStateText(ScanReport::State state);
// The JSON document of Copy, Save and qcx scan --json.
QByteArray scanJson(const ScanReport &report);
// The map's columns and rows: each group, then its sources.
QStringList scanCaptions();
QVector<Celltable::Row> scanRows(const ScanReport &report);
// The same rows as text in aligned columns, for qcx scan.
QString scanTable(const ScanReport &report);
// Every stale group and source with the time it went stale; empty when none.
QStringList scanAlarms(const ScanReport &report);
