#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QObject>
#include <QString>

// Lines for a file descriptor (qcx's standard output), gathered and written
// in one go whenever the event loop is about to wait, or once they fill a
// block: one system call for many lines, and none left waiting while idle.
class Linewriter : public QObject
{
    Q_OBJECT

public:
    explicit Linewriter(int fd, QObject *parent = nullptr);
    ~Linewriter() override;

    void write(QByteArrayView bytes);
    // False when the lines could not be written; the reason is in errorString().
    bool flush();
    bool failed() const;
    // The reader went away (a pipe closed): no failure of the program's own.
    bool readerGone() const;
    QString errorString() const;

    // "qcx: " and the message on standard error. The same message again
    // within five seconds is not repeated: the receiver of each group says
    // it, and a full disk says it for every line.
    static void printError(const QString &message);

signals:
    void writeFailed();

private:
    int m_fd;
    QByteArray m_buffer;
    int m_error = 0;
};
