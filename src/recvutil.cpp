#include "recvutil.h"

#include "ifaceselect.h"

#include <QDateTime>
#include <QDebug>
#include <QElapsedTimer>
#include <QTimer>
#include <QUdpSocket>
#include <QVariant>
#include <QtEndian>

#ifdef Q_OS_LINUX
#include <netinet/in.h>
#include <sys/socket.h>
#endif

namespace {
constexpr auto socketBindMode = QAbstractSocket::ShareAddress | QAbstractSocket::ReuseAddressHint;
constexpr qint64 readSliceMs = 20;
constexpr int receiveBufferSize = 1024 * 1024;
}

#ifdef Q_OS_LINUX
// At tens of thousands of datagrams a second the system call per datagram is
// most of what receiving costs; recvmmsg takes up to kSlots in one. A slot
// holds the largest datagram, but only the pages a datagram is written into
// are ever touched.
struct Recvutil::Batch
{
    static constexpr int kSlots = 32;

    Batch()
        : buffer(new char[size_t(kSlots) * size_t(kMaxDatagramBytes)])
    {
        for (int i = 0; i < kSlots; ++i) {
            vectors[i].iov_base = buffer.get() + size_t(i) * size_t(kMaxDatagramBytes);
            vectors[i].iov_len = size_t(kMaxDatagramBytes);
            messages[i].msg_hdr = msghdr{};
            messages[i].msg_hdr.msg_name = &senders[i];
            messages[i].msg_hdr.msg_iov = &vectors[i];
            messages[i].msg_hdr.msg_iovlen = 1;
        }
    }
    // The datagrams pending, at most kSlots; 0 when none (or on an error,
    // which the socket's own read then reports).
    int read(qintptr descriptor)
    {
        for (mmsghdr &message : messages) {
            message.msg_hdr.msg_namelen = sizeof(sockaddr_storage);
            message.msg_len = 0;
        }
        const int count = ::recvmmsg(int(descriptor), messages, kSlots, MSG_DONTWAIT, nullptr);
        return qMax(count, 0);
    }
    QByteArrayView bytes(int i) const
    {
        return QByteArrayView(static_cast<const char *>(vectors[i].iov_base),
                              qMin<qsizetype>(messages[i].msg_len, kMaxDatagramBytes));
    }
    // The last sender again without a new address object, as nearly always.
    QHostAddress sender(int i, const QHostAddress &last) const
    {
        const auto *address = reinterpret_cast<const sockaddr *>(&senders[i]);
        if (address->sa_family != AF_INET)
            return QHostAddress(address);
        const quint32 ip = qFromBigEndian(reinterpret_cast<const sockaddr_in *>(address)->sin_addr.s_addr);
        return last.protocol() == QAbstractSocket::IPv4Protocol && last.toIPv4Address() == ip ? last
                                                                                             : QHostAddress(ip);
    }
    quint16 port(int i) const
    {
        const auto *address = reinterpret_cast<const sockaddr *>(&senders[i]);
        if (address->sa_family == AF_INET)
            return qFromBigEndian(reinterpret_cast<const sockaddr_in *>(address)->sin_port);
        if (address->sa_family == AF_INET6)
            return qFromBigEndian(reinterpret_cast<const sockaddr_in6 *>(address)->sin6_port);
        return 0;
    }

private:
    std::unique_ptr<char[]> buffer;
    mmsghdr messages[kSlots];
    iovec vectors[kSlots];
    sockaddr_storage senders[kSlots];
};
#else
// Elsewhere each datagram is read through the socket.
struct Recvutil::Batch
{
    static constexpr int kSlots = 1;

    int read(qintptr) { return 0; }
    QByteArrayView bytes(int) const { return {}; }
    QHostAddress sender(int, const QHostAddress &) const { return {}; }
    quint16 port(int) const { return 0; }
};
#endif

Recvutil::Recvutil(QObject *parent)
    : QObject(parent)
{
    qInfo() << "Recvutil initialized";
    rxTimeoutTimer = new QTimer(this);
}

Recvutil::~Recvutil()
{
    recvReceiverDisconnect();
}

