#include "controlutil.h"

#include <QDebug>

#include "iec450.h"
#include "settingskeys.h"
#include "viewutil.h"

namespace {
const QString iec450EnabledKey = QStringLiteral("sender/iec450");
const QString iec450IdentityKey = QStringLiteral("sender/sourceIdentity");
const QString kLiveTimeKey = QStringLiteral("sender/liveTime");
const QString kSkipSilencesKey = QStringLiteral("replay/skipSilences");
const QString kSilenceSecondsKey = QStringLiteral("replay/silenceSeconds");
}

ControlutilPaths ControlutilPaths::platformDefaults()
{
    return {defaultAppSettingsDirectory(), defaultCaptureDirectory(), ::fallbackCaptureDirectory()};
}

Controlutil::Controlutil(Viewutil *viewutil, QObject *parent)
    : Controlutil(viewutil, ControlutilPaths::platformDefaults(), parent)
{
}

Controlutil::Controlutil(Viewutil *viewutil, const ControlutilPaths &paths, QObject *parent)
    : QObject(parent)
    , m_viewutil(viewutil)
    , m_jsonutil(paths.settingsDirectory)
    , m_prefsutil(paths.settingsDirectory)
    , m_recvutil(this)
    , m_saveutil(paths.captureDirectory, paths.fallbackCaptureDirectory)
    , m_scanmodel(&m_prefsutil)
{
    qInfo() << "Controlutil initialized";
    // Read before the view is connected: loading them is no change to save.
    m_viewutil->setMsIec450Identity(m_prefsutil.value(iec450IdentityKey).toString());
    m_viewutil->setMsIec450Enabled(m_prefsutil.value(iec450EnabledKey, false).toBool());
    m_viewutil->setMsReplaySkipSilences(m_prefsutil.value(kSkipSilencesKey, false).toBool());
    m_viewutil->setMsReplaySilenceSeconds(
        qBound(1, m_prefsutil.value(kSilenceSecondsKey, m_viewutil->msReplaySilenceSeconds()).toInt(),
               kReplayMaxSilenceSeconds));
    makeConnections();
    recvMsIec450();
    m_viewutil->setMsLiveTime(m_prefsutil.value(kLiveTimeKey, false).toBool());
}

