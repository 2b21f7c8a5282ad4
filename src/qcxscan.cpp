#include "qcxscan.h"

#include "linewriter.h"
#include "scanreport.h"

#include <QTimer>

Qcxscan::Qcxscan(const ScanOptions &options, Linewriter *out, QObject *parent)
    : QObject(parent)
    , m_options(options)
    , m_out(out)
{
    connect(&m_scan, &Scanutil::sendScanErrorMessage, this, &Linewriter::printError);
}

bool Qcxscan::start()
{
    if (!m_scan.start(m_options.targets, m_options.interfaceName.isEmpty(), m_options.interfaceName))
        return false;
    QTimer::singleShot(qint64(m_options.durationSeconds * 1000), Qt::PreciseTimer, this, [this] { stop(0); });
    return true;
}

void Qcxscan::stop(int status)
{
    if (m_finished)
        return;
    m_finished = true;
    const ScanReport report = m_scan.report();
    m_scan.stop();
    m_out->write(m_options.json ? scanJson(report) : scanTable(report).toUtf8());
    if (!m_out->flush() && !m_out->readerGone() && status == 0) {
        Linewriter::printError(QStringLiteral("Cannot Write To Standard Output: ") + m_out->errorString());
        status = 1;
    }
    emit finished(status);
}
