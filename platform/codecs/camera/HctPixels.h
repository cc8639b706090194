#pragma once

#include <cstdint>

#include "HctSdk.h"

// Pixels as a developer or a preview decoder delivers them: `colors` (1 or 3) interleaved samples
// of `bits` (8 or 16) bits, rows without padding, 16-bit samples in host order.
struct HctPixels {
    uint32_t width = 0;
    uint32_t height = 0;
    int colors = 0;
    int bits = 0;
    const uint8_t* data = nullptr;

    uint32_t sample(size_t index) const {
        return bits == 16 ? reinterpret_cast<const uint16_t*>(data)[index] : data[index];
    }
};

// The pixels in the layout of `type` (which is not the default type).
HctImageData hctConvert(const HctPixels& pixels, DCImageType type);

// 8-bit RGB pixels turned upright as a LibRaw flip value asks (bit 2 swaps the axes, then bit 1
// mirrors the rows and bit 0 the columns, as LibRaw's own output does).
std::vector<uint8_t> hctFlip(const std::vector<uint8_t>& rgb, uint32_t width, uint32_t height,
                             int colors, int flip);

// The image halved in both directions by averaging each 2 x 2 block (fewer at odd edges).
HctImageData hctHalve(const HctImageData& image);
