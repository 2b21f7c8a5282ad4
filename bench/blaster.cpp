// The benchmarks' peer host, with plain POSIX sockets so that the figures do
// not depend on the Qt code under test. Every mode is bounded in count and time.
//
//   qcx_blaster blast GROUP PORT LOCAL-ADDR RATE SECONDS [--fixed80|--datagrams=FILE] [--groups=N]
//       Sends RATE lines a second for SECONDS to GROUP:PORT out of the
//       interface that holds LOCAL-ADDR (TTL 1), paced against an absolute
//       1 ms schedule: at each millisecond it sends the datagrams due by then.
//       The datagrams are the six templates of the program's sender and
//       !AIVDM lines, one sentence each, followed by CR LF as instruments send
//       them; with --fixed80 every sentence is 80 characters; with
//       --datagrams those of FILE in turn, each after its length in two bytes
//       (little-endian), a line being each LF in them (at least one a
//       datagram). --groups=N sends the datagrams in turn to N groups from
//       GROUP and N ports from PORT on. Prints
//           SENT <lines> <microseconds> <largest burst>
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
#include "peersentences.h"

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

// Datagrams as the benchmark wrote them: each after its length in two bytes.
std::vector<std::string> readDatagrams(const char *path)
{
    std::FILE *file = std::fopen(path, "rb");
    if (!file)
        fail(std::string("cannot read ") + path);
    std::vector<std::string> datagrams;
    unsigned char size[2];
    while (std::fread(size, 1, 2, file) == 2) {
        std::string datagram(size[0] | size[1] << 8, '\0');
        if (std::fread(&datagram[0], 1, datagram.size(), file) != datagram.size())
            fail(std::string("truncated datagram in ") + path);
        datagrams.push_back(std::move(datagram));
    }
    std::fclose(file);
    if (datagrams.empty())
        fail(std::string("no datagrams in ") + path);
    return datagrams;
}

int runBlast(int argc, char **argv)
{
    bool fixed80 = false;
    const char *file = nullptr;
    long groups = 1;
    for (int i = 7; i < argc; ++i) {
        if (std::strcmp(argv[i], "--fixed80") == 0 && !file)
            fixed80 = true;
        else if (std::strncmp(argv[i], "--datagrams=", 12) == 0 && !fixed80)
            file = argv[i] + 12;
        else if (std::strncmp(argv[i], "--groups=", 9) == 0)
            groups = parseNumber(argv[i] + 9, 1, 64);
        else
            argc = 0;
    }
    if (argc < 7)
        fail("blast GROUP PORT LOCAL-ADDR RATE SECONDS [--fixed80|--datagrams=FILE] [--groups=N]");
    const in_addr group = parseAddress(argv[2]);
    const long port = parseNumber(argv[3], 1, 65536 - groups);
    const in_addr local = parseAddress(argv[4]);
    const long rate = parseNumber(argv[5], 1, 200000);
    const long seconds = parseNumber(argv[6], 1, 120);

    std::vector<std::string> datagrams;
    if (file) {
        datagrams = readDatagrams(file);
    } else {
        datagrams = fixed80 ? fixed80Sentences() : mixedSentences();
        for (std::string &datagram : datagrams)
            datagram += "\r\n";
    }
    std::vector<long long> lines;
    for (const std::string &datagram : datagrams)
        lines.push_back(std::max<long long>(1, std::count(datagram.begin(), datagram.end(), '\n')));

    const int fd = openSender(local);
    std::vector<sockaddr_in> destinations;
    for (long g = 0; g < groups; ++g) {
        in_addr address{};
        address.s_addr = htonl(ntohl(group.s_addr) + static_cast<uint32_t>(g));
        destinations.push_back(destinationOf(address, port + g));
    }
    size_t to = 0;
    const long long total = static_cast<long long>(rate) * seconds;
    const long long start = monotonicNanos();
    const long long deadline = start + (seconds + 10) * 1000000000LL;
    long long sent = 0;
    long long largestBurst = 0;
    size_t next = 0;
    for (long long tick = 1; sent < total; ++tick) {
        sleepUntil(start + tick * 1000000LL);
        const long long now = monotonicNanos();
        if (now > deadline)
            break;
        const long long due = std::min(total, (now - start) * rate / 1000000000LL);
        largestBurst = std::max(largestBurst, due - sent);
        for (; sent < due; next = (next + 1) % datagrams.size(), to = (to + 1) % destinations.size()) {
            const std::string &datagram = datagrams[next];
            if (sendto(fd, datagram.data(), datagram.size(), 0, reinterpret_cast<const sockaddr *>(&destinations[to]),
                       sizeof destinations[to])
                != static_cast<ssize_t>(datagram.size()))
                fail("sendto");
            sent += lines[next];
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
