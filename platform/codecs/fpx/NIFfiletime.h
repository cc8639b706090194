#pragma once

#include <cstdint>

// An operating-system file time (100-nanosecond ticks since 1601) as its two 32-bit halves.
struct NIFfiletime {
    NIFfiletime() = default;
    explicit NIFfiletime(uint64_t fileTime)
        : dwLowDateTime(static_cast<uint32_t>(fileTime)),
          dwHighDateTime(static_cast<uint32_t>(fileTime >> 32)) {}

    uint64_t value() const { return uint64_t{dwHighDateTime} << 32 | dwLowDateTime; }

    uint32_t dwLowDateTime = 0;
    uint32_t dwHighDateTime = 0;
};