void Controlutil::makeConnections()
{
    Viewutil *view = m_viewutil;

    connect(this, &Controlutil::sendMrValidateConnect, &m_validateutil, &Validateutil::recvMrSocketValidateConnect);
    connect(this, &Controlutil::sendMrDisconnect, &m_recvutil, &Recvutil::recvReceiverDisconnect);
    connect(this, &Controlutil::sendMrStartSaveNmeaToFile, &m_saveutil, &Saveutil::recvStartNmeaSavingToFile);
    connect(this, &Controlutil::sendMrStopSaveNmeaToFile, &m_saveutil, &Saveutil::recvStopNmeaSavingToFile);
    connect(this, &Controlutil::sendMrIncludeDateTimeInNmeaSaveFile, &m_saveutil,
            &Saveutil::recvIncludeDateTimeInNmeaSaveFile);
    connect(this, &Controlutil::sendMrRxTimeout, &m_recvutil, &Recvutil::recvMrRxTimeoutInterval);
    connect(this, &Controlutil::sendMrOsSelectInterfaceStatus, &m_recvutil, &Recvutil::recvMrOsSelectInterfaceStatus);
    connect(this, &Controlutil::sendMsValidateConnect, &m_validateutil, &Validateutil::recvMsSocketValidateConnect);
    connect(this, &Controlutil::sendMsStop, &m_sendutil, &Sendutil::recvStopSender);
    connect(this, &Controlutil::sendMsNmeaSentencesList, &m_sendutil, &Sendutil::recvMsNmeaSentencesList);
    connect(this, &Controlutil::sendMsTxTransmissionInterval, &m_sendutil, &Sendutil::recvMsTxTransmissionInterval);
    connect(this, &Controlutil::sendMsCustomNmeaSentenceValidate, &m_validateutil,
            &Validateutil::recvMsCustomNmeaSentenceValidate);
    connect(this, &Controlutil::sendMsOsSelectInterfaceStatus, &m_sendutil, &Sendutil::recvMsOsSelectInterfaceStatus);
    connect(this, &Controlutil::sendMsIec450, &m_sendutil, &Sendutil::recvMsIec450);
    connect(this, &Controlutil::sendMsLiveTime, &m_sendutil, &Sendutil::recvMsLiveTime);
    connect(this, &Controlutil::sendLoadAppSettings, &m_jsonutil, &Jsonutil::recvLoadAppSettings);
    connect(this, &Controlutil::sendSaveAppSettings, &m_jsonutil, &Jsonutil::recvSaveAppSettings);

    connect(view, &Viewutil::sendMrConnectionToggleChanged, this, &Controlutil::recvMrConnectionToggle);
    connect(view, &Viewutil::sendMrSaveNmeaToFileToggleChanged, this, &Controlutil::recvMrSaveNmeaToFileToggle);
    connect(view, &Viewutil::sendMrIncludeDateTimeInNmeaFileStatusChanged, this,
            &Controlutil::recvIncludeDateTimeInNmeaSaveFile);
    connect(view, &Viewutil::sendMrRxTimeoutChanged, this, &Controlutil::recvMrRxTimeout);
    connect(view, &Viewutil::sendMsConnectionToggleChanged, this, &Controlutil::recvMsConnectionToggle);
    connect(view, &Viewutil::sendMsNmeaSentencesListChanged, this, &Controlutil::recvMsNmeaSentencesList);
    connect(view, &Viewutil::sendMsTxIntervalChanged, this, &Controlutil::recvMsTxInterval);
    connect(view, &Viewutil::sendMsCustomNmeaSentenceChanged, this, &Controlutil::recvMsCustomNmeaSentence);
    connect(view, &Viewutil::sendLoadAppSettings, this, &Controlutil::sendLoadAppSettings);
    connect(view, &Viewutil::sendSaveAppSettings, this, &Controlutil::recvSaveAppSettings);
    connect(view, &Viewutil::sendMrAllowOsChooseIfaceStatusChanged, this, &Controlutil::recvMrOsSelectInterfaceStatus);
    connect(view, &Viewutil::sendMsAllowOsChooseIfaceStatusChanged, this, &Controlutil::recvMsOsSelectInterfaceStatus);
    // The scan places its sockets as the receiver does.
    connect(view, &Viewutil::sendMrAllowOsChooseIfaceStatusChanged, this,
            [this] { m_scanmodel.setOsSelectAllowed(m_viewutil->mrAllowOsChooseIfaceStatus()); });
    connect(view, &Viewutil::sendMsIec450EnabledChanged, this, &Controlutil::recvMsIec450);
    connect(view, &Viewutil::sendMsIec450IdentityChanged, this, &Controlutil::recvMsIec450);
    connect(view, &Viewutil::sendMsLiveTimeChanged, this, &Controlutil::recvMsLiveTime);
    connect(view, &Viewutil::sendMsReplayFilePathChanged, this, &Controlutil::recvMsReplayFilePath);
    connect(view, &Viewutil::sendMsReplayLoopChanged, this, [this] { m_replayutil.setLoop(m_viewutil->msReplayLoop()); });
    connect(view, &Viewutil::sendMsReplaySkipSilencesChanged, this, &Controlutil::recvMsReplaySilences);
    connect(view, &Viewutil::sendMsReplaySilenceSecondsChanged, this, &Controlutil::recvMsReplaySilences);

    connect(&m_jsonutil, &Jsonutil::sendAppSettings, this, &Controlutil::recvAppSettings);
    connect(&m_jsonutil, &Jsonutil::sendJsonErrorMessage, this, &Controlutil::recvJsonErrorMessage);
    connect(&m_jsonutil, &Jsonutil::sendJsonInfoMessage, this, &Controlutil::recvJsonInfoMessage);

    connect(&m_validateutil, &Validateutil::sendMrSocketValidateResult, this, &Controlutil::recvMrSocketValidateResult);
    connect(&m_validateutil, &Validateutil::sendMrSocketDetails, &m_recvutil, &Recvutil::recvSocketDetailsConnect);
    connect(&m_validateutil, &Validateutil::sendMsSocketValidateResult, this, &Controlutil::recvMsSocketValidateResult);
    connect(&m_validateutil, &Validateutil::sendMsSocketDetails, &m_sendutil, &Sendutil::recvMsSocketDetailsConnect);
    connect(&m_validateutil, &Validateutil::sendMsCustomNmeaSentenceValidateReslut, this,
            &Controlutil::recvMsCustomNmeaSentenceValidateReslut);

    connect(&m_saveutil, &Saveutil::sendRecordingFailed, this, &Controlutil::recvMrRecordingFailed);
    connect(&m_saveutil, &Saveutil::sendRecordingProblem, view, &Viewutil::setMrRecordingProblem);

    // The view model must hold a sentence before the capture file sees it.
    connect(&m_recvutil, &Recvutil::sendMrDatagram, this, &Controlutil::recvMrDatagram);
    connect(&m_recvutil, &Recvutil::sendMrNmeaData, this, &Controlutil::recvMrNmeaData);
    connect(&m_recvutil, &Recvutil::sendMrNmeaData, &m_saveutil, &Saveutil::recvNmeaData);
    connect(&m_recvutil, &Recvutil::sendMrReading, &m_saveutil, &Saveutil::recvHoldLines);
    connect(&m_recvutil, &Recvutil::sendMrInfoMessage, this, &Controlutil::recvMrInfoMessage);
    connect(&m_recvutil, &Recvutil::sendMrErrorMessage, this, &Controlutil::recvMrErrorMessage);

    connect(&m_sendutil, &Sendutil::sendMsNmeaData, this, &Controlutil::recvMsNmeaData);
    connect(&m_sendutil, &Sendutil::sendMsTransmissionData, this, &Controlutil::recvMsTransmissionData);
    connect(&m_sendutil, &Sendutil::sendMsConnectionStatus, view, &Viewutil::setMsConnectionStatus);
    connect(&m_sendutil, &Sendutil::sendMsInfoMessage, this, &Controlutil::recvMsInfoMessage);
    connect(&m_sendutil, &Sendutil::sendMsErrorMessage, this, &Controlutil::recvMsErrorMessage);

    connect(&m_replayutil, &Replayutil::sendSentence, &m_sendutil, &Sendutil::recvMsReplaySentence);
    connect(&m_replayutil, &Replayutil::sendActive, &m_sendutil, &Sendutil::recvMsReplayActive);
    connect(&m_replayutil, &Replayutil::sendActive, view, &Viewutil::setMsReplayActive);
    connect(&m_replayutil, &Replayutil::sendProgress, this, &Controlutil::recvMsReplayProgress);
    connect(&m_replayutil, &Replayutil::sendInfoMessage, this, &Controlutil::recvMsInfoMessage);
    connect(&m_replayutil, &Replayutil::sendErrorMessage, this, &Controlutil::recvMsErrorMessage);
}

