// The peer of the benchmarks and the soak, with plain POSIX sockets so that
// what it sends and sees does not depend on the Qt code under test. It runs
// only in a namespace of a Lab (tests/netlab.h); every mode is bounded in
// count and time. Failures print a reason on stderr and exit 2.
//
//   qcx_peer blast GROUP PORT LOCAL-ADDR RATE SECONDS [--fixed80|--numbered|--datagrams=FILE] [--groups=N]
//       RATE lines a second for SECONDS out of the interface of LOCAL-ADDR
//       (TTL 1), the datagrams due by each millisecond of an absolute
//       schedule: the sender's six templates and !AIVDM lines with CR LF (all
//       of 80 characters with --fixed80), "$QCFLD,<n>*00" (n from 1, eight
//       digits, no line end) with --numbered, or FILE's datagrams in turn
//       (each after its length in two bytes, little-endian; each LF a line).
//       --groups=N: in turn to N groups and ports from GROUP:PORT on.
//       Prints SENT <lines> <microseconds> <sends refused>.
//   qcx_peer send GROUP PORT LOCAL-ADDR FILE DELAY-MS GAP-MS [ROUNDS INTERVAL-MS]
//       FILE's datagrams GAP-MS apart, the first after DELAY-MS; ROUNDS times,
//       one every INTERVAL-MS (the bare sender). Prints
//       SENT <datagrams> <rounds> <p50 us> <p99 us> <max us> of a round's time.
//   qcx_peer recv GROUP PORT LOCAL-ADDR SECONDS MAX-COUNT [IDLE-MS]
//       Joins, prints READY, and time-stamps datagrams (kernel receive time)
//       until SECONDS, MAX-COUNT datagrams or, after the first, IDLE-MS
//       without one. Then a line each, <microseconds since the first>
//       <hex payload>, and
//       END <count> <CLOCK_REALTIME microseconds of the first>.
//   qcx_peer count GROUP PORT LOCAL-ADDR [GROUPS]
//       The bare receiver: GROUPS sockets (default receive buffer) from
//       GROUP:PORT on, counting lines (LF); answers "reset", "count", "stats"
//       and "quit" on stdin with "@ok", "@count n=<lines>",
//       "@stats delivered=<lines>", after "@ready".

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include "peersentences.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {

[[noreturn]] void fail(const std::string &what)
{
    std::fprintf(stderr, "qcx_peer: %s%s%s\n", what.c_str(), errno ? ": " : "", errno ? std::strerror(errno) : "");
    std::exit(2);
}

in_addr parseAddress(const char *text)
{
    in_addr address{};
    errno = 0;
    if (inet_pton(AF_INET, text, &address) != 1)
        fail(std::string("not an IPv4 address: ") + text);
    return address;
}

long parseNumber(const char *text, long low, long high)
{
    char *end = nullptr;
    errno = 0;
    const long value = std::strtol(text, &end, 10);
    if (errno || !end || *end || value < low || value > high) {
        errno = 0;
        fail(std::string("bad number: ") + text);
    }
    return value;
}

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

sockaddr_in socketAddress(in_addr address, long port)
{
    sockaddr_in result{};
    result.sin_family = AF_INET;
    result.sin_addr = address;
    result.sin_port = htons(static_cast<uint16_t>(port));
    return result;
}

// The first three arguments after the mode: GROUP PORT LOCAL-ADDR.
struct Target
{
    in_addr group;
    long port;
    in_addr local;
    sockaddr_in destination;
};

Target parseTarget(char **argv, long lastPort = 65535)
{
    Target target{parseAddress(argv[2]), parseNumber(argv[3], 1, lastPort), parseAddress(argv[4]), {}};
    target.destination = socketAddress(target.group, target.port);
    return target;
}

int openSender(const Target &target)
{
    const int fd = socket(AF_INET, SOCK_DGRAM, 0);
    const sockaddr_in source = socketAddress(target.local, 0);
    const unsigned char ttl = 1;
    const int sendBuffer = 4 << 20;
    if (fd < 0 || bind(fd, reinterpret_cast<const sockaddr *>(&source), sizeof source) != 0
        || setsockopt(fd, IPPROTO_IP, IP_MULTICAST_IF, &target.local, sizeof target.local) != 0
        || setsockopt(fd, IPPROTO_IP, IP_MULTICAST_TTL, &ttl, sizeof ttl) != 0)
        fail("cannot open the sending socket");
    setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &sendBuffer, sizeof sendBuffer);
    return fd;
}

