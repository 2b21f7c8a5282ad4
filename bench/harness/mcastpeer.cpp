// A multicast peer for the socket tests, with plain POSIX sockets so that what
// it sees on the wire does not depend on the Qt code under test.
//
//   qcx_mcastpeer send GROUP PORT LOCAL-ADDR [--sport N] [--delay-ms N] [--gap-ms N] PAYLOAD...
//       Sends each PAYLOAD as one datagram to GROUP:PORT out of the interface
//       that holds LOCAL-ADDR (TTL 1), from source port N when given.
//       PAYLOAD is hex:<hex digits> (hex: alone is an empty datagram) or
//       fill:<count>:<hex byte>. Prints "SENT <n>" and exits 0.
//
//   qcx_mcastpeer flood GROUP PORT LOCAL-ADDR RATE SECONDS
//       Sends numbered sentences "$QCFLD,<n>*00" (n counts from 1, eight
//       digits) to GROUP:PORT out of the interface that holds LOCAL-ADDR, RATE
//       datagrams a second for SECONDS seconds (at most 200000 a second and 60
//       seconds), paced in one-millisecond slices. Prints "SENT <n> FAILED <m>"
//       (m: sends the kernel refused) and exits 0.
//
//   qcx_mcastpeer recv GROUP PORT LOCAL-ADDR COUNT TIMEOUT-MS
//       Joins GROUP on the interface that holds LOCAL-ADDR, prints "READY",
//       then one line per datagram
//           <microseconds since READY> <source address> <source port> <hex payload>
//       and exits 0 after COUNT datagrams, or 3 when TIMEOUT-MS pass first.
//
// Any other failure prints a reason on stderr and exits 2.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

#include "peerargs.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

std::vector<unsigned char> parsePayload(const std::string &argument)
{
    std::vector<unsigned char> bytes;
    errno = 0;
    if (argument.rfind("hex:", 0) == 0) {
        const std::string hex = argument.substr(4);
        if (hex.size() % 2)
            fail("odd number of hex digits");
        for (size_t i = 0; i < hex.size(); i += 2) {
            const int high = hexDigit(hex[i]);
            const int low = hexDigit(hex[i + 1]);
            if (high < 0 || low < 0)
                fail("bad hex digit");
            bytes.push_back(static_cast<unsigned char>(high * 16 + low));
        }
        return bytes;
    }
    if (argument.rfind("fill:", 0) == 0) {
        const size_t colon = argument.find(':', 5);
        if (colon == std::string::npos || argument.size() != colon + 3)
            fail("fill payload is fill:<count>:<hex byte>");
        const long count = parseNumber(argument.substr(5, colon - 5).c_str(), 0, 65535);
        const int high = hexDigit(argument[colon + 1]);
        const int low = hexDigit(argument[colon + 2]);
        if (high < 0 || low < 0)
            fail("bad hex byte");
        bytes.assign(static_cast<size_t>(count), static_cast<unsigned char>(high * 16 + low));
        return bytes;
    }
    fail("unknown payload: " + argument);
}

long long nowMicros()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<long long>(ts.tv_sec) * 1000000 + ts.tv_nsec / 1000;
}

void sleepMillis(long ms)
{
    if (ms <= 0)
        return;
    timespec ts{ms / 1000, (ms % 1000) * 1000000};
    while (nanosleep(&ts, &ts) != 0 && errno == EINTR) {
    }
}

