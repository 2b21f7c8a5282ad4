#include "viewutil.h"

#include <QDebug>

Viewutil::Viewutil(QObject *parent)
    : QObject(parent)
{
    qInfo() << "Viewutil initialized";

    m_msHeadingNmeaSentence = QStringLiteral("$HEHDT,90.0,T*16");
    m_msPositionZdaNmeaSentence = QStringLiteral("$GPZDA,173616.97,01,11,2025,0,0*68");
    m_msPositionRmcNmeaSentence = QStringLiteral("$GPRMC,173749.53,A,0002.12132,N,00002.12132,E,0000.0,000.0,011125,0.0,W,A,S*67");
    m_msSpeedNmeaSentence = QStringLiteral("$VDVBW,15.0,00.0,A,11.0,00.0,A,00.0,A,00.0,A*55");
    m_msDepthNmeaSentence = QStringLiteral("$SDDPT,20.0,0.0,50.0*52");
    m_msWindNmeaSentence = QStringLiteral("$WIMWV,045.0,T,012.0,N,A*27");

    connect(this, &Viewutil::sendMrClearData, this, [this] {
        m_mrFeed.clear();
        m_mrStats.reset();
    });
}

QString Viewutil::mrGrpIpAddress() const
{
    return m_mrGrpIpAddress;
}

QString Viewutil::mrGrpPortNumber() const
{
    return m_mrGrpPortNumber;
}

bool Viewutil::mrSocketStatus() const
{
    return m_mrSocketStatus;
}

QString Viewutil::mrSocketStatusMessage() const
{
    return m_mrSocketStatusMessage;
}

QString Viewutil::mrConnectionToggle() const
{
    return m_mrConnectionToggle;
}

QString Viewutil::mrConnectionStatus() const
{
    return m_mrConnectionStatus;
}

QString Viewutil::mrNmeaSentence() const
{
    return m_mrNmeaSentence;
}

QString Viewutil::mrInfoSrcIpAddress() const
{
    return m_mrInfoSrcIpAddress;
}

bool Viewutil::mrSaveNmeaToFileToggle() const
{
    return m_mrSaveNmeaToFileToggle;
}

int Viewutil::mrRxTimeout() const
{
    return m_mrRxTimeout;
}

QString Viewutil::mrErrorMessage() const
{
    return m_mrErrorMessage;
}

QString Viewutil::mrInfoMessage() const
{
    return m_mrInfoMessage;
}

QString Viewutil::msGrpIpAddress() const
{
    return m_msGrpIpAddress;
}

QString Viewutil::msGrpPortNumber() const
{
    return m_msGrpPortNumber;
}

QString Viewutil::msSrcIpAddress() const
{
    return m_msSrcIpAddress;
}

bool Viewutil::msSocketStatus() const
{
    return m_msSocketStatus;
}

QString Viewutil::msSocketStatusMessage() const
{
    return m_msSocketStatusMessage;
}

QString Viewutil::msConnectionToggle() const
{
    return m_msConnectionToggle;
}

QString Viewutil::msConnectionStatus() const
{
    return m_msConnectionStatus;
}

QStringList Viewutil::msNmeaSentencesList() const
{
    return m_msNmeaSentencesList;
}

double Viewutil::msTxInterval() const
{
    return m_msTxInterval;
}

QString Viewutil::msNmeaSentence() const
{
    return m_msNmeaSentence;
}

QString Viewutil::msTotalSentencesSent() const
{
    return m_msTotalSentencesSent;
}

QString Viewutil::msTotalBytesSent() const
{
    return m_msTotalBytesSent;
}

QString Viewutil::msErrorMessage() const
{
    return m_msErrorMessage;
}

QString Viewutil::msInfoMessage() const
{
    return m_msInfoMessage;
}

QString Viewutil::msHeadingNmeaSentence() const
{
    return m_msHeadingNmeaSentence;
}

QString Viewutil::msPositionZdaNmeaSentence() const
{
    return m_msPositionZdaNmeaSentence;
}

QString Viewutil::msPositionRmcNmeaSentence() const
{
    return m_msPositionRmcNmeaSentence;
}

QString Viewutil::msSpeedNmeaSentence() const
{
    return m_msSpeedNmeaSentence;
}

QString Viewutil::msDepthNmeaSentence() const
{
    return m_msDepthNmeaSentence;
}

QString Viewutil::msWindNmeaSentence() const
{
    return m_msWindNmeaSentence;
}

QString Viewutil::msCustomNmeaSentence() const
{
    return m_msCustomNmeaSentence;
}

