#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QStringView>

// IEC 61162-450 framing: datagrams that begin with a five-letter token and a
// NUL ("UdPbC" for sentences), and the TAG block "\s:EI0001,n:17*hh\" that
// precedes each sentence in them. Pure rules, used by Recvutil and Sendutil
// and tested on their own.
namespace Iec450 {

enum class TagVerdict { None, Correct, WrongChecksum, NoChecksum, NotClosed };

// What the TAG blocks at the start of a line say. Only a block with a
// correct checksum is believed; the fields of others are kept for the hover.
struct TagInfo
{
    TagVerdict verdict = TagVerdict::None;
    QString source;        // s:, empty when absent
    int lineCount = -1;    // n: from 0 to 999, -1 when absent or out of range
    qint64 timeMs = -1;    // c: as UNIX milliseconds, -1 when absent
    int groupLine = 0;     // g:i-n-id, 0 when absent or malformed
    int groupSize = 0;
    QString groupId;
    QString destination;   // d:
    int blocks = 0;
    qsizetype end = 0;     // where the text after the blocks begins

    bool believed() const { return verdict == TagVerdict::Correct; }
};

// A framed datagram is "UdPbC" (or another five-letter token) and a NUL.
bool hasHeader(QByteArrayView datagram);
bool isSentenceToken(QByteArrayView datagram);
// A line's bytes as text: Latin-1, with control bytes written as <hh>.
QString lineText(QByteArrayView line);

// The XOR of the characters between the leading '\' and the '*'.
quint8 tagChecksum(QByteArrayView body);
TagInfo readTag(QStringView line);
// The TAG part of a line's hover text: source, line count and verdict;
// empty for a line without a TAG block.
QString tagDetail(const TagInfo &tag);

// Empty for a valid source identity (two letters, four digits), else why not.
QString identityError(const QString &identity);
// The line count after k: 1 to 999, then 1 again.
int nextLineCount(int k);
QByteArray tagBlock(const QString &identity, int k);
// "UdPbC" NUL, the TAG block, the sentence and CR LF.
QByteArray sentenceDatagram(QByteArrayView sentence, const QString &identity, int k);

// How a line count follows the one before it from the same source.
enum class Step { First, Next, Gap, Duplicate, Reordered, Restart };
struct Sequence
{
    int last = -1;
    // Bit k set: the count k behind the last was seen.
    quint32 seen = 0;
};
// Follows one source's line counts: 999 to 1 and 999 to 0 are no gap, a
// step back of at most 16 is a late line, a larger one a restart. lost is
// what a gap left out, and is -1 when a late line fills one.
Step follow(Sequence &sequence, int lineCount, int &lost);

} // namespace Iec450
