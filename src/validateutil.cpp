#include "validateutil.h"

#include <QDebug>
#include <QHostAddress>
#include <QRegularExpression>

namespace {

const QString kSocketDetailsOk = QStringLiteral("All Socket Details OK");
const QString kInvalidAddress = QStringLiteral("Invalid or Empty Multicast Group IP Address");
const QString kInvalidPort = QStringLiteral("Invalid or Empty Group Port Number");
const QString kCustomNmeaOk = QStringLiteral("Custom NMEA Sentence is OK");
const QString kCustomNmeaInvalid = QStringLiteral("Pls Enter A Valid NMEA Sentence");

} // namespace

bool isMulticastGroupAddress(const QString &grpIpAddress)
{
    if (grpIpAddress.isEmpty() || grpIpAddress.trimmed().isEmpty())
        return false;

    // Only four decimal numbers without leading zeros: the system's parser
    // also takes octal (239.001.001.010 is 239.1.1.8), short (239.1 is
    // 239.0.0.1) and hexadecimal forms, which would join another group than
    // the one the operator typed.
    static const QRegularExpression dotted(QStringLiteral("^(0|[1-9][0-9]{0,2})(\\.(0|[1-9][0-9]{0,2})){3}$"));
    if (!dotted.match(grpIpAddress.trimmed()).hasMatch())
        return false;

    const QHostAddress address(grpIpAddress);
    if (address.protocol() != QAbstractSocket::IPv4Protocol)
        return false;

    const quint32 value = address.toIPv4Address();
    return value >= 0xE0000000u && value <= 0xEFFFFFFFu;
}

bool isGroupPortNumber(const QString &grpPortNumber)
{
    if (grpPortNumber.isEmpty() || grpPortNumber.trimmed().isEmpty())
        return false;

    bool ok = false;
    const int port = grpPortNumber.toInt(&ok, 10);
    return ok && port >= 1024 && port <= 65535;
}

SocketDetailsVerdict socketDetailsVerdict(const QString &grpIpAddress, const QString &grpPortNumber)
{
    const bool addressOk = isMulticastGroupAddress(grpIpAddress);
    const bool portOk = isGroupPortNumber(grpPortNumber);
    if (!addressOk)
        return {false, kInvalidAddress};
    if (!portOk)
        return {false, kInvalidPort};
    return {true, kSocketDetailsOk};
}

bool isNmeaSentence(const QString &sentence)
{
    static const QRegularExpression pattern(
        QStringLiteral("^[!$][A-Z0-9]{2,5}(,[^*]*)?\\*[0-9A-Fa-f]{2}$"));
    return pattern.match(sentence.trimmed()).hasMatch();
}

QString customNmeaMessage(bool valid)
{
    return valid ? kCustomNmeaOk : kCustomNmeaInvalid;
}

Validateutil::Validateutil(QObject *parent)
    : QObject(parent)
{
    qInfo() << "Validateutil initialized";
}

void Validateutil::recvMrSocketValidateConnect(QString grpIpAddress, QString grpPortNumber)
{
    m_mrSocketStatus = checkSocketDetails(grpIpAddress, grpPortNumber);
    if (m_mrSocketStatus) {
        qInfo() << "Mr group IP address and port number are valid";
        qInfo() << "Mr group IP address: " << grpIpAddress << ", port number: " << grpPortNumber;
        emit sendMrSocketDetails(grpIpAddress, grpPortNumber);
    } else {
        qWarning() << "Mr invalid group IP address and port number";
        qWarning() << "Mr group IP address: " << grpIpAddress << ", port number: " << grpPortNumber;
    }
    emit sendMrSocketValidateResult(m_mrSocketStatus, m_socketMessage);
}

void Validateutil::recvMsSocketValidateConnect(QString grpIpAddress, QString grpPortNumber)
{
    m_msSocketStatus = checkSocketDetails(grpIpAddress, grpPortNumber);
    if (m_msSocketStatus) {
        qInfo() << "Ms group IP address and port number are valid";
        qInfo() << "Ms group IP address: " << grpIpAddress << ", port number: " << grpPortNumber;
        emit sendMsSocketDetails(grpIpAddress, grpPortNumber);
    } else {
        qWarning() << "Ms invalid group IP address and port number";
        qWarning() << "Ms group IP address: " << grpIpAddress << ", port number: " << grpPortNumber;
    }
    emit sendMsSocketValidateResult(m_msSocketStatus, m_socketMessage);
}

void Validateutil::recvMsCustomNmeaSentenceValidate(QString customNmeaSentence)
{
    m_customNmeaStatus = isNmeaSentence(customNmeaSentence);
    if (m_customNmeaStatus)
        qInfo() << "Ms custom NMEA sentence is valid";
    else
        qWarning() << "Ms invalid custom NMEA sentence";
    m_customNmeaMessage = customNmeaMessage(m_customNmeaStatus);
    emit sendMsCustomNmeaSentenceValidateReslut(m_customNmeaStatus, m_customNmeaMessage);
}

bool Validateutil::checkSocketDetails(const QString &grpIpAddress, const QString &grpPortNumber)
{
    const SocketDetailsVerdict verdict = socketDetailsVerdict(grpIpAddress, grpPortNumber);
    m_socketMessage = verdict.message;
    return verdict.valid;
}
