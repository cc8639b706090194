#pragma once

#include <cstdint>

// Colour spaces of the decoder, numbered as the decoder's clients number them: the colour space
// a file holds, the one the decoder delivers by default, and the one a client asks for.
enum class JpdColorSpace : int32_t {
    RGB = 0,
    Invalid = 1,
    YCbCr = 2,
    YCC = 3,
    RGBA = 4,
    RGBAFpx = 5,
    YCbCrA = 6,
    YCbCrALegacy = 7,
    YCCA = 8,
    YCCK = 9,
    CMYK = 10,
    Grayscale = 11,
    Other = 12,
};
