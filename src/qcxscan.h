#pragma once

#include <QObject>
#include <QString>
#include <QVector>

#include "scanutil.h"

class Linewriter;

struct ScanOptions
{
    QVector<ScanTarget> targets;
    QString interfaceName; // empty: the window's rule, the system's choice as the fallback
    double durationSeconds = 10;
    bool json = false;
};

// qcx scan: the Network Scan tab's worker on the groups given, for a while;
// then the tab's table, or its JSON document, on standard output.
class Qcxscan : public QObject
{
    Q_OBJECT

public:
    Qcxscan(const ScanOptions &options, Linewriter *out, QObject *parent = nullptr);

    // Joins every group; false (the reason on standard error) when one fails.
    bool start();
    // Prints what was found and ends.
    void stop(int status = 0);

signals:
    void finished(int status);

private:
    ScanOptions m_options;
    Linewriter *m_out;
    Scanutil m_scan;
    bool m_finished = false;
};
