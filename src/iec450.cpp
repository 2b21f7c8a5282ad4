#include "iec450.h"

#include "nmeacheck.h"
#include "recvutil.h"

#include <QRegularExpression>

namespace Iec450 {

namespace {

const QByteArrayView sentenceToken("UdPbC");
constexpr int lineCountWrap = 999;

bool isTokenLetter(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool hasHeader(QByteArrayView datagram)
{
    if (datagram.size() < 6 || datagram.at(5) != '\0')
        return false;
    for (qsizetype i = 0; i < 5; ++i) {
        if (!isTokenLetter(datagram.at(i)))
            return false;
    }
    return true;
}

bool isControl(uchar c)
{
    return c < 0x20 || (c >= 0x7f && c < 0xa0);
}

// A line as Latin-1, as unframed datagrams are shown, but with control bytes
// written as <hh>: a row is one line of text in the capture file.
QString lineText(QByteArrayView line)
{
    QString text;
    text.reserve(line.size());
    for (const char c : line) {
        if (isControl(uchar(c)))
            text += QStringLiteral("<%1>").arg(uchar(c), 2, 16, QLatin1Char('0')).toUpper();
        else
            text += QLatin1Char(c);
    }
    return text;
}

int readLineCount(QStringView value)
{
    bool ok = false;
    const int n = value.toInt(&ok);
    return ok && n >= 1 && n <= lineCountWrap && value.front().isDigit() ? n : 0;
}

TagVerdict blockVerdict(QStringView block, QStringView &fields)
{
    const qsizetype star = block.lastIndexOf(QLatin1Char('*'));
    fields = star < 0 ? block : block.first(star);
    if (star < 0 || block.size() - star != 3)
        return TagVerdict::NoChecksum;
    const int high = hexDigitValue(block.at(star + 1));
    const int low = hexDigitValue(block.at(star + 2));
    if (high < 0 || low < 0)
        return TagVerdict::NoChecksum;
    const quint8 sum = xorChecksum(fields);
    return sum == high * 16 + low ? TagVerdict::Correct : TagVerdict::WrongChecksum;
}

} // namespace

quint8 tagChecksum(QByteArrayView body)
{
    quint8 sum = 0;
    for (const char c : body)
        sum ^= quint8(c);
    return sum;
}

Datagram parseDatagram(QByteArrayView datagram)
{
    Datagram out;
    if (!hasHeader(datagram)) {
        // A header cut before its NUL is no sentence either.
        out.framed = datagram == sentenceToken;
        out.rows << (out.framed ? QStringLiteral("truncated datagram header UdPbC, 5 bytes")
                                : datagramSentence(datagram));
        return out;
    }
    out.framed = true;
    const QByteArrayView token = datagram.first(5);
    if (token != sentenceToken) {
        // Binary transfers: their bytes never become text.
        out.rows << QStringLiteral("binary datagram %1, %2 bytes")
                        .arg(QString::fromLatin1(token))
                        .arg(datagram.size());
        return out;
    }
    QByteArrayView rest = datagram.sliced(6);
    while (!rest.isEmpty()) {
        qsizetype end = 0;
        while (end < rest.size() && rest.at(end) != '\r' && rest.at(end) != '\n')
            ++end;
        // Trimmed as a whole datagram's text is, Latin-1 blanks included.
        const QString line = lineText(rest.first(end).trimmed()).trimmed();
        if (!line.isEmpty())
            out.rows << line;
        rest = rest.sliced(qMin(end + 1, rest.size()));
    }
    if (out.rows.isEmpty())
        out.rows << QStringLiteral("empty datagram UdPbC, %1 bytes").arg(datagram.size());
    return out;
}

TagInfo readTag(QStringView row)
{
    TagInfo info;
    qsizetype at = 0;
    while (at < row.size() && row.at(at) == QLatin1Char('\\')) {
        ++info.blocks;
        const qsizetype end = row.indexOf(QLatin1Char('\\'), at + 1);
        QStringView fields;
        TagVerdict verdict = TagVerdict::NotClosed;
        if (end < 0) {
            // Its fields still say who sent it, up to the first '*'.
            const QStringView rest = row.sliced(at + 1);
            const qsizetype star = rest.indexOf(QLatin1Char('*'));
            fields = star < 0 ? rest : rest.first(star);
        } else {
            verdict = blockVerdict(row.sliced(at + 1, end - at - 1), fields);
        }
        // Several blocks: the first fault is the verdict, the first s: and n: count.
        if (info.verdict == TagVerdict::None || info.verdict == TagVerdict::Correct)
            info.verdict = verdict;
        for (const QStringView field : fields.split(QLatin1Char(','))) {
            if (field.startsWith(QLatin1String("s:")) && info.source.isEmpty())
                info.source = field.sliced(2).toString();
            else if (field.startsWith(QLatin1String("n:")) && info.lineCount == 0 && field.size() > 2)
                info.lineCount = readLineCount(field.sliced(2));
        }
        if (end < 0)
            break;
        at = end + 1;
    }
    return info;
}

QString rowDetail(QStringView row)
{
    const TagInfo tag = readTag(row);
    if (tag.blocks == 0)
        return QString();
    QStringList parts;
    parts << (tag.source.isEmpty() ? QStringLiteral("No source") : QStringLiteral("Source ") + tag.source);
    if (tag.lineCount > 0)
        parts << QStringLiteral("line %1").arg(tag.lineCount);
    switch (tag.verdict) {
    case TagVerdict::Correct:
        parts << QStringLiteral("TAG checksum correct");
        break;
    case TagVerdict::WrongChecksum:
        parts << QStringLiteral("TAG checksum wrong");
        break;
    case TagVerdict::NoChecksum:
        parts << QStringLiteral("TAG block without checksum");
        break;
    case TagVerdict::NotClosed:
    case TagVerdict::None:
        parts << QStringLiteral("TAG block not closed");
        break;
    }
    return parts.join(QStringLiteral(", "));
}

QString identityError(const QString &identity)
{
    static const QRegularExpression pattern(QStringLiteral("^[A-Z]{2}[0-9]{4}$"));
    if (pattern.match(identity).hasMatch())
        return QString();
    return QStringLiteral("Invalid Source Identity \"%1\": Two Letters And Four Digits Are Needed, e.g. EI0001")
        .arg(identity);
}

int nextLineCount(int k)
{
    return k >= 1 && k < lineCountWrap ? k + 1 : 1;
}

QByteArray tagBlock(const QString &identity, int k)
{
    const QByteArray body = "s:" + identity.toLatin1() + ",n:" + QByteArray::number(k);
    return '\\' + body + '*' + QByteArray::number(tagChecksum(body), 16).rightJustified(2, '0').toUpper() + '\\';
}

QByteArray sentenceDatagram(QByteArrayView sentence, const QString &identity, int k)
{
    return QByteArray("UdPbC", 6) + tagBlock(identity, k) + sentence.trimmed().toByteArray() + "\r\n";
}

int SourceCounter::count(const TagInfo &tag)
{
    if (tag.blocks == 0)
        return 0;
    Source &source = m_sources[tag.source];
    ++source.lines;
    if (tag.verdict != TagVerdict::Correct) {
        // A damaged line arrived all the same: it is taken for the one expected.
        ++source.tagErrors;
        if (source.lastLineCount != 0)
            source.lastLineCount = nextLineCount(source.lastLineCount);
        return 0;
    }
    if (tag.lineCount == 0)
        return 0;
    int lost = 0;
    if (source.lastLineCount != 0) {
        const int gap = (tag.lineCount - source.lastLineCount + lineCountWrap) % lineCountWrap;
        // 0 is a repeat, not a loss.
        lost = gap > 1 ? gap - 1 : 0;
    }
    source.lastLineCount = tag.lineCount;
    source.lost += lost;
    m_totalLost += lost;
    return lost;
}

qint64 SourceCounter::totalLost() const
{
    return m_totalLost;
}

const QMap<QString, SourceCounter::Source> &SourceCounter::sources() const
{
    return m_sources;
}

QString SourceCounter::summary() const
{
    if (m_sources.isEmpty())
        return QString();
    return QStringLiteral("TAG sources: %1, lost: %2").arg(m_sources.size()).arg(m_totalLost);
}

QString SourceCounter::details() const
{
    QStringList lines;
    for (auto it = m_sources.cbegin(); it != m_sources.cend(); ++it) {
        lines << QStringLiteral("%1: %2 sentences, %3 lost, %4 TAG errors")
                     .arg(it.key().isEmpty() ? QStringLiteral("(no source)") : it.key())
                     .arg(it->lines)
                     .arg(it->lost)
                     .arg(it->tagErrors);
    }
    return lines.join(QLatin1Char('\n'));
}

void SourceCounter::clear()
{
    m_sources.clear();
    m_totalLost = 0;
}

} // namespace Iec450
