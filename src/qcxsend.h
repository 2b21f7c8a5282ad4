#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include "cliargs.h"
#include "sendutil.h"

// What qcx send and qcx replay say about the sender they start.
struct SenderOptions
{
    GroupPort target;
    QString interfaceName; // empty: the window's rule, the system's choice as the fallback
    QString identity;      // IEC 61162-450 source identity, empty for plain sentences
    bool liveTime = false;
};

// qcx send: the window's sender with a list of sentences, for a number of
// rounds or until it is stopped.
class Qcxsend : public QObject
{
    Q_OBJECT

public:
    Qcxsend(const SenderOptions &sender, const QStringList &sentences, double intervalTenths, qint64 rounds,
            QObject *parent = nullptr);

    // Starts sending; false (the reason on standard error) when the sender
    // cannot take the group.
    bool start();
    void stop();

    // Sets up a sender as qcx's options say and starts it; false with the
    // reason on standard error when it could not.
    static bool startSender(Sendutil &sendutil, const SenderOptions &options);

signals:
    void finished(int status);

private:
    void transmitted(const QString &sentencesTotal);

    Sendutil m_sendutil;
    SenderOptions m_options;
    QStringList m_sentences;
    double m_intervalTenths;
    qint64 m_rounds;
    qint64 m_transmissions = 0;
    bool m_lost = false;
    bool m_finished = false;
};