void Controlutil::recvMrConnectionToggle()
{
    const QString toggle = m_viewutil->mrConnectionToggle();
    if (toggle == QLatin1String("connect")) {
        qInfo() << "Mr connection toggle = connect";
        emit sendMrValidateConnect(m_viewutil->mrGrpIpAddress(), m_viewutil->mrGrpPortNumber());
    } else if (toggle == QLatin1String("disconnect")) {
        qInfo() << "Mr connection toggle = disconnect";
        emit sendMrDisconnect();
    }
}

void Controlutil::recvMsConnectionToggle()
{
    const QString toggle = m_viewutil->msConnectionToggle();
    if (toggle == QLatin1String("start"))
        emit sendMsValidateConnect(m_viewutil->msGrpIpAddress(), m_viewutil->msGrpPortNumber());
    else if (toggle == QLatin1String("stop"))
        emit sendMsStop();
}

void Controlutil::recvMrNmeaData(QString connectionStatus, QString nmeaSentence, QString sourceIp,
                                 QString sourcePort)
{
    if (connectionStatus != m_lastMrConnectionStatus) {
        qInfo() << "Mr connection Status = " << connectionStatus;
        qInfo() << "Mr source IP address = " << sourceIp;
        qInfo() << "Mr source port number = " << sourcePort;
        // A new connection starts the statistics anew.
        if (connectionStatus == QLatin1String("Connected"))
            m_viewutil->mrStats()->reset();
        m_lastMrConnectionStatus = connectionStatus;
    }
    m_viewutil->setMrConnectionStatus(connectionStatus);
    m_viewutil->setMrNmeaSentence(nmeaSentence);
    m_viewutil->setMrInfoSrcIpAddress(sourceIp);
    // Received rows came with their datagram's record.
    if (sourceIp.isEmpty())
        m_viewutil->mrFeed()->addNotice(nmeaSentence);
}

