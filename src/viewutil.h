#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include "rowfeed.h"
#include "statsmodel.h"

// The state the user interface binds to. Setters never compare: every write
// emits the change signal, because a repeated toggle word starts a new attempt
// and two equal sentences in a row must each reach the lists.
class Viewutil : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString mrGrpIpAddress READ mrGrpIpAddress WRITE setMrGrpIpAddress NOTIFY sendMrGrpIpAddressChanged)
    Q_PROPERTY(QString mrGrpPortNumber READ mrGrpPortNumber WRITE setMrGrpPortNumber NOTIFY sendMrGrpPortNumberChanged)
    Q_PROPERTY(bool mrSocketStatus READ mrSocketStatus WRITE setMrSocketStatus NOTIFY sendMrSocketStatusChanged)
    Q_PROPERTY(QString mrSocketStatusMessage READ mrSocketStatusMessage WRITE setMrSocketStatusMessage NOTIFY sendMrSocketStatusMessageChanged)
    Q_PROPERTY(QString mrConnectionToggle READ mrConnectionToggle WRITE setMrConnectionToggle NOTIFY sendMrConnectionToggleChanged)
    Q_PROPERTY(QString mrConnectionStatus READ mrConnectionStatus WRITE setMrConnectionStatus NOTIFY sendMrConnectionStatusChanged)
    Q_PROPERTY(QString mrNmeaSentence READ mrNmeaSentence WRITE setMrNmeaSentence NOTIFY sendMrNmeaSentenceChanged)
    Q_PROPERTY(QString mrInfoSrcIpAddress READ mrInfoSrcIpAddress WRITE setMrInfoSrcIpAddress NOTIFY sendMrInfoSrcIpAddressChanged)
    Q_PROPERTY(bool mrSaveNmeaToFileToggle READ mrSaveNmeaToFileToggle WRITE setMrSaveNmeaToFileToggle NOTIFY sendMrSaveNmeaToFileToggleChanged)
    Q_PROPERTY(int mrRxTimeout READ mrRxTimeout WRITE setMrRxTimeout NOTIFY sendMrRxTimeoutChanged)
    Q_PROPERTY(QString mrErrorMessage READ mrErrorMessage WRITE setMrErrorMessage NOTIFY sendMrErrorMessageChanged)
    Q_PROPERTY(QString mrInfoMessage READ mrInfoMessage WRITE setMrInfoMessage NOTIFY sendMrInfoMessageChanged)
    Q_PROPERTY(QString msGrpIpAddress READ msGrpIpAddress WRITE setMsGrpIpAddress NOTIFY sendMsGrpIpAddressChanged)
    Q_PROPERTY(QString msGrpPortNumber READ msGrpPortNumber WRITE setMsGrpPortNumber NOTIFY sendMsGrpPortNumberChanged)
    Q_PROPERTY(QString msSrcIpAddress READ msSrcIpAddress WRITE setMsSrcIpAddress NOTIFY sendMsSrcIpAddressChanged)
    Q_PROPERTY(bool msSocketStatus READ msSocketStatus WRITE setMsSocketStatus NOTIFY sendMsSocketStatusChanged)
    Q_PROPERTY(QString msSocketStatusMessage READ msSocketStatusMessage WRITE setMsSocketStatusMessage NOTIFY sendMsSocketStatusMessageChanged)
    Q_PROPERTY(QString msConnectionToggle READ msConnectionToggle WRITE setMsConnectionToggle NOTIFY sendMsConnectionToggleChanged)
    Q_PROPERTY(QString msConnectionStatus READ msConnectionStatus WRITE setMsConnectionStatus NOTIFY sendMsConnectionStatusChanged)
    Q_PROPERTY(QStringList msNmeaSentencesList READ msNmeaSentencesList WRITE setMsNmeaSentencesList NOTIFY sendMsNmeaSentencesListChanged)
    Q_PROPERTY(double msTxInterval READ msTxInterval WRITE setMsTxInterval NOTIFY sendMsTxIntervalChanged)
    Q_PROPERTY(QString msNmeaSentence READ msNmeaSentence WRITE setMsNmeaSentence NOTIFY sendMsNmeaSentenceChanged)
    Q_PROPERTY(QString msTotalSentencesSent READ msTotalSentencesSent WRITE setMsTotalSentencesSent NOTIFY sendMsTotalSentencesSenthanged)
    Q_PROPERTY(QString msTotalBytesSent READ msTotalBytesSent WRITE setMsTotalBytesSent NOTIFY sendMsTotalBytesSentChanged)
    Q_PROPERTY(QString msErrorMessage READ msErrorMessage WRITE setMsErrorMessage NOTIFY sendMsErrorMessageChanged)
    Q_PROPERTY(QString msInfoMessage READ msInfoMessage WRITE setMsInfoMessage NOTIFY sendMsInfoMessageChanged)
    Q_PROPERTY(QString msHeadingNmeaSentence READ msHeadingNmeaSentence WRITE setMsHeadingNmeaSentence NOTIFY sendMsHeadingNmeaSentenceChanged)
    Q_PROPERTY(QString msPositionZdaNmeaSentence READ msPositionZdaNmeaSentence WRITE setMsPositionZdaNmeaSentence NOTIFY sendMsPositionZdaNmeaSentenceChanged)
    Q_PROPERTY(QString msPositionRmcNmeaSentence READ msPositionRmcNmeaSentence WRITE setMsPositionRmcNmeaSentence NOTIFY sendMsPositionRmcNmeaSentenceChanged)
    Q_PROPERTY(QString msSpeedNmeaSentence READ msSpeedNmeaSentence WRITE setMsSpeedNmeaSentence NOTIFY sendMsSpeedNmeaSentenceChanged)
    Q_PROPERTY(QString msDepthNmeaSentence READ msDepthNmeaSentence WRITE setMsDepthNmeaSentence NOTIFY sendMsDepthNmeaSentenceChanged)
    Q_PROPERTY(QString msWindNmeaSentence READ msWindNmeaSentence WRITE setMsWindNmeaSentence NOTIFY sendMsWindNmeaSentenceChanged)
    Q_PROPERTY(QString msCustomNmeaSentence READ msCustomNmeaSentence WRITE setMsCustomNmeaSentence NOTIFY sendMsCustomNmeaSentenceChanged)
    Q_PROPERTY(bool msCustomNmeaSentenceStatus READ msCustomNmeaSentenceStatus WRITE setMsCustomNmeaSentenceStatus NOTIFY sendMsCustomNmeaSentenceStatusChanged)
    Q_PROPERTY(QString msCustomNmeaSentenceValidateMessage READ msCustomNmeaSentenceValidateMessage WRITE setMsCustomNmeaSentenceValidateMessage NOTIFY sendMsCustomNmeaSentenceValidateMessageChanged)
    Q_PROPERTY(QString mrDefaultGrpIpAddress READ mrDefaultGrpIpAddress WRITE setMrDefaultGrpIpAddress NOTIFY sendMrDefaultGrpIpAddressChanged)
    Q_PROPERTY(QString mrDefaultGrpPortNumber READ mrDefaultGrpPortNumber WRITE setMrDefaultGrpPortNumber NOTIFY sendMrDefaultGrpPortNumberChanged)
    Q_PROPERTY(bool mrSaveGrpIpAddStatus READ mrSaveGrpIpAddStatus WRITE setMrSaveGrpIpAddStatus NOTIFY sendMrSaveGrpIpAddStatusChanged)
    Q_PROPERTY(bool mrSaveGrpPortNumStatus READ mrSaveGrpPortNumStatus WRITE setMrSaveGrpPortNumStatus NOTIFY sendMrSaveGrpPortNumStatusChanged)
    Q_PROPERTY(bool mrSaveNmeaToFileStatus READ mrSaveNmeaToFileStatus WRITE setMrSaveNmeaToFileStatus NOTIFY sendMrSaveNmeaToFileStatusChanged)
    Q_PROPERTY(bool mrIncludeDateTimeInNmeaFileStatus READ mrIncludeDateTimeInNmeaFileStatus WRITE setMrIncludeDateTimeInNmeaFileStatus NOTIFY sendMrIncludeDateTimeInNmeaFileStatusChanged)
    Q_PROPERTY(bool mrShowWiredIfaceErrorStatus READ mrShowWiredIfaceErrorStatus WRITE setMrShowWiredIfaceErrorStatus NOTIFY sendMrShowWiredIfaceErrorStatusChanged)
    Q_PROPERTY(bool mrAllowOsChooseIfaceStatus READ mrAllowOsChooseIfaceStatus WRITE setMrAllowOsChooseIfaceStatus NOTIFY sendMrAllowOsChooseIfaceStatusChanged)
    Q_PROPERTY(int mrDefaultRxTimeout READ mrDefaultRxTimeout WRITE setMrDefaultRxTimeout NOTIFY sendMrDefaultRxTimeoutChanged)
    Q_PROPERTY(QString msDefaultGrpIpAddress READ msDefaultGrpIpAddress WRITE setMsDefaultGrpIpAddress NOTIFY sendMsDefaultGrpIpAddressChanged)
    Q_PROPERTY(QString msDefaultGrpPortNumber READ msDefaultGrpPortNumber WRITE setMsDefaultGrpPortNumber NOTIFY sendMsDefaultGrpPortNumberChanged)
    Q_PROPERTY(QString msDefaultCustomNmeaSentence READ msDefaultCustomNmeaSentence WRITE setMsDefaultCustomNmeaSentence NOTIFY sendMsDefaultCustomNmeaSentenceChanged)
    Q_PROPERTY(bool msSaveGrpIpAddStatus READ msSaveGrpIpAddStatus WRITE setMsSaveGrpIpAddStatus NOTIFY sendMsSaveGrpIpAddStatusChanged)
    Q_PROPERTY(bool msSaveGrpPortNumStatus READ msSaveGrpPortNumStatus WRITE setMsSaveGrpPortNumStatus NOTIFY sendMsSaveGrpPortNumStatusChanged)
    Q_PROPERTY(bool msSaveCustomNmeaStatus READ msSaveCustomNmeaStatus WRITE setMsSaveCustomNmeaStatus NOTIFY sendMsSaveCustomNmeaStatusChanged)
    Q_PROPERTY(bool msShowWiredIfaceErrorStatus READ msShowWiredIfaceErrorStatus WRITE setMsShowWiredIfaceErrorStatus NOTIFY sendMsShowWiredIfaceErrorStatusChanged)
    Q_PROPERTY(bool msAllowOsChooseIfaceStatus READ msAllowOsChooseIfaceStatus WRITE setMsAllowOsChooseIfaceStatus NOTIFY sendMsAllowOsChooseIfaceStatusChanged)
    Q_PROPERTY(double msDefaultTxInterval READ msDefaultTxInterval WRITE setMsDefaultTxInterval NOTIFY sendMsDefaultTxIntervalChanged)
    // IEC 61162-450: the sender's option and source identity, and the TAG
    // sources the receiver has seen.
    Q_PROPERTY(bool msIec450Enabled READ msIec450Enabled WRITE setMsIec450Enabled NOTIFY sendMsIec450EnabledChanged)
    Q_PROPERTY(QString msIec450Identity READ msIec450Identity WRITE setMsIec450Identity NOTIFY sendMsIec450IdentityChanged)
    Q_PROPERTY(bool msLiveTime READ msLiveTime WRITE setMsLiveTime NOTIFY sendMsLiveTimeChanged)
    Q_PROPERTY(QString msReplayFilePath READ msReplayFilePath WRITE setMsReplayFilePath NOTIFY sendMsReplayFilePathChanged)
    Q_PROPERTY(bool msReplayActive READ msReplayActive WRITE setMsReplayActive NOTIFY sendMsReplayActiveChanged)
    Q_PROPERTY(int msReplaySpeed READ msReplaySpeed WRITE setMsReplaySpeed NOTIFY sendMsReplaySpeedChanged)
    Q_PROPERTY(bool msReplayLoop READ msReplayLoop WRITE setMsReplayLoop NOTIFY sendMsReplayLoopChanged)
    Q_PROPERTY(double msReplayProgress READ msReplayProgress WRITE setMsReplayProgress NOTIFY sendMsReplayProgressChanged)
    Q_PROPERTY(QString msReplayPosition READ msReplayPosition WRITE setMsReplayPosition NOTIFY sendMsReplayPositionChanged)
    // The controller puts every received row and every notice into the feed,
    // and counts the received lines in the statistics.
    Q_PROPERTY(QObject *mrFeed READ mrFeed CONSTANT)
    // Status and source as the page shows them: said again only when they
    // change, since every sentence publishes them anew.
    Q_PROPERTY(QString mrShownConnectionStatus READ mrConnectionStatus NOTIFY sendMrShownConnectionStatusChanged)
    Q_PROPERTY(QString mrShownSrcIpAddress READ mrInfoSrcIpAddress NOTIFY sendMrShownSrcIpAddressChanged)
    Q_PROPERTY(QObject *mrStats READ mrStats CONSTANT)
    // Why nothing is recorded although recording was asked for; empty while it works.
    Q_PROPERTY(QString mrRecordingProblem READ mrRecordingProblem WRITE setMrRecordingProblem NOTIFY sendMrRecordingProblemChanged)