int runSend(int argc, char **argv)
{
    if (argc < 5)
        fail("send GROUP PORT LOCAL-ADDR [options] PAYLOAD...");
    const in_addr group = parseAddress(argv[2]);
    const long port = parseNumber(argv[3], 1, 65535);
    const in_addr local = parseAddress(argv[4]);
    long sourcePort = 0;
    long delayMs = 0;
    long gapMs = 0;
    std::vector<std::vector<unsigned char>> payloads;
    for (int i = 5; i < argc; ++i) {
        const std::string arg = argv[i];
        if ((arg == "--sport" || arg == "--delay-ms" || arg == "--gap-ms") && i + 1 < argc) {
            const long value = parseNumber(argv[++i], 0, arg == "--sport" ? 65535 : 60000);
            (arg == "--sport" ? sourcePort : arg == "--delay-ms" ? delayMs : gapMs) = value;
        } else {
            payloads.push_back(parsePayload(arg));
        }
    }
    if (payloads.size() > 10000)
        fail("too many payloads");

    const int fd = socket(AF_INET, SOCK_DGRAM, 0);
    if (fd < 0)
        fail("socket");
    sockaddr_in source{};
    source.sin_family = AF_INET;
    source.sin_addr = local;
    source.sin_port = htons(static_cast<uint16_t>(sourcePort));
    if (bind(fd, reinterpret_cast<sockaddr *>(&source), sizeof source) != 0)
        fail("bind");
    if (setsockopt(fd, IPPROTO_IP, IP_MULTICAST_IF, &local, sizeof local) != 0)
        fail("IP_MULTICAST_IF");
    const unsigned char ttl = 1;
    if (setsockopt(fd, IPPROTO_IP, IP_MULTICAST_TTL, &ttl, sizeof ttl) != 0)
        fail("IP_MULTICAST_TTL");
    const int sendBuffer = 1 << 20;
    setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &sendBuffer, sizeof sendBuffer);

    sockaddr_in destination{};
    destination.sin_family = AF_INET;
    destination.sin_addr = group;
    destination.sin_port = htons(static_cast<uint16_t>(port));

    sleepMillis(delayMs);
    size_t sent = 0;
    for (const std::vector<unsigned char> &payload : payloads) {
        if (sent > 0)
            sleepMillis(gapMs);
        if (sendto(fd, payload.data(), payload.size(), 0, reinterpret_cast<sockaddr *>(&destination),
                   sizeof destination)
            != static_cast<ssize_t>(payload.size()))
            fail("sendto");
        ++sent;
    }
    close(fd);
    std::printf("SENT %zu\n", sent);
    return 0;
}

int openSender(const in_addr &local, long sourcePort)
{
    const int fd = socket(AF_INET, SOCK_DGRAM, 0);
    if (fd < 0)
        fail("socket");
    sockaddr_in source{};
    source.sin_family = AF_INET;
    source.sin_addr = local;
    source.sin_port = htons(static_cast<uint16_t>(sourcePort));
    if (bind(fd, reinterpret_cast<sockaddr *>(&source), sizeof source) != 0)
        fail("bind");
    if (setsockopt(fd, IPPROTO_IP, IP_MULTICAST_IF, &local, sizeof local) != 0)
        fail("IP_MULTICAST_IF");
    const unsigned char ttl = 1;
    if (setsockopt(fd, IPPROTO_IP, IP_MULTICAST_TTL, &ttl, sizeof ttl) != 0)
        fail("IP_MULTICAST_TTL");
    const int sendBuffer = 1 << 20;
    setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &sendBuffer, sizeof sendBuffer);
    return fd;
}

int runFlood(int argc, char **argv)
{
    if (argc != 7)
        fail("flood GROUP PORT LOCAL-ADDR RATE SECONDS");
    const in_addr group = parseAddress(argv[2]);
    const long port = parseNumber(argv[3], 1, 65535);
    const in_addr local = parseAddress(argv[4]);
    const long rate = parseNumber(argv[5], 1, 200000);
    const long seconds = parseNumber(argv[6], 1, 60);

    const int fd = openSender(local, 0);
    sockaddr_in destination{};
    destination.sin_family = AF_INET;
    destination.sin_addr = group;
    destination.sin_port = htons(static_cast<uint16_t>(port));

    const long long total = static_cast<long long>(rate) * seconds;
    const long long start = nowMicros();
    const long long end = start + static_cast<long long>(seconds) * 1000000;
    long long number = 0;
    long long failed = 0;
    char sentence[32];
    while (number < total) {
        const long long now = nowMicros();
        if (now >= end)
            break;
        // Catch up with the schedule of this millisecond, then sleep out the rest of it.
        const long long due = std::min(total, (now - start) * rate / 1000000 + 1);
        while (number < due) {
            ++number;
            const int length = std::snprintf(sentence, sizeof sentence, "$QCFLD,%08lld*00", number);
            if (sendto(fd, sentence, static_cast<size_t>(length), 0, reinterpret_cast<sockaddr *>(&destination),
                       sizeof destination)
                != length)
                ++failed;
        }
        const long long slice = 1000 - (nowMicros() - start) % 1000;
        timespec ts{0, static_cast<long>(slice) * 1000};
        nanosleep(&ts, nullptr);
    }
    close(fd);
    std::printf("SENT %lld FAILED %lld\n", number - failed, failed);
    return 0;
}