void Controlutil::recvMrDatagram(const DatagramRecord &datagram)
{
    for (const RowRecord &row : datagram.rows)
        m_viewutil->mrFeed()->add(row);
    m_viewutil->mrStats()->add(datagram);
}

void Controlutil::recvMsNmeaData(QString connectionStatus, QString nmeaSentence, QString sourceIp,
                                 QString sourcePort)
{
    if (connectionStatus != m_lastMsConnectionStatus) {
        qInfo() << "Ms connection Status = " << connectionStatus;
        qInfo() << "Ms source IP address = " << sourceIp;
        qInfo() << "Ms source port number = " << sourcePort;
        m_lastMsConnectionStatus = connectionStatus;
    }
    m_viewutil->setMsConnectionStatus(connectionStatus);
    m_viewutil->setMsNmeaSentence(nmeaSentence);
    m_viewutil->setMsSrcIpAddress(sourceIp);
    // A replay goes through the sender's socket and ends with it.
    if (connectionStatus == QLatin1String("Stopped") || connectionStatus == QLatin1String("Error"))
        m_replayutil.stop();
}

void Controlutil::recvMrSocketValidateResult(bool socketStatus, QString socketMessage)
{
    qInfo() << "Mr socket status = " << socketStatus;
    qInfo() << "Mr socket message = " << socketMessage;
    m_viewutil->setMrSocketStatusMessage(socketMessage);
    m_viewutil->setMrSocketStatus(socketStatus);
}

void Controlutil::recvMsSocketValidateResult(bool socketStatus, QString socketMessage)
{
    qInfo() << "Ms socket status = " << socketStatus;
    qInfo() << "Ms socket message = " << socketMessage;
    m_viewutil->setMsSocketStatusMessage(socketMessage);
    m_viewutil->setMsSocketStatus(socketStatus);
}

void Controlutil::recvMsCustomNmeaSentence()
{
    qInfo() << "Ms custom NMEA sent for validation";
    emit sendMsCustomNmeaSentenceValidate(m_viewutil->msCustomNmeaSentence());
}

void Controlutil::recvMsCustomNmeaSentenceValidateReslut(bool customNmeaStatus, QString validateMessage)
{
    qInfo() << "Ms custom NMEA validation status = " << customNmeaStatus;
    qInfo() << "Ms custom NMEA validation message = " << validateMessage;
    m_viewutil->setMsCustomNmeaSentenceValidateMessage(validateMessage);
    m_viewutil->setMsCustomNmeaSentenceStatus(customNmeaStatus);
}

void Controlutil::recvMrSaveNmeaToFileToggle()
{
    if (m_viewutil->mrSaveNmeaToFileToggle()) {
        qInfo() << "Mr save NMEA to file activated";
        emit sendMrStartSaveNmeaToFile();
    } else {
        qInfo() << "Mr save NMEA to file deactivated";
        emit sendMrStopSaveNmeaToFile();
    }
}

