#pragma once
// What the fuzz harnesses share: the application fonts and images need, and the way a broken
// property is reported (an abort, which both libFuzzer and the replay test count as a finding).
#include <QByteArray>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace pelorin::fuzz {

// A QGuiApplication on the offscreen platform, created once.
void ensureApplication();

inline QByteArray bytes(const uint8_t* data, size_t size)
{
    return QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
}

[[noreturn]] inline void fail(const char* what, const char* file, int line)
{
    std::fprintf(stderr, "%s:%d: property broken: %s\n", file, line, what);
    std::abort();
}

} // namespace pelorin::fuzz

#define FUZZ_CHECK(condition)                                                                                          \
    do {                                                                                                               \
        if (!(condition))                                                                                              \
            ::pelorin::fuzz::fail(#condition, __FILE__, __LINE__);                                                     \
    } while (false)
