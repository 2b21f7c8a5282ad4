#pragma once

#include <QDate>
#include <QDateTime>
#include <QFile>
#include <QObject>
#include <QString>
#include <QTextStream>
#include <QTime>

#include "stampclock.h"

// Pure rules, used by Saveutil and tested on their own.
QString captureFileName(const QDateTime &startTime);
// The date and time part of a capture line, "yy.MM.dd:hh.mm.ss: ".
QString captureStamp(const QDate &date, const QTime &time);
// One capture line with its line end: the stamp (empty without date and time)
// and the trimmed sentence; a sentence of several lines gives one such line
// for each of them, without blank ones.
QString captureLine(const QString &nmeaSentence, const QString &stamp);
// The same, added to the end of lines.
void appendCaptureLine(QString &lines, const QString &nmeaSentence, const QString &stamp);
QString captureLine(const QString &nmeaSentence, bool includeDateTime, const QDate &date, const QTime &time);
// The machine-wide capture directory of the platform.
QString defaultCaptureDirectory();
// The documents folder followed by "/QCN", used when the machine-wide directory cannot be created.
QString fallbackCaptureDirectory();

class Saveutil : public QObject
{
    Q_OBJECT

public:
    explicit Saveutil(QObject *parent = nullptr);
    // Records into captureDirectory, or into fallbackDirectory when the first cannot be created.
    explicit Saveutil(const QString &captureDirectory, const QString &fallbackDirectory,
                      QObject *parent = nullptr);
    ~Saveutil() override;

    QString captureFilePath() const;

signals:
    void sendErrorMessage(QString errorMessage);
    void sendInfoMessage(QString errorMessage);
    // No capture file could be opened anywhere: nothing is being recorded.
    void sendRecordingFailed(QString reason);
    // Why lines are not being recorded although recording is on, said when
    // it changes; empty once the file is open and lines are written again.
    void sendRecordingProblem(QString reason);

public slots:
    void recvIncludeDateTimeInNmeaSaveFile(bool includeDateTimeStatus);
    void recvStartNmeaSavingToFile();
    void recvNmeaData(QString connectionStatus, QString nmeaSentence, QString sourceIp, QString sourcePort);
    void recvStopNmeaSavingToFile();
    // While held, lines wait to be written together when the hold ends: one
    // write for all the lines of a read of the socket instead of one a line.
    void recvHoldLines(bool hold);

private:
    QString captureDirectory();
    bool openCaptureFile();
    void setProblem(const QString &reason);
    void write(const QString &lines);
    void writeHeld();

    bool m_includeDateTime = false;
    bool m_recording = false;
    QFile m_captureFile;
    QTextStream m_writer;
    QString m_captureDirectory;
    QString m_fallbackDirectory;
    StampClock m_stampClock;
    QString m_problem;
    bool m_holding = false;
    QString m_held;
};
