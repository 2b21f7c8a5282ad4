#include "nmeacheck.h"

namespace {
bool isAddressChar(QChar c)
{
    return (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) || (c >= QLatin1Char('0') && c <= QLatin1Char('9'));
}

}

int hexDigitValue(QChar c)
{
    const ushort u = c.unicode();
    if (u >= '0' && u <= '9')
        return u - '0';
    if (u >= 'A' && u <= 'F')
        return u - 'A' + 10;
    if (u >= 'a' && u <= 'f')
        return u - 'a' + 10;
    return -1;
}

quint8 xorChecksum(QStringView text)
{
    quint8 sum = 0;
    for (const QChar c : text)
        sum ^= quint8(c.unicode() & 0xff);
    return sum;
}

SentenceShape sentenceShape(QStringView line)
{
    SentenceShape shape;
    if (line.size() < 3 || (line[0] != QLatin1Char('$') && line[0] != QLatin1Char('!')))
        return shape;
    qsizetype addressEnd = 1;
    while (addressEnd < line.size() && isAddressChar(line[addressEnd]))
        ++addressEnd;
    if (addressEnd < 3
        || (addressEnd < line.size() && line[addressEnd] != QLatin1Char(',') && line[addressEnd] != QLatin1Char('*')))
        return shape;
    for (const QChar c : line) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            return shape;
    }
    shape.valid = true;
    shape.addressEnd = addressEnd;
    shape.star = line.indexOf(QLatin1Char('*'), addressEnd);
    return shape;
}

NmeaCheck checkNmea(QStringView line)
{
    NmeaCheck check;
    if (line.isEmpty())
        return check;
    qsizetype lineEnd = 0;
    while (lineEnd < line.size() && line[lineEnd] != QLatin1Char('\r') && line[lineEnd] != QLatin1Char('\n'))
        ++lineEnd;
    line = line.first(lineEnd);

    const SentenceShape shape = sentenceShape(line);
    if (!shape.valid) {
        check.verdict = NmeaVerdict::NotNmea;
        check.kind = QStringLiteral("other");
        return check;
    }
    const QStringView address = line.sliced(1, shape.addressEnd - 1);
    check.kind = (line[0] == QLatin1Char('$') && address[0] == QLatin1Char('P') && address.size() > 4)
        ? address.left(4).toString()
        : address.toString();
    if (shape.star < 0) {
        check.verdict = NmeaVerdict::NoChecksum;
        return check;
    }
    const int sum = xorChecksum(line.sliced(1, shape.star - 1));
    check.computed = sum;
    check.received = line.sliced(shape.star + 1).toString();
    const bool wellFormed = check.received.size() == 2 && hexDigitValue(check.received[0]) >= 0
        && hexDigitValue(check.received[1]) >= 0;
    check.verdict = wellFormed && hexDigitValue(check.received[0]) * 16 + hexDigitValue(check.received[1]) == sum
        ? NmeaVerdict::Right
        : NmeaVerdict::Wrong;
    return check;
}

QString nmeaVerdictText(const NmeaCheck &check)
{
    switch (check.verdict) {
    case NmeaVerdict::Right:
        return QStringLiteral("Checksum right");
    case NmeaVerdict::Wrong:
        return QStringLiteral("Checksum wrong: received %1, computed %2")
            .arg(check.received.isEmpty() ? QStringLiteral("nothing") : check.received,
                 QString::number(check.computed, 16).toUpper().rightJustified(2, QLatin1Char('0')));
    case NmeaVerdict::NoChecksum:
        return QStringLiteral("No checksum");
    case NmeaVerdict::NotNmea:
        return QStringLiteral("Not an NMEA sentence");
    case NmeaVerdict::None:
        break;
    }
    return QString();
}
