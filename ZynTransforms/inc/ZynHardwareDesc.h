#pragma once

#include <cstdint>
#include <iosfwd>

// Byte order and float format of the machine that wrote a file.
struct ZynHardwareDesc {
    uint32_t littleEndian;
    uint32_t ieeeFloat;
    uint32_t id;

    bool operator==(const ZynHardwareDesc&) const = default;
};

extern const ZynHardwareDesc vaxHWD;
extern const ZynHardwareDesc alphaHWD;
extern const ZynHardwareDesc intelHWD;
extern const ZynHardwareDesc sparcHWD;
extern const ZynHardwareDesc ppcHWD;
// The host's, found by probing at load time.
extern const ZynHardwareDesc nativeHWD;

// Written by name ("vaxHWD", ...; ids other than 0 to 4 as "nativeHWD"). Reading an unknown name
// sets the stream's fail state and yields nativeHWD.
std::ostream& operator<<(std::ostream& out, const ZynHardwareDesc& hardware);
std::istream& operator>>(std::istream& in, ZynHardwareDesc& hardware);
