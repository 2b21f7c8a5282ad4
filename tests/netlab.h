#pragma once

// Small networks of namespaces for the socket tests, the benchmarks and the
// soak: a host H and, behind each of its interfaces, a peer P0, P1... of its
// own. Nothing here ever sends on the machine's own interfaces.

#include <QCoreApplication>
#include <QFile>
#include <QHostAddress>
#include <QProcess>
#include <QThread>
#include <QtEndian>

#include <memory>

#include <fcntl.h>
#include <sched.h>
#include <sys/stat.h>
#include <unistd.h>

inline ino_t netnsInode(const QByteArray &path)
{
    struct stat info {};
    return ::stat(path.constData(), &info) == 0 ? info.st_ino : 0;
}

inline bool inInitialNetns()
{
    return netnsInode("/proc/1/ns/net") == netnsInode("/proc/thread-self/ns/net");
}

// Moves the calling thread into a namespace of the lab for its lifetime. A
// socket keeps the namespace it was made in; threads and processes started
// meanwhile inherit it.
class Inside
{
public:
    explicit Inside(const QString &ns)
        : m_back(::open("/proc/thread-self/ns/net", O_RDONLY | O_CLOEXEC))
    {
        const int target = ::open(QByteArray("/run/netns/" + ns.toLatin1()).constData(), O_RDONLY | O_CLOEXEC);
        m_ok = target >= 0 && ::setns(target, CLONE_NEWNET) == 0;
        ::close(target);
    }
    ~Inside()
    {
        ::setns(m_back, CLONE_NEWNET);
        ::close(m_back);
    }
    bool ok() const { return m_ok; }

private:
    int m_back;
    bool m_ok = false;
};

// Host H with one veth interface per entry "name address/len peer-address"
// (';' between them), each leading to a peer of its own with a multicast route.
// QCX_NETLAB names the lab's namespaces for the programs started in them.
class Lab
{
public:
    Lab(const QString &interfaces, const QString &routeDev)
    {
        // Namespaces of an earlier run that was killed go first.
        QString script = QStringLiteral("for n in $(ip netns list | awk '/^qcxt-/{print $1}'); do p=${n#qcxt-};"
                                        " kill -0 ${p%%-*} 2>/dev/null || ip netns del $n; done\n"
                                        "ip netns add %1; ip -n %1 link set lo up\n").arg(host());
        const QStringList entries = interfaces.split(QLatin1Char(';'), Qt::SkipEmptyParts);
        for (int i = 0; i < entries.size(); ++i) {
            const QStringList w = entries.at(i).split(QLatin1Char(' '), Qt::SkipEmptyParts);
            m_peerAddresses << w.at(2);
            m_hostAddresses << w.at(1).section(QLatin1Char('/'), 0, 0);
            script += QStringLiteral("ip netns add %1; ip -n %1 link set lo up\n").arg(peer(i)) + veth(i, w.at(0), w.at(1), w.at(2));
        }
        if (!routeDev.isEmpty())
            script += QStringLiteral("ip -n %1 route add 224.0.0.0/4 dev %2\n").arg(host(), routeDev);
        m_ok = sh(script);
        m_names << host();
        for (int i = 0; i < peers(); ++i)
            m_names << peer(i);
        qputenv("QCX_NETLAB", m_names.join(QLatin1Char(' ')).toLatin1());
    }
    ~Lab()
    {
        // Another program's ip netns at the same moment can make a delete fail.
        for (const QString &ns : std::as_const(m_names)) {
            for (int i = 0; i < 5 && QProcess::execute(QStringLiteral("ip"), {QStringLiteral("netns"), QStringLiteral("del"), ns}); ++i)
                QThread::msleep(200);
        }
        qunsetenv("QCX_NETLAB");
    }
    static QString host() { return QStringLiteral("qcxt-%1-h").arg(QCoreApplication::applicationPid()); }
    static QString peer(int i) { return QStringLiteral("qcxt-%1-p%2").arg(QCoreApplication::applicationPid()).arg(i); }
    QString peerAddress(int i) const { return m_peerAddresses.at(i); }
    QString hostAddress(int i) const { return m_hostAddresses.at(i); }
    int peers() const { return m_peerAddresses.size(); }
    bool ok() const { return m_ok; }
    QString error() const { return m_error; }

    // The script that links H's interface to peer i's eth0 and waits until
    // the peer's end runs (RUNNING follows the carrier a moment later).
    static QString veth(int i, const QString &name, const QString &address, const QString &peerAddress)
    {
        return QStringLiteral("ip link add %2 netns %3 type veth peer name eth0 netns %1\n"
                              "ip -n %3 addr add %4 dev %2; ip -n %3 link set %2 up\n"
                              "ip -n %1 addr add %5/26 dev eth0; ip -n %1 link set eth0 up\n"
                              "ip -n %1 route add 224.0.0.0/4 dev eth0\n"
                              "for i in $(seq 50); do ip -n %1 link show eth0 | grep -q 'state UP' && break;"
                              " [ $i -lt 50 ] || exit 1; sleep 0.1; done\n")
            .arg(peer(i), name, host(), address, peerAddress);
    }

    // Runs a shell script of ip commands; false, with error() set, when it fails.
    bool sh(const QString &script)
    {
        QProcess sh;
        sh.start(QStringLiteral("sh"), {QStringLiteral("-ec"), script});
        const bool ok = sh.waitForFinished(20000) && sh.exitCode() == 0;
        m_error = QString::fromLocal8Bit(sh.readAllStandardError());
        return ok;
    }

private:
    QStringList m_names, m_peerAddresses, m_hostAddresses;
    bool m_ok = false;
    QString m_error;
};

// True when the kernel lists the group as joined in the namespace (that of
// this thread when none is named).
inline bool joined(const QString &group, const QString &ns = QString())
{
    std::unique_ptr<Inside> inside(ns.isEmpty() ? nullptr : new Inside(ns));
    QFile igmp(QStringLiteral("/proc/thread-self/net/igmp"));
    const QString hex = QString::asprintf("%08X", qToBigEndian(QHostAddress(group).toIPv4Address()));
    return igmp.open(QIODevice::ReadOnly) && QString::fromLatin1(igmp.readAll()).contains(hex);
}

// Why a program that opens sockets must not go on here, or nothing: it runs
// only in a namespace of the lab that started it.
inline QString netnsRefusal()
{
    const ino_t self = netnsInode("/proc/thread-self/ns/net");
    if (self == 0 || inInitialNetns())
        return QStringLiteral("refusing to open sockets in the machine's initial network namespace");
    for (const QString &ns : qEnvironmentVariable("QCX_NETLAB").split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        if (netnsInode("/run/netns/" + ns.toLatin1()) == self)
            return QString();
    }
    return QStringLiteral("refusing to open sockets outside the namespaces of a Lab (tests/netlab.h)");
}
