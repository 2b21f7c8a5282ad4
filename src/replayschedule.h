#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QTimeZone>

#include <functional>

#include "linerecord.h"

// The rate that "as fast as possible" stays below, and the longest silence
// "Skip Silences Longer Than N s" may be asked to keep.
constexpr int kReplayMaxRate = 10000;
constexpr int kReplayMaxSilenceSeconds = 3600;

// What becomes of one line of a replayed file: a sentence sent when dueMs
// have passed since the replay started, or a line skipped.
struct ReplayStep
{
    enum Kind { Send, NotSentence, TooLong };
    Kind kind = NotSentence;
    // Sent all the same: the sentence after a damaged TAG block stands on its own.
    bool damagedTag = false;
    QString sentence;
    qint64 dueMs = 0;
};

// How a file is paced: a file without stamps at txIntervalMs per sentence,
// either pace divided by speed (0: as fast as possible). A silence between
// stamps longer than maxSilenceSeconds (0: none) is shortened to it.
struct ReplayPace
{
    int txIntervalMs = 1000;
    int speed = 1;
    int maxSilenceSeconds = 0;
    // The stamps' zone: a capture is stamped in local time.
    QTimeZone zone = QTimeZone::systemTimeZone();
};

// Where a replay stands between two runs of lines, so that a file can be
// scheduled a piece at a time. Start each pass over a file afresh.
struct ReplayState
{
    qint64 sentences = 0;
    qint64 lastSecond = -1;    // the last stamp as written
    qint64 lastUtcSecond = 0;  // and the moment it stands for
    qint64 secondsElapsed = 0;
    qint64 secondSent = 0;     // of the current second's sentences
    qint64 secondSize = 1;
    bool timed = false;
};

// One line of a replayed file: its stamp's second (-1 for none) and what
// becomes of it, by the rule every received line is read with.
struct ReplayLine
{
    qint64 second = -1;
    ReplayStep::Kind kind = ReplayStep::NotSentence;
    bool damagedTag = false;
    QString sentence;
};
ReplayLine readReplayLine(QStringView line);

// The second of a capture stamp "yy.MM.dd:hh.mm.ss: " at the start of line,
// counted from 1970 as if the stamp were UTC, or -1 when the line has none.
qint64 captureStampSecond(QStringView line);
// The UTC second a local stamp second stands for in zone. Of the two
// readings of an hour that the clocks repeat, the one nearer the previous
// stamp (previousUtc; the earlier one when it is negative); a stamp in the
// hour they skip, as if the clock had not changed yet or already had,
// whichever is nearer.
qint64 stampUtcSecond(qint64 localSecond, const QTimeZone &zone, qint64 previousUtc);

// The steps for a run of lines. A file is replayed at its recorded pace when
// its first sentence carries a stamp: the sentences of one second are spread
// evenly over it, a sentence without a stamp belongs to the second before
// it, and a stamp that goes back counts as one second later. A second may go
// on past the run: sentencesAfter(second) tells how many of its sentences
// follow the run.
QList<ReplayStep> replaySchedule(const QStringList &lines, const ReplayPace &pace, ReplayState &state,
                                 const std::function<qint64(qint64)> &sentencesAfter = {});

// A path as typed or pasted: the quotes a terminal puts around it and a
// leading "~/" for the home folder are taken, and a file URL as a dialog gives it.
QString replayFilePath(const QString &typed);
