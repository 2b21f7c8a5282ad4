#pragma once

#include <QString>

// The capture line's stamp for the current second, in local time. Looking up
// the local time (which reads the time zone file) and formatting it cost more
// than the rest of a line, so the stamp is worked out once a second. Date and
// time come from one reading of the clock: read apart, a line written at
// midnight could pair the old date with the new time.
class StampClock
{
public:
    const QString &now();
    // now(), or the empty stamp of lines without date and time.
    const QString &now(bool dated);

private:
    qint64 m_second = -1;
    QString m_stamp;
};
