#include "saveutil.h"

#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>

#include <cerrno>
#include <cstring>

namespace {
// Lines held during a read go out at its end, or sooner once this many
// characters wait.
constexpr qsizetype kHeldChars = 32 * 1024;
}

QString captureFileName(const QDateTime &startTime)
{
    return QStringLiteral("QCX NMEA LOG %1.txt").arg(startTime.toString(QStringLiteral("yy.MM.dd hh.mm.ss")));
}

QString captureStamp(const QDate &date, const QTime &time)
{
    return QStringLiteral("%1:%2: ").arg(date.toString(QStringLiteral("yy.MM.dd")),
                                         time.toString(QStringLiteral("hh.mm.ss")));
}

void appendCaptureLine(QString &lines, const QString &nmeaSentence, const QString &stamp)
{
    const QString sentence = nmeaSentence.trimmed();
    if (!sentence.contains(QLatin1Char('\n')) && !sentence.contains(QLatin1Char('\r'))) {
        lines += stamp;
        lines += sentence;
        lines += QLatin1Char('\n');
        return;
    }

    // A datagram of several lines stays one row on screen, but in the file
    // each line is a record of its own, so that the file reads line by line.
    const QList<QStringView> parts = QStringView(sentence).split(QRegularExpression(QStringLiteral("[\r\n]+")));
    for (const QStringView part : parts) {
        lines += stamp;
        lines += part;
        lines += QLatin1Char('\n');
    }
}

QString captureLine(const QString &nmeaSentence, const QString &stamp)
{
    QString lines;
    appendCaptureLine(lines, nmeaSentence, stamp);
    return lines;
}

QString captureLine(const QString &nmeaSentence, bool includeDateTime, const QDate &date, const QTime &time)
{
    return captureLine(nmeaSentence, includeDateTime ? captureStamp(date, time) : QString());
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
        setProblem(QString());
        return;
    }
    m_recording = false;
    emit sendErrorMessage(QStringLiteral("Unable To Create NMEA Save File"));
    qWarning() << "Unable to create NMEA save file";
    const QString reason = QStringLiteral("%1 (%2)").arg(QDir::toNativeSeparators(m_captureFile.fileName()),
                                                         m_captureFile.errorString());
    setProblem(QStringLiteral("No NMEA Save File Can Be Opened: ") + reason);
    emit sendRecordingFailed(reason);
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

    const QString &stamp = m_stampClock.now(m_includeDateTime);
    if (!m_holding) {
        write(captureLine(nmeaSentence, stamp));
        return;
    }
    appendCaptureLine(m_held, nmeaSentence, stamp);
    if (m_held.size() >= kHeldChars)
        writeHeld();
}

void Saveutil::recvHoldLines(bool hold)
{
    m_holding = hold;
    if (!hold)
        writeHeld();
}

void Saveutil::writeHeld()
{
    if (m_held.isEmpty())
        return;
    write(m_held);
    // Keeps its room for the next read.
    m_held.resize(0);
}

void Saveutil::write(const QString &lines)
{
    const qint64 sizeBefore = m_captureFile.size();
    m_writer << lines;
    // The stream buffers, so a failed write only shows once it is flushed.
    errno = 0;
    m_writer.flush();
    const int writeError = errno;
    if (m_writer.status() != QTextStream::Ok) {
        m_writer.resetStatus();
        // A write cut short by a full disk leaves the file without an error:
        // only errno tells why.
        const QString reason = m_captureFile.error() != QFileDevice::NoError ? m_captureFile.errorString()
                               : writeError != 0 ? QString::fromLocal8Bit(std::strerror(writeError))
                                                 : QStringLiteral("Not All Bytes Written");
        // A full disk can take part of a line: the file keeps whole lines only.
        m_captureFile.resize(sizeBefore);
        emit sendErrorMessage(QStringLiteral("Failed to Write To Log File"));
        qWarning() << "Failed to write to NMEA to NMEA save file";
        setProblem(QStringLiteral("Cannot Write To %1 (%2)")
                       .arg(QDir::toNativeSeparators(m_captureFile.fileName()), reason));
    } else if (!m_problem.isEmpty()) {
        setProblem(QString());
    }
}

void Saveutil::setProblem(const QString &reason)
{
    if (reason == m_problem)
        return;
    m_problem = reason;
    emit sendRecordingProblem(reason);
}

void Saveutil::recvStopNmeaSavingToFile()
{
    qInfo() << "NMEA save file is closed";
    if (!m_recording)
        return;

    m_recording = false;
    if (m_captureFile.isOpen()) {
        writeHeld();
        m_writer.flush();
        m_captureFile.close();
    }
    // Not wanted any more, so nothing is missing.
    setProblem(QString());
}

QString Saveutil::captureDirectory()
{
    qInfo() << "Trying to access NMEA save file directory";

    // A folder that exists but that this user may not write to (made by a
    // start with sudo, say) is no better than one that cannot be made.
    QDir dir(m_captureDirectory);
    if (dir.exists() && QFileInfo(m_captureDirectory).isWritable())
        return m_captureDirectory;

    if (!dir.exists())
        qWarning() << "NMEA save file directory not exist";
    if (!dir.exists() && dir.mkpath(QStringLiteral(".")))
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
    // Unbuffered, so that a line the disk has no room for is dropped with its
    // error; a buffered file would keep it, let it grow the memory for as long
    // as the disk stays full and write it, late, once there is room again.
    if (!m_captureFile.open(QIODevice::Append | QIODevice::Text | QIODevice::Unbuffered)) {
        qWarning() << QStringLiteral("Unable To Open Save File: %1").arg(filePath);
        emit sendErrorMessage(QStringLiteral("Unable to open save file"));
        return false;
    }
    return true;
}