public:
    explicit Viewutil(QObject *parent = nullptr);

    QString mrGrpIpAddress() const;
    QString mrGrpPortNumber() const;
    bool mrSocketStatus() const;
    QString mrSocketStatusMessage() const;
    QString mrConnectionToggle() const;
    QString mrConnectionStatus() const;
    QString mrNmeaSentence() const;
    QString mrInfoSrcIpAddress() const;
    bool mrSaveNmeaToFileToggle() const;
    int mrRxTimeout() const;
    QString mrErrorMessage() const;
    QString mrInfoMessage() const;
    QString msGrpIpAddress() const;
    QString msGrpPortNumber() const;
    QString msSrcIpAddress() const;
    bool msSocketStatus() const;
    QString msSocketStatusMessage() const;
    QString msConnectionToggle() const;
    QString msConnectionStatus() const;
    QStringList msNmeaSentencesList() const;
    double msTxInterval() const;
    QString msNmeaSentence() const;
    QString msTotalSentencesSent() const;
    QString msTotalBytesSent() const;
    QString msErrorMessage() const;
    QString msInfoMessage() const;
    QString msHeadingNmeaSentence() const;
    QString msPositionZdaNmeaSentence() const;
    QString msPositionRmcNmeaSentence() const;
    QString msSpeedNmeaSentence() const;
    QString msDepthNmeaSentence() const;
    QString msWindNmeaSentence() const;
    QString msCustomNmeaSentence() const;
    bool msCustomNmeaSentenceStatus() const;
    QString msCustomNmeaSentenceValidateMessage() const;
    QString mrDefaultGrpIpAddress() const;
    QString mrDefaultGrpPortNumber() const;
    bool mrSaveGrpIpAddStatus() const;
    bool mrSaveGrpPortNumStatus() const;
    bool mrSaveNmeaToFileStatus() const;
    bool mrIncludeDateTimeInNmeaFileStatus() const;
    bool mrShowWiredIfaceErrorStatus() const;
    bool mrAllowOsChooseIfaceStatus() const;
    int mrDefaultRxTimeout() const;
    QString msDefaultGrpIpAddress() const;
    QString msDefaultGrpPortNumber() const;
    QString msDefaultCustomNmeaSentence() const;
    bool msSaveGrpIpAddStatus() const;
    bool msSaveGrpPortNumStatus() const;
    bool msSaveCustomNmeaStatus() const;
    bool msShowWiredIfaceErrorStatus() const;
    bool msAllowOsChooseIfaceStatus() const;
    double msDefaultTxInterval() const;
    bool msIec450Enabled() const;
    QString msIec450Identity() const;

    // The hover text of a list row: its TAG block's source and verdict.
    bool msLiveTime() const;
    QString msReplayFilePath() const;
    bool msReplayActive() const;
    int msReplaySpeed() const;
    bool msReplayLoop() const;
    double msReplayProgress() const;
    QString msReplayPosition() const;
    Rowfeed *mrFeed() { return &m_mrFeed; }
    Statsmodel *mrStats() { return &m_mrStats; }
    QString mrRecordingProblem() const;

    void setMrGrpIpAddress(const QString &mrGrpIpAddress);
    void setMrGrpPortNumber(const QString &mrGrpPortNumber);
    void setMrSocketStatus(bool mrSocketStatus);
    void setMrSocketStatusMessage(const QString &mrSocketStatusMessage);
    void setMrConnectionToggle(const QString &mrConnectionToggle);
    void setMrConnectionStatus(const QString &mrConnectionStatus);
    void setMrNmeaSentence(const QString &mrNmeaSentence);
    void setMrInfoSrcIpAddress(const QString &mrInfoSrcIpAddress);
    void setMrSaveNmeaToFileToggle(bool mrSaveNmeaToFileToggle);
    void setMrRxTimeout(int mrRxTimeout);
    void setMrErrorMessage(const QString &mrErrorMessage);
    void setMrInfoMessage(const QString &mrInfoMessage);
    void setMsGrpIpAddress(const QString &msGrpIpAddress);
    void setMsGrpPortNumber(const QString &msGrpPortNumber);
    void setMsSrcIpAddress(const QString &msSrcIpAddress);
    void setMsSocketStatus(bool msSocketStatus);
    void setMsSocketStatusMessage(const QString &msSocketStatusMessage);
    void setMsConnectionToggle(const QString &msConnectionToggle);
    void setMsConnectionStatus(const QString &msConnectionStatus);
    void setMsNmeaSentencesList(const QStringList &msNmeaSentencesList);
    void setMsTxInterval(double msTxInterval);
    void setMsNmeaSentence(const QString &msNmeaSentence);
    void setMsTotalSentencesSent(const QString &msTotalSentencesSent);
    void setMsTotalBytesSent(const QString &msTotalBytesSent);
    void setMsErrorMessage(const QString &msErrorMessage);
    void setMsInfoMessage(const QString &msInfoMessage);
    void setMsHeadingNmeaSentence(const QString &msHeadingNmeaSentence);
    void setMsPositionZdaNmeaSentence(const QString &msPositionZdaNmeaSentence);
    void setMsPositionRmcNmeaSentence(const QString &msPositionRmcNmeaSentence);
    void setMsSpeedNmeaSentence(const QString &msSpeedNmeaSentence);
    void setMsDepthNmeaSentence(const QString &msDepthNmeaSentence);
    void setMsWindNmeaSentence(const QString &msWindNmeaSentence);
    void setMsCustomNmeaSentence(const QString &msCustomNmeaSentence);
    void setMsCustomNmeaSentenceStatus(bool msCustomNmeaSentenceStatus);
    void setMsCustomNmeaSentenceValidateMessage(const QString &msCustomNmeaSentenceValidateMessage);
    void setMrDefaultGrpIpAddress(const QString &mrDefaultGrpIpAddress);
    void setMrDefaultGrpPortNumber(const QString &mrDefaultGrpPortNumber);
    void setMrSaveGrpIpAddStatus(bool mrSaveGrpIpAddStatus);
    void setMrSaveGrpPortNumStatus(bool mrSaveGrpPortNumStatus);
    void setMrSaveNmeaToFileStatus(bool mrSaveNmeaToFileStatus);
    void setMrIncludeDateTimeInNmeaFileStatus(bool mrIncludeDateTimeInNmeaFileStatus);
    void setMrShowWiredIfaceErrorStatus(bool mrShowWiredIfaceErrorStatus);
    void setMrAllowOsChooseIfaceStatus(bool mrAllowOsChooseIfaceStatus);
    void setMrDefaultRxTimeout(int mrDefaultRxTimeout);
    void setMsDefaultGrpIpAddress(const QString &msDefaultGrpIpAddress);
    void setMsDefaultGrpPortNumber(const QString &msDefaultGrpPortNumber);
    void setMsDefaultCustomNmeaSentence(const QString &msDefaultCustomNmeaSentence);
    void setMsSaveGrpIpAddStatus(bool msSaveGrpIpAddStatus);
    void setMsSaveGrpPortNumStatus(bool msSaveGrpPortNumStatus);
    void setMsSaveCustomNmeaStatus(bool msSaveCustomNmeaStatus);
    void setMsShowWiredIfaceErrorStatus(bool msShowWiredIfaceErrorStatus);
    void setMsAllowOsChooseIfaceStatus(bool msAllowOsChooseIfaceStatus);
    void setMsDefaultTxInterval(double msDefaultTxInterval);
    void setMsIec450Enabled(bool msIec450Enabled);
    void setMsIec450Identity(const QString &msIec450Identity);
    void setMsLiveTime(bool msLiveTime);
    void setMsReplayFilePath(const QString &msReplayFilePath);
    void setMsReplayActive(bool msReplayActive);
    void setMsReplaySpeed(int msReplaySpeed);
    void setMsReplayLoop(bool msReplayLoop);
    void setMsReplayProgress(double msReplayProgress);
    void setMsReplayPosition(const QString &msReplayPosition);
    void setMrRecordingProblem(const QString &mrRecordingProblem);

