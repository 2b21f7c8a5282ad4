// The benchmarks' peer host, with plain POSIX sockets so that the figures do
// not depend on the Qt code under test. Every mode is bounded in count and time.
//
//   qcx_blaster blast GROUP PORT LOCAL-ADDR RATE SECONDS [--fixed80] [--groups=N] [--iec450]
//       Sends RATE sentences a second for SECONDS to GROUP:PORT out of the
//       interface that holds LOCAL-ADDR (TTL 1), paced against an absolute
//       1 ms schedule: at each millisecond it sends the datagrams due by then.
//       The sentences are the six templates of the program's sender and
//       !AIVDM lines, each followed by CR LF as instruments send them; with
//       --fixed80 every sentence is 80 characters. --groups=N spreads them in
//       turn over N groups from GROUP and N ports from PORT on; --iec450
//       frames each as an IEC 61162-450 datagram of two sources in turn per
//       group (EI0001, EI0002), each with its own line count. Prints
//           SENT <count> <microseconds> <largest burst>
//
//   qcx_blaster stamp GROUP PORT LOCAL-ADDR SECONDS MAX-COUNT [IDLE-MS]
//       Joins GROUP, prints READY, and time-stamps each datagram with the
//       kernel's receive time until SECONDS have passed, MAX-COUNT datagrams
//       have arrived or, once one has, none came for IDLE-MS. Then prints one
//       line per datagram,
//           <microseconds since the first datagram> <size>
//       followed by END <count> <CLOCK_REALTIME microseconds of the first>.
//
//   qcx_blaster sendloop GROUP PORT LOCAL-ADDR LIST-SIZE INTERVAL-MS SECONDS
//       The bare reference for the program's sender: every INTERVAL-MS a
//       plain sendto loop writes LIST-SIZE sentences. Prints
//           LOOP <datagrams> <rounds> <p50 us> <p99 us> <max us>
//       with the percentiles of how long one round of sendto calls took.
//
// It runs only inside host A or B of bench/harness/netns-run.sh. Failures print
// a reason on stderr and exit 2.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
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

long long monotonicNanos()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<long long>(ts.tv_sec) * 1000000000LL + ts.tv_nsec;
}

void sleepUntil(long long nanos)
{
    timespec ts{static_cast<time_t>(nanos / 1000000000LL), static_cast<long>(nanos % 1000000000LL)};
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &ts, nullptr) == EINTR) {
    }
}

std::string withChecksum(const std::string &body)
{
    unsigned char sum = 0;
    for (size_t i = 1; i < body.size(); ++i)
        sum ^= static_cast<unsigned char>(body[i]);
    char tail[4];
    std::snprintf(tail, sizeof tail, "*%02X", sum);
    return body + tail;
}

// The six templates of the program's sender, and AIS position reports whose
// armoured payloads vary in length (44 to 82 characters in all).
std::vector<std::string> mixedSentences()
{
    std::vector<std::string> sentences{
        "$HEHDT,90.0,T*16",
        "$GPZDA,173616.97,01,11,2025,0,0*68",
        "$GPRMC,173749.53,A,0002.12132,N,00002.12132,E,0000.0,000.0,011125,0.0,W,A,S*67",
        "$VDVBW,15.0,00.0,A,11.0,00.0,A,00.0,A,00.0,A*55",
        "$SDDPT,20.0,0.0,50.0*52",
        "$WIMWV,045.0,T,012.0,N,A*27",
    };
    const char *payloads[] = {
        "13aEOK?P00PD2wVMdLDRhgvL289?",
        "15M67FC000G?ufbE`FepT@3n00Sa",
        "33aDqfhP00PD2wVMdLDRhgvL289?",
        "B52K>;h00Fc>jpUlNV@ikwpUoP06",
        "13u?etPv2;0n:dDPwUM1U1Cb069D",
        "402R3JQv:ak:qPDn@AJEwwi005H1q@0000000000",
        "55?MbV02;H;s<HtKR20EHE:0@T4@Dn2222222216L961O5Gf0NSQEp6ClRp8",
    };
    char channel = 'A';
    for (const char *payload : payloads) {
        sentences.push_back(withChecksum(std::string("!AIVDM,1,1,,") + channel + ',' + payload + ",0"));
        channel = channel == 'A' ? 'B' : 'A';
    }
    return sentences;
}

