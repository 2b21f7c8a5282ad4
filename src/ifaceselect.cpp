#include "ifaceselect.h"

#include <QNetworkAddressEntry>

namespace IfaceSelect {

const QStringList &wiredNameKeywords()
{
    static const QStringList keywords{QStringLiteral("ethernet"), QStringLiteral("eth"),
                                      QStringLiteral("enp"), QStringLiteral("en")};
    return keywords;
}

bool hasWiredName(const QString &name)
{
    const QString lowerName = name.toLower();
    for (const QString &keyword : wiredNameKeywords()) {
        if (lowerName.contains(keyword))
            return true;
    }
    return false;
}

QHostAddress firstIPv4Address(const IfaceDescription &iface)
{
    for (const QHostAddress &address : iface.addresses) {
        if (address.protocol() == QAbstractSocket::IPv4Protocol)
            return address;
    }
    return QHostAddress();
}

WiredChoice findWiredInterface(const QList<IfaceDescription> &ifaces, const QString &name)
{
    for (int i = 0; i < ifaces.size(); ++i) {
        const IfaceDescription &iface = ifaces.at(i);
        if ((iface.isLoopBack && name.isEmpty()) || !iface.isUp || !iface.isRunning || !iface.canMulticast)
            continue;
        if (name.isEmpty() ? !hasWiredName(iface.name) : iface.name != name)
            continue;
        const QHostAddress address = firstIPv4Address(iface);
        if (address.isNull())
            continue;
        return WiredChoice{i, address};
    }
    return WiredChoice();
}

int findActiveInterface(const QList<IfaceDescription> &ifaces, const QHostAddress &localAddress,
                        int joinedIfaceIndex)
{
    if (localAddress == QHostAddress::Any || localAddress == QHostAddress::AnyIPv4) {
        for (int i = 0; i < ifaces.size(); ++i) {
            const IfaceDescription &iface = ifaces.at(i);
            if (iface.isUp && iface.isRunning && iface.canMulticast
                && !firstIPv4Address(iface).isNull())
                return i;
        }
        return -1;
    }
    if (localAddress.isMulticast()) {
        if (joinedIfaceIndex <= 0)
            return -1;
        for (int i = 0; i < ifaces.size(); ++i) {
            if (ifaces.at(i).index == joinedIfaceIndex)
                return i;
        }
        return -1;
    }
    for (int i = 0; i < ifaces.size(); ++i) {
        if (ifaces.at(i).addresses.contains(localAddress))
            return i;
    }
    return -1;
}

Placement choosePlacement(bool wiredFound, bool osSelectAllowed)
{
    if (wiredFound)
        return Placement::WiredInterface;
    return osSelectAllowed ? Placement::OsSelected : Placement::NotPlaced;
}

IfaceDescription describeInterface(const QNetworkInterface &iface)
{
    IfaceDescription description;
    if (!iface.isValid())
        return description;
    const QNetworkInterface::InterfaceFlags flags = iface.flags();
    description.index = iface.index();
    description.name = iface.humanReadableName();
    description.isUp = flags.testFlag(QNetworkInterface::IsUp);
    description.isRunning = flags.testFlag(QNetworkInterface::IsRunning);
    description.canMulticast = flags.testFlag(QNetworkInterface::CanMulticast);
    description.isLoopBack = flags.testFlag(QNetworkInterface::IsLoopBack);
    const QList<QNetworkAddressEntry> entries = iface.addressEntries();
    for (const QNetworkAddressEntry &entry : entries)
        description.addresses.append(entry.ip());
    return description;
}

QList<IfaceDescription> describeInterfaces(const QList<QNetworkInterface> &ifaces)
{
    QList<IfaceDescription> descriptions;
    descriptions.reserve(ifaces.size());
    for (const QNetworkInterface &iface : ifaces)
        descriptions.append(describeInterface(iface));
    return descriptions;
}

WiredInterface lookupWiredInterface(const QString &name)
{
    const QList<QNetworkInterface> ifaces = QNetworkInterface::allInterfaces();
    const WiredChoice choice = findWiredInterface(describeInterfaces(ifaces), name);
    if (!choice.found())
        return {};
    return {ifaces.at(choice.position), choice.address};
}

QNetworkInterface lookupActiveInterface(const QHostAddress &localAddress, int joinedIfaceIndex)
{
    const QList<QNetworkInterface> ifaces = QNetworkInterface::allInterfaces();
    const int position = findActiveInterface(describeInterfaces(ifaces), localAddress, joinedIfaceIndex);
    return position >= 0 ? ifaces.at(position) : QNetworkInterface();
}

} // namespace IfaceSelect
