#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QNetworkInterface>
#include <QObject>
#include <QString>

#include "linerecord.h"

#include <memory>

class QTimer;
class QUdpSocket;

class Recvutil : public QObject
{
    Q_OBJECT

public:
    explicit Recvutil(QObject *parent = nullptr);
    ~Recvutil() override;

signals:
    void sendMrNmeaData(const QString &connectionStatus, const QString &nmeaSentence,
                        const QString &sourceIp, const QString &sourcePort);
    void sendMrErrorMessage(const QString &ErrorMsg);
    void sendMrInfoMessage(const QString &InfoMsg);
    // Every datagram read into its rows and lines, just before its rows
    // leave one by one on sendMrNmeaData.
    void sendMrDatagram(const DatagramRecord &datagram);
    // true before the first datagram of a read of the socket, false after its
    // last: what is recorded of a read can be written at once.
    void sendMrReading(bool reading);

public slots:
    void recvSocketDetailsConnect(const QString &grpIpAddress, const QString &grpPortNumber);
    void recvMrRxTimeoutInterval(int rxTimeoutInSec);
    void recvReceiverDisconnect();
    void recvMrOsSelectInterfaceStatus(bool isOsSelectIfaceStatus);
    // The interface to use by its name instead of the first wired one; empty for that.
    void recvMrInterfaceName(const QString &interfaceName);

private slots:
    void processData();
    void handleRxTimeoutTimer();

private:
    QNetworkInterface getWiredEthernetInterface();
    void bindOnWiredInterface(const QNetworkInterface &iface, const QHostAddress &ifaceAddress);
    void bindOnOsSelectedInterface();
    void joinGroup(const QNetworkInterface &joinIface);
    void startRxTimeout();
    int readBatch();

    QUdpSocket *udpSocket = nullptr;
    QHostAddress grpIpAddress;
    quint16 grpPortNumber = 0;
    QHostAddress senderAddress;
    quint16 senderPort = 0;
    int rxTimeoutInSec = 3;
    QByteArray datagram;
    // Several datagrams a system call where the system can (Linux): slots
    // that each fit the largest datagram, made on the first read.
    struct Batch;
    std::unique_ptr<Batch> batch;
    QNetworkInterface wiredIface;
    QHostAddress wiredIfaceIpAddress;
    QNetworkInterface activeIface;
    bool isOsSelectIfaceStatus = false;
    QString interfaceName;
    bool isConnected = false;
    QTimer *rxTimeoutTimer = nullptr;
};