// Sentences of exactly 80 characters: AIS reports with a payload of the
// length that makes 80.
std::vector<std::string> fixed80Sentences()
{
    std::vector<std::string> sentences;
    const std::string alphabet = "0123456789:;<=>?@ABCDEFGHIJKLMNOPQRSTUVW`abcdefghijklmnopqrstuvw";
    for (int variant = 0; variant < 16; ++variant) {
        std::string head = std::string("!AIVDM,1,1,,") + (variant % 2 ? 'B' : 'A') + ',';
        const size_t payloadLength = 80 - head.size() - 2 - 3; // ",0" and "*hh"
        std::string payload;
        for (size_t i = 0; i < payloadLength; ++i)
            payload.push_back(alphabet[(i * 7 + static_cast<size_t>(variant) * 13) % alphabet.size()]);
        sentences.push_back(withChecksum(head + payload + ",0"));
    }
    return sentences;
}

int openSender(in_addr local)
{
    const int fd = socket(AF_INET, SOCK_DGRAM, 0);
    if (fd < 0)
        fail("socket");
    sockaddr_in source{};
    source.sin_family = AF_INET;
    source.sin_addr = local;
    if (bind(fd, reinterpret_cast<sockaddr *>(&source), sizeof source) != 0)
        fail("bind");
    if (setsockopt(fd, IPPROTO_IP, IP_MULTICAST_IF, &local, sizeof local) != 0)
        fail("IP_MULTICAST_IF");
    const unsigned char ttl = 1;
    if (setsockopt(fd, IPPROTO_IP, IP_MULTICAST_TTL, &ttl, sizeof ttl) != 0)
        fail("IP_MULTICAST_TTL");
    const int sendBuffer = 4 << 20;
    setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &sendBuffer, sizeof sendBuffer);
    return fd;
}

sockaddr_in destinationOf(in_addr group, long port)
{
    sockaddr_in destination{};
    destination.sin_family = AF_INET;
    destination.sin_addr = group;
    destination.sin_port = htons(static_cast<uint16_t>(port));
    return destination;
}

// "UdPbC", NUL, the TAG block of source and line count, the sentence, CR LF.
std::string framed(const std::string &sentence, int source, int lineCount)
{
    char body[32];
    std::snprintf(body, sizeof body, "s:EI%04d,n:%d", source, lineCount);
    unsigned char sum = 0;
    for (const char *c = body; *c; ++c)
        sum ^= static_cast<unsigned char>(*c);
    char block[48];
    std::snprintf(block, sizeof block, "\\%s*%02X\\", body, sum);
    return std::string("UdPbC", 6) + block + sentence + "\r\n";
}

int runBlast(int argc, char **argv)
{
    bool fixed80 = false;
    bool iec450 = false;
    long groups = 1;
    for (int i = 7; i < argc; ++i) {
        if (std::strcmp(argv[i], "--fixed80") == 0)
            fixed80 = true;
        else if (std::strcmp(argv[i], "--iec450") == 0)
            iec450 = true;
        else if (std::strncmp(argv[i], "--groups=", 9) == 0)
            groups = parseNumber(argv[i] + 9, 1, 64);
        else
            argc = 0;
    }
    if (argc < 7)
        fail("blast GROUP PORT LOCAL-ADDR RATE SECONDS [--fixed80] [--groups=N] [--iec450]");
    const in_addr group = parseAddress(argv[2]);
    const long port = parseNumber(argv[3], 1, 65535 - groups + 1);
    const in_addr local = parseAddress(argv[4]);
    const long rate = parseNumber(argv[5], 1, 200000);
    const long seconds = parseNumber(argv[6], 1, 120);

    const std::vector<std::string> sentences = fixed80 ? fixed80Sentences() : mixedSentences();
    std::vector<std::string> datagrams = sentences;
    for (std::string &datagram : datagrams)
        datagram += "\r\n";
    std::string framedDatagram;
    const int fd = openSender(local);
    std::vector<sockaddr_in> destinations;
    for (long g = 0; g < groups; ++g) {
        in_addr address{};
        address.s_addr = htonl(ntohl(group.s_addr) + static_cast<uint32_t>(g));
        destinations.push_back(destinationOf(address, port + g));
    }
    // One line count per group and source.
    std::vector<int> lineCounts(static_cast<size_t>(groups) * 2, 0);
    const long long total = static_cast<long long>(rate) * seconds;
    const long long start = monotonicNanos();
    const long long deadline = start + (seconds + 10) * 1000000000LL;
    long long sent = 0;
    long long largestBurst = 0;
    for (long long tick = 1; sent < total; ++tick) {
        sleepUntil(start + tick * 1000000LL);
        const long long now = monotonicNanos();
        if (now > deadline)
            break;
        const long long due = std::min(total, (now - start) * rate / 1000000000LL);
        largestBurst = std::max(largestBurst, due - sent);
        for (; sent < due; ++sent) {
            const size_t g = static_cast<size_t>(sent % groups);
            const size_t which = static_cast<size_t>(sent / groups) % sentences.size();
            const std::string *chosen = &datagrams[which];
            if (iec450) {
                const size_t source = static_cast<size_t>((sent / groups) % 2);
                int &k = lineCounts[g * 2 + source];
                k = k % 999 + 1;
                framedDatagram = framed(sentences[which], int(source) + 1, k);
                chosen = &framedDatagram;
            }
            const std::string &datagram = *chosen;
            if (sendto(fd, datagram.data(), datagram.size(), 0, reinterpret_cast<const sockaddr *>(&destinations[g]),
                       sizeof destinations[g])
                != static_cast<ssize_t>(datagram.size()))
                fail("sendto");
        }
    }
    const long long elapsed = monotonicNanos() - start;
    close(fd);
    std::printf("SENT %lld %lld %lld\n", sent, elapsed / 1000, largestBurst);
    return 0;
}

