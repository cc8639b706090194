#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "QorString.h"
#include "TestSupport.h"
#include "TiffFixture.h"
#include "ZynAnyImageSource.h"
#include "ZynGraph.h"
#include "ZynImageOutputCP.h"

// An 8-bit page of the given bands holding the fixture pattern; `samples` receives its values.
inline TiffPage bytePage(uint32_t width, uint32_t height, int bands, uint16_t photometric,
                         std::vector<uint32_t>& samples, uint32_t seed = 1) {
    TiffPage page;
    page.width = width;
    page.height = height;
    page.samplesPerPixel = static_cast<uint16_t>(bands);
    page.photometric = photometric;
    samples = tiffPattern(width, height, bands, 8, seed);
    page.data = packTiffSamples(samples, width * static_cast<uint32_t>(bands), 8);
    return page;
}

// Rectangles that cross strip and tile boundaries of the fixtures, and the whole image.
inline std::vector<ZynRect> probeRects(uint32_t width, uint32_t height) {
    const int64_t w = width, h = height;
    return {{0, 0, w, h},
            {w / 5, h / 7, w / 2, h / 2},
            {w - w / 3, h - h / 3, w / 3, h / 3},
            {1, h / 2, w - 2, 1},
            {w / 2, 0, 1, h}};
}
