#include "linerecord.h"

#include <QStringList>

namespace {

int severity(NmeaVerdict verdict)
{
    switch (verdict) {
    case NmeaVerdict::Wrong:
        return 4;
    case NmeaVerdict::NoChecksum:
        return 3;
    case NmeaVerdict::NotNmea:
        return 2;
    case NmeaVerdict::Right:
        return 1;
    case NmeaVerdict::None:
        break;
    }
    return 0;
}

// Iec450::lineText writes control bytes out and copies the others one by
// one; a line of printable ASCII alone, as nearly every line is, is the
// same text at once.
QString framedLineText(QByteArrayView bytes)
{
    for (const char c : bytes) {
        if (c < 0x20 || c > 0x7e)
            return Iec450::lineText(bytes);
    }
    return QString::fromLatin1(bytes);
}

RowRecord rowOfOneLine(const QString &line)
{
    RowRecord row;
    row.text = line;
    row.lines.append(readLine(line));
    return row;
}

} // namespace

NmeaVerdict RowRecord::verdict() const
{
    NmeaVerdict worst = NmeaVerdict::None;
    for (const LineRecord &line : lines) {
        if (severity(line.check.verdict) > severity(worst))
            worst = line.check.verdict;
    }
    return worst;
}

QString RowRecord::detail() const
{
    if (lines.size() == 1) {
        // As below, without the lists: one line is each row of a framed datagram.
        const QString tag = Iec450::tagDetail(lines.first().tag);
        const QString verdict = nmeaVerdictText(lines.first().check);
        return tag.isEmpty() || verdict.isEmpty() ? tag + verdict : tag + QStringLiteral(", ") + verdict;
    }
    QStringList parts;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const LineRecord &line = lines.at(i);
        QStringList said;
        const QString tag = Iec450::tagDetail(line.tag);
        if (!tag.isEmpty())
            said << tag;
        const QString verdict = nmeaVerdictText(line.check);
        if (!verdict.isEmpty())
            said << verdict;
        const QString text = said.join(QStringLiteral(", "));
        parts << (lines.size() > 1 ? QStringLiteral("Line %1: %2").arg(i + 1).arg(text) : text);
    }
    return parts.join(QLatin1Char('\n'));
}

QStringList RowRecord::kinds() const
{
    QStringList kinds;
    for (const LineRecord &line : lines) {
        if (!line.check.kind.isEmpty() && !kinds.contains(line.check.kind))
            kinds << line.check.kind;
    }
    return kinds;
}

LineRecord readLine(const QString &line)
{
    LineRecord record;
    record.text = line;
    record.tag = Iec450::readTag(line);
    record.sentenceAt = record.tag.end;
    record.check = checkNmea(record.sentence());
    if (record.check.verdict == NmeaVerdict::None && !line.isEmpty()) {
        // A TAG block with nothing after it, or one never closed.
        record.check.verdict = NmeaVerdict::NotNmea;
        record.check.kind = QStringLiteral("other");
    }
    return record;
}

RowRecord readRow(const QString &text)
{
    RowRecord row;
    row.text = text;
    qsizetype at = 0;
    while (at < text.size()) {
        qsizetype end = at;
        while (end < text.size() && text.at(end) != QLatin1Char('\r') && text.at(end) != QLatin1Char('\n'))
            ++end;
        const QStringView line = QStringView(text).sliced(at, end - at).trimmed();
        // A row of one line shares its text rather than copying it.
        if (!line.isEmpty())
            row.lines.append(readLine(line.size() == text.size() ? text : line.toString()));
        at = end + 1;
    }
    return row;
}

QString datagramSentence(QByteArrayView datagram)
{
    return QString::fromLatin1(datagram).trimmed();
}

DatagramRecord readDatagram(QByteArrayView datagram)
{
    DatagramRecord out;
    out.bytes = datagram.size();
    if (!Iec450::hasHeader(datagram)) {
        // A header cut before its NUL is no sentence either.
        out.framed = datagram == QByteArrayView("UdPbC");
        out.rows.append(out.framed ? rowOfOneLine(QStringLiteral("truncated datagram header UdPbC, 5 bytes"))
                                   : readRow(datagramSentence(datagram)));
        return out;
    }
    out.framed = true;
    if (!Iec450::isSentenceToken(datagram)) {
        // Binary transfers: their bytes never become text.
        out.rows.append(rowOfOneLine(QStringLiteral("binary datagram %1, %2 bytes")
                                         .arg(QString::fromLatin1(datagram.first(5)))
                                         .arg(datagram.size())));
        return out;
    }
    QByteArrayView rest = datagram.sliced(6);
    while (!rest.isEmpty()) {
        qsizetype end = 0;
        while (end < rest.size() && rest.at(end) != '\r' && rest.at(end) != '\n')
            ++end;
        // Trimmed as a whole datagram's text is, Latin-1 blanks included.
        const QString line = framedLineText(rest.first(end).trimmed()).trimmed();
        if (!line.isEmpty())
            out.rows.append(rowOfOneLine(line));
        rest = rest.sliced(qMin(end + 1, rest.size()));
    }
    if (out.rows.isEmpty())
        out.rows.append(rowOfOneLine(QStringLiteral("empty datagram UdPbC, %1 bytes").arg(datagram.size())));
    return out;
}