int runStamp(int argc, char **argv)
{
    if (argc != 7 && argc != 8)
        fail("stamp GROUP PORT LOCAL-ADDR SECONDS MAX-COUNT [IDLE-MS]");
    const in_addr group = parseAddress(argv[2]);
    const long port = parseNumber(argv[3], 1, 65535);
    const in_addr local = parseAddress(argv[4]);
    const long seconds = parseNumber(argv[5], 1, 120);
    const long maxCount = parseNumber(argv[6], 1, 2000000);
    const long idleMs = argc == 8 ? parseNumber(argv[7], 1, 60000) : 0;

    const int fd = socket(AF_INET, SOCK_DGRAM, 0);
    if (fd < 0)
        fail("socket");
    const int on = 1;
    if (setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) != 0)
        fail("SO_REUSEADDR");
    if (setsockopt(fd, SOL_SOCKET, SO_TIMESTAMPNS, &on, sizeof on) != 0)
        fail("SO_TIMESTAMPNS");
    const int receiveBuffer = 8 << 20;
    setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
    sockaddr_in bound = destinationOf(group, port);
    if (bind(fd, reinterpret_cast<sockaddr *>(&bound), sizeof bound) != 0)
        fail("bind");
    ip_mreq membership{};
    membership.imr_multiaddr = group;
    membership.imr_interface = local;
    if (setsockopt(fd, IPPROTO_IP, IP_ADD_MEMBERSHIP, &membership, sizeof membership) != 0)
        fail("IP_ADD_MEMBERSHIP");

    std::printf("READY\n");
    std::fflush(stdout);

    struct Stamp
    {
        long long nanos;
        long size;
    };
    std::vector<Stamp> stamps;
    stamps.reserve(static_cast<size_t>(std::min<long>(maxCount, 1 << 20)));
    const long long deadline = monotonicNanos() + seconds * 1000000000LL;
    static unsigned char buffer[65536];
    while (static_cast<long>(stamps.size()) < maxCount) {
        long long left = deadline - monotonicNanos();
        if (left <= 0)
            break;
        if (idleMs > 0 && !stamps.empty())
            left = std::min(left, idleMs * 1000000LL);
        pollfd pfd{fd, POLLIN, 0};
        const int ready = poll(&pfd, 1, static_cast<int>((left + 999999) / 1000000));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready < 0)
            fail("poll");
        if (ready == 0)
            break;
        iovec io{buffer, sizeof buffer};
        char control[256];
        msghdr message{};
        message.msg_iov = &io;
        message.msg_iovlen = 1;
        message.msg_control = control;
        message.msg_controllen = sizeof control;
        const ssize_t size = recvmsg(fd, &message, 0);
        if (size < 0)
            fail("recvmsg");
        long long nanos = -1;
        for (cmsghdr *c = CMSG_FIRSTHDR(&message); c; c = CMSG_NXTHDR(&message, c)) {
            if (c->cmsg_level == SOL_SOCKET && c->cmsg_type == SCM_TIMESTAMPNS) {
                timespec ts{};
                std::memcpy(&ts, CMSG_DATA(c), sizeof ts);
                nanos = static_cast<long long>(ts.tv_sec) * 1000000000LL + ts.tv_nsec;
            }
        }
        if (nanos < 0) {
            errno = 0;
            fail("no receive time stamp");
        }
        stamps.push_back({nanos, static_cast<long>(size)});
    }
    close(fd);
    const long long first = stamps.empty() ? 0 : stamps.front().nanos;
    for (const Stamp &stamp : stamps)
        std::printf("%lld %ld\n", (stamp.nanos - first) / 1000, stamp.size);
    std::printf("END %zu %lld\n", stamps.size(), first / 1000);
    return 0;
}

