#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <cstdio>
#include <cstdlib>
#include <cstring>

// The program logs at every step; a fuzz run only wants to hear of failures.
inline void qcxQuietMessages(QtMsgType type, const QMessageLogContext &, const QString &text)
{
    if (type == QtFatalMsg) {
        std::fprintf(stderr, "fatal: %s\n", qPrintable(text));
        std::abort();
    }
}

// A broken rule: say which, and let libFuzzer keep the input.
#define QCX_FUZZ_CHECK(condition, what)                                                      \
    do {                                                                                      \
        if (!(condition)) {                                                                   \
            std::fprintf(stderr, "fuzz check failed: %s (%s)\n", #condition, qPrintable(what)); \
            std::abort();                                                                     \
        }                                                                                     \
    } while (false)

// The first input byte picks how the rest becomes text: as the receiver reads
// a datagram (Latin-1), as a text field or file holds it (UTF-8), or as raw
// UTF-16 units, lone surrogates included.
inline QString qcxFuzzText(const uint8_t *data, size_t size)
{
    if (size == 0)
        return QString();
    const char *bytes = reinterpret_cast<const char *>(data + 1);
    const qsizetype length = qsizetype(size - 1);
    switch (data[0] % 3) {
    case 0:
        return QString::fromLatin1(bytes, length);
    case 1:
        return QString::fromUtf8(bytes, length);
    default: {
        QString text(length / 2, Qt::Uninitialized);
        std::memcpy(text.data(), bytes, size_t(length / 2) * sizeof(QChar));
        return text;
    }
    }
}
