#pragma once

// Helpers for socket tests that run inside bench/harness/netns-run.sh:
//  - runIp() and hasMulticastMembership() look at the hosts with `ip`;
//  - NetnsLab builds further hosts (variant topologies) and removes them;
//  - NetnsEnter moves the calling thread into another host for a scope, so a
//    worker created there opens its sockets and lists interfaces of that host;
//  - McastPeer runs bench/harness/mcastpeer.cpp in a host to send or receive datagrams.

#include <QByteArray>
#include <QDeadlineTimer>
#include <QList>
#include <QMetaType>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QString>
#include <QStringList>
#include <QThread>

#include <fcntl.h>
#include <sched.h>
#include <unistd.h>

#ifndef QCX_MCASTPEER
#error "QCX_MCASTPEER must name the qcx_mcastpeer executable"
#endif

inline QString shipHostA() { return qEnvironmentVariable("QCX_NETNS_A"); }
inline QString shipHostB() { return qEnvironmentVariable("QCX_NETNS_B"); }
inline QString shipAddressA() { return QStringLiteral("198.51.100.1"); }
inline QString shipAddressB() { return QStringLiteral("198.51.100.2"); }

inline bool runIp(const QStringList &args, QString *output = nullptr, QString *error = nullptr)
{
    QProcess ip;
    ip.start(QStringLiteral("ip"), args);
    const bool finished = ip.waitForStarted(5000) && ip.waitForFinished(10000);
    if (output)
        *output = QString::fromLocal8Bit(ip.readAllStandardOutput());
    const bool ok = finished && ip.exitStatus() == QProcess::NormalExit && ip.exitCode() == 0;
    if (!ok && error) {
        *error = QStringLiteral("ip %1: %2").arg(args.join(QLatin1Char(' ')),
                                                QString::fromLocal8Bit(ip.readAllStandardError()).trimmed());
    }
    return ok;
}

// True when `ip maddr` lists the IPv4 group on the device of the host.
inline bool hasMulticastMembership(const QString &ns, const QString &dev, const QString &group)
{
    QString output;
    if (!runIp({QStringLiteral("-n"), ns, QStringLiteral("maddr"), QStringLiteral("show"), QStringLiteral("dev"), dev},
               &output))
        return false;
    const QRegularExpression line(QStringLiteral("^\\s*inet\\s+%1\\s*$").arg(QRegularExpression::escape(group)),
                                  QRegularExpression::MultilineOption);
    return line.match(output).hasMatch();
}

class NetnsEnter
{
public:
    explicit NetnsEnter(const QString &ns)
    {
        m_back = ::open("/proc/thread-self/ns/net", O_RDONLY | O_CLOEXEC);
        const int target = ::open(QByteArray("/run/netns/" + ns.toLocal8Bit()).constData(), O_RDONLY | O_CLOEXEC);
        m_entered = m_back >= 0 && target >= 0 && ::setns(target, CLONE_NEWNET) == 0;
        if (target >= 0)
            ::close(target);
    }
    ~NetnsEnter()
    {
        if (m_entered)
            ::setns(m_back, CLONE_NEWNET);
        if (m_back >= 0)
            ::close(m_back);
    }
    NetnsEnter(const NetnsEnter &) = delete;
    NetnsEnter &operator=(const NetnsEnter &) = delete;

    bool entered() const { return m_entered; }

private:
    int m_back = -1;
    bool m_entered = false;
};

class NetnsLab
{
public:
    struct Iface
    {
        QString name;          // the interface's name inside the host
        QStringList addresses; // CIDR, IPv4 or IPv6
        bool up = true;
        QString peerAddress;   // CIDR on the peer's eth0, empty for none
    };
    struct Host
    {
        QString ns;
        QStringList peers; // one peer host per interface, in the same order
        bool isValid() const { return !ns.isEmpty(); }
    };

    NetnsLab() : m_prefix(qEnvironmentVariable("QCX_NETNS_PREFIX")) {}
    ~NetnsLab()
    {
        for (auto it = m_created.crbegin(); it != m_created.crend(); ++it)
            runIp({QStringLiteral("netns"), QStringLiteral("del"), *it});
    }
    NetnsLab(const NetnsLab &) = delete;
    NetnsLab &operator=(const NetnsLab &) = delete;

    QString error() const { return m_error; }

