#include "replayutil.h"

#include <QFileInfo>
#include <QTimer>

namespace {
// A run, the lines read and scheduled at a time, ends at whichever bound
// comes first.
constexpr qsizetype kRunLines = 1000;
constexpr qint64 kRunBytes = 1 << 20;
// How far past a run the rest of its last second is looked for; a second
// holding more is spread over what was seen.
constexpr qsizetype kAheadLines = 5000;
constexpr qint64 kAheadBytes = 2 << 20;
// A line longer than this (stamp and TAG blocks included) cannot be a
// datagram; what is past it is skipped unread.
constexpr qint64 kMaxLineBytes = kMaxDatagramBytes + 1024;
// Counted in one step, a few milliseconds' work.
constexpr qint64 kCountStepBytes = 1 << 20;
// Sent before the event loop gets its turn again.
constexpr int kSliceSentences = 200;
constexpr qint64 kSliceBytes = 256 << 10;
// How often the file is looked at for a change, also in a long silence.
constexpr int kWatchMs = 500;
} // namespace

Replayutil::Replayutil(QObject *parent)
    : QObject(parent)
    , m_timer(new QTimer(this))
    , m_countTimer(new QTimer(this))
    , m_watchTimer(new QTimer(this))
{
    m_timer->setSingleShot(true);
    m_timer->setTimerType(Qt::PreciseTimer);
    connect(m_timer, &QTimer::timeout, this, &Replayutil::sendDue);
    m_countTimer->setSingleShot(true);
    connect(m_countTimer, &QTimer::timeout, this, &Replayutil::countDue);
    m_watchTimer->setInterval(kWatchMs);
    connect(m_watchTimer, &QTimer::timeout, this, [this] {
        if (m_active && fileChanged())
            finish(QStringLiteral("Replay Stopped: The File Changed While It Was Replayed"), true);
    });
}

bool Replayutil::isActive() const
{
    return m_active;
}

QString Replayutil::openFile(const QString &filePath)
{
    const QFileInfo info(filePath);
    if (filePath.isEmpty() || !info.exists())
        return QStringLiteral("Replay File Not Found: ") + filePath;
    if (!info.isFile())
        return QStringLiteral("Replay File Is Not A File: ") + filePath;
    m_file.setFileName(filePath);
    m_countFile.setFileName(filePath);
    if (!m_file.open(QIODevice::ReadOnly))
        return QStringLiteral("Replay File Cannot Be Read: ") + m_file.errorString();
    if (!m_countFile.open(QIODevice::ReadOnly))
        return QStringLiteral("Replay File Cannot Be Read: ") + m_countFile.errorString();
    if (m_file.size() == 0)
        return QStringLiteral("Replay File Is Empty: ") + filePath;
    m_size = info.size();
    m_modified = info.lastModified();
    m_lines = 0;
    m_counted = 0;
    m_countDone = false;
    m_countLast = '\n';
    // The first step at once: a file that is plainly binary is named before anything is sent.
    return countStep();
}

// Counts the line ends of the next block of raw bytes; a NUL byte on the way
// tells a binary file. Returns what makes the file unusable, if anything.
QString Replayutil::countStep()
{
    const QByteArray block = m_countFile.read(kCountStepBytes);
    if (m_countFile.error() != QFileDevice::NoError)
        return QStringLiteral("Replay File Cannot Be Read: ") + m_countFile.errorString();
    if (block.contains('\0'))
        return QStringLiteral("Replay File Is Not A Text File: ") + m_countFile.fileName();
    if (block.isEmpty()) {
        if (m_countLast != '\n')
            ++m_lines;
        m_countDone = true;
        m_countFile.close();
        return QString();
    }
    m_lines += block.count('\n');
    m_countLast = block.back();
    m_counted += block.size();
    return QString();
}

void Replayutil::countDue()
{
    if (!m_active || m_countDone)
        return;
    const QString problem = countStep();
    if (!problem.isEmpty())
        finish(problem, true);
    else if (m_countDone)
        emitProgress();
    else
        m_countTimer->start(0);
}

void Replayutil::start(const QString &filePath, int txIntervalMs, int speed, bool loop, int maxSilenceSeconds)
{
    stop();
    m_file.close();
    m_countFile.close();
    const QString problem = openFile(filePath);
    if (!problem.isEmpty()) {
        m_file.close();
        m_countFile.close();
        emit sendErrorMessage(problem);
        emit sendInfoMessage(problem);
        return;
    }
    m_pace.txIntervalMs = qMax(1, txIntervalMs);
    m_pace.speed = speed;
    m_pace.maxSilenceSeconds = qBound(0, maxSilenceSeconds, kReplayMaxSilenceSeconds);
    m_pace.zone = QTimeZone::systemTimeZone();
    m_loop = loop;
    m_active = true;
    emit sendActive(true);
    emit sendInfoMessage(QStringLiteral("Replaying ") + QFileInfo(filePath).fileName());
    m_watchTimer->start();
    if (!m_countDone)
        m_countTimer->start(0);
    restartPass(0);
}

void Replayutil::stop()
{
    if (!m_active)
        return;
    finish(QStringLiteral("Replay Stopped, %1 Sentences Sent").arg(m_sent), false);
}

void Replayutil::setLoop(bool loop)
{
    m_loop = loop;
}

void Replayutil::restartPass(int delayMs)
{
    m_file.seek(0);
    m_state = ReplayState();
    m_steps.clear();
    m_next = 0;
    m_skippingLine = false;
    m_line = m_skipped = m_tooLong = m_damagedTags = m_sent = 0;
    m_clock.start();
    m_originMs = delayMs;
    emitProgress();
    m_timer->start(delayMs);
}

