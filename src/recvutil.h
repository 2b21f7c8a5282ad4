#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QNetworkInterface>
#include <QObject>
#include <QString>

#include "iec450.h"

class QTimer;
class QUdpSocket;

// Pure rule, used by Recvutil and tested on its own: the sentence a datagram
// carries is its bytes read as Latin-1 without the white space around them.
// The datagram is not split: inner line breaks stay in the sentence.
QString datagramSentence(QByteArrayView datagram);

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
    // The IEC 61162-450 sources seen since connecting: a summary and one line each.
    void sendMrIec450Sources(const QString &summary, const QString &details);

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
    QNetworkInterface getActiveInterface(QUdpSocket *socket,
                                         const QNetworkInterface &joinedIface = QNetworkInterface()) const;
    void bindOnWiredInterface(const QNetworkInterface &iface, const QHostAddress &ifaceAddress);
    void bindOnOsSelectedInterface();
    void joinGroup(const QNetworkInterface &joinIface);
    void startRxTimeout();

    QUdpSocket *udpSocket = nullptr;
    QHostAddress grpIpAddress;
    quint16 grpPortNumber = 0;
    QHostAddress senderAddress;
    quint16 senderPort = 0;
    int rxTimeoutInSec = 3;
    QByteArray datagram;
    QNetworkInterface wiredIface;
    QHostAddress wiredIfaceIpAddress;
    QNetworkInterface activeIface;
    bool isOsSelectIfaceStatus = false;
    QString interfaceName;
    bool isConnected = false;
    QTimer *rxTimeoutTimer = nullptr;
    Iec450::SourceCounter iec450Sources;
    QElapsedTimer iec450DetailsTimer;
};
