#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "VdxFixture.h"

// A pack of pattern levels in a fresh folder, and the levels written.
struct Pack {
    std::string path;
    VdxLevels levels;
};

inline Pack writePack(const VdxPackOptions& options = {}, uint32_t seed = 1) {
    Pack pack{testDir() + "/p.vdx", vdxPatternLevels(seed)};
    writeVdxPack(pack.path, pack.levels, options);
    return pack;
}

// What a reader should deliver, computed from the planes the fixture stored.
// The stored pixel shown at (x, y) after `rotation` quarter turns for display.
struct StoredAt {
    uint32_t x, y;
};
inline StoredAt storedPixel(const VdxPlanes& p, int rotation, uint32_t x, uint32_t y) {
    switch (rotation) {
        case 1:  // turned counter-clockwise: the stored right edge is the top
            return {p.width - 1 - y, x};
        case 2:
            return {p.width - 1 - x, p.height - 1 - y};
        case 3:  // turned clockwise: the stored left edge is the top
            return {y, p.height - 1 - x};
        default:
            return {x, y};
    }
}

// Chroma at a stored pixel: bilinear interpolation between the samples sited on even columns and
// rows, the last sample standing in for the missing neighbour at the right and bottom edges.
inline double chromaAt(const VdxPlanes& p, int plane, uint32_t x, uint32_t y) {
    const double u = x / 2.0, v = y / 2.0;
    const uint32_t j = x / 2, k = y / 2;
    const uint32_t j1 = std::min(j + 1, p.width / 2 - 1), k1 = std::min(k + 1, p.height / 2 - 1);
    const double fx = u - j, fy = v - k;
    return (1 - fx) * (1 - fy) * p.chroma(plane, j, k) + fx * (1 - fy) * p.chroma(plane, j1, k) +
           (1 - fx) * fy * p.chroma(plane, j, k1) + fx * fy * p.chroma(plane, j1, k1);
}

// The expected samples of the shown pixel (x, y) in band order of the colour space:
// Y; Y, C1, C2; or R, G, B.
enum class VdxExpect { Lum, YCC, RGB };
inline std::vector<double> expectedPixel(const VdxPlanes& p, int rotation, VdxExpect what,
                                         uint32_t x, uint32_t y) {
    const StoredAt s = storedPixel(p, rotation, x, y);
    const double luma = p.luma(s.x, s.y);
    if (what == VdxExpect::Lum) return {luma};
    const double c1 = std::floor(chromaAt(p, 1, s.x, s.y) + 0.5);
    const double c2 = std::floor(chromaAt(p, 2, s.x, s.y) + 0.5);
    if (what == VdxExpect::YCC) return {luma, c1, c2};
    // Red, green and blue of photo YCC.
    const double l = 1.3584 * luma, b1 = 2.2179 * (c1 - 156), r2 = 1.8215 * (c2 - 137);
    return {std::clamp(l + r2, 0.0, 255.0), std::clamp(l - 0.194 * b1 - 0.509 * r2, 0.0, 255.0),
            std::clamp(l + b1, 0.0, 255.0)};
}

// Checks every sample of a delivered buffer: YCC and luminance exactly, RGB within one level of
// rounding.
inline void expectBuffer(const ZynRectBuffer& b, const VdxPlanes& p, int rotation, VdxExpect what) {
    const ZynRect& r = b.rect();
    const double tolerance = what == VdxExpect::RGB ? 1.0 : 0.0;
    for (int64_t y = r.y; y < r.bottom(); ++y)
        for (int64_t x = r.x; x < r.right(); ++x) {
            const std::vector<double> want = expectedPixel(
                p, rotation, what, static_cast<uint32_t>(x), static_cast<uint32_t>(y));
            for (size_t band = 0; band < want.size(); ++band)
                ASSERT_LE(std::abs(*b.sample<uint8_t>(x, y, static_cast<int>(band)) - want[band]),
                          tolerance)
                    << "pixel " << x << "," << y << " band " << band << " wanted " << want[band];
        }
}
