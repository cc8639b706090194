#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "ZynGraph.h"
#include "ZynImageOutputCP.h"

// Renders a rectangle of output 0 into a fresh buffer of the given layout.
inline ZynRectBuffer renderFpx(ZynTransform& t, const ZynResolution& r, const ZynRect& rect,
                               int bands, ZynInterleave interleave = ZynInterleave::Pixel) {
    ZynRectBuffer buffer(rect,
                         std::make_shared<ZynSimpleDataOrg>(static_cast<uint32_t>(rect.width),
                                                            static_cast<uint32_t>(rect.height),
                                                            ZynDataType::UInt8, bands, interleave));
    ZynGraph::render(t, 0, r, buffer);
    return buffer;
}

// Every sample of the buffer against `want`, a pixel-interleaved image `width` pixels wide
// with `wantBands` bands of which `firstBand` on are compared.
inline void expectFpxPixels(const ZynRectBuffer& buffer, const std::vector<uint8_t>& want,
                            uint32_t width, int wantBands = 0, int firstBand = 0) {
    const ZynRect& r = buffer.rect();
    const int bands = buffer.bands();
    if (wantBands == 0) wantBands = bands;
    for (int64_t y = r.y; y < r.bottom(); ++y)
        for (int64_t x = r.x; x < r.right(); ++x)
            for (int b = 0; b < bands; ++b)
                ASSERT_EQ(*buffer.sample<uint8_t>(x, y, b),
                          want[(y * width + x) * wantBands + firstBand + b])
                    << x << "," << y << "," << b;
}
