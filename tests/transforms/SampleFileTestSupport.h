#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "QorString.h"
#include "TestSupport.h"
#include "ZynRawImageSource.h"
#include "ZynTransformRegistryEntry.h"

// Helpers of the tests of the sources that read sample files themselves.

// The folder a fixture writes its files in.
using Dir = const std::string&;

inline void setName(ZynTransform& t, const std::string& path) {
    t.setAttribute<std::wstring>("wfile_name", qorWiden(path));
}

inline std::shared_ptr<ZynRawImageSource> rawSource(const std::string& path,
                                                    bool keepOpen = false) {
    auto raw = std::make_shared<ZynRawImageSource>();
    setName(*raw, path);
    raw->setAttribute<bool>("keep_open", keepOpen);
    return raw;
}

// A source of `path`: recognised by content when `registryName` is empty, else created by name.
inline ZynTransformPtr sourceOf(const std::string& path, const std::string& registryName = "",
                                bool keepOpen = true) {
    if (registryName.empty()) return openByContent(path, keepOpen);
    ZynTransformPtr source = ZynTransformRegistry::create(registryName);
    setName(*source, path);
    source->setAttribute<bool>("keep_open", keepOpen);
    return source;
}

template <class T>
std::vector<double> widened(const std::vector<T>& samples) {
    return {samples.begin(), samples.end()};
}

// Samples of three bands in setFile's organisations: pixels, band after band, line by line.
template <class T>
std::vector<T> inOrganization(uint32_t w, uint32_t h, int organization, const std::vector<T>& rgb) {
    std::vector<T> out(rgb.size());
    for (size_t i = 0; i < rgb.size(); ++i) {
        const size_t pixel = i / 3, b = i % 3, x = pixel % w, y = pixel / w;
        const size_t at = organization == 0   ? i
                          : organization == 1 ? b * w * h + pixel
                                              : (y * 3 + b) * w + x;
        out[at] = rgb[i];
    }
    return out;
}

// `rect` of the primary output at its first resolution, in the output's own type and bands.
inline ZynRectBuffer renderOwn(ZynTransform& t, const ZynRect& rect,
                               ZynInterleave interleave = ZynInterleave::Pixel) {
    return renderRect(t, resolutionsOf(t).at(0), rect, {}, 0, interleave);
}
