#pragma once

#include <QObject>

class QSocketNotifier;

// SIGINT, SIGTERM and SIGHUP as Qt signals: the handler only writes the
// signal's number into a pipe, and the event loop reads it there, so that
// everything done about a signal is done outside the handler.
class Signalpipe : public QObject
{
    Q_OBJECT

public:
    explicit Signalpipe(QObject *parent = nullptr);
    ~Signalpipe() override;

    bool isValid() const;

signals:
    void stopRequested(int signalNumber);
    void reopenRequested();

private:
    void readSignals();

    QSocketNotifier *m_notifier = nullptr;
};
