#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "DisplayConversion.h"

namespace {

template <class T>
std::vector<std::byte> bytesAs(const std::vector<double>& values) {
    std::vector<std::byte> bytes(values.size() * sizeof(T));
    for (size_t i = 0; i < values.size(); ++i) {
        const T sample = static_cast<T>(values[i]);
        std::memcpy(&bytes[i * sizeof(T)], &sample, sizeof(T));
    }
    return bytes;
}

std::vector<std::byte> samplesOf(ZynDataType type, const std::vector<double>& values) {
    switch (type) {
        case ZynDataType::UInt8:
            return bytesAs<uint8_t>(values);
        case ZynDataType::Int16:
            return bytesAs<int16_t>(values);
        case ZynDataType::Float32:
            return bytesAs<float>(values);
        default:
            return bytesAs<double>(values);
    }
}

struct Case {
    const char* what;
    ZynColorKind kind;
    int bands;
    double minimum, maximum;
    ZynDataType type;
    bool samples;
    std::vector<double> in;  // pixel-interleaved
    int outBits;
    std::vector<uint16_t> out;
};

}  // namespace

// The expected values are worked out by hand from each conversion's formula. Grey spreading,
// 16-bit scaling, both CMYK forms and unscaled samples are
// AnyImageRender.WritesWhatAPersonExpectsToSee's.
TEST(DisplayConversion, TurnsEachColourSpaceIntoItsPicture) {
    using K = ZynColorKind;
    using T = ZynDataType;
    const bool P = false, S = true;
    const Case cases[] = {
        // R = Y + 1.402 (Cr - 128), G = Y - 0.344136 (Cb - 128) - 0.714136 (Cr - 128),
        // B = Y + 1.772 (Cb - 128): (100, 128, 200) gives 200.9, 48.6, 100; BT.601 red is
        // (76, 85, 255) and gives 254.1, 0.1, -0.2.
        Case("YCbCr to RGB", K::YCbCr, 3, 0, 255, T::UInt8, P,
             {100, 128, 200, 76, 85, 255, 128, 128, 128}, 8,
             {201, 49, 100, 254, 0, 0, 128, 128, 128}),
        Case("YCbCrA keeps its alpha", K::YCbCrA, 4, 0, 255, T::UInt8, P, {100, 128, 200, 77}, 8,
             {201, 49, 100, 77}),
        Case("CMY by complement", K::CMY, 3, 0, 255, T::UInt8, P, {255, 0, 100}, 8, {0, 255, 155}),
        // Y 188 with neutral chroma is white; luma 0 black.
        Case("photo YCC to RGB", K::VDXYCC, 3, 0, 255, T::UInt8, P, {188, 156, 137, 0, 156, 137}, 8,
             {255, 255, 255, 0, 0, 0}),
        Case("floating RGBA onto 16 bits", K::RGBA, 4, 0, 1, T::Float32, P, {0.5, 1.0, 0.0, 0.25},
             16, {32768, 65535, 0, 16384}),
        Case("NaN and out-of-range floats show clamped", K::Lum, 1, 0, 1, T::Float32, P,
             {std::nan(""), -2.0, 7.0}, 16, {0, 0, 65535}),
        Case("float64 over its whole range", K::Lum, 1, -1.7976931348623157e308,
             1.7976931348623157e308, T::Float64, P, {0.0, 1.7976931348623157e308}, 16,
             {32768, 65535}),
        Case("signed LumA from its range", K::LumA, 2, -32768, 32767, T::Int16, P, {-32768, 32767},
             16, {0, 65535}),
        Case("generic five bands show their first three", K::Generic, 5, 0, 255, T::UInt8, P,
             {10, 20, 30, 40, 50}, 8, {10, 20, 30}),
        Case("generic two bands show the first as grey", K::Generic, 2, 0, 255, T::UInt8, P,
             {10, 20}, 8, {10}),
        Case("samples of int16 scale from the range", K::Lum, 1, -32768, 32767, T::Int16, S, {0},
             16, {32768}),
        Case("samples of five bands are cut to three", K::Generic, 5, 0, 255, T::UInt8, S,
             {10, 20, 30, 40, 50}, 8, {10, 20, 30}),
    };
    for (const Case& c : cases) {
        const ZynColorSpace space(c.kind, c.bands, c.minimum, c.maximum);
        const DisplayConversion conversion =
            c.samples ? DisplayConversion::samples(space, c.type, c.bands)
                      : DisplayConversion::picture(space, c.type, c.bands, false);
        const size_t pixels = c.in.size() / static_cast<size_t>(c.bands);
        EXPECT_EQ(static_cast<size_t>(conversion.outBands()) * pixels, c.out.size()) << c.what;
        EXPECT_EQ(conversion.outBits(), c.outBits) << c.what;
        const std::vector<std::byte> in = samplesOf(c.type, c.in);
        std::vector<uint16_t> out(pixels * static_cast<size_t>(conversion.outBands()));
        conversion.convert(in.data(), static_cast<uint32_t>(pixels), out.data());
        EXPECT_EQ(out, c.out) << c.what;
    }
}
