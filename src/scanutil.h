#pragma once

#include <QObject>
#include <QString>
#include <QVector>

#include <memory>
#include <vector>

#include "scancounts.h"

class Recvutil;

// The network scan's worker: one receiver of the window's per group, all
// placed on one interface by the receiver's rule, every datagram counted
// for its group. Every join and socket is released on stop and when the
// worker goes.
class Scanutil : public QObject
{
    Q_OBJECT

public:
    explicit Scanutil(QObject *parent = nullptr);
    Scanutil(Scancounts::Clock clock, Scancounts::Clock wallClock, QObject *parent = nullptr);
    ~Scanutil() override;

    bool isRunning() const { return !m_receivers.empty(); }
    ScanReport report() const { return m_counts.report(); }
    const QVector<ScanTarget> &targets() const { return m_counts.targets(); }
    // What the receivers count into; the window's tests fill it without sockets.
    Scancounts &counts() { return m_counts; }
    // "Receiving Multicast On eth0 Interface" as the receiver says it.
    QString interfaceMessage() const { return m_interfaceMessage; }

    // Joins every group, on the interface of that name when one is given;
    // false, with the receiver's message on sendScanErrorMessage and nothing
    // left joined, when one fails.
    bool start(const QVector<ScanTarget> &targets, bool osSelectAllowed, const QString &interfaceName = QString());
    void stop();

signals:
    void sendScanRunning(bool running);
    void sendScanErrorMessage(const QString &message);

private:
    Scancounts m_counts;
    std::vector<std::unique_ptr<Recvutil>> m_receivers;
    QString m_interfaceMessage;
};