bool Replayutil::fileChanged() const
{
    const QFileInfo info(m_file.fileName());
    return !info.exists() || info.size() != m_size || info.lastModified() != m_modified;
}

// The next line of the file with its line end taken, or false at the end. A
// line too long for a datagram comes cut, and its rest is passed over one
// piece per call, so that even a line of gigabytes is read a bounded piece at a time.
bool Replayutil::nextLine(QByteArray &line, bool &skipping, qint64 &bytes)
{
    while (!m_file.atEnd()) {
        line = m_file.readLine(kMaxLineBytes);
        bytes += line.size();
        const bool whole = line.endsWith('\n') || m_file.atEnd();
        if (skipping) {
            skipping = !whole;
            if (bytes >= kRunBytes)
                return false;
            continue;
        }
        skipping = !whole;
        if (line.endsWith('\n'))
            line.chop(1);
        return true;
    }
    return false;
}

// Reads the next run into m_steps; false at the end of the file.
bool Replayutil::readRun()
{
    // The count stays ahead of the lines read, so that a binary file is named
    // before anything of its binary part is sent.
    while (!m_countDone && m_counted < m_file.pos() + kRunBytes + kMaxLineBytes) {
        const QString problem = countStep();
        if (!problem.isEmpty()) {
            finish(problem, true);
            return false;
        }
    }
    if (m_file.atEnd())
        return false;
    QStringList lines;
    qint64 bytes = 0;
    QByteArray line;
    while (lines.size() < kRunLines && bytes < kRunBytes && nextLine(line, m_skippingLine, bytes))
        lines << QString::fromUtf8(line);
    m_steps = replaySchedule(lines, m_pace, m_state, [this](qint64 second) { return sentencesAhead(second); });
    m_next = 0;
    return true;
}

// The sentences of this second that follow the run read last, looked for
// without moving on in the file.
qint64 Replayutil::sentencesAhead(qint64 second)
{
    const qint64 back = m_file.pos();
    bool skipping = m_skippingLine;
    qint64 bytes = 0;
    qint64 count = 0;
    QByteArray line;
    for (qsizetype lines = 0; lines < kAheadLines && bytes < kAheadBytes && nextLine(line, skipping, bytes); ++lines) {
        const ReplayLine read = readReplayLine(QString::fromUtf8(line));
        if (read.kind != ReplayStep::Send)
            continue;
        if (read.second >= 0 && read.second != second)
            break;
        ++count;
    }
    m_file.seek(back);
    return count;
}

void Replayutil::emitProgress()
{
    emit sendProgress(m_line, m_countDone ? m_lines : -1, m_skipped, m_damagedTags);
}

void Replayutil::sendDue()
{
    int sentNow = 0;
    qint64 bytesNow = 0;
    bool readNow = false;
    while (m_active) {
        if (m_next >= m_steps.size()) {
            // One run a turn: even a file whose lines are all skipped lets the window breathe.
            if (readNow) {
                emitProgress();
                m_timer->start(0);
                return;
            }
            if (fileChanged()) {
                finish(QStringLiteral("Replay Stopped: The File Changed While It Was Replayed"), true);
                return;
            }
            readNow = true;
            if (readRun())
                continue;
            if (!m_active)
                return;
            if (m_sent == 0) {
                finish(QStringLiteral("Replay File Holds No NMEA Sentences, %1 Lines Skipped").arg(m_skipped), true);
                return;
            }
            if (!m_loop) {
                QString text = QStringLiteral("Replay Finished, %1 Sentences Sent, %2 Lines Skipped").arg(m_sent).arg(m_skipped);
                if (m_damagedTags > 0)
                    text += QStringLiteral(", %1 With Damaged TAG Block").arg(m_damagedTags);
                finish(text, false);
                return;
            }
            // The first sentence follows the last one a pace later, as the others do.
            restartPass(m_pace.speed <= 0 ? 0 : (m_state.timed ? 1000 : m_pace.txIntervalMs) / m_pace.speed);
            return;
        }
        const ReplayStep &step = m_steps.at(m_next);
        if (step.kind == ReplayStep::Send) {
            const qint64 wait = m_originMs + step.dueMs - m_clock.elapsed();
            if (wait > 0 || sentNow >= kSliceSentences || bytesNow >= kSliceBytes) {
                emitProgress();
                m_timer->start(int(qBound(qint64(0), wait, qint64(1) << 30)));
                return;
            }
            ++m_sent;
            ++sentNow;
            ++m_line;
            ++m_next;
            bytesNow += step.sentence.size();
            if (step.damagedTag)
                ++m_damagedTags;
            // A copy: the receiver of this signal may stop the replay.
            const QString sentence = step.sentence;
            emit sendSentence(sentence);
            continue;
        }
        ++m_skipped;
        ++m_line;
        ++m_next;
        if (step.kind == ReplayStep::TooLong && ++m_tooLong == 1) {
            const QString text = QStringLiteral("Replay Skipped Line %1: Longer Than A Datagram Can Hold (%2 Bytes)")
                                     .arg(m_line)
                                     .arg(kMaxDatagramBytes);
            emit sendErrorMessage(text);
        }
    }
}

void Replayutil::finish(const QString &message, bool failed)
{
    m_timer->stop();
    m_countTimer->stop();
    m_watchTimer->stop();
    m_active = false;
    m_file.close();
    m_countFile.close();
    m_steps.clear();
    emitProgress();
    emit sendActive(false);
    if (failed)
        emit sendErrorMessage(message);
    emit sendInfoMessage(message);
}
