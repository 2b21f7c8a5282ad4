#pragma once

#include <QDateTime>
#include <QHostAddress>
#include <QNetworkInterface>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>

class QTimer;
class QUdpSocket;

// The transmit period in milliseconds for a period counted in tenths of a second.
int txIntervalMsFromTenths(double txIntervalInTenths);

class Sendutil : public QObject
{
    Q_OBJECT

public:
    explicit Sendutil(QObject *parent = nullptr);
    ~Sendutil() override;

    bool isRunning() const;
    // Where live time is read from; the system's UTC clock unless a test sets another.
    void setClock(std::function<QDateTime()> clock);

signals:
    void sendMsNmeaData(const QString &connectionStatus, const QString &nmeaSentence,
                        const QString &sourceIp, const QString &sourcePort);
    void sendMsTransmissionData(const QString &sentencesTotalNumber, const QString &bytesTotalNumber);
    // The status alone, without a row for the list.
    void sendMsConnectionStatus(const QString &connectionStatus);
    void sendMsErrorMessage(const QString &ErrorMsg);
    void sendMsInfoMessage(const QString &InfoMsg);

public slots:
    void recvMsSocketDetailsConnect(const QString &grpIpAddress, const QString &grpPortNumber);
    void recvMsNmeaSentencesList(const QStringList &nmeaList);
    void recvMsTxTransmissionInterval(double txIntervalInTenths);
    void recvStopSender();
    void recvMsOsSelectInterfaceStatus(bool isOsSelectIfaceStatus);
    // The interface to use by its name instead of the first wired one; empty for that.
    void recvMsInterfaceName(const QString &interfaceName);
    // IEC 61162-450 framing with this source identity, already validated.
    void recvMsIec450(bool enabled, const QString &sourceIdentity);
    void recvMsLiveTime(bool isLiveTime);
    void recvMsReplayActive(bool isReplayActive);
    void recvMsReplaySentence(const QString &sentence);

private slots:
    void sendNmeaData();

private:
    QNetworkInterface getWiredEthernetInterface();
    QHostAddress getIPv4Address(const QNetworkInterface &iface) const;
    void bindOnWiredInterface(const QNetworkInterface &iface, const QHostAddress &ifaceAddress);
    void bindOnOsSelectedInterface();
    void startSender();
    void startTxTimer();
    void transmit(const QString &sentence);
    void sendTransmissionInfo();

    QUdpSocket *udpSocket = nullptr;
    QHostAddress grpIpAddress;
    quint16 grpPortNumber = 0;
    QHostAddress sourceIpAddress;
    int txIntervalMs = 1000;
    int sentencesTotalNumber = 0;
    qint64 bytesTotalNumber = 0;
    QStringList nmeaList;
    QNetworkInterface wiredIface;
    QHostAddress wiredIfaceIpAddress;
    QNetworkInterface activeIface;
    bool isOsSelectIfaceStatus = false;
    QString interfaceName;
    bool isTransmitting = false;
    bool isLiveTime = false;
    bool isReplayActive = false;
    std::function<QDateTime()> clock = [] { return QDateTime::currentDateTimeUtc(); };
    QTimer *txTimer = nullptr;
    bool iec450Enabled = false;
    QString iec450Identity;
    // The TAG line count of the last sentence sent; it runs on across stops,
    // so that a restart does not look like lost sentences to a receiver.
    int iec450LineCount = 0;
};
