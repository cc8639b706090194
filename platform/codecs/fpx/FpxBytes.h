#pragma once

#include <cstdint>
#include <cstring>

// Little-endian fields of FlashPix structures.

inline uint16_t fpxU16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}

inline uint32_t fpxU32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

inline uint64_t fpxU64(const uint8_t* p) {
    return fpxU32(p) | static_cast<uint64_t>(fpxU32(p + 4)) << 32;
}

inline float fpxF32(const uint8_t* p) {
    const uint32_t bits = fpxU32(p);
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}
