#pragma once

// Argument handling shared by the plain-socket peer programs (bench/harness/mcastpeer
// and bench/blaster): a bad argument or a failed call ends the program with
// exit code 2 and one line on stderr naming the program.

#include <arpa/inet.h>
#include <netinet/in.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

inline const char *&peerProgramName()
{
    static const char *name = "peer";
    return name;
}

[[noreturn]] inline void fail(const std::string &what)
{
    std::fprintf(stderr, "%s: %s%s%s\n", peerProgramName(), what.c_str(), errno ? ": " : "",
                 errno ? std::strerror(errno) : "");
    std::exit(2);
}

inline in_addr parseAddress(const char *text)
{
    in_addr address{};
    if (inet_pton(AF_INET, text, &address) != 1) {
        errno = 0;
        fail(std::string("not an IPv4 address: ") + text);
    }
    return address;
}

inline long parseNumber(const char *text, long low, long high)
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
