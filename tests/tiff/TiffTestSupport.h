#pragma once

#include <gtest/gtest.h>
#include <tiff.h>

#include <memory>
#include <string>
#include <vector>

#include "QorString.h"
#include "TestSupport.h"
#include "TiffFixture.h"
#include "ZynAnyImageSource.h"
#include "ZynGraph.h"
#include "ZynImageOutputCP.h"

// A page of the fixture pattern, `bits` to a sample, in the given planar configuration;
// `samples` receives the values, bands of a pixel together.
inline TiffPage bytePage(uint32_t width, uint32_t height, int bands, uint16_t photometric,
                         std::vector<uint32_t>& samples, uint32_t seed = 1, uint16_t bits = 8,
                         uint16_t planar = PLANARCONFIG_CONTIG) {
    TiffPage page;
    page.width = width;
    page.height = height;
    page.bitsPerSample = bits;
    page.samplesPerPixel = static_cast<uint16_t>(bands);
    page.photometric = photometric;
    page.planarConfig = planar;
    samples = tiffPattern(width, height, bands, bits, seed);
    page.data = planar == PLANARCONFIG_CONTIG
                    ? packTiffSamples(samples, width * static_cast<uint32_t>(bands), bits)
                    : packTiffSamples(toPlanes(samples, bands), width, bits);
    return page;
}

// The pages written to a file of a fresh folder; its path.
inline std::string tiffFile(const std::vector<TiffPage>& pages, bool bigEndian = false) {
    const std::string path = testDir() + "/t.tif";
    writeTiff(path, pages, bigEndian);
    return path;
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