bool Viewutil::msCustomNmeaSentenceStatus() const
{
    return m_msCustomNmeaSentenceStatus;
}

QString Viewutil::msCustomNmeaSentenceValidateMessage() const
{
    return m_msCustomNmeaSentenceValidateMessage;
}

QString Viewutil::mrDefaultGrpIpAddress() const
{
    return m_mrDefaultGrpIpAddress;
}

QString Viewutil::mrDefaultGrpPortNumber() const
{
    return m_mrDefaultGrpPortNumber;
}

bool Viewutil::mrSaveGrpIpAddStatus() const
{
    return m_mrSaveGrpIpAddStatus;
}

bool Viewutil::mrSaveGrpPortNumStatus() const
{
    return m_mrSaveGrpPortNumStatus;
}

bool Viewutil::mrSaveNmeaToFileStatus() const
{
    return m_mrSaveNmeaToFileStatus;
}

bool Viewutil::mrIncludeDateTimeInNmeaFileStatus() const
{
    return m_mrIncludeDateTimeInNmeaFileStatus;
}

bool Viewutil::mrShowWiredIfaceErrorStatus() const
{
    return m_mrShowWiredIfaceErrorStatus;
}

bool Viewutil::mrAllowOsChooseIfaceStatus() const
{
    return m_mrAllowOsChooseIfaceStatus;
}

int Viewutil::mrDefaultRxTimeout() const
{
    return m_mrDefaultRxTimeout;
}

QString Viewutil::msDefaultGrpIpAddress() const
{
    return m_msDefaultGrpIpAddress;
}

QString Viewutil::msDefaultGrpPortNumber() const
{
    return m_msDefaultGrpPortNumber;
}

QString Viewutil::msDefaultCustomNmeaSentence() const
{
    return m_msDefaultCustomNmeaSentence;
}

bool Viewutil::msSaveGrpIpAddStatus() const
{
    return m_msSaveGrpIpAddStatus;
}

bool Viewutil::msSaveGrpPortNumStatus() const
{
    return m_msSaveGrpPortNumStatus;
}

bool Viewutil::msSaveCustomNmeaStatus() const
{
    return m_msSaveCustomNmeaStatus;
}

bool Viewutil::msShowWiredIfaceErrorStatus() const
{
    return m_msShowWiredIfaceErrorStatus;
}

bool Viewutil::msAllowOsChooseIfaceStatus() const
{
    return m_msAllowOsChooseIfaceStatus;
}

double Viewutil::msDefaultTxInterval() const
{
    return m_msDefaultTxInterval;
}

void Viewutil::setMrGrpIpAddress(const QString &mrGrpIpAddress)
{
    m_mrGrpIpAddress = mrGrpIpAddress;
    emit sendMrGrpIpAddressChanged();
}

void Viewutil::setMrGrpPortNumber(const QString &mrGrpPortNumber)
{
    m_mrGrpPortNumber = mrGrpPortNumber;
    emit sendMrGrpPortNumberChanged();
}

void Viewutil::setMrSocketStatus(bool mrSocketStatus)
{
    m_mrSocketStatus = mrSocketStatus;
    emit sendMrSocketStatusChanged();
}

void Viewutil::setMrSocketStatusMessage(const QString &mrSocketStatusMessage)
{
    m_mrSocketStatusMessage = mrSocketStatusMessage;
    emit sendMrSocketStatusMessageChanged();
}

void Viewutil::setMrConnectionToggle(const QString &mrConnectionToggle)
{
    m_mrConnectionToggle = mrConnectionToggle;
    emit sendMrConnectionToggleChanged();
}

void Viewutil::setMrConnectionStatus(const QString &mrConnectionStatus)
{
    m_mrConnectionStatus = mrConnectionStatus;
    emit sendMrConnectionStatusChanged();
    if (m_mrShownConnectionStatus != mrConnectionStatus) {
        m_mrShownConnectionStatus = mrConnectionStatus;
        emit sendMrShownConnectionStatusChanged();
    }
}

void Viewutil::setMrNmeaSentence(const QString &mrNmeaSentence)
{
    m_mrNmeaSentence = mrNmeaSentence;
    emit sendMrNmeaSentenceChanged();
}

void Viewutil::setMrInfoSrcIpAddress(const QString &mrInfoSrcIpAddress)
{
    m_mrInfoSrcIpAddress = mrInfoSrcIpAddress;
    emit sendMrInfoSrcIpAddressChanged();
    if (m_mrShownSrcIpAddress != mrInfoSrcIpAddress) {
        m_mrShownSrcIpAddress = mrInfoSrcIpAddress;
        emit sendMrShownSrcIpAddressChanged();
    }
}

