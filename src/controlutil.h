#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariantMap>

#include "jsonutil.h"
#include "prefsutil.h"
#include "recvutil.h"
#include "replayutil.h"
#include "saveutil.h"
#include "scanmodel.h"
#include "sendutil.h"
#include "validateutil.h"

class Viewutil;

// Where the workers keep their files. The program uses the platform's
// locations; tests point them into a temporary folder.
struct ControlutilPaths
{
    QString settingsDirectory;
    QString captureDirectory;
    QString fallbackCaptureDirectory;

    static ControlutilPaths platformDefaults();
};

// Owns the workers and routes every request of the view model to them and
// every result back into the view model.
class Controlutil : public QObject
{
    Q_OBJECT
    // The Network Scan tab's model.
    Q_PROPERTY(QObject *scan READ scan CONSTANT)

public:
    explicit Controlutil(Viewutil *viewutil, QObject *parent = nullptr);
    Controlutil(Viewutil *viewutil, const ControlutilPaths &paths, QObject *parent = nullptr);

    Scanmodel *scan() { return &m_scanmodel; }

signals:
    void sendMrValidateConnect(QString grpIpAddress, QString grpPortNumber);
    void sendMrDisconnect();
    void sendMrStartSaveNmeaToFile();
    void sendMrStopSaveNmeaToFile();
    void sendMrRxTimeout(int rxTimeoutInSec);
    void sendMsValidateConnect(QString grpIpAddress, QString grpPortNumber);
    void sendMsStop();
    void sendMsNmeaSentencesList(QStringList nmeaList);
    void sendMsTxTransmissionInterval(double txIntervalInTenths);
    void sendMsCustomNmeaSentenceValidate(QString customNmeaSentence);
    void sendLoadAppSettings();
    void sendSaveAppSettings(QVariantMap appSettings);
    void sendMrOsSelectInterfaceStatus(bool isOsSelectIfaceStatus);
    void sendMsOsSelectInterfaceStatus(bool isOsSelectIfaceStatus);
    void sendMrIncludeDateTimeInNmeaSaveFile(bool includeDateTimeStatus);
    void sendMsIec450(bool enabled, QString sourceIdentity);
    void sendMsLiveTime(bool isLiveTime);

public slots:
    void recvMrConnectionToggle();
    void recvMrNmeaData(QString connectionStatus, QString nmeaSentence, QString sourceIp, QString sourcePort);
    void recvMrSocketValidateResult(bool socketStatus, QString socketMessage);
    void recvMrSaveNmeaToFileToggle();
    void recvMrRecordingFailed(QString reason);
    void recvIncludeDateTimeInNmeaSaveFile();
    void recvMrRxTimeout();
    void recvMrErrorMessage(QString ErrorMsg);
    void recvMrInfoMessage(QString InfoMsg);
    void recvMsConnectionToggle();
    void recvMsSocketValidateResult(bool socketStatus, QString socketMessage);
    void recvMsNmeaSentencesList();
    void recvMsTxInterval();
    void recvMsCustomNmeaSentence();
    void recvMsCustomNmeaSentenceValidateReslut(bool customNmeaStatus, QString validateMessage);
    void recvMsNmeaData(QString connectionStatus, QString nmeaSentence, QString sourceIp, QString sourcePort);
    void recvMsTransmissionData(QString sentencesTotalNumber, QString bytesTotalNumber);
    void recvMsErrorMessage(QString ErrorMsg);
    void recvMsInfoMessage(QString InfoMsg);
    void recvAppSettings(QVariantMap appSettings);
    void recvSaveAppSettings();
    void recvJsonErrorMessage(QString errorMsg);
    void recvJsonInfoMessage(QString infoMsg);
    void recvMrOsSelectInterfaceStatus();
    void recvMsOsSelectInterfaceStatus();
    void recvMsIec450();
    void recvMrDatagram(const DatagramRecord &datagram);
    void recvMsLiveTime();
    void recvMsReplayFilePath();
    void recvMsReplayProgress(qint64 line, qint64 lines, qint64 skipped, qint64 damagedTags);
    void recvMsReplaySilences();

private:
    void makeConnections();
    void applyAppSettingsToView(const QVariantMap &appSettings);
    QVariantMap collectAppSettingsFromView() const;

    QString m_lastMrConnectionStatus;
    QString m_lastMsConnectionStatus;
    Viewutil *m_viewutil;
    // Declaration order is construction order; destruction runs in reverse,
    // so the capture file closes first and the settings file goes last.
    Jsonutil m_jsonutil;
    Prefsutil m_prefsutil;
    Validateutil m_validateutil;
    // A child, so that a test can hand it datagrams.
    Recvutil m_recvutil;
    // Made before the sender, so still there when the sender's last "Stopped" ends a replay.
    Replayutil m_replayutil;
    Sendutil m_sendutil;
    Saveutil m_saveutil;
    // Goes first, leaving every group it joined.
    Scanmodel m_scanmodel;
};
