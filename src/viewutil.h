#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <type_traits>

#include "rowfeed.h"
#include "statsmodel.h"

// A setter's parameter as a hand-written one would take it.
template <class T>
using ViewutilArg = std::conditional_t<std::is_scalar_v<T>, T, const T &>;

// One line declares a property of the view model: the Q_PROPERTY, getter
// name(), setter setName(), change signal and storage m_name (moc expands
// these like the compiler). Setters never compare: every write emits the
// change signal, because a repeated toggle word starts a new attempt and two
// equal sentences in a row must each reach the lists.
#define VIEWUTIL_PROPERTY_BASE(Type, name, Name, Changed) \
    Q_PROPERTY(Type name READ name WRITE set##Name NOTIFY Changed) \
public: \
    Type name() const { return m_##name; } \
    Q_SIGNAL void Changed(); \
private: \
    Type m_##name{}; \
public:
#define VIEWUTIL_PROPERTY_AS(Type, name, Name, Changed) \
    VIEWUTIL_PROPERTY_BASE(Type, name, Name, Changed) \
    void set##Name(ViewutilArg<Type> value) { m_##name = value; emit Changed(); }
#define VIEWUTIL_PROPERTY(Type, name, Name) VIEWUTIL_PROPERTY_AS(Type, name, Name, send##Name##Changed)
// The setter does more, in viewutil.cpp.
#define VIEWUTIL_PROPERTY_OWN_SETTER(Type, name, Name) \
    VIEWUTIL_PROPERTY_BASE(Type, name, Name, send##Name##Changed) \
    void set##Name(ViewutilArg<Type> value);

// The state the user interface binds to.
class Viewutil : public QObject
{
    Q_OBJECT
    VIEWUTIL_PROPERTY(QString, mrGrpIpAddress, MrGrpIpAddress)
    VIEWUTIL_PROPERTY(QString, mrGrpPortNumber, MrGrpPortNumber)
    VIEWUTIL_PROPERTY(bool, mrSocketStatus, MrSocketStatus)
    VIEWUTIL_PROPERTY(QString, mrSocketStatusMessage, MrSocketStatusMessage)
    VIEWUTIL_PROPERTY(QString, mrConnectionToggle, MrConnectionToggle)
    VIEWUTIL_PROPERTY_OWN_SETTER(QString, mrConnectionStatus, MrConnectionStatus)
    VIEWUTIL_PROPERTY(QString, mrNmeaSentence, MrNmeaSentence)
    VIEWUTIL_PROPERTY_OWN_SETTER(QString, mrInfoSrcIpAddress, MrInfoSrcIpAddress)
    VIEWUTIL_PROPERTY(bool, mrSaveNmeaToFileToggle, MrSaveNmeaToFileToggle)
    VIEWUTIL_PROPERTY(int, mrRxTimeout, MrRxTimeout)
    VIEWUTIL_PROPERTY(QString, mrErrorMessage, MrErrorMessage)
    VIEWUTIL_PROPERTY(QString, mrInfoMessage, MrInfoMessage)
    VIEWUTIL_PROPERTY(QString, msGrpIpAddress, MsGrpIpAddress)
    VIEWUTIL_PROPERTY(QString, msGrpPortNumber, MsGrpPortNumber)
    VIEWUTIL_PROPERTY(QString, msSrcIpAddress, MsSrcIpAddress)
    VIEWUTIL_PROPERTY(bool, msSocketStatus, MsSocketStatus)
    VIEWUTIL_PROPERTY(QString, msSocketStatusMessage, MsSocketStatusMessage)
    VIEWUTIL_PROPERTY(QString, msConnectionToggle, MsConnectionToggle)
    VIEWUTIL_PROPERTY(QString, msConnectionStatus, MsConnectionStatus)
    VIEWUTIL_PROPERTY(QStringList, msNmeaSentencesList, MsNmeaSentencesList)
    VIEWUTIL_PROPERTY(double, msTxInterval, MsTxInterval)
    VIEWUTIL_PROPERTY(QString, msNmeaSentence, MsNmeaSentence)
    VIEWUTIL_PROPERTY_AS(QString, msTotalSentencesSent, MsTotalSentencesSent, sendMsTotalSentencesSenthanged)
    VIEWUTIL_PROPERTY(QString, msTotalBytesSent, MsTotalBytesSent)
    VIEWUTIL_PROPERTY(QString, msErrorMessage, MsErrorMessage)
    VIEWUTIL_PROPERTY(QString, msInfoMessage, MsInfoMessage)
    VIEWUTIL_PROPERTY(QString, msHeadingNmeaSentence, MsHeadingNmeaSentence)
    VIEWUTIL_PROPERTY(QString, msPositionZdaNmeaSentence, MsPositionZdaNmeaSentence)
    VIEWUTIL_PROPERTY(QString, msPositionRmcNmeaSentence, MsPositionRmcNmeaSentence)
    VIEWUTIL_PROPERTY(QString, msSpeedNmeaSentence, MsSpeedNmeaSentence)
    VIEWUTIL_PROPERTY(QString, msDepthNmeaSentence, MsDepthNmeaSentence)
    VIEWUTIL_PROPERTY(QString, msWindNmeaSentence, MsWindNmeaSentence)
    VIEWUTIL_PROPERTY(QString, msCustomNmeaSentence, MsCustomNmeaSentence)
    VIEWUTIL_PROPERTY(bool, msCustomNmeaSentenceStatus, MsCustomNmeaSentenceStatus)
    VIEWUTIL_PROPERTY(QString, msCustomNmeaSentenceValidateMessage, MsCustomNmeaSentenceValidateMessage)
    VIEWUTIL_PROPERTY(QString, mrDefaultGrpIpAddress, MrDefaultGrpIpAddress)
    VIEWUTIL_PROPERTY(QString, mrDefaultGrpPortNumber, MrDefaultGrpPortNumber)
    VIEWUTIL_PROPERTY(bool, mrSaveGrpIpAddStatus, MrSaveGrpIpAddStatus)
    VIEWUTIL_PROPERTY(bool, mrSaveGrpPortNumStatus, MrSaveGrpPortNumStatus)
    VIEWUTIL_PROPERTY(bool, mrSaveNmeaToFileStatus, MrSaveNmeaToFileStatus)
    VIEWUTIL_PROPERTY(bool, mrIncludeDateTimeInNmeaFileStatus, MrIncludeDateTimeInNmeaFileStatus)
    VIEWUTIL_PROPERTY(bool, mrShowWiredIfaceErrorStatus, MrShowWiredIfaceErrorStatus)
    VIEWUTIL_PROPERTY(bool, mrAllowOsChooseIfaceStatus, MrAllowOsChooseIfaceStatus)
    VIEWUTIL_PROPERTY(int, mrDefaultRxTimeout, MrDefaultRxTimeout)
    VIEWUTIL_PROPERTY(QString, msDefaultGrpIpAddress, MsDefaultGrpIpAddress)
    VIEWUTIL_PROPERTY(QString, msDefaultGrpPortNumber, MsDefaultGrpPortNumber)
    VIEWUTIL_PROPERTY(QString, msDefaultCustomNmeaSentence, MsDefaultCustomNmeaSentence)
    VIEWUTIL_PROPERTY(bool, msSaveGrpIpAddStatus, MsSaveGrpIpAddStatus)
    VIEWUTIL_PROPERTY(bool, msSaveGrpPortNumStatus, MsSaveGrpPortNumStatus)
    VIEWUTIL_PROPERTY(bool, msSaveCustomNmeaStatus, MsSaveCustomNmeaStatus)
    VIEWUTIL_PROPERTY(bool, msShowWiredIfaceErrorStatus, MsShowWiredIfaceErrorStatus)
    VIEWUTIL_PROPERTY(bool, msAllowOsChooseIfaceStatus, MsAllowOsChooseIfaceStatus)
    VIEWUTIL_PROPERTY(double, msDefaultTxInterval, MsDefaultTxInterval)
    // IEC 61162-450: the sender's option and source identity, and the TAG
    // sources the receiver has seen.
    VIEWUTIL_PROPERTY(bool, msIec450Enabled, MsIec450Enabled)
    VIEWUTIL_PROPERTY(QString, msIec450Identity, MsIec450Identity)
    VIEWUTIL_PROPERTY(bool, msLiveTime, MsLiveTime)
    VIEWUTIL_PROPERTY(QString, msReplayFilePath, MsReplayFilePath)
    VIEWUTIL_PROPERTY(bool, msReplayActive, MsReplayActive)
    VIEWUTIL_PROPERTY(int, msReplaySpeed, MsReplaySpeed)
    VIEWUTIL_PROPERTY(bool, msReplayLoop, MsReplayLoop)
    VIEWUTIL_PROPERTY(double, msReplayProgress, MsReplayProgress)
    VIEWUTIL_PROPERTY(QString, msReplayPosition, MsReplayPosition)
    // Why nothing is recorded although recording was asked for; empty while it works.
    VIEWUTIL_PROPERTY(QString, mrRecordingProblem, MrRecordingProblem)
    // The replay's "Skip Silences Longer Than N s": whether, and N.
    VIEWUTIL_PROPERTY(bool, msReplaySkipSilences, MsReplaySkipSilences)
    VIEWUTIL_PROPERTY(int, msReplaySilenceSeconds, MsReplaySilenceSeconds)
    // The controller puts every received row and every notice into the feed,
    // and counts the received lines in the statistics.
    Q_PROPERTY(QObject *mrFeed READ mrFeed CONSTANT)
    // Status and source as the page shows them: said again only when they
    // change, since every sentence publishes them anew.
    Q_PROPERTY(QString mrShownConnectionStatus READ mrConnectionStatus NOTIFY sendMrShownConnectionStatusChanged)
    Q_PROPERTY(QString mrShownSrcIpAddress READ mrInfoSrcIpAddress NOTIFY sendMrShownSrcIpAddressChanged)
    Q_PROPERTY(QObject *mrStats READ mrStats CONSTANT)

public:
    explicit Viewutil(QObject *parent = nullptr);

    Rowfeed *mrFeed() { return &m_mrFeed; }
    Statsmodel *mrStats() { return &m_mrStats; }

signals:
    void sendLoadAppSettings();
    void sendSaveAppSettings();
    void sendMrClearData();
    void sendMrShownConnectionStatusChanged();
    void sendMrShownSrcIpAddressChanged();

private:
    QString m_mrShownConnectionStatus;
    QString m_mrShownSrcIpAddress;
    Rowfeed m_mrFeed;
    Statsmodel m_mrStats;
};

#undef VIEWUTIL_PROPERTY_BASE
#undef VIEWUTIL_PROPERTY_AS
#undef VIEWUTIL_PROPERTY
#undef VIEWUTIL_PROPERTY_OWN_SETTER
