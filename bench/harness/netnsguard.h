#pragma once

#include <QByteArray>
#include <QString>

#include <sys/stat.h>

// Socket tests run only inside host A of bench/harness/netns-run.sh, never on the
// machine's own interfaces. netnsRefusal() gives the reason not to run, or an
// empty string; a test calls it first, e.g.
//     QVERIFY2(netnsRefusal().isEmpty(), qPrintable(netnsRefusal()));
namespace NetnsGuard {

inline bool namespaceInode(const QByteArray &path, ino_t *inode)
{
    struct stat info;
    if (::stat(path.constData(), &info) != 0)
        return false;
    *inode = info.st_ino;
    return true;
}

} // namespace NetnsGuard

inline QString netnsRefusal()
{
    ino_t self = 0;
    if (!NetnsGuard::namespaceInode("/proc/thread-self/ns/net", &self))
        return QStringLiteral("cannot read the network namespace of this process");

    ino_t initial = 0;
    if (NetnsGuard::namespaceInode("/proc/1/ns/net", &initial) && initial == self)
        return QStringLiteral("refusing to open sockets in the machine's initial network namespace; "
                              "run this test through bench/harness/netns-run.sh");

    const QByteArray outer = qgetenv("QCX_NETNS_OUTER");
    if (!outer.isEmpty() && outer.toULongLong() == self)
        return QStringLiteral("refusing to open sockets in the namespace the harness was started from");

    const QByteArray hostA = qgetenv("QCX_NETNS_A");
    if (hostA.isEmpty() || hostA.contains('/'))
        return QStringLiteral("not started by bench/harness/netns-run.sh (QCX_NETNS_A is not set)");

    // /proc/1 may be unreadable (as in some sandboxes), so the test also has to
    // find itself in the very namespace the harness made.
    ino_t harnessHost = 0;
    if (!NetnsGuard::namespaceInode("/run/netns/" + hostA, &harnessHost) || harnessHost != self)
        return QStringLiteral("not running inside the harness host ") + QString::fromLocal8Bit(hostA);

    return QString();
}
