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

// What a sentence is: '$' or '!', an address of at least two capitals or
// digits ended by ',', '*' or the end, its fields, and an optional '*' with
// the checksum; no control characters. Received lines, live time and the
// replay all go by this rule.
struct SentenceShape
{
    bool valid = false;
    qsizetype addressEnd = 0;
    qsizetype star = -1;  // the checksum's '*', -1 when there is none
};
SentenceShape sentenceShape(QStringView line);

// A line's kind and checksum verdict; the line ends at its first CR or LF.
NmeaCheck checkNmea(QStringView line);
// The hover text of a row: its verdict in words.
QString nmeaVerdictText(const NmeaCheck &check);