void Viewutil::setMrSaveNmeaToFileToggle(bool mrSaveNmeaToFileToggle)
{
    m_mrSaveNmeaToFileToggle = mrSaveNmeaToFileToggle;
    emit sendMrSaveNmeaToFileToggleChanged();
}

void Viewutil::setMrRxTimeout(int mrRxTimeout)
{
    m_mrRxTimeout = mrRxTimeout;
    emit sendMrRxTimeoutChanged();
}

void Viewutil::setMrErrorMessage(const QString &mrErrorMessage)
{
    m_mrErrorMessage = mrErrorMessage;
    emit sendMrErrorMessageChanged();
}

void Viewutil::setMrInfoMessage(const QString &mrInfoMessage)
{
    m_mrInfoMessage = mrInfoMessage;
    emit sendMrInfoMessageChanged();
}

void Viewutil::setMsGrpIpAddress(const QString &msGrpIpAddress)
{
    m_msGrpIpAddress = msGrpIpAddress;
    emit sendMsGrpIpAddressChanged();
}

void Viewutil::setMsGrpPortNumber(const QString &msGrpPortNumber)
{
    m_msGrpPortNumber = msGrpPortNumber;
    emit sendMsGrpPortNumberChanged();
}

void Viewutil::setMsSrcIpAddress(const QString &msSrcIpAddress)
{
    m_msSrcIpAddress = msSrcIpAddress;
    emit sendMsSrcIpAddressChanged();
}

void Viewutil::setMsSocketStatus(bool msSocketStatus)
{
    m_msSocketStatus = msSocketStatus;
    emit sendMsSocketStatusChanged();
}

void Viewutil::setMsSocketStatusMessage(const QString &msSocketStatusMessage)
{
    m_msSocketStatusMessage = msSocketStatusMessage;
    emit sendMsSocketStatusMessageChanged();
}

void Viewutil::setMsConnectionToggle(const QString &msConnectionToggle)
{
    m_msConnectionToggle = msConnectionToggle;
    emit sendMsConnectionToggleChanged();
}

void Viewutil::setMsConnectionStatus(const QString &msConnectionStatus)
{
    m_msConnectionStatus = msConnectionStatus;
    emit sendMsConnectionStatusChanged();
}

void Viewutil::setMsNmeaSentencesList(const QStringList &msNmeaSentencesList)
{
    m_msNmeaSentencesList = msNmeaSentencesList;
    emit sendMsNmeaSentencesListChanged();
}

void Viewutil::setMsTxInterval(double msTxInterval)
{
    m_msTxInterval = msTxInterval;
    emit sendMsTxIntervalChanged();
}

void Viewutil::setMsNmeaSentence(const QString &msNmeaSentence)
{
    m_msNmeaSentence = msNmeaSentence;
    emit sendMsNmeaSentenceChanged();
}

void Viewutil::setMsTotalSentencesSent(const QString &msTotalSentencesSent)
{
    m_msTotalSentencesSent = msTotalSentencesSent;
    emit sendMsTotalSentencesSenthanged();
}

void Viewutil::setMsTotalBytesSent(const QString &msTotalBytesSent)
{
    m_msTotalBytesSent = msTotalBytesSent;
    emit sendMsTotalBytesSentChanged();
}

void Viewutil::setMsErrorMessage(const QString &msErrorMessage)
{
    m_msErrorMessage = msErrorMessage;
    emit sendMsErrorMessageChanged();
}

void Viewutil::setMsInfoMessage(const QString &msInfoMessage)
{
    m_msInfoMessage = msInfoMessage;
    emit sendMsInfoMessageChanged();
}

void Viewutil::setMsHeadingNmeaSentence(const QString &msHeadingNmeaSentence)
{
    m_msHeadingNmeaSentence = msHeadingNmeaSentence;
    emit sendMsHeadingNmeaSentenceChanged();
}

void Viewutil::setMsPositionZdaNmeaSentence(const QString &msPositionZdaNmeaSentence)
{
    m_msPositionZdaNmeaSentence = msPositionZdaNmeaSentence;
    emit sendMsPositionZdaNmeaSentenceChanged();
}

void Viewutil::setMsPositionRmcNmeaSentence(const QString &msPositionRmcNmeaSentence)
{
    m_msPositionRmcNmeaSentence = msPositionRmcNmeaSentence;
    emit sendMsPositionRmcNmeaSentenceChanged();
}