    // A host named after the tag, whose interfaces are each one end of a veth
    // pair; the other end is eth0 of a peer host of its own. The peers have lo
    // up and a multicast route; the host gets one via routeDev when given.
    Host addShipHost(const QString &tag, const QList<Iface> &ifaces, const QString &routeDev)
    {
        Host host;
        const QString ns = addNamespace(tag);
        if (ns.isEmpty())
            return host;
        for (int i = 0; i < ifaces.size(); ++i) {
            const Iface &iface = ifaces.at(i);
            const QString peer = addNamespace(tag + QStringLiteral("p%1").arg(i));
            if (peer.isEmpty())
                return host;
            if (!ip({QStringLiteral("link"), QStringLiteral("add"), iface.name, QStringLiteral("netns"), ns,
                     QStringLiteral("type"), QStringLiteral("veth"), QStringLiteral("peer"), QStringLiteral("name"),
                     QStringLiteral("eth0"), QStringLiteral("netns"), peer}))
                return host;
            for (const QString &address : iface.addresses) {
                QStringList args{QStringLiteral("-n"), ns, QStringLiteral("addr"), QStringLiteral("add"), address,
                                 QStringLiteral("dev"), iface.name};
                if (address.contains(QLatin1Char(':')))
                    args << QStringLiteral("nodad");
                if (!ip(args))
                    return host;
            }
            if (!iface.peerAddress.isEmpty()
                && !ip({QStringLiteral("-n"), peer, QStringLiteral("addr"), QStringLiteral("add"), iface.peerAddress,
                        QStringLiteral("dev"), QStringLiteral("eth0")}))
                return host;
            if (!ip({QStringLiteral("-n"), peer, QStringLiteral("link"), QStringLiteral("set"), QStringLiteral("eth0"),
                     QStringLiteral("up")})
                || !ip({QStringLiteral("-n"), peer, QStringLiteral("route"), QStringLiteral("add"),
                        QStringLiteral("224.0.0.0/4"), QStringLiteral("dev"), QStringLiteral("eth0")}))
                return host;
            if (iface.up
                && !ip({QStringLiteral("-n"), ns, QStringLiteral("link"), QStringLiteral("set"), iface.name,
                        QStringLiteral("up")}))
                return host;
            host.peers << peer;
        }
        if (!routeDev.isEmpty()
            && !ip({QStringLiteral("-n"), ns, QStringLiteral("route"), QStringLiteral("add"),
                    QStringLiteral("224.0.0.0/4"), QStringLiteral("dev"), routeDev}))
            return host;
        for (int i = 0; i < ifaces.size(); ++i) {
            if (ifaces.at(i).up && !(waitOperUp(ns, ifaces.at(i).name) && waitOperUp(host.peers.at(i), QStringLiteral("eth0"))))
                return host;
        }
        host.ns = ns;
        return host;
    }

    bool ip(const QStringList &args)
    {
        QString error;
        if (runIp(args, nullptr, &error))
            return true;
        m_error = error;
        return false;
    }

private:
    QString addNamespace(const QString &tag)
    {
        if (m_prefix.isEmpty()) {
            m_error = QStringLiteral("QCX_NETNS_PREFIX is not set");
            return QString();
        }
        const QString ns = m_prefix + tag;
        if (!ip({QStringLiteral("netns"), QStringLiteral("add"), ns}))
            return QString();
        m_created << ns;
        if (!ip({QStringLiteral("-n"), ns, QStringLiteral("link"), QStringLiteral("set"), QStringLiteral("lo"),
                 QStringLiteral("up")}))
            return QString();
        return ns;
    }

    // The RUNNING flag follows the operational state, which the kernel sets a
    // little after the carrier.
    bool waitOperUp(const QString &ns, const QString &dev)
    {
        QDeadlineTimer deadline(5000);
        QString output;
        do {
            if (runIp({QStringLiteral("-n"), ns, QStringLiteral("link"), QStringLiteral("show"), dev}, &output)
                && output.contains(QLatin1String("state UP")))
                return true;
            QThread::msleep(50);
        } while (!deadline.hasExpired());
        m_error = QStringLiteral("%1 in %2 did not come up").arg(dev, ns);
        return false;
    }

    QString m_prefix;
    QStringList m_created;
    QString m_error;
};

Q_DECLARE_METATYPE(NetnsLab::Iface)

struct PeerDatagram
{
    qint64 atMicros = 0;
    QString sourceAddress;
    quint16 sourcePort = 0;
    QByteArray payload;
};

