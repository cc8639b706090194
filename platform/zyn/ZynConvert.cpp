#include "ZynConvert.h"

#include <algorithm>
#include <cstring>
#include <numeric>

#include "ZynError.h"

namespace {

// Rows of both buffers hold the same bands in the same places with no gaps: a row is one block.
bool rowsAreIdenticalBlocks(const ZynSimpleDataOrg& a, const ZynSimpleDataOrg& b) {
    if (a.pixelStride() != a.bands() || b.pixelStride() != b.bands()) return false;
    if (a.bandOffsets() != b.bandOffsets()) return false;
    std::vector<int64_t> sorted = a.bandOffsets();
    std::sort(sorted.begin(), sorted.end());
    for (size_t i = 0; i < sorted.size(); ++i)
        if (sorted[i] != static_cast<int64_t>(i)) return false;
    return true;
}

template <class T>
void copyBand(const ZynRectBuffer& from, ZynRectBuffer& to, const ZynRect& r, int band) {
    const int64_t sps = from.org().pixelStride();
    const int64_t dps = to.org().pixelStride();
    for (int64_t y = r.y; y < r.bottom(); ++y) {
        const T* s = from.sample<T>(r.x, y, band);
        T* d = to.sample<T>(r.x, y, band);
        if (sps == 1 && dps == 1) {
            std::memcpy(d, s, static_cast<size_t>(r.width) * sizeof(T));
        } else {
            for (int64_t x = 0; x < r.width; ++x) d[x * dps] = s[x * sps];
        }
    }
}

// Pixel-interleaved to pixel-interleaved with the bands in other places (RGB to BGR, say).
template <class T, int Bands>
void copyPixels(const ZynRectBuffer& from, ZynRectBuffer& to, const ZynRect& r) {
    const int64_t sps = from.org().pixelStride();
    const int64_t dps = to.org().pixelStride();
    int64_t so[Bands], dof[Bands];
    for (int b = 0; b < Bands; ++b) {
        so[b] = from.org().bandOffset(b) - from.org().bandOffset(0);
        dof[b] = to.org().bandOffset(b) - to.org().bandOffset(0);
    }
    for (int64_t y = r.y; y < r.bottom(); ++y) {
        const T* s = from.sample<T>(r.x, y, 0);
        T* d = to.sample<T>(r.x, y, 0);
        for (int64_t x = 0; x < r.width; ++x, s += sps, d += dps)
            for (int b = 0; b < Bands; ++b) d[dof[b]] = s[so[b]];
    }
}

template <class T>
void copyTyped(const ZynRectBuffer& from, ZynRectBuffer& to, const ZynRect& r) {
    const int bands = from.bands();
    const bool bothPixel = from.org().pixelStride() >= bands && to.org().pixelStride() >= bands;
    if (bothPixel && bands == 3) return copyPixels<T, 3>(from, to, r);
    if (bothPixel && bands == 4) return copyPixels<T, 4>(from, to, r);
    for (int b = 0; b < bands; ++b) copyBand<T>(from, to, r, b);
}

}  // namespace

void zynCopyRegion(const ZynRectBuffer& from, ZynRectBuffer& to, const ZynRect& region) {
    if (region.empty()) return;
    if (from.dataType() != to.dataType())
        throw ZynError(119, std::string("Cannot copy ") + zynDataTypeName(from.dataType()) +
                                " samples into a buffer of " + zynDataTypeName(to.dataType()) +
                                " samples");
    if (from.bands() != to.bands())
        throw ZynError(3, "Cannot copy " + std::to_string(from.bands()) +
                              " bands into a buffer of " + std::to_string(to.bands()) + " bands");
    if (!from.rect().contains(region) || !to.rect().contains(region))
        throw ZynError(3, "Copy region outside the buffers");
    if (rowsAreIdenticalBlocks(from.org(), to.org())) {
        const size_t rowBytes = static_cast<size_t>(region.width) *
                                static_cast<size_t>(from.bands()) * from.org().sampleSize();
        const int64_t lowest =
            *std::min_element(from.org().bandOffsets().begin(), from.org().bandOffsets().end());
        const int64_t shift =
            (lowest - from.org().bandOffset(0)) * static_cast<int64_t>(from.org().sampleSize());
        for (int64_t y = region.y; y < region.bottom(); ++y)
            std::memcpy(to.at(region.x, y) + shift, from.at(region.x, y) + shift, rowBytes);
        return;
    }
    switch (from.org().sampleSize()) {
        case 1:
            return copyTyped<uint8_t>(from, to, region);
        case 2:
            return copyTyped<uint16_t>(from, to, region);
        case 4:
            return copyTyped<uint32_t>(from, to, region);
        default:
            return copyTyped<uint64_t>(from, to, region);
    }
}
