#include "jsonline.h"

#include "linerecord.h"

#include <QDateTime>

#include <limits>

namespace {

const char kHex[] = "0123456789abcdef";

const char *checksumWord(NmeaVerdict verdict)
{
    switch (verdict) {
    case NmeaVerdict::Right:
        return "right";
    case NmeaVerdict::Wrong:
        return "wrong";
    case NmeaVerdict::NoChecksum:
        return "none";
    case NmeaVerdict::NotNmea:
    case NmeaVerdict::None:
        break;
    }
    return "not-nmea";
}

const char *tagWord(Iec450::TagVerdict verdict)
{
    switch (verdict) {
    case Iec450::TagVerdict::Correct:
        return "correct";
    case Iec450::TagVerdict::WrongChecksum:
        return "wrong";
    case Iec450::TagVerdict::NoChecksum:
        return "missing";
    case Iec450::TagVerdict::NotClosed:
    case Iec450::TagVerdict::None:
        break;
    }
    return "unclosed";
}

} // namespace

void appendJsonString(QByteArray &out, QStringView text)
{
    // Written straight into room for the worst case, six bytes a character.
    const qsizetype start = out.size();
    out.resize(start + 2 + 6 * text.size());
    char *to = out.data() + start;
    *to++ = '"';
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u >= 0x20 && u < 0x7f && u != '"' && u != '\\') {
            *to++ = char(u);
        } else if (u == '"' || u == '\\') {
            *to++ = '\\';
            *to++ = char(u);
        } else {
            *to++ = '\\';
            *to++ = 'u';
            *to++ = kHex[(u >> 12) & 15];
            *to++ = kHex[(u >> 8) & 15];
            *to++ = kHex[(u >> 4) & 15];
            *to++ = kHex[u & 15];
        }
    }
    *to++ = '"';
    out.resize(to - out.constData());
}

void appendIsoTime(QByteArray &out, qint64 msSinceEpoch)
{
    // Formatting a date costs more than the rest of a line: once a second.
    thread_local qint64 cachedSecond = std::numeric_limits<qint64>::min();
    thread_local QByteArray cachedPrefix;
    const qint64 second = msSinceEpoch >= 0 ? msSinceEpoch / 1000 : (msSinceEpoch - 999) / 1000;
    if (second != cachedSecond) {
        cachedPrefix = QDateTime::fromSecsSinceEpoch(second, Qt::UTC)
                           .toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss."))
                           .toLatin1();
        cachedSecond = second;
    }
    const int ms = int(msSinceEpoch - second * 1000);
    out += cachedPrefix;
    out += char('0' + ms / 100);
    out += char('0' + ms / 10 % 10);
    out += char('0' + ms % 10);
    out += 'Z';
}

void appendJsonLine(QByteArray &out, const LineRecord &line, qint64 arrivalMs, const QString &host,
                    const QString &group, quint16 port)
{
    out += "{\"time\":\"";
    appendIsoTime(out, arrivalMs);
    out += "\",\"host\":";
    appendJsonString(out, host);
    out += ",\"group\":";
    appendJsonString(out, group);
    out += ",\"port\":";
    out += QByteArray::number(port);
    out += ",\"line\":";
    appendJsonString(out, line.text);
    out += ",\"kind\":";
    appendJsonString(out, line.check.kind.isEmpty() ? QStringLiteral("other") : line.check.kind);
    out += ",\"checksum\":\"";
    out += checksumWord(line.check.verdict);
    out += '"';
    const Iec450::TagInfo &tag = line.tag;
    if (tag.blocks > 0) {
        out += ",\"tag\":{";
        if (!tag.source.isEmpty()) {
            out += "\"s\":";
            appendJsonString(out, tag.source);
            out += ',';
        }
        if (tag.lineCount >= 0)
            out += "\"n\":" + QByteArray::number(tag.lineCount) + ',';
        if (tag.timeMs >= 0)
            out += "\"c\":" + QByteArray::number(tag.timeMs) + ',';
        if (tag.groupLine > 0) {
            out += "\"g\":";
            appendJsonString(out, QStringLiteral("%1-%2-%3").arg(tag.groupLine).arg(tag.groupSize).arg(tag.groupId));
            out += ',';
        }
        out += "\"verdict\":\"";
        out += tagWord(tag.verdict);
        out += "\"}";
    }
    out += "}\n";
}

QByteArray jsonLine(const LineRecord &line, qint64 arrivalMs, const QString &host, const QString &group,
                    quint16 port)
{
    QByteArray out;
    appendJsonLine(out, line, arrivalMs, host, group, port);
    return out;
}