bool sendTo(int fd, const std::string &datagram, const sockaddr_in &to)
{
    return sendto(fd, datagram.data(), datagram.size(), 0, reinterpret_cast<const sockaddr *>(&to), sizeof to)
        == static_cast<ssize_t>(datagram.size());
}

// The g-th group and port from the target's on.
Target nth(const Target &target, long g)
{
    Target result = target;
    result.group.s_addr = htonl(ntohl(target.group.s_addr) + static_cast<uint32_t>(g));
    result.port = target.port + g;
    result.destination = socketAddress(result.group, result.port);
    return result;
}

// Joined to the group, with the system's default receive buffer.
int joinGroup(const Target &target, bool timestamps)
{
    const int fd = socket(AF_INET, SOCK_DGRAM, 0);
    const int on = 1;
    ip_mreq membership{};
    membership.imr_multiaddr = target.group;
    membership.imr_interface = target.local;
    if (fd < 0 || setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) != 0
        || (timestamps && setsockopt(fd, SOL_SOCKET, SO_TIMESTAMPNS, &on, sizeof on) != 0)
        || bind(fd, reinterpret_cast<const sockaddr *>(&target.destination), sizeof target.destination) != 0
        || setsockopt(fd, IPPROTO_IP, IP_ADD_MEMBERSHIP, &membership, sizeof membership) != 0)
        fail("cannot open the receiving socket");
    return fd;
}

// Waits for a datagram until the monotonic time; false when none came.
bool readable(int fd, long long until)
{
    pollfd pfd{fd, POLLIN, 0};
    for (long long left; (left = until - monotonicNanos()) > 0;) {
        const int ready = poll(&pfd, 1, static_cast<int>((left + 999999) / 1000000));
        if (ready >= 0)
            return ready > 0;
        if (errno != EINTR)
            fail("poll");
    }
    return false;
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
    std::string input;
    long groups = 1;
    for (int i = 7; i < argc; ++i) {
        if (std::strncmp(argv[i], "--groups=", 9) == 0)
            groups = parseNumber(argv[i] + 9, 1, 64);
        else if (input.empty() && std::strncmp(argv[i], "--", 2) == 0)
            input = argv[i];
        else
            argc = 0;
    }
    if (argc < 7)
        fail("blast GROUP PORT LOCAL-ADDR RATE SECONDS [--fixed80|--numbered|--datagrams=FILE] [--groups=N]");
    const Target target = parseTarget(argv, 65536 - groups);
    const long rate = parseNumber(argv[5], 1, 200000);
    const long seconds = parseNumber(argv[6], 1, 120);

    const bool numbered = input == "--numbered";
    std::vector<std::string> datagrams;
    if (input.rfind("--datagrams=", 0) == 0) {
        datagrams = readDatagrams(input.c_str() + 12);
    } else if (input.empty() || input == "--fixed80" || numbered) {
        datagrams = input == "--fixed80" ? fixed80Sentences() : mixedSentences();
        for (std::string &datagram : datagrams)
            datagram += "\r\n";
    } else {
        fail("unknown input " + input);
    }
    std::vector<long long> lines;
    for (const std::string &datagram : datagrams)
        lines.push_back(std::max<long long>(1, std::count(datagram.begin(), datagram.end(), '\n')));

    const int fd = openSender(target);
    std::vector<sockaddr_in> destinations;
    for (long g = 0; g < groups; ++g)
        destinations.push_back(nth(target, g).destination);
    const long long total = static_cast<long long>(rate) * seconds;
    const long long start = monotonicNanos();
    const long long deadline = start + (seconds + 10) * 1000000000LL;
    long long done = 0;
    long long refused = 0;
    size_t next = 0;
    size_t to = 0;
    char sentence[32];
    for (long long tick = 1; done < total; ++tick) {
        sleepUntil(start + tick * 1000000LL);
        const long long now = monotonicNanos();
        if (now > deadline)
            break;
        const long long due = std::min(total, (now - start) * rate / 1000000000LL);
        for (; done < due; next = (next + 1) % datagrams.size(), to = (to + 1) % destinations.size()) {
            if (numbered) {
                const int length = std::snprintf(sentence, sizeof sentence, "$QCFLD,%08lld*00", done + 1);
                datagrams[next].assign(sentence, static_cast<size_t>(length));
            }
            refused += sendTo(fd, datagrams[next], destinations[to]) ? 0 : lines[next];
            done += lines[next];
        }
    }
    const long long elapsed = monotonicNanos() - start;
    close(fd);
    std::printf("SENT %lld %lld %lld\n", done - refused, elapsed / 1000, refused);
    return 0;
}

