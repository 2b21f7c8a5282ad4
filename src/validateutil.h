#pragma once

#include <QObject>
#include <QString>

// Pure rules, used by Validateutil and tested on their own.
bool isMulticastGroupAddress(const QString &grpIpAddress);
bool isGroupPortNumber(const QString &grpPortNumber);

struct SocketDetailsVerdict {
    bool valid;
    QString message;
};
SocketDetailsVerdict socketDetailsVerdict(const QString &grpIpAddress, const QString &grpPortNumber);

bool isNmeaSentence(const QString &sentence);
// The window's answer to a custom sentence that passes the check or fails it.
QString customNmeaMessage(bool valid);

class Validateutil : public QObject
{
    Q_OBJECT

public:
    explicit Validateutil(QObject *parent = nullptr);

signals:
    void sendMrSocketValidateResult(bool validateStatus, QString message);
    void sendMrSocketDetails(QString grpIpAddress, QString grpPortNumber);
    void sendMsSocketValidateResult(bool validateStatus, QString message);
    void sendMsSocketDetails(QString grpIpAddress, QString grpPortNumber);
    void sendMsCustomNmeaSentenceValidateReslut(bool customNmeaStatus, QString validateMessage);

public slots:
    void recvMrSocketValidateConnect(QString grpIpAddress, QString grpPortNumber);
    void recvMsSocketValidateConnect(QString grpIpAddress, QString grpPortNumber);
    void recvMsCustomNmeaSentenceValidate(QString customNmeaSentence);

private:
    bool checkSocketDetails(const QString &grpIpAddress, const QString &grpPortNumber);

    bool m_mrSocketStatus = false;
    bool m_msSocketStatus = false;
    QString m_socketMessage;
    bool m_customNmeaStatus = false;
    QString m_customNmeaMessage;
};
