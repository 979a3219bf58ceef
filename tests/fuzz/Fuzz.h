#pragma once

#include <QByteArray>
#include <QByteArrayList>
#include <cstddef>
#include <cstdint>

// What every fuzz target has: the input as bytes, cut into parts at NUL
// bytes, and a check that stops the run at once when a property fails.
inline QByteArrayList parts(const uint8_t *data, size_t size)
{
    return QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)).split('\0');
}

#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition))                                                                          \
            __builtin_trap();                                                                      \
    } while (false)

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size);
