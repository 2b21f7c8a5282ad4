#include "replayschedule.h"

#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QUrl>

namespace {

constexpr qsizetype kStampLength = 19; // "yy.MM.dd:hh.mm.ss: "
constexpr qint64 kDaySeconds = 86400;

int twoDigits(QStringView text, qsizetype at)
{
    const QChar a = text.at(at), b = text.at(at + 1);
    if (!a.isDigit() || !b.isDigit() || a.unicode() > '9' || b.unicode() > '9')
        return -1;
    return (a.unicode() - '0') * 10 + (b.unicode() - '0');
}

int offsetAt(const QTimeZone &zone, qint64 utcSecond)
{
    return zone.offsetFromUtc(QDateTime::fromSecsSinceEpoch(utcSecond, Qt::UTC));
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
    return (date.toJulianDay() - QDate(1970, 1, 1).toJulianDay()) * kDaySeconds + parts[3] * 3600 + parts[4] * 60
        + parts[5];
}

qint64 stampUtcSecond(qint64 localSecond, const QTimeZone &zone, qint64 previousUtc)
{
    const auto nearer = [previousUtc](qint64 a, qint64 b) {
        return previousUtc < 0 ? a < b : qAbs(a - previousUtc) < qAbs(b - previousUtc);
    };
    // The zone's offsets a day either side cover both sides of any change
    // near the stamp; a reading holds when the zone has that offset then.
    qint64 best = 0;
    bool found = false, bestHolds = false;
    for (const qint64 probe : {localSecond - kDaySeconds, localSecond, localSecond + kDaySeconds}) {
        const int offset = offsetAt(zone, probe);
        const qint64 utc = localSecond - offset;
        const bool holds = offsetAt(zone, utc) == offset;
        if (!found || (holds && !bestHolds) || (holds == bestHolds && nearer(utc, best))) {
            best = utc;
            bestHolds = holds;
            found = true;
        }
    }
    return best;
}

ReplayLine readReplayLine(QStringView line)
{
    ReplayLine out;
    if (line.endsWith(QLatin1Char('\r')))
        line.chop(1);
    out.second = captureStampSecond(line);
    const QStringView text = (out.second >= 0 ? line.mid(kStampLength) : line).trimmed();
    const LineRecord record = readLine(text.toString());
    const NmeaVerdict verdict = record.check.verdict;
    if (verdict != NmeaVerdict::Right && verdict != NmeaVerdict::Wrong && verdict != NmeaVerdict::NoChecksum)
        return out;
    const QStringView sentence = record.sentence();
    out.kind = sentence.size() > kMaxDatagramBytes ? ReplayStep::TooLong : ReplayStep::Send;
    if (out.kind == ReplayStep::Send) {
        out.sentence = sentence.toString();
        out.damagedTag = record.tag.blocks > 0 && !record.tag.believed();
    }
    return out;
}

QList<ReplayStep> replaySchedule(const QStringList &lines, const ReplayPace &pace, ReplayState &state,
                                 const std::function<qint64(qint64)> &sentencesAfter)
{
    QList<ReplayStep> steps(lines.size());
    // A timed sentence waits for the size of its second: where it falls in
    // the file's own time, the j-th of its second, and which second of this
    // run that is (-1: the one the run began in).
    struct Timed
    {
        qsizetype step;
        qint64 elapsed;
        qint64 j;
        qsizetype second;
    };
    QList<Timed> timed;
    QList<qint64> secondSizes;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        ReplayLine line = readReplayLine(lines.at(i));
        ReplayStep &step = steps[i];
        step.kind = line.kind;
        if (line.kind != ReplayStep::Send)
            continue;
        step.sentence = std::move(line.sentence);
        step.damagedTag = line.damagedTag;
        if (state.sentences == 0)
            state.timed = line.second >= 0;
        const qint64 index = state.sentences++;
        if (pace.speed <= 0) {
            step.dueMs = index * 1000 / kReplayMaxRate;
            continue;
        }
        if (!state.timed) {
            step.dueMs = index * pace.txIntervalMs / pace.speed;
            continue;
        }
        if (line.second >= 0 && line.second != state.lastSecond) {
            const bool first = state.lastSecond < 0;
            const qint64 utc = stampUtcSecond(line.second, pace.zone, first ? -1 : state.lastUtcSecond);
            if (!first) {
                qint64 gap = utc > state.lastUtcSecond ? utc - state.lastUtcSecond : 1;
                if (pace.maxSilenceSeconds > 0)
                    gap = qMin(gap, qint64(pace.maxSilenceSeconds));
                state.secondsElapsed += gap;
            }
            state.lastSecond = line.second;
            state.lastUtcSecond = utc;
            state.secondSent = 0;
            secondSizes << 0;
        }
        if (!secondSizes.isEmpty())
            ++secondSizes.last();
        timed << Timed{i, state.secondsElapsed, state.secondSent++, secondSizes.size() - 1};
    }
    if (timed.isEmpty())
        return steps;

    // Spread each second's sentences evenly over it.
    const qint64 carried = state.secondSize;
    if (!secondSizes.isEmpty()) {
        if (sentencesAfter)
            secondSizes.last() += sentencesAfter(state.lastSecond);
        state.secondSize = secondSizes.last();
    }
    for (const Timed &t : timed) {
        const qint64 size = qMax(qint64(1), t.second < 0 ? carried : secondSizes.at(t.second));
        // A second counted short (the look past the run is bounded) ends with the rest at once.
        const qint64 j = qMin(t.j, size - 1);
        steps[t.step].dueMs = (t.elapsed * 1000 + j * 1000 / size) / pace.speed;
    }
    return steps;
}

QString replayFilePath(const QString &typed)
{
    QString path = typed.trimmed();
    if (path.size() >= 2 && (path.front() == QLatin1Char('"') || path.front() == QLatin1Char('\''))
        && path.back() == path.front())
        path = path.mid(1, path.size() - 2);
    if (path.startsWith(QLatin1String("file:")))
        return QUrl(path).toLocalFile();
    if (path == QLatin1String("~") || path.startsWith(QLatin1String("~/")))
        path = QDir::homePath() + path.mid(1);
    return path;
}