class McastPeer
{
public:
    McastPeer() { m_process.setProcessChannelMode(QProcess::SeparateChannels); }
    ~McastPeer()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(2000);
        }
    }
    McastPeer(const McastPeer &) = delete;
    McastPeer &operator=(const McastPeer &) = delete;

    // Starts a receiving peer in the host; returns once it has joined the group.
    bool startReceiver(const QString &ns, const QString &group, quint16 port, const QString &localAddress, int count,
                       int timeoutMs)
    {
        m_process.start(QStringLiteral("ip"),
                        {QStringLiteral("netns"), QStringLiteral("exec"), ns, QStringLiteral(QCX_MCASTPEER),
                         QStringLiteral("recv"), group, QString::number(port), localAddress, QString::number(count),
                         QString::number(timeoutMs)});
        if (!m_process.waitForStarted(5000))
            return false;
        QSignalSpy output(&m_process, &QProcess::readyReadStandardOutput);
        QDeadlineTimer deadline(5000);
        while (!collect().contains(QByteArray("READY\n"))) {
            if (m_process.state() == QProcess::NotRunning || deadline.hasExpired())
                return false;
            output.wait(int(qMax<qint64>(1, deadline.remainingTime())));
        }
        return true;
    }

    // Starts a sending peer in the host; with delayMs it waits before sending.
    bool startSender(const QString &ns, const QString &group, quint16 port, const QString &localAddress,
                     const QList<QByteArray> &payloads, quint16 sourcePort = 0, int delayMs = 0, int gapMs = 0)
    {
        QStringList args{QStringLiteral("netns"), QStringLiteral("exec"), ns, QStringLiteral(QCX_MCASTPEER),
                         QStringLiteral("send"), group, QString::number(port), localAddress,
                         QStringLiteral("--sport"), QString::number(sourcePort),
                         QStringLiteral("--delay-ms"), QString::number(delayMs),
                         QStringLiteral("--gap-ms"), QString::number(gapMs)};
        for (const QByteArray &payload : payloads)
            args << payloadArgument(payload);
        m_process.start(QStringLiteral("ip"), args);
        return m_process.waitForStarted(5000);
    }

    // Starts a peer that floods the group with numbered sentences "$QCFLD,<n>*00",
    // rate a second for the given seconds (bench/harness/mcastpeer.cpp, flood).
    bool startFlood(const QString &ns, const QString &group, quint16 port, const QString &localAddress, int rate,
                    int seconds)
    {
        m_process.start(QStringLiteral("ip"),
                        {QStringLiteral("netns"), QStringLiteral("exec"), ns, QStringLiteral(QCX_MCASTPEER),
                         QStringLiteral("flood"), group, QString::number(port), localAddress, QString::number(rate),
                         QString::number(seconds)});
        return m_process.waitForStarted(5000);
    }

    // How many datagrams a finished sending peer reports as sent, or -1.
    qint64 sentCount()
    {
        const QRegularExpression sent(QStringLiteral("^SENT (\\d+)"), QRegularExpression::MultilineOption);
        const QRegularExpressionMatch match = sent.match(QString::fromLatin1(collect()));
        return match.hasMatch() ? match.captured(1).toLongLong() : -1;
    }

    // Runs the event loop until the peer has ended; true when it ended with 0.
    bool waitFinished(int timeoutMs)
    {
        if (m_process.state() != QProcess::NotRunning) {
            QSignalSpy finished(&m_process, &QProcess::finished);
            if (!finished.wait(timeoutMs))
                return false;
        }
        collect();
        return m_process.exitStatus() == QProcess::NormalExit && m_process.exitCode() == 0;
    }

    // Runs the event loop until the receiving peer has printed count datagrams.
    bool waitForDatagrams(int count, int timeoutMs)
    {
        QSignalSpy output(&m_process, &QProcess::readyReadStandardOutput);
        QDeadlineTimer deadline(timeoutMs);
        while (datagrams().size() < count) {
            if (m_process.state() == QProcess::NotRunning || deadline.hasExpired())
                return datagrams().size() >= count;
            output.wait(int(qMax<qint64>(1, deadline.remainingTime())));
        }
        return true;
    }

    QList<PeerDatagram> datagrams()
    {
        QList<PeerDatagram> result;
        const QList<QByteArray> lines = collect().split('\n');
        for (const QByteArray &line : lines) {
            const QList<QByteArray> fields = line.split(' ');
            if (fields.size() != 4)
                continue;
            PeerDatagram datagram;
            datagram.atMicros = fields.at(0).toLongLong();
            datagram.sourceAddress = QString::fromLatin1(fields.at(1));
            datagram.sourcePort = fields.at(2).toUShort();
            datagram.payload = QByteArray::fromHex(fields.at(3));
            result << datagram;
        }
        return result;
    }

    // The peer's exit code once it has ended (3: time-out of a receiver), else -1.
    int exitCode() const
    {
        return m_process.state() == QProcess::NotRunning && m_process.exitStatus() == QProcess::NormalExit
            ? m_process.exitCode()
            : -1;
    }

    QString errorOutput() { return QString::fromLocal8Bit(m_process.readAllStandardError()); }

    static QString payloadArgument(const QByteArray &payload)
    {
        if (payload.size() > 64 && payload.count(payload.at(0)) == payload.size())
            return QStringLiteral("fill:%1:%2").arg(payload.size()).arg(QString::fromLatin1(payload.left(1).toHex()));
        return QStringLiteral("hex:") + QString::fromLatin1(payload.toHex());
    }

private:
    const QByteArray &collect()
    {
        m_output += m_process.readAllStandardOutput();
        return m_output;
    }

    QProcess m_process;
    QByteArray m_output;
};