int runRecv(int argc, char **argv)
{
    if (argc != 7)
        fail("recv GROUP PORT LOCAL-ADDR COUNT TIMEOUT-MS");
    const in_addr group = parseAddress(argv[2]);
    const long port = parseNumber(argv[3], 1, 65535);
    const in_addr local = parseAddress(argv[4]);
    const long count = parseNumber(argv[5], 1, 100000);
    const long timeoutMs = parseNumber(argv[6], 1, 120000);

    const int fd = socket(AF_INET, SOCK_DGRAM, 0);
    if (fd < 0)
        fail("socket");
    const int on = 1;
    if (setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) != 0)
        fail("SO_REUSEADDR");
    const int receiveBuffer = 1 << 20;
    setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
    sockaddr_in bound{};
    bound.sin_family = AF_INET;
    bound.sin_addr = group;
    bound.sin_port = htons(static_cast<uint16_t>(port));
    if (bind(fd, reinterpret_cast<sockaddr *>(&bound), sizeof bound) != 0)
        fail("bind");
    ip_mreq membership{};
    membership.imr_multiaddr = group;
    membership.imr_interface = local;
    if (setsockopt(fd, IPPROTO_IP, IP_ADD_MEMBERSHIP, &membership, sizeof membership) != 0)
        fail("IP_ADD_MEMBERSHIP");

    const long long start = nowMicros();
    const long long deadline = start + static_cast<long long>(timeoutMs) * 1000;
    std::printf("READY\n");
    std::fflush(stdout);

    static unsigned char buffer[65536];
    std::string line;
    for (long received = 0; received < count;) {
        const long long left = deadline - nowMicros();
        if (left <= 0)
            return 3;
        pollfd pfd{fd, POLLIN, 0};
        const int ready = poll(&pfd, 1, static_cast<int>((left + 999) / 1000));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready < 0)
            fail("poll");
        if (ready == 0)
            return 3;
        sockaddr_in from{};
        socklen_t fromLength = sizeof from;
        const ssize_t size =
            recvfrom(fd, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr *>(&from), &fromLength);
        if (size < 0)
            fail("recvfrom");
        const long long at = nowMicros() - start;
        char fromText[INET_ADDRSTRLEN] = {};
        inet_ntop(AF_INET, &from.sin_addr, fromText, sizeof fromText);
        static const char digits[] = "0123456789abcdef";
        line.assign(std::to_string(at) + ' ' + fromText + ' ' + std::to_string(ntohs(from.sin_port)) + ' ');
        for (ssize_t i = 0; i < size; ++i) {
            line.push_back(digits[buffer[i] >> 4]);
            line.push_back(digits[buffer[i] & 15]);
        }
        line.push_back('\n');
        std::fwrite(line.data(), 1, line.size(), stdout);
        std::fflush(stdout);
        ++received;
    }
    close(fd);
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    peerProgramName() = "qcx_mcastpeer";
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "send")
        return runSend(argc, argv);
    if (mode == "recv")
        return runRecv(argc, argv);
    if (mode == "flood")
        return runFlood(argc, argv);
    std::fprintf(stderr, "usage: qcx_mcastpeer send|flood|recv ... (see the top of bench/harness/mcastpeer.cpp)\n");
    return 2;
}
