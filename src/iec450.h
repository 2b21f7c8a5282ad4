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

// What the TAG blocks at the start of a line say.
struct TagInfo
{
    TagVerdict verdict = TagVerdict::None;
    QString source;     // s:, empty when absent
    int lineCount = 0;  // n: from 1 to 999, 0 when absent or out of range
    int blocks = 0;
};

struct Datagram
{
    bool framed = false;
    // One row per line; each row is also one capture line.
    QStringList rows;
};

// The XOR of the characters between the leading '\' and the '*'.
quint8 tagChecksum(QByteArrayView body);
// The rows a datagram gives; an unframed one gives its sentence as before.
Datagram parseDatagram(QByteArrayView datagram);
TagInfo readTag(QStringView row);
// The hover text of a row: its source, line count and TAG verdict; empty
// for a row without a TAG block.
QString rowDetail(QStringView row);

// Empty for a valid source identity (two letters, four digits), else why not.
QString identityError(const QString &identity);
// The line count after k: 1 to 999, then 1 again.
int nextLineCount(int k);
QByteArray tagBlock(const QString &identity, int k);
// "UdPbC" NUL, the TAG block, the sentence and CR LF.
QByteArray sentenceDatagram(QByteArrayView sentence, const QString &identity, int k);

// The line counts of each source followed from one datagram to the next: a
// jump says how many sentences of that source the network lost.
class SourceCounter
{
public:
    struct Source
    {
        qint64 lines = 0;
        qint64 lost = 0;
        qint64 tagErrors = 0;
        int lastLineCount = 0;
    };

    // Returns the sentences lost just before this line.
    int count(const TagInfo &tag);
    qint64 totalLost() const;
    const QMap<QString, Source> &sources() const;
    // The receiver's summary line; empty before any TAG block arrived.
    QString summary() const;
    // One line per source: its sentences, losses and damaged TAG blocks.
    QString details() const;
    void clear();

private:
    QMap<QString, Source> m_sources;
    qint64 m_totalLost = 0;
};

} // namespace Iec450
