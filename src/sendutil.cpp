#include "sendutil.h"

#include "iec450.h"
#include "ifaceselect.h"
#include "livetime.h"

#include <QDebug>
#include <QTimer>
#include <QUdpSocket>

#include <cmath>
#include <limits>

namespace {
constexpr auto socketBindMode = QAbstractSocket::ShareAddress | QAbstractSocket::ReuseAddressHint;
}

int txIntervalMsFromTenths(double txIntervalInTenths)
{
    // Rounded to the microsecond before truncating, so that 2.3 tenths give 230 ms
    // and not the 229 that the binary product 229.99999999999997 would.
    const double ms = std::trunc(std::round(txIntervalInTenths * 100000.0) / 1000.0);
    return int(qBound(double(std::numeric_limits<int>::min()), ms, double(std::numeric_limits<int>::max())));
}

Sendutil::Sendutil(QObject *parent)
    : QObject(parent)
{
    qInfo() << "Sendutil initialized";
    txTimer = new QTimer(this);
    // Ticks are scheduled from the previous deadline, so the period does not drift.
    txTimer->setTimerType(Qt::PreciseTimer);
}

Sendutil::~Sendutil()
{
    recvStopSender();
}

bool Sendutil::isRunning() const
{
    return udpSocket != nullptr;
}

void Sendutil::setClock(std::function<QDateTime()> clock)
{
    this->clock = std::move(clock);
}

void Sendutil::recvMsLiveTime(bool isLiveTime)
{
    this->isLiveTime = isLiveTime;
}

void Sendutil::recvMsReplayActive(bool isReplayActive)
{
    this->isReplayActive = isReplayActive;
    // A replay is transmission, with or without templates: said at once,
    // not only when its first sentence leaves.
    if (isReplayActive && udpSocket && isTransmitting) {
        emit sendMsConnectionStatus(QStringLiteral("Started"));
        sendTransmissionInfo();
    }
}

void Sendutil::recvMsReplaySentence(const QString &sentence)
{
    if (udpSocket && isTransmitting)
        transmit(sentence);
}

void Sendutil::recvMsSocketDetailsConnect(const QString &grpIpAddress, const QString &grpPortNumber)
{
    if (udpSocket)
        recvStopSender();

    this->grpIpAddress = QHostAddress(grpIpAddress);
    this->grpPortNumber = grpPortNumber.toUShort(nullptr, 10);

    udpSocket = new QUdpSocket(this);
    wiredIface = getWiredEthernetInterface();

    switch (IfaceSelect::choosePlacement(wiredIface.isValid(), isOsSelectIfaceStatus)) {
    case IfaceSelect::Placement::WiredInterface:
        bindOnWiredInterface(wiredIface, wiredIfaceIpAddress);
        break;
    case IfaceSelect::Placement::OsSelected:
        bindOnOsSelectedInterface();
        break;
    case IfaceSelect::Placement::NotPlaced: {
        const QString text = QStringLiteral("Ethernet Interface Not Valid, Multicast Sender Terminated");
        emit sendMsErrorMessage(text);
        emit sendMsInfoMessage(text);
        qWarning() << "Ms Wired ethernet interface not valid, multicast sender terminated";
        emit sendMsNmeaData(QStringLiteral("Error"), QString(), QString(), QString());
        break;
    }
    }
}

void Sendutil::bindOnWiredInterface(const QNetworkInterface &iface, const QHostAddress &ifaceAddress)
{
    if (!udpSocket) {
        emit sendMsErrorMessage(QStringLiteral("Multicast Sender UDP Socket Not Initialized"));
        qWarning() << "Ms UDP socket is null";
        return;
    }

    if (udpSocket->bind(ifaceAddress, grpPortNumber, socketBindMode)) {
        qInfo() << "Ms socket bind succeeded on wired ethernet interface";
        udpSocket->setMulticastInterface(iface);
        startSender();
        return;
    }

    const QString text = QStringLiteral("Multicast Sender Socket Bind Failed On Wired Ethernet Interface");
    recvStopSender();
    emit sendMsNmeaData(QStringLiteral("Error"), QStringLiteral("Multicast Sender Connection Aborted"), QString(),
                        QString());
    emit sendMsErrorMessage(text);
    emit sendMsInfoMessage(text);
}

void Sendutil::bindOnOsSelectedInterface()
{
    if (!udpSocket) {
        emit sendMsErrorMessage(QStringLiteral("Multicast Sender UDP Socket Not initialized"));
        qWarning() << "Ms UDP socket is null";
        return;
    }

    if (udpSocket->bind(QHostAddress::AnyIPv4, grpPortNumber, socketBindMode)) {
        qInfo() << "Ms socket bind succeeded on OS selected interface";
        startSender();
        return;
    }

    const QString text = QStringLiteral("Multicast Sender Socket Bind Failed On OS Selected Interface");
    recvStopSender();
    emit sendMsNmeaData(QStringLiteral("Error"), QStringLiteral("Multicast Sender Connection Aborted"), QString(),
                        QString());
    emit sendMsErrorMessage(text);
    emit sendMsInfoMessage(text);
    qWarning() << "Ms socket bind failed on OS selected interface";
}

void Sendutil::startSender()
{
    if (!udpSocket) {
        emit sendMsErrorMessage(QStringLiteral("Multicast Sender Socket Is Null"));
        return;
    }

    qInfo() << "Ms sender started";
    connect(txTimer, &QTimer::timeout, this, &Sendutil::sendNmeaData, Qt::UniqueConnection);
    activeIface = IfaceSelect::lookupActiveInterface(udpSocket->localAddress());
    sourceIpAddress = getIPv4Address(activeIface);
    sentencesTotalNumber = 0;
    bytesTotalNumber = 0;
    startTxTimer();
}

