// The group address and port checks: the verdict agrees with the two rules,
// and what passes is what the workers then bind and join.

#include "fuzzsupport.h"
#include "validateutil.h"

#include <QHostAddress>

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    qInstallMessageHandler(qcxQuietMessages);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 2)
        return 0;
    // First byte: where the address ends; the rest is address text, then port text.
    const size_t split = 1 + data[0] % size;
    const QString address = qcxFuzzText(data + 1, split - 1);
    const QString port = qcxFuzzText(data + split, size - split);

    const bool addressOk = isMulticastGroupAddress(address);
    const bool portOk = isGroupPortNumber(port);
    const SocketDetailsVerdict verdict = socketDetailsVerdict(address, port);

    QCX_FUZZ_CHECK(verdict.valid == (addressOk && portOk), address + QLatin1Char('|') + port);
    const QString expectedMessage = !addressOk ? QStringLiteral("Invalid or Empty Multicast Group IP Address")
        : !portOk                               ? QStringLiteral("Invalid or Empty Group Port Number")
                                                : QStringLiteral("All Socket Details OK");
    QCX_FUZZ_CHECK(verdict.message == expectedMessage, address + QLatin1Char('|') + port);

    if (addressOk) {
        // The workers parse the same text again: it must be the validated group.
        const QHostAddress group(address);
        QCX_FUZZ_CHECK(group.protocol() == QAbstractSocket::IPv4Protocol && group.isMulticast(), address);
        const quint32 value = group.toIPv4Address();
        QCX_FUZZ_CHECK(value >= 0xE0000000u && value <= 0xEFFFFFFFu, address);
    }
    if (portOk) {
        // The workers read the port with toUShort: the same number as checked.
        bool ok = false;
        const quint16 bound = port.toUShort(&ok, 10);
        QCX_FUZZ_CHECK(ok && bound >= 1024 && int(bound) == port.toInt(nullptr, 10), port);
    }
    return 0;
}
