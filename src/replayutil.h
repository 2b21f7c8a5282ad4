#pragma once

#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QList>
#include <QObject>
#include <QString>

#include "replayschedule.h"

class QTimer;

// Replays a file of NMEA lines a run at a time, so that a file of any
// length is never held whole and the window's thread is never held long:
// runs are bounded in lines and bytes, and the lines are counted a step at
// a time while the replay goes on, always ahead of the lines sent.
class Replayutil : public QObject
{
    Q_OBJECT

public:
    explicit Replayutil(QObject *parent = nullptr);

    bool isActive() const;

public slots:
    // speed: 1, 2, 10, or 0 for as fast as possible; silences longer than
    // maxSilenceSeconds are shortened to it (0: kept whole).
    void start(const QString &filePath, int txIntervalMs, int speed, bool loop, int maxSilenceSeconds = 0);
    void stop();
    void setLoop(bool loop);

signals:
    void sendSentence(const QString &sentence);
    // lines is -1 while they are still being counted; damagedTags counts the
    // lines sent without their damaged TAG block.
    void sendProgress(qint64 line, qint64 lines, qint64 skipped, qint64 damagedTags);
    void sendActive(bool active);
    void sendInfoMessage(const QString &message);
    void sendErrorMessage(const QString &message);

private slots:
    void sendDue();
    void countDue();

private:
    QString openFile(const QString &filePath);
    QString countStep();
    bool nextLine(QByteArray &line, bool &skipping, qint64 &bytes);
    bool readRun();
    qint64 sentencesAhead(qint64 second);
    bool fileChanged() const;
    void restartPass(int delayMs);
    void emitProgress();
    void finish(const QString &message, bool failed);

    QFile m_file;
    QFile m_countFile;
    QTimer *m_timer = nullptr;
    QTimer *m_countTimer = nullptr;
    QTimer *m_watchTimer = nullptr;
    QElapsedTimer m_clock;
    QList<ReplayStep> m_steps;
    qsizetype m_next = 0;
    ReplayPace m_pace;
    ReplayState m_state;
    qint64 m_lines = 0;
    qint64 m_counted = 0;
    bool m_countDone = false;
    char m_countLast = '\n';
    qint64 m_line = 0;
    qint64 m_skipped = 0;
    qint64 m_tooLong = 0;
    qint64 m_damagedTags = 0;
    qint64 m_sent = 0;
    qint64 m_size = 0;
    qint64 m_originMs = 0;
    bool m_skippingLine = false;
    QDateTime m_modified;
    bool m_loop = false;
    bool m_active = false;
};
