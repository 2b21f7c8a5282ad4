#pragma once

#include <QByteArrayView>
#include <QMetaType>
#include <QString>
#include <QStringView>
#include <QVector>

#include "iec450.h"
#include "nmeacheck.h"

// The most a UDP datagram over IPv4 carries. The receiver's buffer, the
// replay's longest line and the sender's checks all use this one limit.
constexpr qsizetype kMaxDatagramBytes = 65507;

// One received line, read once: its TAG blocks, and the sentence after them
// with its kind and checksum verdict. Everything that shows, counts, filters
// or records a line reads this record.
struct LineRecord
{
    QString text;              // as received, TAG blocks included
    qsizetype sentenceAt = 0;  // where the sentence after the TAG blocks begins
    Iec450::TagInfo tag;       // blocks == 0 for a line without TAG block
    NmeaCheck check;           // of the sentence after the TAG blocks

    QStringView sentence() const { return QStringView(text).sliced(sentenceAt); }
};

// A row of a list and of the capture file: one line of a framed datagram,
// or the whole text of an unframed one (which may hold several lines).
struct RowRecord
{
    QString text;
    QVector<LineRecord> lines;

    // The worst verdict of its lines: wrong, then no checksum, then not NMEA.
    NmeaVerdict verdict() const;
    // Each line's verdict and TAG block in words, one line each.
    QString detail() const;
    // The distinct kinds of its lines, in order.
    QStringList kinds() const;
};

struct DatagramRecord
{
    qint64 arrivalMs = 0;  // UTC, milliseconds since 1970
    QString host;
    quint16 port = 0;
    qint64 bytes = 0;      // as received: header and line ends included
    bool framed = false;
    QVector<RowRecord> rows;
};

// The text of an unframed datagram: its bytes read as Latin-1 without the
// white space around them; inner line breaks stay.
QString datagramSentence(QByteArrayView datagram);
// The rows and lines of a datagram; the caller fills in arrival and source.
// An unframed datagram is one row: its Latin-1 text without the white space
// around it, as it has always been listed and recorded.
DatagramRecord readDatagram(QByteArrayView datagram);
// One line of text (a replayed or listed line), TAG blocks and all.
LineRecord readLine(const QString &line);
// A row's text split into its lines, each read.
RowRecord readRow(const QString &text);

Q_DECLARE_METATYPE(DatagramRecord)
