#include "saveutil.h"

#include <QDebug>
#include <QDir>
#include <QStandardPaths>

QString captureFileName(const QDateTime &startTime)
{
    return QStringLiteral("QCX NMEA LOG %1.txt").arg(startTime.toString(QStringLiteral("yy.MM.dd hh.mm.ss")));
}

QString captureLine(const QString &nmeaSentence, bool includeDateTime, const QDate &date, const QTime &time)
{
    if (includeDateTime) {
        return QStringLiteral("%1:%2: %3\n")
            .arg(date.toString(QStringLiteral("yy.MM.dd")),
                 time.toString(QStringLiteral("hh.mm.ss")),
                 nmeaSentence.trimmed());
    }
    return QStringLiteral("%1\n").arg(nmeaSentence.trimmed());
}

QString defaultCaptureDirectory()
{
#ifdef Q_OS_WIN
    return QStringLiteral("C:/ProgramData/QCX");
#else
    // "C:/ProgramData/QCX" is a relative path here; /var/lib is the
    // machine-wide place for program data.
    return QStringLiteral("/var/lib/QCX");
#endif
}

QString fallbackCaptureDirectory()
{
    return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation) + QStringLiteral("/QCN");
}

Saveutil::Saveutil(QObject *parent)
    : Saveutil(defaultCaptureDirectory(), fallbackCaptureDirectory(), parent)
{
}

Saveutil::Saveutil(const QString &captureDirectory, const QString &fallbackDirectory, QObject *parent)
    : QObject(parent)
    , m_captureDirectory(captureDirectory)
    , m_fallbackDirectory(fallbackDirectory)
{
    qInfo() << "Saveutil initialized";
}

Saveutil::~Saveutil()
{
    recvStopNmeaSavingToFile();
}

QString Saveutil::captureFilePath() const
{
    return m_captureFile.fileName();
}

void Saveutil::recvIncludeDateTimeInNmeaSaveFile(bool includeDateTimeStatus)
{
    qInfo() << "include date/time in NMEA save file status: " << includeDateTimeStatus;
    m_includeDateTime = includeDateTimeStatus;
}

void Saveutil::recvStartNmeaSavingToFile()
{
    if (m_recording)
        return;

    m_recording = true;
    if (openCaptureFile()) {
        m_writer.setDevice(&m_captureFile);
        return;
    }
    emit sendErrorMessage(QStringLiteral("Unable To Create NMEA Save File"));
    m_recording = false;
    qWarning() << "Unable to create NMEA save file";
}

void Saveutil::recvNmeaData(QString connectionStatus, QString nmeaSentence, QString sourceIp, QString sourcePort)
{
    Q_UNUSED(connectionStatus)
    Q_UNUSED(sourceIp)
    Q_UNUSED(sourcePort)

    if (!m_recording)
        return;

    if (!m_captureFile.isOpen()) {
        emit sendErrorMessage(QStringLiteral("Failed To Open Log File"));
        qWarning() << "Failed to open NMEA save file";
        return;
    }

    if (nmeaSentence.trimmed().isEmpty())
        return;

    m_writer << captureLine(nmeaSentence, m_includeDateTime, QDate::currentDate(), QTime::currentTime());
    // The stream buffers, so a failed write only shows once it is flushed.
    m_writer.flush();
    if (m_writer.status() != QTextStream::Ok) {
        m_writer.resetStatus();
        emit sendErrorMessage(QStringLiteral("Failed to Write To Log File"));
        qWarning() << "Failed to write to NMEA to NMEA save file";
    }
}

void Saveutil::recvStopNmeaSavingToFile()
{
    qInfo() << "NMEA save file is closed";
    if (!m_recording)
        return;

    m_recording = false;
    if (m_captureFile.isOpen()) {
        m_writer.flush();
        m_captureFile.close();
    }
}

QString Saveutil::captureDirectory()
{
    qInfo() << "Trying to access NMEA save file directory";

    QDir dir(m_captureDirectory);
    if (dir.exists())
        return m_captureDirectory;

    qWarning() << "NMEA save file directory not exist";
    if (dir.mkpath(QStringLiteral(".")))
        return m_captureDirectory;

    emit sendErrorMessage(QStringLiteral("Failed To Create ProgramData Nmea Save Folder"));
    QDir(m_fallbackDirectory).mkpath(QStringLiteral("."));
    return m_fallbackDirectory;
}

bool Saveutil::openCaptureFile()
{
    qInfo() << "Trying to open NMEA save file";

    const QString fileName = captureFileName(QDateTime::currentDateTime());
    const QString filePath = captureDirectory() + QLatin1Char('/') + fileName;

    // Append: a start within the same second as the previous one gets the same
    // name and continues that file instead of replacing it.
    m_captureFile.setFileName(filePath);
    if (!m_captureFile.open(QIODevice::Append | QIODevice::Text)) {
        qWarning() << QStringLiteral("Unable To Open Save File: %1").arg(filePath);
        emit sendErrorMessage(QStringLiteral("Unable to open save file"));
        return false;
    }
    return true;
}