void Recvutil::recvSocketDetailsConnect(const QString &grpIpAddress, const QString &grpPortNumber)
{
    if (udpSocket) {
        qWarning() << "Mr udpSocket already exist, stoping Mr udpSocket and exit";
        recvReceiverDisconnect();
    }

    connect(rxTimeoutTimer, &QTimer::timeout, this, &Recvutil::handleRxTimeoutTimer,
            Qt::UniqueConnection);

    this->grpIpAddress = QHostAddress(grpIpAddress);
    this->grpPortNumber = grpPortNumber.toUShort(nullptr, 10);

    udpSocket = new QUdpSocket(this);
    wiredIface = getWiredEthernetInterface();

    switch (IfaceSelect::choosePlacement(wiredIface.isValid(), isOsSelectIfaceStatus)) {
    case IfaceSelect::Placement::WiredInterface:
        qInfo() << "Mr Wired ethernet interface is valid";
        bindOnWiredInterface(wiredIface, wiredIfaceIpAddress);
        break;
    case IfaceSelect::Placement::OsSelected:
        bindOnOsSelectedInterface();
        break;
    case IfaceSelect::Placement::NotPlaced: {
        const QString text = QStringLiteral("Wired Ethernet Interface Not Valid, Multicast Receiver Terminated");
        emit sendMrErrorMessage(text);
        emit sendMrInfoMessage(text);
        qWarning() << "Mr Wired ethernet interface not valid, multicast receiver terminated";
        emit sendMrNmeaData(QStringLiteral("Error"), QString(), QString(), QString());
        break;
    }
    }
}

void Recvutil::bindOnWiredInterface(const QNetworkInterface &iface, const QHostAddress &ifaceAddress)
{
    if (!udpSocket) {
        emit sendMrErrorMessage(QStringLiteral("Multicast Receiver UDP Socket Not Initialized"));
        qWarning() << "Mr UDP socket is null";
        return;
    }

#ifdef Q_OS_WIN
    // Windows picks the receiving NIC from the unicast bind address.
    const QHostAddress bindAddress = ifaceAddress;
    const QNetworkInterface joinIface;
#else
    // Linux never hands multicast to a socket bound to a unicast address, and a
    // join without an interface fails on a host without a multicast route. Bind
    // to the group (which also keeps out other groups sharing the port) and join
    // on the wired interface instead.
    Q_UNUSED(ifaceAddress)
    const QHostAddress bindAddress = grpIpAddress;
    const QNetworkInterface joinIface = iface;
#endif

    if (udpSocket->bind(bindAddress, grpPortNumber, socketBindMode)) {
        qInfo() << "Mr socket bind succeeded on wired ethernet interface";
        udpSocket->setMulticastInterface(iface);
        joinGroup(joinIface);
        return;
    }

    recvReceiverDisconnect();
    emit sendMrNmeaData(QStringLiteral("Error"), QStringLiteral("Multicast Connection Aborted"), QString(),
                        QString());
    emit sendMrErrorMessage(QStringLiteral("Failed To Start Multicast Receiver"));
    emit sendMrInfoMessage(QStringLiteral("Failed To Start Multicast Receiver"));
    qWarning() << "Mr Failed to bind multicast receiver socket on wired ethernet interface";
}

void Recvutil::bindOnOsSelectedInterface()
{
    if (!udpSocket) {
        emit sendMrErrorMessage(QStringLiteral("Multicast Receiver Socket Is Null"));
        qWarning() << "Mr socket is null";
        return;
    }

    isConnected = false;
    if (udpSocket->bind(QHostAddress::AnyIPv4, grpPortNumber, socketBindMode)) {
        qInfo() << "Mr Socket bind succeeded on OS selected interface";
        joinGroup(QNetworkInterface());
        return;
    }

    const QString text = QStringLiteral("Multicast Receiver Socket Bind Failed On OS Selected Interface");
    emit sendMrNmeaData(QStringLiteral("Error"), QStringLiteral("Multicast Connection Aborted"), QString(),
                        QString());
    emit sendMrErrorMessage(text);
    emit sendMrInfoMessage(text);
    qWarning() << "Mr socket bind failed on OS selected interface";
    recvReceiverDisconnect();
}

