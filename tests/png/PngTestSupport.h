#pragma once

#include <png.h>

#include <cstdint>
#include <string>
#include <vector>

#include "PngFixture.h"
#include "PpmFixture.h"
#include "QorString.h"
#include "TestSupport.h"
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

// Renders `rect` of an output into a packed buffer of the output's own type and bands.
inline ZynRectBuffer renderOutput(ZynTransform& t, int output, const ZynResolution& r,
                                  const ZynRect& rect,
                                  ZynInterleave interleave = ZynInterleave::Pixel) {
    if (!ZynGraph::statusOK(t)) throw t.error();
    const ZynSimpleDataOrg& native = *t.imageOutput(output)->dataOrg();
    ZynRectBuffer buffer(
        rect, std::make_shared<ZynSimpleDataOrg>(static_cast<uint32_t>(rect.width),
                                                 static_cast<uint32_t>(rect.height),
                                                 native.dataType(), native.bands(), interleave));
    ZynGraph::render(t, output, r, buffer);
    return buffer;
}

// Whether `rect` of an output holds the samples of the image, `width` pixels wide.
template <class E>
::testing::AssertionResult outputMatches(ZynTransform& t, int output, const ZynResolution& r,
                                         const ZynRect& rect, const std::vector<E>& image,
                                         ZynInterleave interleave = ZynInterleave::Pixel) {
    return samplesMatch(renderOutput(t, output, r, rect, interleave), image, r.width);
}
