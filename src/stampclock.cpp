#include "stampclock.h"

#include <QDateTime>

#include "saveutil.h"

const QString &StampClock::now()
{
    const qint64 second = QDateTime::currentSecsSinceEpoch();
    if (second != m_second) {
        const QDateTime local = QDateTime::fromSecsSinceEpoch(second);
        m_stamp = captureStamp(local.date(), local.time());
        m_second = second;
    }
    return m_stamp;
}

const QString &StampClock::now(bool dated)
{
    static const QString none;
    return dated ? now() : none;
}