void Recvutil::joinGroup(const QNetworkInterface &joinIface)
{
    if (!udpSocket) {
        emit sendMrErrorMessage(QStringLiteral("Multicast Receiver Socket Is Null"));
        qWarning() << "Mr socket is null";
        return;
    }

    // Datagrams that come while the event loop is busy (drawing a frame,
    // waiting for the disk) wait in the socket's receive buffer. The default
    // one holds some 250 short datagrams, 25 ms of 10,000 sentences a second;
    // this one ten times as many. The system may grant less
    // (net.core.rmem_max).
    udpSocket->setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption, QVariant(receiveBufferSize));
    startRxTimeout();

    isConnected = joinIface.isValid() ? udpSocket->joinMulticastGroup(grpIpAddress, joinIface)
                                      : udpSocket->joinMulticastGroup(grpIpAddress);
    if (!isConnected) {
        emit sendMrNmeaData(QStringLiteral("Disconnected"), QString(), QString(), QString());
        emit sendMrErrorMessage(QStringLiteral("Failed To Join Multicast Group"));
        emit sendMrInfoMessage(QStringLiteral("Failed To Join Multicast Group"));
        qWarning() << "Failed to join multicast group";
        recvReceiverDisconnect();
        return;
    }

    qInfo() << "Mr isConnected = " << isConnected;
    connect(udpSocket, &QUdpSocket::readyRead, this, &Recvutil::processData, Qt::UniqueConnection);
    emit sendMrNmeaData(QStringLiteral("Connected"), QString(), QString(), QString());
    activeIface = udpSocket ? IfaceSelect::lookupActiveInterface(udpSocket->localAddress(), joinIface.index())
                            : QNetworkInterface();

    if (activeIface.isValid()) {
        emit sendMrInfoMessage(QStringLiteral("Receiving Multicast On ") + activeIface.humanReadableName()
                               + QStringLiteral(" Interface"));
    } else {
        emit sendMrInfoMessage(QStringLiteral("Active Interface Is Not Valid"));
        emit sendMrErrorMessage(QStringLiteral("Active Interface Is Not Valid"));
        qWarning() << "Active interface is not valid";
    }
}

void Recvutil::recvMrRxTimeoutInterval(int rxTimeoutInSec)
{
    this->rxTimeoutInSec = rxTimeoutInSec;
    startRxTimeout();
}

void Recvutil::recvReceiverDisconnect()
{
    if (!udpSocket)
        return;

    if (isConnected) {
        if (activeIface.isValid())
            udpSocket->leaveMulticastGroup(grpIpAddress, activeIface);
        else
            udpSocket->leaveMulticastGroup(grpIpAddress);
    }

    disconnect(rxTimeoutTimer, &QTimer::timeout, this, &Recvutil::handleRxTimeoutTimer);
    disconnect(udpSocket, &QUdpSocket::readyRead, this, &Recvutil::processData);

    udpSocket->close();
    udpSocket->deleteLater();
    isConnected = false;
    udpSocket = nullptr;

    rxTimeoutTimer->stop();

    emit sendMrNmeaData(QStringLiteral("Disconnected"), QString(), QString(), QString());
    emit sendMrInfoMessage(QStringLiteral("Multicast Receiver Is Terminated"));
    qInfo() << "Mr receiver stopped.";
}

void Recvutil::recvMrOsSelectInterfaceStatus(bool isOsSelectIfaceStatus)
{
    this->isOsSelectIfaceStatus = isOsSelectIfaceStatus;
}

void Recvutil::recvMrInterfaceName(const QString &interfaceName)
{
    this->interfaceName = interfaceName;
}

