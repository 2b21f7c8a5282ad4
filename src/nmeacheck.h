#pragma once

#include <QString>
#include <QStringView>

// What a received row says about its checksum. None is a row the program
// wrote itself (an empty row at a connection change).
enum class NmeaVerdict : quint8 { None, Right, Wrong, NoChecksum, NotNmea };

struct NmeaCheck
{
    NmeaVerdict verdict = NmeaVerdict::None;
    // Talker and sentence id as they arrive (GPRMC, AIVDM), "P" and the
    // manufacturer code for proprietary sentences (PGRM), "other" otherwise.
    QString kind;
    // The two characters after '*' as received, and the XOR of the
    // characters between the leading '$' or '!' and the '*' (-1: none).
    QString received;
    int computed = -1;
};

// The checksum rule of sentences and TAG blocks: the XOR of the characters'
// 8-bit codes. And the value of a hexadecimal digit, -1 for any other character.
quint8 xorChecksum(QStringView text);
int hexDigitValue(QChar c);

// The first line of a row is checked: a datagram may carry more than one.
NmeaCheck checkNmea(QStringView row);
// The hover text of a row: its verdict in words.
QString nmeaVerdictText(const NmeaCheck &check);
