#include <gtest/gtest.h>

#include <cmath>

#include "MemorySource.h"
#include "OperationOnImage.h"
#include "TestSupport.h"
#include "ZynColorMatrixOpT.h"
#include "ZynColorMatrixOperation.h"

namespace {

using Matrix = ZynMatrix<double>;

template <class T>
using MatrixOnImage = OperationOnImage<T, ZynColorMatrixOperation>;

// Row-major 4 x 4 product, written out.
std::vector<double> times(const std::vector<double>& a, const std::vector<double>& b) {
    std::vector<double> p(16, 0.0);
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            for (int k = 0; k < 4; ++k) p[r * 4 + c] += a[r * 4 + k] * b[k * 4 + c];
    return p;
}

// The conversions into the operation's own space and back, row-major.
const std::vector<double> kRGBIn({0.001210053, 0.002375589, 0.000461358, 0, -0.001210053,
                                  -0.002375589, 0.003585642, 0, 0.002836947, -0.002375589,
                                  -0.000461358, 0, 0, 0, 0, 1});
const std::vector<double> kRGBOut({247.1, 0, 247.1, 0, 247.1, -47.9374, -125.7739, 0, 247.1, 247.1,
                                   0, 0, 0, 0, 0, 1});

}  // namespace

TEST(ColorMatrix, TextForm) {
    const Matrix identity = Matrix::identity(2);
    EXPECT_EQ(identity.toText(), "ZynMatrix<float64>[2,2:1,0;0,1]");
    const Matrix odd(2, 3, {0.1, -2, 1e-300, 4, 5.5, 1.0 / 3});
    EXPECT_EQ(Matrix::fromText(odd.toText()), odd);

    const auto expectError = [](const std::string& text, const std::string& message) {
        expectZynError([&] { Matrix::fromText(text); }, 13, message);
    };
    expectError("ZynMatrix<float64>[2,2:1,0;0]", "Was expecting a matrix with 4 values.");
    expectError("ZynMatrix<float64>[2,2:]", "Was expecting a matrix with 4 values.");
    expectError("[-1,2:1,2]", "Rows and columns must be positive values.");
    expectError(std::string(300, ' ') + "[1,1:1]",
                "Illegal value for ZynMatrix: " + std::string(300, ' ') + "[1,1:1]");
}

TEST(ColorMatrix, IdentityRoundTripsWithinRounding) {
    for (const ZynColorSpacePtr& space : std::initializer_list<ZynColorSpacePtr>{
             std::make_shared<ZynRGBColorSpace>(), std::make_shared<ZynFpxYCCColorSpace>()}) {
        MatrixOnImage<uint8_t> g(noisyImage<uint8_t>(20, 20, 3), space);
        const TestImage<uint8_t> out = g.render<Matrix>("colorMatrix", Matrix::identity(4));
        for (size_t i = 0; i < out.samples.size(); ++i)
            ASSERT_LE(std::abs(out.samples[i] - g.image.samples[i]), 1)
                << space->name() << " " << i;
    }
}

TEST(ColorMatrix, TwistBetweenTheConversions) {
    // Halve the chroma and lift the luminance.
    const std::vector<double> twist{1, 0, 0, 0.1, 0, 0.5, 0, 0, 0, 0, 0.5, 0, 0, 0, 0, 1};
    const std::vector<double> e = times(times(kRGBOut, twist), kRGBIn);
    MatrixOnImage<uint8_t> g(noisyImage<uint8_t>(16, 9, 3));
    const TestImage<uint8_t> out = g.render<Matrix>("colorMatrix", Matrix(4, 4, twist));
    for (uint32_t y = 0; y < 9; ++y)
        for (uint32_t x = 0; x < 16; ++x)
            for (int k = 0; k < 3; ++k) {
                const double v = e[k * 4] * g.image.at(x, y, 0) +
                                 e[k * 4 + 1] * g.image.at(x, y, 1) +
                                 e[k * 4 + 2] * g.image.at(x, y, 2) + e[k * 4 + 3];
                const int expected = static_cast<int>(std::clamp(std::floor(v + 0.5), 0.0, 255.0));
                ASSERT_EQ(out.at(x, y, k), expected) << x << "," << y << "," << k;
            }
}

TEST(ColorMatrix, ConversionOfWiderTypes) {
    // A twist that scales luminance up strongly drives samples past both ends.
    const Matrix bright(4, 4, {4, 0, 0, -1, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1});
    TestImage<int16_t> shorts{2, 1, 3, {0, 0, 0, 30000, 30000, 30000}};
    MatrixOnImage<int16_t> g(shorts);
    const auto out = g.render<Matrix>("colorMatrix", bright).samples;
    const double y0 = 247.1 * -1;  // the offset alone, for a black pixel
    EXPECT_EQ(out[0], static_cast<int16_t>(std::floor(y0 + 0.5)));
    EXPECT_EQ(out[3], 32767);

    TestImage<float> floats{1, 1, 3, {1000, 1000, 1000}};
    MatrixOnImage<float> f(floats);
    EXPECT_GT(f.render<Matrix>("colorMatrix", bright).samples[0],
              3000.0f);  // floats are not limited
    EXPECT_EQ(ZynColorMatrixOpT<int16_t>::convert(-2.5), -2);
    EXPECT_EQ(ZynColorMatrixOpT<int16_t>::convert(-2.6), -3);
    EXPECT_EQ(ZynColorMatrixOpT<int16_t>::convert(-40000), -32768);
    EXPECT_EQ(ZynColorMatrixOpT<uint8_t>::convert(-0.4), 0);
    EXPECT_EQ(ZynColorMatrixOpT<uint8_t>::convert(std::nan("")), 0);
}
