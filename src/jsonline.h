#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

struct LineRecord;

// A JSON string of text, quotes included, in ASCII alone: the quote, the
// backslash, control characters and everything beyond ASCII (Latin-1 bytes
// as received) are escaped, so that no byte that arrives can break the line.
void appendJsonString(QByteArray &out, QStringView text);

// UTC as ISO 8601 with milliseconds and Z: 2026-12-07T10:01:06.123Z.
void appendIsoTime(QByteArray &out, qint64 msSinceEpoch);

// The JSON object of one received line, with its line end: time, host,
// group, port, line, kind, checksum, and tag for a line with a TAG block.
QByteArray jsonLine(const LineRecord &line, qint64 arrivalMs, const QString &host, const QString &group,
                    quint16 port);
// The same, appended to out.
void appendJsonLine(QByteArray &out, const LineRecord &line, qint64 arrivalMs, const QString &host,
                    const QString &group, quint16 port);
