#pragma once

#include <QDateTime>
#include <QString>
#include <QStringView>

// The NMEA checksum of the characters between the leading '$' or '!' and
// the '*': their XOR as two upper-case hexadecimal digits.
QString nmeaChecksum(QStringView body);

// A ZDA or RMC sentence (any talker) with utc in its time and date fields,
// each written in the width it had, and its checksum recomputed; any other
// sentence, and any field that is empty or not a number, as it was.
QString liveTimeSentence(const QString &sentence, const QDateTime &utc);