signals:
    void sendMrGrpIpAddressChanged();
    void sendMrGrpPortNumberChanged();
    void sendMrSocketStatusChanged();
    void sendMrSocketStatusMessageChanged();
    void sendMrConnectionToggleChanged();
    void sendMrConnectionStatusChanged();
    void sendMrNmeaSentenceChanged();
    void sendMrInfoSrcIpAddressChanged();
    void sendMrSaveNmeaToFileToggleChanged();
    void sendMrRxTimeoutChanged();
    void sendMrErrorMessageChanged();
    void sendMrInfoMessageChanged();
    void sendMsGrpIpAddressChanged();
    void sendMsGrpPortNumberChanged();
    void sendMsSrcIpAddressChanged();
    void sendMsSocketStatusChanged();
    void sendMsSocketStatusMessageChanged();
    void sendMsConnectionToggleChanged();
    void sendMsConnectionStatusChanged();
    void sendMsNmeaSentencesListChanged();
    void sendMsTxIntervalChanged();
    void sendMsNmeaSentenceChanged();
    void sendMsTotalSentencesSenthanged();
    void sendMsTotalBytesSentChanged();
    void sendMsErrorMessageChanged();
    void sendMsInfoMessageChanged();
    void sendMsHeadingNmeaSentenceChanged();
    void sendMsPositionZdaNmeaSentenceChanged();
    void sendMsPositionRmcNmeaSentenceChanged();
    void sendMsSpeedNmeaSentenceChanged();
    void sendMsDepthNmeaSentenceChanged();
    void sendMsWindNmeaSentenceChanged();
    void sendMsCustomNmeaSentenceChanged();
    void sendMsCustomNmeaSentenceStatusChanged();
    void sendMsCustomNmeaSentenceValidateMessageChanged();

    void sendLoadAppSettings();
    void sendSaveAppSettings();
    void sendMrClearData();
    void sendMrShownConnectionStatusChanged();
    void sendMrShownSrcIpAddressChanged();

    void sendMrDefaultGrpIpAddressChanged();
    void sendMrDefaultGrpPortNumberChanged();
    void sendMrSaveGrpIpAddStatusChanged();
    void sendMrSaveGrpPortNumStatusChanged();
    void sendMrSaveNmeaToFileStatusChanged();
    void sendMrIncludeDateTimeInNmeaFileStatusChanged();
    void sendMrShowWiredIfaceErrorStatusChanged();
    void sendMrAllowOsChooseIfaceStatusChanged();
    void sendMrDefaultRxTimeoutChanged();
    void sendMsDefaultGrpIpAddressChanged();
    void sendMsDefaultGrpPortNumberChanged();
    void sendMsDefaultCustomNmeaSentenceChanged();
    void sendMsSaveGrpIpAddStatusChanged();
    void sendMsSaveGrpPortNumStatusChanged();
    void sendMsSaveCustomNmeaStatusChanged();
    void sendMsShowWiredIfaceErrorStatusChanged();
    void sendMsAllowOsChooseIfaceStatusChanged();
    void sendMsDefaultTxIntervalChanged();
    void sendMsIec450EnabledChanged();
    void sendMsIec450IdentityChanged();
    void sendMsLiveTimeChanged();
    void sendMsReplayFilePathChanged();
    void sendMsReplayActiveChanged();
    void sendMsReplaySpeedChanged();
    void sendMsReplayLoopChanged();
    void sendMsReplayProgressChanged();
    void sendMsReplayPositionChanged();
    void sendMrRecordingProblemChanged();

