#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "JpegFixture.h"
#include "QorSettings.h"
#include "QorString.h"
#include "TestSupport.h"
#include "ZynGraph.h"
#include "ZynImageOutputCP.h"
#include "ZynTransformRegistryEntry.h"

// The error rendering `rect` in 8-bit samples of `bands` bands throws (code 0 when none).
inline ZynError renderError(ZynTransform& t, const ZynResolution& resolution, const ZynRect& rect,
                            int bands) {
    return errorOf([&] { renderRect(t, resolution, rect, ZynDataType::UInt8, bands); });
}

// The index-th band of 64 rows, the decoder's native tile.
inline ZynRect band(int index, uint32_t width, uint32_t height) {
    const int64_t top = index * 64;
    return {0, top, width, std::min<int64_t>(64, height - top)};
}

inline ::testing::AssertionResult sameAsReference(const ZynRectBuffer& buffer,
                                                  const JpegReference& reference) {
    if (buffer.bands() != reference.components)
        return ::testing::AssertionFailure()
               << buffer.bands() << " bands, the reference has " << reference.components;
    return samplesMatch(buffer, reference.pixels, reference.width);
}

// Whether `rect` of the level the reference was decoded at renders, in 8-bit samples of the
// reference's bands, as the reference; the whole level when `rect` is empty.
inline ::testing::AssertionResult rendersLike(ZynTransform& t, const JpegReference& reference,
                                              ZynRect rect = {}) {
    const ZynResolution level{reference.width, reference.height};
    if (rect.width == 0) rect = {0, 0, level.width, level.height};
    return sameAsReference(renderRect(t, level, rect, ZynDataType::UInt8, reference.components),
                           reference);
}

// Mean absolute difference between the buffer and the pixels of an image `width` pixels wide.
inline double meanDifference(const ZynRectBuffer& buffer, const std::vector<uint8_t>& pixels,
                             uint32_t width) {
    const ZynRect& r = buffer.rect();
    const int bands = buffer.bands();
    double sum = 0;
    for (int64_t y = r.y; y < r.bottom(); ++y)
        for (int64_t x = r.x; x < r.right(); ++x)
            for (int b = 0; b < bands; ++b)
                sum += std::abs(*buffer.sample<uint8_t>(x, y, b) -
                                pixels[(static_cast<size_t>(y) * width + x) * bands + b]);
    return sum / (static_cast<double>(r.width) * r.height * bands);
}
