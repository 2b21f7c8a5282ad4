#include "iec450.h"

#include "nmeacheck.h"

#include <QRegularExpression>

namespace Iec450 {

namespace {

const QByteArrayView sentenceToken("UdPbC");
constexpr int lineCountWrap = 999;
// Lines a sender may send out of order, and how far a count may run on past
// 999 and still be a wrap rather than a restart.
constexpr int reorderWindow = 16;
constexpr int wrapWindow = 100;

bool isTokenLetter(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool isTokenLetterRun(QByteArrayView token)
{
    for (const char c : token) {
        if (!isTokenLetter(c))
            return false;
    }
    return true;
}
bool isControl(uchar c)
{
    return c < 0x20 || (c >= 0x7f && c < 0xa0);
}

bool allDigits(QStringView value)
{
    for (const QChar c : value) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    }
    return !value.isEmpty();
}

int readLineCount(QStringView value)
{
    return allDigits(value) && value.size() <= 3 ? value.toInt() : -1;
}

// c: is UNIX time in seconds (10 digits) or milliseconds (13).
qint64 readTime(QStringView value)
{
    if (!allDigits(value) || (value.size() != 10 && value.size() != 13))
        return -1;
    const qint64 t = value.toLongLong();
    return value.size() == 10 ? t * 1000 : t;
}

void readGroup(QStringView value, TagInfo &info)
{
    const QList<QStringView> parts = value.split(QLatin1Char('-'));
    if (parts.size() != 3 || !allDigits(parts[0]) || !allDigits(parts[1]) || parts[0].size() > 3
        || parts[1].size() > 3)
        return;
    const int line = parts[0].toInt();
    const int size = parts[1].toInt();
    if (line < 1 || line > size)
        return;
    info.groupLine = line;
    info.groupSize = size;
    info.groupId = parts[2].toString();
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

bool hasHeader(QByteArrayView datagram)
{
    return datagram.size() >= 6 && datagram.at(5) == '\0' && isTokenLetterRun(datagram.first(5));
}

bool isSentenceToken(QByteArrayView datagram)
{
    return datagram.first(qMin<qsizetype>(5, datagram.size())) == sentenceToken;
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

TagInfo readTag(QStringView line)
{
    TagInfo info;
    qsizetype at = 0;
    while (at < line.size() && line.at(at) == QLatin1Char('\\')) {
        ++info.blocks;
        const qsizetype end = line.indexOf(QLatin1Char('\\'), at + 1);
        QStringView fields;
        TagVerdict verdict = TagVerdict::NotClosed;
        if (end < 0) {
            // Its fields still say who sent it, up to the first '*'.
            const QStringView rest = line.sliced(at + 1);
            const qsizetype star = rest.indexOf(QLatin1Char('*'));
            fields = star < 0 ? rest : rest.first(star);
        } else {
            verdict = blockVerdict(line.sliced(at + 1, end - at - 1), fields);
        }
        // Several blocks: the first fault is the verdict, the first of each field counts.
        if (info.verdict == TagVerdict::None || info.verdict == TagVerdict::Correct)
            info.verdict = verdict;
        for (const QStringView field : fields.tokenize(QLatin1Char(','))) {
            if (field.size() < 2 || field.at(1) != QLatin1Char(':'))
                continue;
            const QStringView value = field.sliced(2);
            switch (field.at(0).unicode()) {
            case 's':
                if (info.source.isEmpty())
                    info.source = value.toString();
                break;
            case 'n':
                if (info.lineCount < 0)
                    info.lineCount = readLineCount(value);
                break;
            case 'c':
                if (info.timeMs < 0)
                    info.timeMs = readTime(value);
                break;
            case 'g':
                if (info.groupLine == 0)
                    readGroup(value, info);
                break;
            case 'd':
                if (info.destination.isEmpty())
                    info.destination = value.toString();
                break;
            default:
                break;
            }
        }
        if (end < 0) {
            at = line.size();
            break;
        }
        at = end + 1;
    }
    info.end = at;
    return info;
}

QString tagDetail(const TagInfo &tag)
{
    if (tag.blocks == 0)
        return QString();
    QStringList parts;
    parts << (tag.source.isEmpty() ? QStringLiteral("No source") : QStringLiteral("Source ") + tag.source);
    if (tag.lineCount >= 0)
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
    if (identity.isEmpty())
        return QStringLiteral("No Source Identity: Type Two Letters And Four Digits In \"IEC 61162-450 Source\", e.g. EI0001");
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

namespace {
// How far b lies ahead of a, counting 999 to 1 and 999 to 0 as one step.
int ahead(int a, int b)
{
    if (b >= a)
        return b - a;
    return (lineCountWrap - a) + b + (b == 0 ? 1 : 0);
}
}

Step follow(Sequence &sequence, int lineCount, int &lost)
{
    lost = 0;
    if (sequence.last < 0) {
        sequence.last = lineCount;
        sequence.seen = 1;
        return Step::First;
    }
    const int last = sequence.last;
    // The last count itself is bit 0 of the counts seen.
    const int back = ahead(lineCount, last);
    if (back <= reorderWindow) {
        const quint32 bit = quint32(1) << back;
        if (sequence.seen & bit)
            return Step::Duplicate;
        sequence.seen |= bit;
        lost = -1;
        return Step::Reordered;
    }
    const int forward = ahead(last, lineCount);
    if (lineCount < last && forward > wrapWindow) {
        sequence.last = lineCount;
        sequence.seen = 1;
        return Step::Restart;
    }
    sequence.last = lineCount;
    sequence.seen = forward >= 32 ? 1 : (sequence.seen << forward) | 1;
    lost = forward - 1;
    return lost > 0 ? Step::Gap : Step::Next;
}

} // namespace Iec450