private:
    QString m_mrGrpIpAddress;
    QString m_mrGrpPortNumber;
    bool m_mrSocketStatus = false;
    QString m_mrSocketStatusMessage;
    QString m_mrConnectionToggle;
    QString m_mrConnectionStatus;
    QString m_mrNmeaSentence;
    QString m_mrInfoSrcIpAddress;
    bool m_mrSaveNmeaToFileToggle = false;
    int m_mrRxTimeout = 0;
    QString m_mrErrorMessage;
    QString m_mrInfoMessage;
    QString m_msGrpIpAddress;
    QString m_msGrpPortNumber;
    QString m_msSrcIpAddress;
    bool m_msSocketStatus = false;
    QString m_msSocketStatusMessage;
    QString m_msConnectionToggle;
    QString m_msConnectionStatus;
    QStringList m_msNmeaSentencesList;
    double m_msTxInterval = 0.0;
    QString m_msNmeaSentence;
    QString m_msTotalSentencesSent;
    QString m_msTotalBytesSent;
    QString m_msErrorMessage;
    QString m_msInfoMessage;
    QString m_msHeadingNmeaSentence;
    QString m_msPositionZdaNmeaSentence;
    QString m_msPositionRmcNmeaSentence;
    QString m_msSpeedNmeaSentence;
    QString m_msDepthNmeaSentence;
    QString m_msWindNmeaSentence;
    QString m_msCustomNmeaSentence;
    bool m_msCustomNmeaSentenceStatus = false;
    QString m_msCustomNmeaSentenceValidateMessage;
    QString m_mrDefaultGrpIpAddress;
    QString m_mrDefaultGrpPortNumber;
    bool m_mrSaveGrpIpAddStatus = false;
    bool m_mrSaveGrpPortNumStatus = false;
    bool m_mrSaveNmeaToFileStatus = false;
    bool m_mrIncludeDateTimeInNmeaFileStatus = false;
    bool m_mrShowWiredIfaceErrorStatus = false;
    bool m_mrAllowOsChooseIfaceStatus = false;
    int m_mrDefaultRxTimeout = 0;
    QString m_msDefaultGrpIpAddress;
    QString m_msDefaultGrpPortNumber;
    QString m_msDefaultCustomNmeaSentence;
    bool m_msSaveGrpIpAddStatus = false;
    bool m_msSaveGrpPortNumStatus = false;
    bool m_msSaveCustomNmeaStatus = false;
    bool m_msShowWiredIfaceErrorStatus = false;
    bool m_msAllowOsChooseIfaceStatus = false;
    double m_msDefaultTxInterval = 0.0;
    bool m_msIec450Enabled = false;
    QString m_msIec450Identity;
    bool m_msLiveTime = false;
    QString m_msReplayFilePath;
    bool m_msReplayActive = false;
    int m_msReplaySpeed = 1;
    bool m_msReplayLoop = false;
    double m_msReplayProgress = 0.0;
    QString m_msReplayPosition;
    QString m_mrShownConnectionStatus;
    QString m_mrShownSrcIpAddress;
    Rowfeed m_mrFeed;
    Statsmodel m_mrStats;
    QString m_mrRecordingProblem;
};
