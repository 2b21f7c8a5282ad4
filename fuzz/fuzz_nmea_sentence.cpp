// The NMEA sentence check against a hand-written reading of its pattern,
// ^[!$][A-Z0-9]{2,5}(,[^*]*)?\*[0-9A-Fa-f]{2}$ on the trimmed text.

#include "fuzzsupport.h"
#include "validateutil.h"

namespace {

bool isUpperOrDigit(QChar c)
{
    return (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) || (c >= QLatin1Char('0') && c <= QLatin1Char('9'));
}

bool isHexDigit(QChar c)
{
    return (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || (c >= QLatin1Char('A') && c <= QLatin1Char('F'))
        || (c >= QLatin1Char('a') && c <= QLatin1Char('f'));
}

bool referenceSentence(const QString &text)
{
    const QString t = text.trimmed();
    const qsizetype n = t.size();
    if (n == 0 || (t.at(0) != QLatin1Char('$') && t.at(0) != QLatin1Char('!')))
        return false;
    qsizetype i = 1;
    int addressLength = 0;
    while (i < n && addressLength < 5 && isUpperOrDigit(t.at(i))) {
        ++i;
        ++addressLength;
    }
    if (addressLength < 2)
        return false;
    if (i < n && t.at(i) == QLatin1Char(',')) {
        while (i < n && t.at(i) != QLatin1Char('*'))
            ++i;
    }
    if (i >= n || t.at(i) != QLatin1Char('*'))
        return false;
    ++i;
    return n - i == 2 && isHexDigit(t.at(i)) && isHexDigit(t.at(i + 1));
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    qInstallMessageHandler(qcxQuietMessages);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = qcxFuzzText(data, size);
    const bool valid = isNmeaSentence(text);
    QCX_FUZZ_CHECK(valid == referenceSentence(text), text);
    // White space around a sentence never changes the verdict.
    QCX_FUZZ_CHECK(isNmeaSentence(QStringLiteral(" \r\n") + text + QStringLiteral("\r\n")) == valid, text);
    return 0;
}