void Viewutil::setMsSpeedNmeaSentence(const QString &msSpeedNmeaSentence)
{
    m_msSpeedNmeaSentence = msSpeedNmeaSentence;
    emit sendMsSpeedNmeaSentenceChanged();
}

void Viewutil::setMsDepthNmeaSentence(const QString &msDepthNmeaSentence)
{
    m_msDepthNmeaSentence = msDepthNmeaSentence;
    emit sendMsDepthNmeaSentenceChanged();
}

void Viewutil::setMsWindNmeaSentence(const QString &msWindNmeaSentence)
{
    m_msWindNmeaSentence = msWindNmeaSentence;
    emit sendMsWindNmeaSentenceChanged();
}

void Viewutil::setMsCustomNmeaSentence(const QString &msCustomNmeaSentence)
{
    m_msCustomNmeaSentence = msCustomNmeaSentence;
    emit sendMsCustomNmeaSentenceChanged();
}

void Viewutil::setMsCustomNmeaSentenceStatus(bool msCustomNmeaSentenceStatus)
{
    m_msCustomNmeaSentenceStatus = msCustomNmeaSentenceStatus;
    emit sendMsCustomNmeaSentenceStatusChanged();
}

void Viewutil::setMsCustomNmeaSentenceValidateMessage(const QString &msCustomNmeaSentenceValidateMessage)
{
    m_msCustomNmeaSentenceValidateMessage = msCustomNmeaSentenceValidateMessage;
    emit sendMsCustomNmeaSentenceValidateMessageChanged();
}

void Viewutil::setMrDefaultGrpIpAddress(const QString &mrDefaultGrpIpAddress)
{
    m_mrDefaultGrpIpAddress = mrDefaultGrpIpAddress;
    emit sendMrDefaultGrpIpAddressChanged();
}

void Viewutil::setMrDefaultGrpPortNumber(const QString &mrDefaultGrpPortNumber)
{
    m_mrDefaultGrpPortNumber = mrDefaultGrpPortNumber;
    emit sendMrDefaultGrpPortNumberChanged();
}

void Viewutil::setMrSaveGrpIpAddStatus(bool mrSaveGrpIpAddStatus)
{
    m_mrSaveGrpIpAddStatus = mrSaveGrpIpAddStatus;
    emit sendMrSaveGrpIpAddStatusChanged();
}

void Viewutil::setMrSaveGrpPortNumStatus(bool mrSaveGrpPortNumStatus)
{
    m_mrSaveGrpPortNumStatus = mrSaveGrpPortNumStatus;
    emit sendMrSaveGrpPortNumStatusChanged();
}

void Viewutil::setMrSaveNmeaToFileStatus(bool mrSaveNmeaToFileStatus)
{
    m_mrSaveNmeaToFileStatus = mrSaveNmeaToFileStatus;
    emit sendMrSaveNmeaToFileStatusChanged();
}

void Viewutil::setMrIncludeDateTimeInNmeaFileStatus(bool mrIncludeDateTimeInNmeaFileStatus)
{
    m_mrIncludeDateTimeInNmeaFileStatus = mrIncludeDateTimeInNmeaFileStatus;
    emit sendMrIncludeDateTimeInNmeaFileStatusChanged();
}

void Viewutil::setMrShowWiredIfaceErrorStatus(bool mrShowWiredIfaceErrorStatus)
{
    m_mrShowWiredIfaceErrorStatus = mrShowWiredIfaceErrorStatus;
    emit sendMrShowWiredIfaceErrorStatusChanged();
}

void Viewutil::setMrAllowOsChooseIfaceStatus(bool mrAllowOsChooseIfaceStatus)
{
    m_mrAllowOsChooseIfaceStatus = mrAllowOsChooseIfaceStatus;
    emit sendMrAllowOsChooseIfaceStatusChanged();
}

void Viewutil::setMrDefaultRxTimeout(int mrDefaultRxTimeout)
{
    m_mrDefaultRxTimeout = mrDefaultRxTimeout;
    emit sendMrDefaultRxTimeoutChanged();
}

void Viewutil::setMsDefaultGrpIpAddress(const QString &msDefaultGrpIpAddress)
{
    m_msDefaultGrpIpAddress = msDefaultGrpIpAddress;
    emit sendMsDefaultGrpIpAddressChanged();
}

void Viewutil::setMsDefaultGrpPortNumber(const QString &msDefaultGrpPortNumber)
{
    m_msDefaultGrpPortNumber = msDefaultGrpPortNumber;
    emit sendMsDefaultGrpPortNumberChanged();
}