void Controlutil::recvMrRecordingFailed(QString reason)
{
    // Said at once in the info strip, and the box does not stay ticked.
    const QString message = QStringLiteral("Nothing Is Being Recorded, No NMEA Save File Can Be Opened: ") + reason;
    qWarning() << message;
    m_viewutil->setMrInfoMessage(message);
    m_viewutil->setMrSaveNmeaToFileToggle(false);
}

void Controlutil::recvIncludeDateTimeInNmeaSaveFile()
{
    const bool include = m_viewutil->mrIncludeDateTimeInNmeaFileStatus();
    qInfo() << "Mr include date and time in NMEA save file = " << include;
    emit sendMrIncludeDateTimeInNmeaSaveFile(include);
}

void Controlutil::recvMrRxTimeout()
{
    const int timeout = m_viewutil->mrRxTimeout();
    qInfo() << "Mr receiver timeout = " << timeout;
    emit sendMrRxTimeout(timeout);
}

void Controlutil::recvMsTxInterval()
{
    const double interval = m_viewutil->msTxInterval();
    qInfo() << "Ms transmission interval = " << interval;
    emit sendMsTxTransmissionInterval(interval);
}

void Controlutil::recvMsNmeaSentencesList()
{
    emit sendMsNmeaSentencesList(m_viewutil->msNmeaSentencesList());
}

void Controlutil::recvMrOsSelectInterfaceStatus()
{
    const bool allow = m_viewutil->mrAllowOsChooseIfaceStatus();
    qInfo() << "Mr allow OS to select interface status = " << allow;
    emit sendMrOsSelectInterfaceStatus(allow);
}

void Controlutil::recvMsOsSelectInterfaceStatus()
{
    const bool allow = m_viewutil->msAllowOsChooseIfaceStatus();
    qInfo() << "Ms allow OS to select interface status = " << allow;
    emit sendMsOsSelectInterfaceStatus(allow);
}

void Controlutil::recvMsIec450()
{
    const bool enabled = m_viewutil->msIec450Enabled();
    const QString identity = m_viewutil->msIec450Identity().trimmed().toUpper();
    const QString error = enabled ? Iec450::identityError(identity) : QString();
    if (!error.isEmpty()) {
        // The option cannot stay on without a valid identity; turning it off
        // comes back here and stores that.
        m_viewutil->setMsIec450Enabled(false);
        m_viewutil->setMsErrorMessage(error);
        return;
    }
    if (m_prefsutil.value(iec450EnabledKey, false).toBool() != enabled
        || m_prefsutil.value(iec450IdentityKey).toString() != identity) {
        m_prefsutil.setValue(iec450EnabledKey, enabled);
        m_prefsutil.setValue(iec450IdentityKey, identity);
    }
    emit sendMsIec450(enabled, identity);
}

void Controlutil::recvMrErrorMessage(QString ErrorMsg)
{
    qWarning() << "Mr error message = " << ErrorMsg;
    m_viewutil->setMrErrorMessage(ErrorMsg);
}

void Controlutil::recvMsErrorMessage(QString ErrorMsg)
{
    qWarning() << "Ms error message = " << ErrorMsg;
    m_viewutil->setMsErrorMessage(ErrorMsg);
}

void Controlutil::recvJsonErrorMessage(QString errorMsg)
{
    qWarning() << "Json util error message = " << errorMsg;
}

void Controlutil::recvMrInfoMessage(QString InfoMsg)
{
    if (InfoMsg != m_viewutil->mrInfoMessage())
        m_viewutil->setMrInfoMessage(InfoMsg);
}

void Controlutil::recvMsInfoMessage(QString InfoMsg)
{
    m_viewutil->setMsInfoMessage(InfoMsg);
}

