#pragma once

#include <algorithm>
#include <sstream>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "TestSupport.h"
#include "TiffFixture.h"

inline CommandResult anyimage(const std::vector<std::string>& args) {
    return runProgram(ANYIMAGE_EXE, args);
}

// What anyimage stats prints for pixel-interleaved samples of `bands` bands.
inline std::string statsText(const std::vector<double>& samples, int bands) {
    std::ostringstream out;
    out.setf(std::ios::fixed);
    out.precision(6);
    for (int b = 0; b < bands; ++b) {
        double low = 1e300, high = -1e300, sum = 0;
        for (size_t i = static_cast<size_t>(b); i < samples.size(); i += bands)
            low = std::min(low, samples[i]), high = std::max(high, samples[i]), sum += samples[i];
        out << "band " << b << ": min " << low << " max " << high << " mean "
            << sum / static_cast<double>(samples.size() / bands) << "\n";
    }
    return out.str();
}

// A page of the fixture's pattern in samples of type T, each scale * v + offset, and those
// samples.
template <class T>
std::pair<TiffPage, std::vector<double>> typedPage(uint32_t width, uint32_t height, uint16_t bands,
                                                   double scale = 1, double offset = 0) {
    TiffPage page;
    page.width = width;
    page.height = height;
    page.bitsPerSample = 8 * sizeof(T);
    page.sampleFormat = std::is_floating_point_v<T> ? 3 : std::is_signed_v<T> ? 2 : 1;
    page.samplesPerPixel = bands;
    std::vector<double> values;
    for (const uint32_t v : tiffPattern(width, height, bands, std::min<int>(16, 8 * sizeof(T)))) {
        const T sample = static_cast<T>(scale * v + offset);
        values.push_back(static_cast<double>(sample));
        const auto* p = reinterpret_cast<const uint8_t*>(&sample);
        page.data.insert(page.data.end(), p, p + sizeof sample);
    }
    return {page, values};
}
