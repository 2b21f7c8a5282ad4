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
// length is never held whole: the lines are counted in a first pass over the
// raw bytes, then read, scheduled and handed on as their time comes.
class Replayutil : public QObject
{
    Q_OBJECT

public:
    explicit Replayutil(QObject *parent = nullptr);

    bool isActive() const;

public slots:
    // speed: 1, 2, 10, or 0 for as fast as possible.
    void start(const QString &filePath, int txIntervalMs, int speed, bool loop);
    void stop();
    void setLoop(bool loop);

signals:
    void sendSentence(const QString &sentence);
    void sendProgress(qint64 line, qint64 lines, qint64 skipped);
    void sendActive(bool active);
    void sendInfoMessage(const QString &message);
    void sendErrorMessage(const QString &message);

private slots:
    void sendDue();

private:
    QString openFile(const QString &filePath);
    bool readRun();
    bool fileChanged() const;
    void restartPass(int delayMs);
    void finish(const QString &message, bool failed);

    QFile m_file;
    QTimer *m_timer = nullptr;
    QElapsedTimer m_clock;
    QList<ReplayStep> m_steps;
    qsizetype m_next = 0;
    QString m_pending;
    bool m_hasPending = false;
    ReplayState m_state;
    qint64 m_lines = 0;
    qint64 m_line = 0;
    qint64 m_skipped = 0;
    qint64 m_tooLong = 0;
    qint64 m_sent = 0;
    qint64 m_size = 0;
    qint64 m_originMs = 0;
    QDateTime m_modified;
    int m_txIntervalMs = 1000;
    int m_speed = 1;
    bool m_loop = false;
    bool m_active = false;
};