void Viewutil::setMsDefaultCustomNmeaSentence(const QString &msDefaultCustomNmeaSentence)
{
    m_msDefaultCustomNmeaSentence = msDefaultCustomNmeaSentence;
    emit sendMsDefaultCustomNmeaSentenceChanged();
}

void Viewutil::setMsSaveGrpIpAddStatus(bool msSaveGrpIpAddStatus)
{
    m_msSaveGrpIpAddStatus = msSaveGrpIpAddStatus;
    emit sendMsSaveGrpIpAddStatusChanged();
}

void Viewutil::setMsSaveGrpPortNumStatus(bool msSaveGrpPortNumStatus)
{
    m_msSaveGrpPortNumStatus = msSaveGrpPortNumStatus;
    emit sendMsSaveGrpPortNumStatusChanged();
}

void Viewutil::setMsSaveCustomNmeaStatus(bool msSaveCustomNmeaStatus)
{
    m_msSaveCustomNmeaStatus = msSaveCustomNmeaStatus;
    emit sendMsSaveCustomNmeaStatusChanged();
}

void Viewutil::setMsShowWiredIfaceErrorStatus(bool msShowWiredIfaceErrorStatus)
{
    m_msShowWiredIfaceErrorStatus = msShowWiredIfaceErrorStatus;
    emit sendMsShowWiredIfaceErrorStatusChanged();
}

void Viewutil::setMsAllowOsChooseIfaceStatus(bool msAllowOsChooseIfaceStatus)
{
    m_msAllowOsChooseIfaceStatus = msAllowOsChooseIfaceStatus;
    emit sendMsAllowOsChooseIfaceStatusChanged();
}

void Viewutil::setMsDefaultTxInterval(double msDefaultTxInterval)
{
    m_msDefaultTxInterval = msDefaultTxInterval;
    emit sendMsDefaultTxIntervalChanged();
}

bool Viewutil::msIec450Enabled() const
{
    return m_msIec450Enabled;
}

QString Viewutil::msIec450Identity() const
{
    return m_msIec450Identity;
}

void Viewutil::setMsIec450Enabled(bool msIec450Enabled)
{
    m_msIec450Enabled = msIec450Enabled;
    emit sendMsIec450EnabledChanged();
}

void Viewutil::setMsIec450Identity(const QString &msIec450Identity)
{
    m_msIec450Identity = msIec450Identity;
    emit sendMsIec450IdentityChanged();
}

bool Viewutil::msLiveTime() const
{
    return m_msLiveTime;
}

QString Viewutil::msReplayFilePath() const
{
    return m_msReplayFilePath;
}

bool Viewutil::msReplayActive() const
{
    return m_msReplayActive;
}

int Viewutil::msReplaySpeed() const
{
    return m_msReplaySpeed;
}

bool Viewutil::msReplayLoop() const
{
    return m_msReplayLoop;
}

double Viewutil::msReplayProgress() const
{
    return m_msReplayProgress;
}

QString Viewutil::msReplayPosition() const
{
    return m_msReplayPosition;
}

void Viewutil::setMsLiveTime(bool msLiveTime)
{
    m_msLiveTime = msLiveTime;
    emit sendMsLiveTimeChanged();
}

void Viewutil::setMsReplayFilePath(const QString &msReplayFilePath)
{
    m_msReplayFilePath = msReplayFilePath;
    emit sendMsReplayFilePathChanged();
}

void Viewutil::setMsReplayActive(bool msReplayActive)
{
    m_msReplayActive = msReplayActive;
    emit sendMsReplayActiveChanged();
}

void Viewutil::setMsReplaySpeed(int msReplaySpeed)
{
    m_msReplaySpeed = msReplaySpeed;
    emit sendMsReplaySpeedChanged();
}

void Viewutil::setMsReplayLoop(bool msReplayLoop)
{
    m_msReplayLoop = msReplayLoop;
    emit sendMsReplayLoopChanged();
}

void Viewutil::setMsReplayProgress(double msReplayProgress)
{
    m_msReplayProgress = msReplayProgress;
    emit sendMsReplayProgressChanged();
}

void Viewutil::setMsReplayPosition(const QString &msReplayPosition)
{
    m_msReplayPosition = msReplayPosition;
    emit sendMsReplayPositionChanged();
}

QString Viewutil::mrRecordingProblem() const
{
    return m_mrRecordingProblem;
}

void Viewutil::setMrRecordingProblem(const QString &mrRecordingProblem)
{
    m_mrRecordingProblem = mrRecordingProblem;
    emit sendMrRecordingProblemChanged();
}
