#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "DisplayConversion.h"

namespace {

template <class T>
void appendAs(std::vector<std::byte>& bytes, double v) {
    const T sample = static_cast<T>(v);
    const auto* p = reinterpret_cast<const std::byte*>(&sample);
    bytes.insert(bytes.end(), p, p + sizeof sample);
}

std::vector<std::byte> samplesOf(ZynDataType type, const std::vector<double>& values) {
    std::vector<std::byte> bytes;
    for (const double v : values) {
        switch (type) {
            case ZynDataType::UInt8:
                appendAs<uint8_t>(bytes, v);
                break;
            case ZynDataType::Int16:
                appendAs<int16_t>(bytes, v);
                break;
            case ZynDataType::UInt16:
                appendAs<uint16_t>(bytes, v);
                break;
            case ZynDataType::Float32:
                appendAs<float>(bytes, v);
                break;
            default:
                ADD_FAILURE() << "no case for this type";
        }
    }
    return bytes;
}

struct Case {
    const char* what;
    ZynColorKind kind;
    int bands;
    ZynDataType type;
    double minimum, maximum;
    bool samples;  // as delivered instead of a picture
    bool invertedInks;
    std::vector<double> in;  // pixel-interleaved
    int outBands, outBits;
    std::vector<uint16_t> out;
};

}  // namespace

// The expected values are worked out by hand from each conversion's formula.
TEST(DisplayConversion, TurnsEachColourSpaceIntoItsPicture) {
    using K = ZynColorKind;
    using T = ZynDataType;
    const Case cases[] = {
        {"2-bit grey spreads over 8 bits",
         K::Lum,
         1,
         T::UInt8,
         0,
         3,
         false,
         false,
         {0, 1, 2, 3},
         1,
         8,
         {0, 85, 170, 255}},
        {"10-bit grey in uint16 scales to 16 bits",
         K::Lum,
         1,
         T::UInt16,
         0,
         1023,
         false,
         false,
         {0, 512, 1023},
         1,
         16,
         {0, 32800, 65535}},
        // R = Y + 1.402 (Cr - 128), G = Y - 0.344136 (Cb - 128) - 0.714136 (Cr - 128),
        // B = Y + 1.772 (Cb - 128): (100, 128, 200) gives 200.9, 48.6, 100; BT.601 red is
        // (76, 85, 255) and gives 254.1, 0.1, -0.2.
        {"YCbCr to RGB",
         K::YCbCr,
         3,
         T::UInt8,
         0,
         255,
         false,
         false,
         {100, 128, 200, 76, 85, 255, 128, 128, 128},
         3,
         8,
         {201, 49, 100, 254, 0, 0, 128, 128, 128}},
        {"YCbCrA keeps its alpha",
         K::YCbCrA,
         4,
         T::UInt8,
         0,
         255,
         false,
         false,
         {100, 128, 200, 77},
         4,
         8,
         {201, 49, 100, 77}},
        // (1 - C)(1 - K): C 0.2, M 0.4, Y 0, K 0.2 give 0.64, 0.48, 0.8 of 255.
        {"CMYK by complement",
         K::CMYK,
         4,
         T::UInt8,
         0,
         255,
         false,
         false,
         {51, 102, 0, 51, 255, 0, 0, 0, 0, 0, 0, 255},
         3,
         8,
         {163, 122, 204, 0, 255, 255, 0, 0, 0}},
        {"inverted inks are already complemented",
         K::CMYK,
         4,
         T::UInt8,
         0,
         255,
         false,
         true,
         {204, 153, 255, 204},
         3,
         8,
         {163, 122, 204}},
        {"CMY by complement",
         K::CMY,
         3,
         T::UInt8,
         0,
         255,
         false,
         false,
         {255, 0, 100},
         3,
         8,
         {0, 255, 155}},
        // Y 188 with neutral chroma is white; luma 0 black.
        {"photo YCC to RGB",
         K::VDXYCC,
         3,
         T::UInt8,
         0,
         255,
         false,
         false,
         {188, 156, 137, 0, 156, 137},
         3,
         8,
         {255, 255, 255, 0, 0, 0}},
        {"floating RGBA onto 16 bits",
         K::RGBA,
         4,
         T::Float32,
         0,
         1,
         false,
         false,
         {0.5, 1.0, 0.0, 0.25},
         4,
         16,
         {32768, 65535, 0, 16384}},
        {"signed LumA from its range",
         K::LumA,
         2,
         T::Int16,
         -32768,
         32767,
         false,
         false,
         {-32768, 32767},
         2,
         16,
         {0, 65535}},
        {"generic five bands show their first three",
         K::Generic,
         5,
         T::UInt8,
         0,
         255,
         false,
         false,
         {10, 20, 30, 40, 50},
         3,
         8,
         {10, 20, 30}},
        {"generic two bands show the first as grey",
         K::Generic,
         2,
         T::UInt8,
         0,
         255,
         false,
         false,
         {10, 20},
         1,
         8,
         {10}},
        {"samples of uint16 stay unscaled",
         K::Lum,
         1,
         T::UInt16,
         0,
         1023,
         true,
         false,
         {1023},
         1,
         16,
         {1023}},
        {"samples of int16 scale from the range",
         K::Lum,
         1,
         T::Int16,
         -32768,
         32767,
         true,
         false,
         {0},
         1,
         16,
         {32768}},
        {"samples of five bands are cut to three",
         K::Generic,
         5,
         T::UInt8,
         0,
         255,
         true,
         false,
         {10, 20, 30, 40, 50},
         3,
         8,
         {10, 20, 30}},
    };
    for (const Case& c : cases) {
        const ZynColorSpace space(c.kind, c.bands, c.minimum, c.maximum);
        const DisplayConversion conversion =
            c.samples ? DisplayConversion::samples(space, c.type, c.bands)
                      : DisplayConversion::picture(space, c.type, c.bands, c.invertedInks);
        EXPECT_EQ(conversion.outBands(), c.outBands) << c.what;
        EXPECT_EQ(conversion.outBits(), c.outBits) << c.what;
        const std::vector<std::byte> in = samplesOf(c.type, c.in);
        const auto width = static_cast<uint32_t>(c.in.size() / static_cast<size_t>(c.bands));
        std::vector<uint16_t> out(width * static_cast<size_t>(conversion.outBands()));
        conversion.convert(in.data(), width, out.data());
        EXPECT_EQ(out, c.out) << c.what;
    }
}
