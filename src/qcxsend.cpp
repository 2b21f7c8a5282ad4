#include "qcxsend.h"

#include "linewriter.h"

Qcxsend::Qcxsend(const SenderOptions &sender, const QStringList &sentences, double intervalTenths, qint64 rounds,
                 QObject *parent)
    : QObject(parent)
    , m_options(sender)
    , m_sentences(sentences)
    , m_intervalTenths(intervalTenths)
    , m_rounds(rounds)
{
    connect(&m_sendutil, &Sendutil::sendMsTransmissionData, this,
            [this](const QString &sentences, const QString &) { transmitted(sentences); });
}

bool Qcxsend::startSender(Sendutil &sendutil, const SenderOptions &options)
{
    bool failed = false;
    const auto failure = connect(&sendutil, &Sendutil::sendMsNmeaData, &sendutil,
                                 [&failed](const QString &status) { failed = failed || status == QLatin1String("Error"); });
    const auto errors = connect(&sendutil, &Sendutil::sendMsErrorMessage, &sendutil, &Linewriter::printError);
    // Without a wired interface the system chooses, as the window does when allowed to.
    sendutil.recvMsOsSelectInterfaceStatus(options.interfaceName.isEmpty());
    sendutil.recvMsInterfaceName(options.interfaceName);
    sendutil.recvMsIec450(!options.identity.isEmpty(), options.identity);
    sendutil.recvMsLiveTime(options.liveTime);
    sendutil.recvMsSocketDetailsConnect(options.target.group, QString::number(options.target.port));
    disconnect(failure);
    if (failed || !sendutil.isRunning()) {
        sendutil.recvStopSender();
        return false;
    }
    // Past the start only errors that end the run are said: the interface
    // messages were said once.
    disconnect(errors);
    return true;
}

bool Qcxsend::start()
{
    m_sendutil.recvMsNmeaSentencesList(m_sentences);
    m_sendutil.recvMsTxTransmissionInterval(m_intervalTenths);
    return startSender(m_sendutil, m_options);
}

void Qcxsend::stop()
{
    if (m_finished)
        return;
    m_finished = true;
    m_sendutil.recvStopSender();
    if (m_lost)
        Linewriter::printError(QStringLiteral("Not Every Sentence Could Be Sent"));
    emit finished(m_lost ? 1 : 0);
}

void Qcxsend::transmitted(const QString &sentencesTotal)
{
    ++m_transmissions;
    // The sender counts only what the socket took.
    m_lost = m_lost || sentencesTotal.toLongLong() < m_transmissions;
    if (m_rounds > 0 && m_transmissions >= m_rounds * m_sentences.size())
        stop();
}