void Recvutil::processData()
{
    if (!udpSocket)
        return;

    // A flood faster than the program can take it would keep this loop going
    // for as long as the flood lasts, with the window frozen. After a slice of
    // time the loop hands back to the event loop; the socket signals readyRead
    // again for the datagrams still pending.
    QElapsedTimer slice;
    slice.start();
    // Every emission may reach slots that disconnect the receiver (or connect
    // it anew), so the socket is looked at again after each datagram.
    QUdpSocket *const socket = udpSocket;
    int received = 0;
    // A read's datagrams nearly always come from one sender: its address and
    // port are written out once.
    QHostAddress shownAddress;
    quint16 shownPort = 0;
    QString host;
    QString sourcePort;
    struct EndOfRead
    {
        Recvutil *receiver;
        bool reading = false;
        ~EndOfRead()
        {
            if (reading)
                emit receiver->sendMrReading(false);
        }
    } read{this};
    const auto handle = [&](QByteArrayView bytes, const QHostAddress &address, quint16 port, qint64 arrivalMs) {
        if (!read.reading) {
            read.reading = true;
            emit sendMrReading(true);
        }
        DatagramRecord record = readDatagram(bytes);
        record.arrivalMs = arrivalMs;
        if (host.isNull() || address != shownAddress || port != shownPort) {
            shownAddress = address;
            shownPort = port;
            host = address.toString();
            sourcePort = QString::number(port);
        }
        record.host = host;
        record.port = port;
        emit sendMrDatagram(record);
        for (const RowRecord &row : qAsConst(record.rows)) {
            if (udpSocket != socket)
                return false;
            emit sendMrNmeaData(QStringLiteral("Connected"), row.text, record.host, sourcePort);
        }
        ++received;
        return udpSocket == socket;
    };
    for (;;) {
        const int count = readBatch();
        if (count > 0) {
            const qint64 arrivalMs = QDateTime::currentMSecsSinceEpoch();
            for (int i = 0; i < count; ++i) {
                if (!handle(batch->bytes(i), batch->sender(i, shownAddress), batch->port(i), arrivalMs))
                    return;
            }
            // A full batch: more are likely pending.
            if (count == Batch::kSlots && !slice.hasExpired(readSliceMs))
                continue;
        }
        // A read through the socket comes last, also when the time is up:
        // only then does the socket signal again for datagrams still pending.
        // It reads one more, or finds none left. One buffer fits the largest
        // datagram: asking each datagram's size first would take a system
        // call more.
        if (datagram.size() < kMaxDatagramBytes)
            datagram.resize(kMaxDatagramBytes);
        const qint64 bytesRead = udpSocket->readDatagram(datagram.data(), datagram.size(), &senderAddress,
                                                         &senderPort);
        // None left, or a failed read, whose buffer is undefined (that
        // datagram is dropped).
        if (bytesRead < 0)
            break;
        if (!handle(QByteArrayView(datagram.constData(), qMin<qint64>(bytesRead, datagram.size())), senderAddress,
                    senderPort, QDateTime::currentMSecsSinceEpoch()))
            return;
        if (slice.hasExpired(readSliceMs))
            break;
    }
    // Once for all the datagrams read now rather than for each: data only
    // restarts a running time-out; that it is switched off was said when it
    // was set or the receiver connected.
    if (received == 0 || udpSocket != socket)
        return;
    if (rxTimeoutInSec != 0)
        rxTimeoutTimer->start(rxTimeoutInSec * 1000);
    emit sendMrInfoMessage(QStringLiteral("Receiving Multicast On ") + activeIface.humanReadableName()
                           + QStringLiteral(" Interface"));
}

void Recvutil::handleRxTimeoutTimer()
{
    if (isConnected) {
        emit sendMrNmeaData(QStringLiteral("Connected"), QStringLiteral("No NMEA Data Received From Multicast Source"),
                            QString(), QString());
    }
    emit sendMrInfoMessage(QStringLiteral("Multicast Receiver Timeout Interval Is Exceeded"));
}

int Recvutil::readBatch()
{
    if (!batch)
        batch = std::make_unique<Batch>();
    return batch->read(udpSocket->socketDescriptor());
}

void Recvutil::startRxTimeout()
{
    if (rxTimeoutInSec != 0) {
        rxTimeoutTimer->start(rxTimeoutInSec * 1000);
        return;
    }
    rxTimeoutTimer->stop();
    emit sendMrInfoMessage(QStringLiteral("Multicast Receiver Timeout Timer is Disabled"));
    qInfo() << "Multicast receiver timeout timer is disabled";
}

QNetworkInterface Recvutil::getWiredEthernetInterface()
{
    const IfaceSelect::WiredInterface wired = IfaceSelect::lookupWiredInterface(interfaceName);
    if (wired.iface.isValid()) {
        wiredIfaceIpAddress = wired.address;
        emit sendMrInfoMessage(
            QStringLiteral("Wired Ethernet Interface is Connected, Receiving From Wired Ethernet Interface"));
        return wired.iface;
    }

    emit sendMrErrorMessage(QStringLiteral("No Wired Ethernet Interface Found"));
    emit sendMrInfoMessage(QStringLiteral("No Wired Ethernet Interface Found"));
    qWarning() << "Mr wired ethernet interface not found";
    return QNetworkInterface();
}

