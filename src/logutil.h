#pragma once

#include <QDateTime>
#include <QFile>
#include <QMutex>
#include <QString>
#include <QtGlobal>

#include <functional>

// The application log: every Qt message of the program becomes one line of a
// daily file in the configuration location's "logs" folder, echoed to stdout.
class Logutil
{
public:
    using Clock = std::function<QDateTime()>;

    static Logutil &instance();

    // The process-wide instance uses the configuration location and the
    // system clock; tests build their own with a directory and a clock.
    Logutil(const QString &logDirectory, Clock clock);
    ~Logutil();
    Logutil(const Logutil &) = delete;
    Logutil &operator=(const Logutil &) = delete;

    void setConsoleOutput(bool enabled);
    void installMessageHandler();
    static void messageHandler(QtMsgType type, const QMessageLogContext &context, const QString &text);

    // Handles one message as the installed handler does.
    void writeMessage(QtMsgType type, const QString &text);

    QString logDirectory() const;
    QString logFilePath() const;

    static QString levelName(QtMsgType type);
    static QString formatLine(const QDateTime &time, QtMsgType type, const QString &text);
    static QString logFileName(const QDate &date);
    static QString defaultLogDirectory();

private:
    void initialize();
    void openLogFile(const QDate &date);
    void purgeOldLogFiles();
    void checkLogFile(const QDate &date);

    bool m_consoleOutput = false;
    bool m_initialized = false;
    bool m_handlerInstalled = false;
    QString m_logDirectory;
    QString m_logFilePath;
    QFile m_logFile;
    QMutex m_mutex;
    Clock m_clock;
};