int runSend(int argc, char **argv)
{
    if (argc != 8 && argc != 10)
        fail("send GROUP PORT LOCAL-ADDR FILE DELAY-MS GAP-MS [ROUNDS INTERVAL-MS]");
    const Target target = parseTarget(argv);
    const std::vector<std::string> datagrams = readDatagrams(argv[5]);
    const long delayMs = parseNumber(argv[6], 0, 60000);
    const long gapMs = parseNumber(argv[7], 0, 60000);
    const long rounds = argc == 10 ? parseNumber(argv[8], 1, 1200) : 1;
    const long intervalMs = argc == 10 ? parseNumber(argv[9], 1, 60000) : 0;
    if (datagrams.size() > 10000)
        fail("too many datagrams");

    const int fd = openSender(target);
    const long long start = monotonicNanos() + delayMs * 1000000LL;
    std::vector<long long> roundMicros;
    long long sent = 0;
    for (long round = 0; round < rounds; ++round) {
        sleepUntil(start + round * intervalMs * 1000000LL);
        const long long begin = monotonicNanos();
        for (size_t i = 0; i < datagrams.size(); ++i) {
            if (i > 0 && gapMs > 0)
                sleepUntil(monotonicNanos() + gapMs * 1000000LL);
            sent += sendTo(fd, datagrams[i], target.destination);
        }
        roundMicros.push_back((monotonicNanos() - begin) / 1000);
    }
    close(fd);
    std::sort(roundMicros.begin(), roundMicros.end());
    const auto at = [&](double q) {
        return roundMicros[std::min(roundMicros.size() - 1, static_cast<size_t>(q * roundMicros.size()))];
    };
    std::printf("SENT %lld %zu %lld %lld %lld\n", sent, roundMicros.size(), at(0.5), at(0.99), roundMicros.back());
    return 0;
}

int runRecv(int argc, char **argv)
{
    if (argc != 7 && argc != 8)
        fail("recv GROUP PORT LOCAL-ADDR SECONDS MAX-COUNT [IDLE-MS]");
    const Target target = parseTarget(argv);
    const long seconds = parseNumber(argv[5], 1, 120);
    const long maxCount = parseNumber(argv[6], 1, 2000000);
    const long idleMs = argc == 8 ? parseNumber(argv[7], 1, 60000) : 0;
    const int fd = joinGroup(target, true);
    const int receiveBuffer = 8 << 20;
    setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
    std::printf("READY\n");
    std::fflush(stdout);

    struct Datagram
    {
        long long nanos;
        std::string payload;
    };
    std::vector<Datagram> got;
    got.reserve(static_cast<size_t>(std::min<long>(maxCount, 1 << 20)));
    const long long deadline = monotonicNanos() + seconds * 1000000000LL;
    static char buffer[65536];
    while (static_cast<long>(got.size()) < maxCount) {
        const long long idleEnd = idleMs > 0 && !got.empty() ? monotonicNanos() + idleMs * 1000000LL : deadline;
        if (!readable(fd, std::min(deadline, idleEnd)))
            break;
        Datagram datagram{-1, {}};
        iovec io{buffer, sizeof buffer};
        char control[256];
        msghdr message{};
        message.msg_iov = &io;
        message.msg_iovlen = 1;
        message.msg_control = control;
        message.msg_controllen = sizeof control;
        const ssize_t size = recvmsg(fd, &message, 0);
        for (cmsghdr *c = CMSG_FIRSTHDR(&message); size >= 0 && c; c = CMSG_NXTHDR(&message, c)) {
            if (c->cmsg_level == SOL_SOCKET && c->cmsg_type == SCM_TIMESTAMPNS) {
                timespec ts{};
                std::memcpy(&ts, CMSG_DATA(c), sizeof ts);
                datagram.nanos = static_cast<long long>(ts.tv_sec) * 1000000000LL + ts.tv_nsec;
            }
        }
        if (size < 0 || datagram.nanos < 0)
            fail("recvmsg without a receive time stamp");
        datagram.payload.assign(buffer, static_cast<size_t>(size));
        got.push_back(std::move(datagram));
    }
    close(fd);
    const long long first = got.empty() ? 0 : got.front().nanos;
    for (const Datagram &datagram : got) {
        std::printf("%lld ", (datagram.nanos - first) / 1000);
        for (const char byte : datagram.payload)
            std::printf("%02x", static_cast<unsigned char>(byte));
        std::printf("\n");
    }
    std::printf("END %zu %lld\n", got.size(), first / 1000);
    return 0;
}

