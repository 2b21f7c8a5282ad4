#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QString>

#include "qcxsend.h"
#include "replayutil.h"
#include "sendutil.h"

class Linewriter;

// qcx replay: the window's replay of a file through the window's sender, and
// a summary line at the end.
class Qcxreplay : public QObject
{
    Q_OBJECT

public:
    Qcxreplay(const SenderOptions &sender, const QString &filePath, int speed, bool loop, Linewriter *out,
              QObject *parent = nullptr);

    // False (the reason on standard error) when the sender or the replay
    // cannot start; status() then says why.
    bool start();
    void stop();
    int status() const;

signals:
    void finished(int status);

private:
    void replayEnded();

    // Made before the sender, so still there when the sender is gone.
    Replayutil m_replayutil;
    Sendutil m_sendutil;
    SenderOptions m_options;
    QString m_filePath;
    int m_speed;
    bool m_loop;
    Linewriter *m_out;
    QElapsedTimer m_clock;
    qint64 m_sent = 0;
    qint64 m_skipped = 0;
    qint64 m_passSkipped = 0;
    QString m_error;
    int m_status = 0;
    bool m_finished = false;
};
