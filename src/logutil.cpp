#include "logutil.h"

#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QMutexLocker>
#include <QStandardPaths>
#include <QTextStream>

#include <cstdio>
#include <cstdlib>

Logutil &Logutil::instance()
{
    static Logutil log(defaultLogDirectory(), [] { return QDateTime::currentDateTime(); });
    log.initialize();
    return log;
}

Logutil::Logutil(const QString &logDirectory, Clock clock)
    : m_logDirectory(logDirectory)
    , m_clock(std::move(clock))
{
    initialize();
}

Logutil::~Logutil()
{
    // Messages from what is destroyed after this object go to Qt's default
    // handler instead of to a log that no longer exists.
    if (m_handlerInstalled)
        qInstallMessageHandler(nullptr);
    if (m_logFile.isOpen())
        m_logFile.close();
}

QString Logutil::defaultLogDirectory()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation) + QStringLiteral("/logs");
}

void Logutil::initialize()
{
    if (m_initialized)
        return;

    m_consoleOutput = false;
    QDir dir(m_logDirectory);
    if (!dir.exists())
        dir.mkpath(QStringLiteral("."));
    openLogFile(m_clock().date());
    purgeOldLogFiles();
    m_initialized = true;
    qInfo() << "Logutil is Initialized";
}

void Logutil::setConsoleOutput(bool enabled)
{
    m_consoleOutput = enabled;
}

void Logutil::installMessageHandler()
{
    m_handlerInstalled = true;
    qInstallMessageHandler(&Logutil::messageHandler);
}

QString Logutil::logDirectory() const
{
    return m_logDirectory;
}

QString Logutil::logFilePath() const
{
    return m_logFilePath;
}

QString Logutil::logFileName(const QDate &date)
{
    return QStringLiteral("QCX LOG %1.log").arg(date.toString(QStringLiteral("yy.MM.dd")));
}

QString Logutil::levelName(QtMsgType type)
{
    switch (type) {
    case QtDebugMsg:
        return QStringLiteral("DEBUG");
    case QtInfoMsg:
        return QStringLiteral("INFO");
    case QtWarningMsg:
        return QStringLiteral("WARNING");
    case QtCriticalMsg:
        return QStringLiteral("CRITICAL");
    case QtFatalMsg:
        return QStringLiteral("FATAL");
    }
    return QString();
}

QString Logutil::formatLine(const QDateTime &time, QtMsgType type, const QString &text)
{
    return QStringLiteral("%1 [%2] %3")
        .arg(time.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")),
             levelName(type).leftJustified(7, QLatin1Char(' ')),
             text);
}

void Logutil::openLogFile(const QDate &date)
{
    m_logFilePath = m_logDirectory + QLatin1Char('/') + logFileName(date);
    if (m_logFile.isOpen())
        m_logFile.close();
    m_logFile.setFileName(m_logFilePath);
    if (!m_logFile.open(QIODevice::Append | QIODevice::Text))
        qWarning() << "Failed to open log file:" << m_logFilePath;
}

void Logutil::purgeOldLogFiles()
{
    const QDate today = m_clock().date();
    const QFileInfoList files = QDir(m_logDirectory)
                                    .entryInfoList({QStringLiteral("*.log")}, QDir::Files, QDir::NoSort);
    for (const QFileInfo &file : files) {
        const QDate modified = file.fileTime(QFileDevice::FileModificationTime).toLocalTime().date();
        if (modified.daysTo(today) > 7)
            QFile::remove(file.absoluteFilePath());
    }
}

void Logutil::checkLogFile(const QDate &date)
{
    const QString expected = m_logDirectory + QLatin1Char('/') + logFileName(date);
    if (expected != m_logFilePath)
        openLogFile(date);
}

void Logutil::messageHandler(QtMsgType type, const QMessageLogContext &, const QString &text)
{
    instance().writeMessage(type, text);
}

void Logutil::writeMessage(QtMsgType type, const QString &text)
{
    QMutexLocker locker(&m_mutex);
    // One reading of the clock for the file and the stamp: read twice, a line
    // written at midnight could go to one day's file with the next day's time.
    const QDateTime now = m_clock();
    checkLogFile(now.date());
    const QString line = formatLine(now, type, text);

    if (m_logFile.isOpen()) {
        QTextStream stream(&m_logFile);
        stream.setEncoding(QStringConverter::Utf8);
        stream << line << Qt::endl;
        m_logFile.flush();
    }
    if (m_consoleOutput) {
        static QTextStream out(stdout);
        out << line << Qt::endl;
    }
    if (type == QtFatalMsg)
        std::abort();
}