void Sendutil::startTxTimer()
{
    isTransmitting = true;
    if (txTimer->isActive())
        return;
    txTimer->start(txIntervalMs);
    qInfo() << "Ms Tx timer started with interval = " << txIntervalMs << " ms.";
}

void Sendutil::recvStopSender()
{
    if (!udpSocket)
        return;

    disconnect(txTimer, &QTimer::timeout, this, &Sendutil::sendNmeaData);

    udpSocket->close();
    udpSocket->deleteLater();
    udpSocket = nullptr;

    if (txTimer->isActive())
        txTimer->stop();
    isTransmitting = false;

    emit sendMsNmeaData(QStringLiteral("Stopped"), QString(), QString(), QString());
    emit sendMsInfoMessage(QStringLiteral("Mutlicast Transmission Terminated"));
    qInfo() << "Ms sender stopped.";
}

void Sendutil::recvMsNmeaSentencesList(const QStringList &nmeaList)
{
    qInfo() << "MS NMEA list received, number of NMEA sentences = " << nmeaList.size();
    this->nmeaList = nmeaList;
}

void Sendutil::recvMsTxTransmissionInterval(double txIntervalInTenths)
{
    txIntervalMs = txIntervalMsFromTenths(txIntervalInTenths);
    if (txTimer->isActive())
        txTimer->stop();
    txTimer->start(txIntervalMs);
    qInfo() << "Ms Tx interval changed to: " << txIntervalMs << " ms.";
}

void Sendutil::recvMsOsSelectInterfaceStatus(bool isOsSelectIfaceStatus)
{
    this->isOsSelectIfaceStatus = isOsSelectIfaceStatus;
}

void Sendutil::recvMsInterfaceName(const QString &interfaceName)
{
    this->interfaceName = interfaceName;
}

void Sendutil::recvMsIec450(bool enabled, const QString &sourceIdentity)
{
    qInfo() << "Ms IEC 61162-450 framing = " << enabled << ", source identity = " << sourceIdentity;
    iec450Enabled = enabled;
    iec450Identity = sourceIdentity;
}

void Sendutil::sendNmeaData()
{
    if (!isTransmitting)
        return;

    if (nmeaList.isEmpty()) {
        // A replay in progress is transmission enough.
        if (isReplayActive)
            return;
        emit sendMsNmeaData(QStringLiteral("No Transmission"), QStringLiteral("No NMEA Data To Send ..."), QString(),
                            QString());
        emit sendMsInfoMessage(QStringLiteral("Multicast Group Active but Transmission Suspended"));
        qWarning() << "Ms NMEA list is empty, no NMEA data to send";
        return;
    }

    // The emissions below may reach slots that replace the list or stop the
    // sender, so the tick works on its own copy and checks the socket each time.
    // One reading of the clock per tick: the sentences of a tick agree.
    const QStringList sentences = nmeaList;
    const QDateTime now = isLiveTime ? clock() : QDateTime();
    for (const QString &sentence : sentences) {
        if (!udpSocket || !isTransmitting)
            return;
        transmit(isLiveTime ? liveTimeSentence(sentence, now) : sentence);
    }
}

void Sendutil::transmit(const QString &sentence)
{
    QByteArray payload = sentence.toLatin1();
    QString echo = sentence;
    const int lineCount = Iec450::nextLineCount(iec450LineCount);
    if (iec450Enabled) {
        payload = Iec450::sentenceDatagram(payload, iec450Identity, lineCount);
        echo = QString::fromLatin1(Iec450::tagBlock(iec450Identity, lineCount)) + sentence.trimmed();
    }
    const qint64 bytesWritten = udpSocket->writeDatagram(payload, grpIpAddress, grpPortNumber);
    if (bytesWritten > 0) {
        bytesTotalNumber += bytesWritten;
        ++sentencesTotalNumber;
        if (iec450Enabled)
            iec450LineCount = lineCount;
    }

    emit sendMsNmeaData(QStringLiteral("Started"), echo, sourceIpAddress.toString(), QString());
    sendTransmissionInfo();
}

void Sendutil::sendTransmissionInfo()
{
    const QString sentencesText = QString::number(sentencesTotalNumber);
    const QString bytesText = QString::number(bytesTotalNumber);
    emit sendMsTransmissionData(sentencesText, bytesText);
    emit sendMsInfoMessage(QStringLiteral("Multicast Transmission in Progress On ")
                           + activeIface.humanReadableName() + QStringLiteral(" Interface , ")
                           + QStringLiteral("Total Sentences Sent: ") + sentencesText
                           + QStringLiteral(" , Total Bytes Sent: ") + bytesText);
}

QNetworkInterface Sendutil::getWiredEthernetInterface()
{
    const IfaceSelect::WiredInterface wired = IfaceSelect::lookupWiredInterface(interfaceName);
    if (wired.iface.isValid()) {
        wiredIfaceIpAddress = wired.address;
        emit sendMsInfoMessage(
            QStringLiteral("Wired Ethernet Interface is Connected, Sending Over Wired Ethernet Interface"));
        return wired.iface;
    }

    emit sendMsErrorMessage(QStringLiteral("No Wired Ethernet Interface Found"));
    emit sendMsInfoMessage(QStringLiteral("No Wired Ethernet Interface Found"));
    qWarning() << "Ms wired ethernet interface not found";
    return QNetworkInterface();
}

QHostAddress Sendutil::getIPv4Address(const QNetworkInterface &iface) const
{
    return IfaceSelect::firstIPv4Address(IfaceSelect::describeInterface(iface));
}
