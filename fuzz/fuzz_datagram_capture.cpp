// A datagram's way to the capture file: the sentence the receiver makes of
// its bytes, and the line the capture file gets for it.

#include "fuzzsupport.h"
#include "recvutil.h"
#include "saveutil.h"
#include "validateutil.h"

#include <QDate>
#include <QTime>

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    qInstallMessageHandler(qcxQuietMessages);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView datagram(reinterpret_cast<const char *>(data), qsizetype(size));
    const QString sentence = datagramSentence(datagram);

    // The sentence is the datagram's bytes, one character each, less the white
    // space around them: nothing is added, replaced or interpreted.
    qsizetype start = 0;
    while (start < datagram.size() && QChar(uchar(datagram.at(start))).isSpace())
        ++start;
    QCX_FUZZ_CHECK(sentence.size() <= datagram.size() - start, sentence);
    QCX_FUZZ_CHECK(QByteArrayView(sentence.toLatin1()) == datagram.sliced(start, sentence.size()), sentence);
    if (!sentence.isEmpty())
        QCX_FUZZ_CHECK(!sentence.front().isSpace() && !sentence.back().isSpace(), sentence);
    for (qsizetype i = start + sentence.size(); i < datagram.size(); ++i)
        QCX_FUZZ_CHECK(QChar(uchar(datagram.at(i))).isSpace(), sentence);

    (void)isNmeaSentence(sentence);

    // Blank sentences leave no line (Saveutil checks this before formatting).
    if (sentence.trimmed().isEmpty())
        return 0;

    // Placeholders such as %1 inside a sentence stay as they are.
    const QDate date(2025, 3, 14);
    const QTime time(9, 5, 7);
    const QString plain = captureLine(sentence, false, date, time);
    QCX_FUZZ_CHECK(plain == sentence + QLatin1Char('\n'), sentence);
    const QString stamped = captureLine(sentence, true, date, time);
    QCX_FUZZ_CHECK(stamped == QStringLiteral("25.03.14:09.05.07: ") + sentence + QLatin1Char('\n'), sentence);

    // The file is UTF-8: the line comes back from it unchanged.
    QCX_FUZZ_CHECK(QString::fromUtf8(stamped.toUtf8()) == stamped, sentence);
    return 0;
}
