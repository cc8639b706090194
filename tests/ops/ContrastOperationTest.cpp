#include <gtest/gtest.h>

#include <cmath>

#include "OperationOnImage.h"
#include "ZynContrastOperation.h"

namespace {

template <class T>
using ContrastOnImage = OperationOnImage<T, ZynContrastOperation>;

TestImage<uint8_t> everyByte() {
    TestImage<uint8_t> image{16, 16, 3, {}};
    for (int i = 0; i < 256; ++i)
        for (int b = 0; b < 3; ++b) image.samples.push_back(static_cast<uint8_t>(i));
    return image;
}

}  // namespace

// 0^0 is 1: at 0.0 every sample becomes the pivot; 1.0 keeps every sample.
TEST(ContrastOperation, ByteTableFollowsTheCurve) {
    ContrastOnImage<uint8_t> g(everyByte());
    for (double c : {0.0, 0.5, 1.0, 1.2, 2.0, 3.7}) {
        const TestImage<uint8_t> out = g.render("contrast", c);
        for (size_t i = 0; i < out.samples.size(); ++i)
            ASSERT_EQ(out.samples[i], std::lround(contrastCurve(g.image.samples[i], c)))
                << "sample " << i << " contrast " << c;
    }
    // The photo disc's RGB kind is taken too.
    ContrastOnImage<uint8_t> disc(everyByte(), std::make_shared<ZynVDXRGBColorSpace>());
    EXPECT_EQ(disc.render("contrast", 2.0).samples, g.render("contrast", 2.0).samples);
}

TEST(ContrastOperation, WiderTypesAreLimitedTo255) {
    TestImage<int16_t> shorts{4, 1, 3, {0, 100, 255, 256, 300, 1000, -7, 110, 32767, 50, 60, 70}};
    ContrastOnImage<int16_t> g(shorts);
    EXPECT_EQ(g.render("contrast", 1.0).samples,
              (std::vector<int16_t>{0, 100, 255, 255, 255, 255, -7, 110, 255, 50, 60, 70}));
    // Where the power has no value (a negative sample, a fractional exponent) the result is 0.
    EXPECT_EQ(g.render("contrast", 1.5).at(2, 0, 0), 0);
    // Strongly negative results saturate instead of wrapping around.
    TestImage<int16_t> low{1, 1, 3, {-32768, -2000, -1}};
    ContrastOnImage<int16_t> cube(low);
    EXPECT_EQ(cube.render("contrast", 3.0).samples, (std::vector<int16_t>{-32768, -32768, 0}));

    TestImage<float> floats{2, 1, 3, {0.5f, 110.08f, 254.9f, 400.0f, 12.25f, -3.0f}};
    ContrastOnImage<float> f(floats);
    const auto out = f.render("contrast", 1.3).samples;
    for (size_t i = 0; i < 5; ++i)
        EXPECT_FLOAT_EQ(out[i], static_cast<float>(contrastCurve(floats.samples[i], 1.3))) << i;
    EXPECT_EQ(out[5], 0.0f);
}
