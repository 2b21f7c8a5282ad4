#include "replayschedule.h"

#include <QDate>

namespace {

constexpr qsizetype kStampLength = 19; // "yy.MM.dd:hh.mm.ss: "

int twoDigits(QStringView text, qsizetype at)
{
    const QChar a = text.at(at), b = text.at(at + 1);
    if (!a.isDigit() || !b.isDigit() || a.unicode() > '9' || b.unicode() > '9')
        return -1;
    return (a.unicode() - '0') * 10 + (b.unicode() - '0');
}

bool isSentence(QStringView text)
{
    if (text.size() < 2 || (text.front() != QLatin1Char('$') && text.front() != QLatin1Char('!')))
        return false;
    for (const QChar c : text) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            return false;
    }
    return true;
}

} // namespace

qint64 captureStampSecond(QStringView line)
{
    if (line.size() < kStampLength)
        return -1;
    static const char pattern[] = "00.00.00:00.00.00: ";
    for (qsizetype i = 0; i < kStampLength; ++i) {
        if (pattern[i] != '0' && line.at(i) != QLatin1Char(pattern[i]))
            return -1;
    }
    int parts[6];
    for (int i = 0; i < 6; ++i) {
        parts[i] = twoDigits(line, i * 3);
        if (parts[i] < 0)
            return -1;
    }
    const QDate date(2000 + parts[0], parts[1], parts[2]);
    if (!date.isValid() || parts[3] > 23 || parts[4] > 59 || parts[5] > 59)
        return -1;
    return date.toJulianDay() * 86400 + parts[3] * 3600 + parts[4] * 60 + parts[5];
}

QList<ReplayStep> replaySchedule(const QStringList &lines, int txIntervalMs, int speed, ReplayState &state)
{
    QList<ReplayStep> steps(lines.size());
    // Where each sentence of the run falls in the file's own time, in
    // seconds and as the j-th of n in that second.
    QList<qsizetype> groupStart(lines.size(), -1);
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QStringView line(lines.at(i));
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        const qint64 second = captureStampSecond(line);
        const QStringView text = (second >= 0 ? line.mid(kStampLength) : line).trimmed();
        ReplayStep &step = steps[i];
        if (!isSentence(text))
            continue;
        if (text.size() > kMaxDatagramBytes) {
            step.kind = ReplayStep::TooLong;
            continue;
        }
        step.kind = ReplayStep::Send;
        step.sentence = text.toString();
        if (state.sentences == 0)
            state.timed = second >= 0;
        ++state.sentences;
        if (state.timed && second >= 0 && second != state.lastSecond) {
            if (state.lastSecond >= 0)
                state.secondsElapsed += second > state.lastSecond ? second - state.lastSecond : 1;
            state.lastSecond = second;
            groupStart[i] = i;
        }
        const qint64 index = state.sentences - 1;
        if (speed <= 0)
            step.dueMs = index * 1000 / kReplayMaxRate;
        else if (!state.timed)
            step.dueMs = index * txIntervalMs / speed;
        else
            step.dueMs = state.secondsElapsed * 1000; // spread below
    }
    if (speed <= 0 || !state.timed)
        return steps;

    // Spread each second's sentences evenly over it.
    qsizetype i = 0;
    while (i < steps.size()) {
        if (steps.at(i).kind != ReplayStep::Send) {
            ++i;
            continue;
        }
        qsizetype end = i + 1;
        QList<qsizetype> members{i};
        for (; end < steps.size() && groupStart.at(end) < 0; ++end) {
            if (steps.at(end).kind == ReplayStep::Send)
                members << end;
        }
        for (qsizetype j = 0; j < members.size(); ++j) {
            ReplayStep &step = steps[members.at(j)];
            step.dueMs = (step.dueMs + j * 1000 / members.size()) / speed;
        }
        i = end;
    }
    return steps;
}
