#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>

#include <memory>
#include <vector>

#include "cliargs.h"
#include "stampclock.h"

class Linewriter;
class QTimer;
class Recvutil;
class Saveutil;
struct DatagramRecord;
struct RowRecord;

struct ListenOptions
{
    QList<GroupPort> groups;
    QString interfaceName;
    QString captureDirectory; // empty: no capture file
    bool stamp = true;
    bool json = false;
    double durationSeconds = 0; // 0: no end
    qint64 count = 0;           // 0: no end
    double timeoutSeconds = 0;  // 0: no time-out
};

// qcx listen: one window's receiver per group, all on one interface, each
// received line to standard output and, when asked, to the window's capture
// files.
class Qcxlisten : public QObject
{
    Q_OBJECT

public:
    Qcxlisten(const ListenOptions &options, Linewriter *out, QObject *parent = nullptr);
    ~Qcxlisten() override;

    // Joins every group and opens the capture file; false (the reason on
    // standard error) when one of them fails.
    bool start();
    // Ends with every line written.
    void stop(int status = 0);
    // A new capture file, for log rotation and at local midnight.
    void reopenCapture();

signals:
    void finished(int status);

private:
    void receive(const GroupPort &group, const DatagramRecord &datagram);
    void output(const GroupPort &group, const DatagramRecord &datagram, const RowRecord &row, qsizetype lines);
    void writeCapture();
    void scheduleMidnight();

    ListenOptions m_options;
    Linewriter *m_out;
    std::vector<std::unique_ptr<Recvutil>> m_receivers;
    std::unique_ptr<Saveutil> m_saveutil;
    QTimer *m_midnight = nullptr;
    qint64 m_lines = 0;
    StampClock m_stampClock;
    QByteArray m_line;
    QString m_captureFailure;
    bool m_captureWriteFailed = false;
    bool m_finished = false;
};
