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

NmeaCheck checkNmea(QStringView row)
{
    NmeaCheck check;
    if (row.isEmpty())
        return check;
    qsizetype lineEnd = 0;
    while (lineEnd < row.size() && row[lineEnd] != QLatin1Char('\r') && row[lineEnd] != QLatin1Char('\n'))
        ++lineEnd;
    const QStringView line = row.left(lineEnd);

    qsizetype addressEnd = 1;
    while (addressEnd < line.size() && isAddressChar(line[addressEnd]))
        ++addressEnd;
    const bool delimited = addressEnd == line.size() || line[addressEnd] == QLatin1Char(',')
        || line[addressEnd] == QLatin1Char('*');
    if (line.isEmpty() || (line[0] != QLatin1Char('$') && line[0] != QLatin1Char('!')) || addressEnd < 3
        || !delimited) {
        check.verdict = NmeaVerdict::NotNmea;
        check.kind = QStringLiteral("other");
        return check;
    }
    const QStringView address = line.mid(1, addressEnd - 1);
    check.kind = (line[0] == QLatin1Char('$') && address[0] == QLatin1Char('P') && address.size() > 4)
        ? address.left(4).toString()
        : address.toString();

    int sum = 0;
    qsizetype star = 1;
    for (; star < line.size() && line[star] != QLatin1Char('*'); ++star)
        sum ^= line[star].unicode() & 0xff;
    if (star == line.size()) {
        check.verdict = NmeaVerdict::NoChecksum;
        return check;
    }
    check.computed = sum;
    check.received = line.mid(star + 1).toString();
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
