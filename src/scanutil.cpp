#include "scanutil.h"

#include "recvutil.h"

#include <QDebug>

Scanutil::Scanutil(QObject *parent)
    : Scanutil({}, {}, parent)
{
}

Scanutil::Scanutil(Scancounts::Clock clock, Scancounts::Clock wallClock, QObject *parent)
    : QObject(parent)
    , m_counts(std::move(clock), std::move(wallClock))
{
}

Scanutil::~Scanutil()
{
    stop();
}

bool Scanutil::start(const QVector<ScanTarget> &targets, bool osSelectAllowed, const QString &interfaceName)
{
    stop();
    m_counts.reset(targets);
    m_interfaceMessage.clear();
    for (int i = 0; i < targets.size(); ++i) {
        const ScanTarget &target = targets.at(i);
        auto receiver = std::make_unique<Recvutil>();
        QString status;
        QString error;
        QString info;
        const auto statusWatch = connect(receiver.get(), &Recvutil::sendMrNmeaData, this,
                                         [&status](const QString &connectionStatus) { status = connectionStatus; });
        const auto errorWatch = connect(receiver.get(), &Recvutil::sendMrErrorMessage, this,
                                        [&error](const QString &message) {
                                            if (error.isEmpty())
                                                error = message;
                                        });
        const auto infoWatch = connect(receiver.get(), &Recvutil::sendMrInfoMessage, this,
                                       [&info](const QString &message) { info = message; });
        receiver->recvMrOsSelectInterfaceStatus(osSelectAllowed);
        receiver->recvMrInterfaceName(interfaceName);
        // The receiver tab's time-out is its own; the scan tells silence by the stale rule.
        receiver->recvMrRxTimeoutInterval(0);
        receiver->recvSocketDetailsConnect(target.group, QString::number(target.port));
        disconnect(statusWatch);
        disconnect(errorWatch);
        disconnect(infoWatch);
        if (status != QLatin1String("Connected")) {
            qWarning() << "Scan stopped: cannot join" << target.address() << error;
            stop();
            emit sendScanErrorMessage(error.isEmpty() ? QStringLiteral("Failed To Join Multicast Group") : error);
            return false;
        }
        if (m_interfaceMessage.isEmpty())
            m_interfaceMessage = info;
        connect(receiver.get(), &Recvutil::sendMrDatagram, this,
                [this, i](const DatagramRecord &datagram) { m_counts.add(i, datagram); });
        m_receivers.push_back(std::move(receiver));
    }
    qInfo() << "Scan started on" << targets.size() << "groups";
    emit sendScanRunning(true);
    return true;
}

void Scanutil::stop()
{
    if (m_receivers.empty())
        return;
    // Each receiver leaves its group and closes its socket as it goes.
    m_receivers.clear();
    qInfo() << "Scan stopped";
    emit sendScanRunning(false);
}
