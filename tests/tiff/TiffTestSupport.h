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

// Opens a file through the any-image source, as a host does.
inline std::shared_ptr<ZynAnyImageSource> openImage(const std::string& path, bool keepOpen = true) {
    auto any = std::make_shared<ZynAnyImageSource>();
    any->setFileName(qorWiden(path));
    any->setAttribute<bool>("keep_open", keepOpen);
    ZynGraph::ensureSetup(*any);
    return any;
}

inline ZynImageOutputCP& outputOf(ZynTransform& t) {
    ZynImageOutputCP* out = t.imageOutput(0);
    if (!out) throw std::runtime_error("no image output");
    return *out;
}

inline std::vector<ZynResolution> resolutionsOf(ZynTransform& t) {
    return outputOf(t).coordSpace()->resolutions();
}

// Renders `rect` at `resolution` into a compact buffer of the image's type and bands.
inline ZynRectBuffer render(ZynTransform& t, const ZynResolution& resolution, const ZynRect& rect,
                            ZynInterleave interleave = ZynInterleave::Pixel) {
    const ZynSimpleDataOrg& native = *outputOf(t).dataOrg();
    ZynRectBuffer buffer(
        rect, std::make_shared<ZynSimpleDataOrg>(static_cast<uint32_t>(rect.width),
                                                 static_cast<uint32_t>(rect.height),
                                                 native.dataType(), native.bands(), interleave));
    ZynGraph::render(t, 0, resolution, buffer);
    return buffer;
}

// Compares every sample of the buffer with expected[(y * width + x) * bands + band], allowing
// `tolerance`; reports the number of differences and the first one.
template <class T, class E>
::testing::AssertionResult samplesMatch(const ZynRectBuffer& buffer, const std::vector<E>& expected,
                                        uint32_t width, double tolerance = 0) {
    const ZynRect& r = buffer.rect();
    const int bands = buffer.bands();
    size_t differences = 0;
    std::ostringstream first;
    for (int64_t y = r.y; y < r.bottom(); ++y)
        for (int64_t x = r.x; x < r.right(); ++x)
            for (int b = 0; b < bands; ++b) {
                const double got = static_cast<double>(*buffer.sample<T>(x, y, b));
                const double want = static_cast<double>(
                    expected[(static_cast<size_t>(y) * width + static_cast<size_t>(x)) * bands +
                             static_cast<size_t>(b)]);
                if (std::abs(got - want) > tolerance && differences++ == 0)
                    first << "at " << x << "," << y << " band " << b << ": got " << got << ", want "
                          << want;
            }
    if (differences == 0) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << differences << " samples differ, first " << first.str();
}

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
