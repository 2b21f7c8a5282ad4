#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include "linerecord.h"

// The rate that "as fast as possible" stays below.
constexpr int kReplayMaxRate = 10000;

// What becomes of one line of a replayed file: a sentence sent when dueMs
// have passed since the replay started, or a line skipped.
struct ReplayStep
{
    enum Kind { Send, NotSentence, TooLong };
    Kind kind = NotSentence;
    QString sentence;
    qint64 dueMs = 0;
};

// Where a replay stands between two runs of lines, so that a file can be
// scheduled a piece at a time. Start each pass over a file afresh.
struct ReplayState
{
    qint64 sentences = 0;
    qint64 lastSecond = -1;
    qint64 secondsElapsed = 0;
    bool timed = false;
};

// The second of a capture stamp "yy.MM.dd:hh.mm.ss: " at the start of line
// (counted from an arbitrary origin), or -1 when the line has none.
qint64 captureStampSecond(QStringView line);

// The steps for a run of lines. A file is replayed at its recorded pace when
// its first sentence carries a stamp: the sentences of one second are spread
// evenly over it, a sentence without a stamp belongs to the second before
// it, and a stamp that goes back counts as one second later. A file without
// stamps goes at txIntervalMs per sentence. Either pace is divided by speed;
// a speed of 0 sends at kReplayMaxRate. The lines of one second must come in
// the same run.
QList<ReplayStep> replaySchedule(const QStringList &lines, int txIntervalMs, int speed, ReplayState &state);
