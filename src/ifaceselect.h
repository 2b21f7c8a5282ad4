#pragma once

#include <QHostAddress>
#include <QList>
#include <QMetaType>
#include <QNetworkInterface>
#include <QString>
#include <QStringList>

// The interface rules shared by the receiver and the sender. They work on plain
// descriptions of the interfaces, so they can be checked without a network; the
// workers describe QNetworkInterface::allInterfaces() with describeInterfaces()
// and map the chosen position back to the QNetworkInterface.
namespace IfaceSelect {

struct IfaceDescription
{
    int index = 0; // the platform's interface index, 0 when unknown
    QString name;  // human-readable name
    bool isUp = false;
    bool isRunning = false;
    bool canMulticast = false;
    bool isLoopBack = false;
    QList<QHostAddress> addresses; // the address entries' IPs, in the platform's order
};

struct WiredChoice
{
    int position = -1; // position in the searched list, -1 when none qualifies
    QHostAddress address;
    bool found() const { return position >= 0; }
};

enum class Placement {
    WiredInterface, // bind on the wired interface's address
    OsSelected,     // bind on AnyIPv4 and let the operating system choose
    NotPlaced       // no usable interface: the request fails
};

// The name keywords of a wired interface, in search order.
const QStringList &wiredNameKeywords();

// True when the lower-cased name holds one of the keywords anywhere.
bool hasWiredName(const QString &name);

// The first IPv4 address of the interface, a null address when it has none.
QHostAddress firstIPv4Address(const IfaceDescription &iface);

// The first interface that is not loopback, is up, running and multicast-capable,
// has a wired name and holds an IPv4 address, with that first IPv4 address.
// With a name, the interface of that name, whatever its kind, on the same terms.
WiredChoice findWiredInterface(const QList<IfaceDescription> &ifaces, const QString &name = QString());

// Position of the interface that a socket bound to localAddress uses, -1 when
// none matches. A socket bound to Any or AnyIPv4 uses the first up, running,
// multicast-capable interface with an IPv4 address. A socket bound to a group
// address uses the interface it joined on (joinedIfaceIndex). Otherwise the
// interface that holds localAddress.
int findActiveInterface(const QList<IfaceDescription> &ifaces, const QHostAddress &localAddress,
                        int joinedIfaceIndex = 0);

// Where a socket goes after the wired search.
Placement choosePlacement(bool wiredFound, bool osSelectAllowed);

IfaceDescription describeInterface(const QNetworkInterface &iface);
QList<IfaceDescription> describeInterfaces(const QList<QNetworkInterface> &ifaces);

// The rules above applied to this machine's interfaces, for the receiver and the
// sender alike.
struct WiredInterface
{
    QNetworkInterface iface; // invalid when none qualifies
    QHostAddress address;
};
WiredInterface lookupWiredInterface(const QString &name = QString());
QNetworkInterface lookupActiveInterface(const QHostAddress &localAddress, int joinedIfaceIndex = 0);

} // namespace IfaceSelect

Q_DECLARE_METATYPE(IfaceSelect::IfaceDescription)
