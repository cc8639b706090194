#pragma once

#include <png.h>

#include <cstdint>
#include <string>
#include <vector>

#include "PngFixture.h"
#include "PpmFixture.h"
#include "QorString.h"
#include "ZynAnyImageSource.h"
#include "ZynGraph.h"
#include "ZynImageOutputCP.h"
#include "ZynTransformRegistryEntry.h"

// What a reader must deliver for an image written by the fixture: palettes as RGB (with alpha
// from a tRNS chunk), gray below 8 bits scaled to 8 bits, a gray transparency key as alpha.
struct Decoded {
    int bands = 0;
    int bits = 8;
    std::vector<uint16_t> samples;

    uint16_t at(uint32_t width, int64_t x, int64_t y, int band) const {
        return samples[(static_cast<size_t>(y) * width + x) * bands + band];
    }
};

inline Decoded decodedSamples(const PngImage& im) {
    Decoded d;
    const int channels = pngChannels(im.colorType);
    const bool palette = im.colorType == PNG_COLOR_TYPE_PALETTE;
    const bool alphaFromTrns = (palette && !im.paletteAlpha.empty()) || im.grayKey >= 0;
    d.bands = palette ? 3 + alphaFromTrns : channels + alphaFromTrns;
    d.bits = im.bitDepth == 16 ? 16 : 8;
    const uint16_t scale = im.bitDepth < 8 && !palette ? 255 / ((1 << im.bitDepth) - 1) : 1;
    for (uint32_t y = 0; y < im.height; ++y)
        for (uint32_t x = 0; x < im.width; ++x) {
            if (palette) {
                const uint16_t index = im.sample(x, y, 0);
                for (int c = 0; c < 3; ++c) d.samples.push_back(im.palette[index * 3 + c]);
                if (alphaFromTrns)
                    d.samples.push_back(index < im.paletteAlpha.size() ? im.paletteAlpha[index]
                                                                       : 255);
                continue;
            }
            for (int c = 0; c < channels; ++c) d.samples.push_back(im.sample(x, y, c) * scale);
            if (im.grayKey >= 0) d.samples.push_back(im.sample(x, y, 0) == im.grayKey ? 0 : 255);
        }
    return d;
}

// Renders `rect` of an output into a packed buffer of the output's sample type and bands and
// returns its samples row by row.
inline std::vector<uint16_t> renderSamples(ZynTransform& t, int output, const ZynResolution& r,
                                           const ZynRect& rect,
                                           ZynInterleave interleave = ZynInterleave::Pixel) {
    if (!ZynGraph::statusOK(t)) throw t.error();
    const ZynImageOutputCP* out = t.imageOutput(output);
    const ZynDataType type = out->dataOrg()->dataType();
    const int bands = out->dataOrg()->bands();
    ZynRectBuffer buffer(rect, std::make_shared<ZynSimpleDataOrg>(
                                   static_cast<uint32_t>(rect.width),
                                   static_cast<uint32_t>(rect.height), type, bands, interleave));
    ZynGraph::render(t, output, r, buffer);
    std::vector<uint16_t> samples;
    for (int64_t y = rect.y; y < rect.bottom(); ++y)
        for (int64_t x = rect.x; x < rect.right(); ++x)
            for (int b = 0; b < bands; ++b)
                samples.push_back(type == ZynDataType::UInt16 ? *buffer.sample<uint16_t>(x, y, b)
                                                              : *buffer.sample<uint8_t>(x, y, b));
    return samples;
}

// The samples of `rect` of a whole decoded image.
inline std::vector<uint16_t> cut(const Decoded& d, uint32_t width, const ZynRect& rect) {
    std::vector<uint16_t> samples;
    for (int64_t y = rect.y; y < rect.bottom(); ++y)
        for (int64_t x = rect.x; x < rect.right(); ++x)
            for (int b = 0; b < d.bands; ++b) samples.push_back(d.at(width, x, y, b));
    return samples;
}

inline ZynError renderError(ZynTransform& t, int output, const ZynResolution& r,
                            const ZynRect& rect) {
    try {
        renderSamples(t, output, r, rect);
    } catch (const ZynError& e) {
        return e;
    }
    return ZynError(0, "no error");
}