void Controlutil::recvJsonInfoMessage(QString infoMsg)
{
    qInfo() << "Json util info message = " << infoMsg;
    m_viewutil->setMrInfoMessage(infoMsg);
    m_viewutil->setMsInfoMessage(infoMsg);
}

void Controlutil::recvMsTransmissionData(QString sentencesTotalNumber, QString bytesTotalNumber)
{
    m_viewutil->setMsTotalSentencesSent(sentencesTotalNumber);
    m_viewutil->setMsTotalBytesSent(bytesTotalNumber);
}

void Controlutil::recvAppSettings(QVariantMap appSettings)
{
    qInfo() << "App Settings Received Successfully";
    applyAppSettingsToView(appSettings);
}

void Controlutil::recvSaveAppSettings()
{
    qInfo() << "App settings received From UI OK";
    emit sendSaveAppSettings(collectAppSettingsFromView());
}

void Controlutil::applyAppSettingsToView(const QVariantMap &s)
{
    qInfo() << "App settings loaded to UI OK";
    for (const SettingsKey &key : settingsKeys())
        m_viewutil->setProperty(key.name, settingsValue(key, s.value(QLatin1String(key.name))));
}

QVariantMap Controlutil::collectAppSettingsFromView() const
{
    QVariantMap s;
    for (const SettingsKey &key : settingsKeys())
        s.insert(QLatin1String(key.name), settingsValue(key, m_viewutil->property(key.name)));
    return s;
}

void Controlutil::recvMsLiveTime()
{
    const bool liveTime = m_viewutil->msLiveTime();
    qInfo() << "Ms live time = " << liveTime;
    if (m_prefsutil.value(kLiveTimeKey, false).toBool() != liveTime)
        m_prefsutil.setValue(kLiveTimeKey, liveTime);
    emit sendMsLiveTime(liveTime);
}

void Controlutil::recvMsReplayFilePath()
{
    // A file dialog gives a URL, a path typed or pasted may come quoted.
    const QString path = replayFilePath(m_viewutil->msReplayFilePath());
    if (path.isEmpty()) {
        m_replayutil.stop();
        return;
    }
    if (!m_sendutil.isRunning()) {
        const QString text = QStringLiteral("Start The Sender Before Replaying A File");
        m_viewutil->setMsErrorMessage(text);
        m_viewutil->setMsInfoMessage(text);
        return;
    }
    qInfo() << "Ms replay of" << path;
    m_replayutil.start(path, txIntervalMsFromTenths(m_viewutil->msTxInterval()), m_viewutil->msReplaySpeed(),
                       m_viewutil->msReplayLoop(),
                       m_viewutil->msReplaySkipSilences() ? m_viewutil->msReplaySilenceSeconds() : 0);
}

void Controlutil::recvMsReplayProgress(qint64 line, qint64 lines, qint64 skipped, qint64 damagedTags)
{
    m_viewutil->setMsReplayProgress(lines > 0 ? double(line) / double(lines) : 0.0);
    QString text = lines < 0 ? QStringLiteral("Line %1, Counting Lines").arg(line)
                             : QStringLiteral("Line %1 of %2").arg(line).arg(lines);
    if (skipped > 0)
        text += QStringLiteral(", %1 Skipped").arg(skipped);
    if (damagedTags > 0)
        text += QStringLiteral(", %1 With Damaged TAG Block").arg(damagedTags);
    m_viewutil->setMsReplayPosition(text);
}

void Controlutil::recvMsReplaySilences()
{
    const bool skip = m_viewutil->msReplaySkipSilences();
    const int seconds = qBound(1, m_viewutil->msReplaySilenceSeconds(), kReplayMaxSilenceSeconds);
    if (m_prefsutil.value(kSkipSilencesKey, false).toBool() != skip
        || m_prefsutil.value(kSilenceSecondsKey).toInt() != seconds) {
        m_prefsutil.setValue(kSkipSilencesKey, skip);
        m_prefsutil.setValue(kSilenceSecondsKey, seconds);
    }
}