// The bare receiver of the benchmarks: a thread that only counts lines (LF),
// answering the orchestrator's commands on stdin as its Qt roles do.
int runCount(int argc, char **argv)
{
    const Target target = parseTarget(argv);
    const long groups = argc > 5 ? parseNumber(argv[5], 1, 64) : 1;
    std::vector<pollfd> fds;
    for (long g = 0; g < groups; ++g)
        fds.push_back({joinGroup(nth(target, g), false), POLLIN, 0});
    std::atomic<long long> count{0};
    std::atomic<bool> stop{false};
    std::thread loop([&] {
        static char buffer[65536];
        while (!stop.load(std::memory_order_relaxed)) {
            if (poll(fds.data(), fds.size(), 100) <= 0)
                continue;
            for (const pollfd &p : fds) {
                ssize_t got = 0;
                while ((p.revents & POLLIN) && (got = recvfrom(p.fd, buffer, sizeof buffer, MSG_DONTWAIT, nullptr, nullptr)) >= 0)
                    count.fetch_add(std::count(buffer, buffer + got, '\n'), std::memory_order_relaxed);
            }
        }
    });
    std::printf("@ready\n");
    std::fflush(stdout);
    char line[64];
    while (std::fgets(line, sizeof line, stdin) && std::strcmp(line, "quit\n") != 0) {
        if (std::strcmp(line, "reset\n") == 0) {
            count = 0;
            std::printf("@ok\n");
        } else if (std::strcmp(line, "count\n") == 0) {
            std::printf("@count n=%lld\n", count.load());
        } else if (std::strcmp(line, "stats\n") == 0) {
            std::printf("@stats delivered=%lld\n", count.load());
        }
        std::fflush(stdout);
    }
    stop = true;
    loop.join();
    return 0;
}

// Only in a namespace of the Lab that started it (QCX_NETLAB names them),
// never in the machine's initial one. (/proc/1 may be unreadable, so that
// alone cannot tell.)
bool insideLab()
{
    struct stat self{};
    struct stat init{};
    if (stat("/proc/self/ns/net", &self) != 0 || (stat("/proc/1/ns/net", &init) == 0 && init.st_ino == self.st_ino))
        return false;
    const char *names = std::getenv("QCX_NETLAB");
    std::string list = names ? names : "";
    for (size_t from = 0, end; from < list.size(); from = end + 1) {
        end = std::min(list.find(' ', from), list.size());
        struct stat host{};
        const std::string name = list.substr(from, end - from);
        if (!name.empty() && name.find('/') == std::string::npos
            && stat(("/run/netns/" + name).c_str(), &host) == 0 && host.st_ino == self.st_ino)
            return true;
    }
    return false;
}

} // namespace

int main(int argc, char **argv)
{
    if (!insideLab()) {
        std::fprintf(stderr, "qcx_peer: refusing to run outside the namespaces of a Lab (tests/netlab.h)\n");
        return 2;
    }
    const std::string mode = argc > 1 ? argv[1] : "";
    if (argc < 5)
        fail("usage: qcx_peer blast|send|recv|count GROUP PORT LOCAL-ADDR ... (see bench/peer.cpp)");
    if (mode == "blast")
        return runBlast(argc, argv);
    if (mode == "send")
        return runSend(argc, argv);
    if (mode == "recv")
        return runRecv(argc, argv);
    if (mode == "count")
        return runCount(argc, argv);
    fail("unknown mode " + mode);
}