int runSendLoop(int argc, char **argv)
{
    if (argc != 8)
        fail("sendloop GROUP PORT LOCAL-ADDR LIST-SIZE INTERVAL-MS SECONDS");
    const in_addr group = parseAddress(argv[2]);
    const long port = parseNumber(argv[3], 1, 65535);
    const in_addr local = parseAddress(argv[4]);
    const long listSize = parseNumber(argv[5], 1, 100000);
    const long intervalMs = parseNumber(argv[6], 1, 60000);
    const long seconds = parseNumber(argv[7], 1, 120);

    const std::vector<std::string> pool = mixedSentences();
    std::vector<std::string> list;
    for (long i = 0; i < listSize; ++i)
        list.push_back(pool[static_cast<size_t>(i) % pool.size()]);

    const int fd = openSender(local);
    const sockaddr_in destination = destinationOf(group, port);
    const long long start = monotonicNanos();
    const long long rounds = seconds * 1000LL / intervalMs;
    std::vector<long long> roundMicros;
    long long sent = 0;
    for (long long round = 1; round <= rounds; ++round) {
        sleepUntil(start + round * intervalMs * 1000000LL);
        const long long begin = monotonicNanos();
        for (const std::string &sentence : list) {
            if (sendto(fd, sentence.data(), sentence.size(), 0, reinterpret_cast<const sockaddr *>(&destination),
                       sizeof destination)
                == static_cast<ssize_t>(sentence.size()))
                ++sent;
        }
        roundMicros.push_back((monotonicNanos() - begin) / 1000);
    }
    close(fd);
    std::sort(roundMicros.begin(), roundMicros.end());
    const auto at = [&](double q) {
        return roundMicros[std::min(roundMicros.size() - 1, static_cast<size_t>(q * roundMicros.size()))];
    };
    std::printf("LOOP %lld %zu %lld %lld %lld\n", sent, roundMicros.size(), at(0.5), at(0.99), roundMicros.back());
    return 0;
}

// The peer sends only inside the hosts of bench/harness/netns-run.sh, never on
// the machine's own interfaces: it must find itself in host A's or host B's
// network namespace. (/proc/1 may be unreadable, so that alone cannot tell.)
bool insideHarnessHost()
{
    struct stat self{};
    if (stat("/proc/self/ns/net", &self) != 0)
        return false;
    struct stat init{};
    if (stat("/proc/1/ns/net", &init) == 0 && init.st_ino == self.st_ino)
        return false;
    for (const char *variable : {"QCX_NETNS_A", "QCX_NETNS_B"}) {
        const char *name = std::getenv(variable);
        if (!name || !*name || std::strchr(name, '/'))
            continue;
        struct stat host{};
        if (stat((std::string("/run/netns/") + name).c_str(), &host) == 0 && host.st_ino == self.st_ino)
            return true;
    }
    return false;
}

} // namespace

int main(int argc, char **argv)
{
    peerProgramName() = "qcx_blaster";
    if (!insideHarnessHost()) {
        std::fprintf(stderr, "qcx_blaster: refusing to run outside the hosts of bench/harness/netns-run.sh\n");
        return 2;
    }
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "blast")
        return runBlast(argc, argv);
    if (mode == "stamp")
        return runStamp(argc, argv);
    if (mode == "sendloop")
        return runSendLoop(argc, argv);
    std::fprintf(stderr, "usage: qcx_blaster blast|stamp|sendloop ... (see the top of bench/blaster.cpp)\n");
    return 2;
}
