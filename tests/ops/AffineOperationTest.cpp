#include <gtest/gtest.h>

#include <cmath>

#include "AffineReference.h"
#include "MemorySource.h"
#include "OperationOnImage.h"
#include "QorSettings.h"
#include "ZynAffineOperation.h"
#include "ZynAffineOperationT.h"

namespace {

using Affines = ZynAffineOp::Affines;
using Resampling = ZynResamplingType::Enum;
constexpr Resampling kAllTypes[] = {ZynResamplingType::NEAREST, ZynResamplingType::BILINEAR,
                                    ZynResamplingType::BICUBIC};

// An affine operation on a memory image, with its map and output size given in pixels.
template <class T, class Operation = ZynAffineOperation>
struct AffineOnImage : OperationOnImage<T, Operation> {
    using OperationOnImage<T, Operation>::op;
    using OperationOnImage<T, Operation>::image;

    explicit AffineOnImage(TestImage<T> pixels, ZynColorSpacePtr colorSpace = nullptr)
        : OperationOnImage<T, Operation>(std::move(pixels), std::move(colorSpace), "resample") {
        op->template setAttribute<unsigned>("unit", 1);
        op->template setAttribute<double>("width", image.width);
        op->template setAttribute<double>("height", image.height);
    }
    void set(const Affines& map, Resampling type, uint32_t width = 0, uint32_t height = 0) {
        op->template setAttribute<Affines>("affines", map);
        op->template setAttribute<Resampling>("resamplingType", type);
        if (width) op->template setAttribute<double>("width", width);
        if (height) op->template setAttribute<double>("height", height);
    }
    TestImage<T> reference(const Affines& map, Resampling type, uint32_t width, uint32_t height,
                           std::vector<T> fill = {}, double minimum = 0, double maximum = 255) {
        fill.resize(static_cast<size_t>(image.bands), T(0));
        return AffineReference<T>(image, AffineReference<T>::fromPixels(map), type, fill, minimum,
                                  maximum)
            .render(width, height);
    }
};

Affines rotation(double degrees, double cx, double cy) {
    const double r = degrees * M_PI / 180, c = std::cos(r), s = std::sin(r);
    // Output pixel (x, y) reads the input around the same centre.
    return {c, -s, cx - c * cx + s * cy, s, c, cy - s * cx - c * cy};
}

// Maps whose coefficients are multiples of 1/256, so positions are exact in 16.16 and in double.
const Affines kExactMaps[] = {
    {252.0 / 256, -44.0 / 256, 6.5, 44.0 / 256, 252.0 / 256, -3.25},  // about 10 degrees
    {0.5, 0, 0.25, 0, 0.75, 1.5},                                     // enlargement
    {2.375, 0, -3, 0, 1.5, 0},                                        // reduction
    {-1, 0, 40, 0, 1, 0},                                             // mirror, partly outside
    {0.25, 0.75, -7.5, -0.5, 1.125, 20},                              // shear
};

ZynError renderError(ZynTransform& t, const ZynResolution& r, int bands) {
    return errorOf([&] { renderAll<uint8_t>(t, r, bands); });
}

}  // namespace

TEST(AffineOperation, TextForms) {
    const Affines odd{0.1, -2.5e-7, 1e300, 1.0 / 3, 0, -0.0625};
    EXPECT_EQ(Affines::fromText(odd.toText()), odd);
    EXPECT_EQ(Affines::fromText("(1;2;3;4;5;6)"), (Affines{1, 2, 3, 4, 5, 6}));
    for (const char* bad : {"[1,0,0,0,1]", "[1,0,x,0,1,0]", "", "[]"})
        expectZynError([&] { Affines::fromText(bad); }, 13,
                       "Illegal value for ZynAffineOp::Affines");

    EXPECT_EQ(ZynResamplingType::fromName("0"), ZynResamplingType::NEAREST);
    for (auto call : {+[] { ZynResamplingType::name(static_cast<Resampling>(3)); },
                      +[] { ZynResamplingType::fromName("LANCZOS"); }})
        expectZynError(call, 414, "Unknown ZynResamplingType::Enum");
}

// Exact positions on noisy pixels, where only the arithmetic can differ, and any map on smooth
// pixels; the identity keeps every sample, even outside the colour space's range.
TEST(AffineOperation, EverySampleTypeFollowsTheReference) {
    const auto check = [](auto pixels, ZynColorSpacePtr range, const Affines& map, Resampling type,
                          uint32_t width, uint32_t height, double tolerance) {
        using T = typename decltype(pixels.samples)::value_type;
        SCOPED_TRACE(std::string(ZynResamplingType::name(type)) + " " + map.toText());
        AffineOnImage<T> g(pixels, range);
        g.set(map, type, width, height);
        const double low = range ? range->minimum() : 0, high = range ? range->maximum() : 255;
        const TestImage<T> expected =
            map == Affines{} ? pixels : g.reference(map, type, width, height, {}, low, high);
        EXPECT_LE(largestDifference(g.render(), expected), tolerance);
    };
    for (Resampling type : kAllTypes) {
        // Nearest neighbours are exact; interpolation is within one level of 8 or 16 bits.
        const double level = type == ZynResamplingType::NEAREST ? 0 : 1;
        check(noisyImage<uint8_t>(33, 21, 3), nullptr, {}, type, 33, 21, 0);
        check(noisyImage<int16_t>(17, 9, 1, 250, -30000), nullptr, {}, type, 17, 9, 0);
        check(noisyImage<float>(12, 30, 4, 0.37, -20), nullptr, {}, type, 12, 30, 0);
        for (const Affines& map : kExactMaps) {
            check(noisyImage<uint8_t>(41, 29, 3), nullptr, map, type, 37, 33, level);
            // Negative 16-bit values truncate toward zero like the positive ones.
            check(noisyImage<int16_t>(30, 20, 2, 200, -25000),
                  std::make_shared<ZynGenericColorSpace>(2, -32768, 32767), map, type, 25, 22,
                  level);
            check(noisyImage<float>(30, 20, 1, 0.01),
                  std::make_shared<ZynGenericColorSpace>(1, 0, 1), map, type, 25, 22, level * 1e-5);
        }
        if (type == ZynResamplingType::NEAREST) continue;
        for (const Affines& map :
             {rotation(10, 30, 20), rotation(-33.3, 5, 40), Affines{1 / 0.37, 0, 0.3, 0, 2.7, -1}})
            check(smoothImage<uint8_t>(60, 45, 3), nullptr, map, type, 64, 40, 1);
    }
}

TEST(AffineOperation, BandsResampledTogetherEqualEachBandAlone) {
    // Pixels of three and four 8-bit bands are interpolated all bands at once; one band at a
    // time, and the same without the vector path, must give exactly the same samples, clamping
    // included.
    const auto resample = [](const TestImage<uint8_t>& image, const Affines& map) {
        AffineOnImage<uint8_t> g(image,
                                 std::make_shared<ZynGenericColorSpace>(image.bands, 16, 235));
        g.set(map, ZynResamplingType::BICUBIC, 40, 35);
        return g.render();
    };
    for (int bands : {3, 4})
        for (const Affines& map : {kExactMaps[0], kExactMaps[4], rotation(10, 20, 10),
                                   Affines{0.37, 0.11, 3.3, -0.2, 0.61, 7.7}}) {
            SCOPED_TRACE(std::to_string(bands) + " bands " + map.toText());
            const TestImage<uint8_t> image = noisyImage<uint8_t>(45, 31, bands);
            const TestImage<uint8_t> all = resample(image, map);
            QorSettings::get().optimizationsEnabled = false;
            const TestImage<uint8_t> scalar = resample(image, map);
            QorSettings::get().optimizationsEnabled = true;
            ASSERT_EQ(scalar.samples, all.samples);
            for (int b = 0; b < bands; ++b) {
                TestImage<uint8_t> one{45, 31, 1, {}};
                for (size_t i = static_cast<size_t>(b); i < image.samples.size(); i += bands)
                    one.samples.push_back(image.samples[i]);
                const TestImage<uint8_t> single = resample(one, map);
                for (size_t i = 0; i < single.samples.size(); ++i)
                    ASSERT_EQ(all.samples[i * bands + b], single.samples[i])
                        << "band " << b << " at " << i;
            }
        }
}

TEST(AffineOperation, FillColours) {
    // Everything maps outside: one fill value serves every band.
    AffineOnImage<uint8_t> g(noisyImage<uint8_t>(10, 10, 3));
    g.set({1, 0, 100, 0, 1, 0}, ZynResamplingType::BICUBIC);
    g.op->setAttributeText("fillColor", "[77]");
    for (uint8_t v : g.render().samples) ASSERT_EQ(v, 77);

    // Integer fill values are rounded half away from zero and keep their low bits.
    g.op->setAttributeText("fillColor", "[256,127.5,-0.5]");
    const TestImage<uint8_t> out = g.render();
    EXPECT_EQ(out.at(3, 4, 0), 0);
    EXPECT_EQ(out.at(3, 4, 1), 128);
    EXPECT_EQ(out.at(3, 4, 2), 255);

    AffineOnImage<int16_t> shorts(noisyImage<int16_t>(4, 4, 3));
    shorts.set({1, 0, -50, 0, 1, 0}, ZynResamplingType::NEAREST);
    shorts.op->setAttributeText("fillColor", "[70000,-1.5,32768]");
    const TestImage<int16_t> s = shorts.render();
    EXPECT_EQ(s.at(0, 0, 0), 70000 - 65536);
    EXPECT_EQ(s.at(0, 0, 1), -2);
    EXPECT_EQ(s.at(0, 0, 2), -32768);

    AffineOnImage<float> floats(noisyImage<float>(4, 4, 1));
    floats.set({1, 0, 0, 0, 1, 9}, ZynResamplingType::BILINEAR);
    floats.op->setAttributeText("fillColor", "[-0.25]");
    EXPECT_EQ(floats.render().at(2, 2, 0), -0.25f);
}

// Positions -0.5 .. 5.5 are interpolated from the replicated edge; a little further they are
// filled. Nearest rounds -0.5 to pixel 0 and anything below to outside. Samples of -1 are not
// checked.
TEST(AffineOperation, EdgesReplicateWithinHalfAPixel) {
    const TestImage<uint8_t> row{6, 1, 1, {10, 20, 30, 40, 50, 60}};
    constexpr double kPast = 1.0 / 64;
    const std::tuple<double, double, Resampling, std::vector<int>> cases[] = {
        {-0.5, 0, ZynResamplingType::BILINEAR, {10, 15, 25, 35, 45, 55}},
        {0.5, 0, ZynResamplingType::BICUBIC, {-1, -1, -1, -1, -1, 60}},
        {-0.5 - kPast, 0, ZynResamplingType::BILINEAR, {7, -1, -1, -1, -1, -1}},
        {0.5 + kPast, 0, ZynResamplingType::BICUBIC, {-1, -1, -1, -1, -1, 7}},
        // Rows replicate the same way.
        {0, 0.5, ZynResamplingType::BILINEAR, {10, 20, 30, 40, 50, 60}},
        {-0.5, 0, ZynResamplingType::NEAREST, {10, 20, 30, 40, 50, 60}},
        {-0.5 - kPast, 0, ZynResamplingType::NEAREST, {7, 10, 20, 30, 40, 50}},
    };
    AffineOnImage<uint8_t> g(row);
    g.op->setAttributeText("fillColor", "[7]");
    for (const auto& [dx, dy, type, expected] : cases) {
        g.set({1, 0, dx, 0, 1, dy}, type);
        const TestImage<uint8_t> out = g.render();
        for (size_t x = 0; x < expected.size(); ++x)
            if (expected[x] >= 0) {
                EXPECT_EQ(out.samples.at(x), expected[x])
                    << x << " at " << dx << "," << dy << " " << ZynResamplingType::name(type);
            }
    }
}

// Overshoot within 0 .. 255 is EverySampleTypeFollowsTheReference's; a narrower range clamps too.
TEST(AffineOperation, BicubicOvershootIsClampedToTheColourSpaceRange) {
    const TestImage<uint8_t> edge{8, 1, 1, {0, 0, 0, 0, 255, 255, 255, 255}};
    AffineOnImage<uint8_t> video(edge, std::make_shared<ZynGenericColorSpace>(1, 16, 235));
    video.set({1, 0, 0.5, 0, 1, 0}, ZynResamplingType::BICUBIC);
    EXPECT_EQ(video.render().samples, (std::vector<uint8_t>{16, 16, 16, 127, 235, 235, 235, 235}));
}

TEST(AffineOperation, OutputResolutionsFollowTheInputs) {
    TestImage<uint8_t> big = smoothImage<uint8_t>(40, 30, 1);
    TestImage<uint8_t> small = smoothImage<uint8_t>(20, 15, 1, 0.5);
    auto source = std::make_shared<MemorySource<uint8_t>>(std::vector{big, small});
    auto affine = std::make_shared<ZynAffineOperation>(Affines{}, 0.5, 0.5);
    affine->imageInput(0)->connect(source);
    ASSERT_TRUE(ZynGraph::statusOK(*affine)) << affine->error().message();
    const auto& space = *affine->imageOutput(0)->coordSpace();
    EXPECT_EQ(space.resolutions(), (std::vector<ZynResolution>{{20, 15}, {10, 8}}));
    EXPECT_EQ(space.width(), (ZynValue{20, ZynUnit::Pixel}));
    // Output resolution 1 reads input resolution 1: the identity map crops its top left.
    EXPECT_TRUE(samplesMatch(renderRect(*affine, {10, 8}, {0, 0, 10, 8}), small.samples, 20));

    // A side of 0.0 keeps the input's extent.
    affine->setAttribute<double>("width", 0.0);
    ASSERT_TRUE(ZynGraph::statusOK(*affine));
    EXPECT_EQ(affine->imageOutput(0)->coordSpace()->resolutions().front(), (ZynResolution{40, 15}));

    // Pixel units need a single input resolution.
    affine->setAttribute<unsigned>("unit", 1);
    EXPECT_TRUE(isZynError(
        setupError(*affine), 600,
        "Cannot specify affine parameters in pixels when multiple resolutions are available"));

    affine->setAttribute<unsigned>("unit", static_cast<unsigned>(ZynUnit::Inch));
    EXPECT_TRUE(isZynError(setupError(*affine), 600,
                           "Cannot convert affine parameters in non-pixel units into pixel units"));
}

TEST(AffineOperation, TranslationsInRelativeUnits) {
    // Relative to the height: 0.25 of 20 rows is 5 pixels, on both axes.
    AffineOnImage<uint8_t> g(noisyImage<uint8_t>(40, 20, 1));
    g.op->setAttribute<unsigned>("unit", static_cast<unsigned>(ZynUnit::Height));
    g.op->setAttribute<double>("width", 2.0);
    g.op->setAttribute<double>("height", 1.0);
    g.set({1, 0, 0.25, 0, 1, 0.25}, ZynResamplingType::NEAREST);
    EXPECT_EQ(g.render().samples,
              g.reference({1, 0, 5, 0, 1, 5}, ZynResamplingType::NEAREST, 40, 20).samples);
}

TEST(AffineOperation, OpCreationErrors) {
    AffineOnImage<uint8_t> g(noisyImage<uint8_t>(10, 8, 3));
    ASSERT_TRUE(ZynGraph::statusOK(*g.op));
    EXPECT_EQ(renderError(*g.op, {5, 5}, 3).code(), 409);

    AffineOnImage<uint8_t, ZynAffineOperationT<uint8_t>> byte(noisyImage<uint8_t>(10, 8, 3));
    ASSERT_TRUE(ZynGraph::statusOK(*byte.op));
    EXPECT_EQ(renderError(*byte.op, {5, 5}, 3).code(), 600);

    g.set({1e300, 0, 0, 0, 1, 0}, ZynResamplingType::NEAREST);
    EXPECT_EQ(renderError(*g.op, {10, 8}, 3).code(), 600);
    g.set({}, static_cast<Resampling>(7));
    EXPECT_TRUE(isZynError(renderError(*g.op, {10, 8}, 3), 600,
                           "Unknown resampling method in ZynAffineOp/ZynRotateOp"));
}

TEST(AffineOperation, TheOrientationIsLeftOutOfTheMetadata) {
    AffineOnImage<uint8_t> g(noisyImage<uint8_t>(4, 4, 1));
    std::vector<std::string> keys{"ImageContainer.Orientation", "DigitalProcess.ICCProfile",
                                  "ImageContainer.Orientation"};
    g.op->filterMetadataKeys(keys);
    EXPECT_EQ(keys, (std::vector<std::string>{"DigitalProcess.ICCProfile"}));
}

TEST(AffineOperation, StrongReductionsAreReadInBoundedPieces) {
    // Each output pixel reads a sample 64 pixels from the last: a whole tile would need the
    // whole 4200 x 4200 input at once.
    TestImage<uint8_t> image = noisyImage<uint8_t>(4200, 4200, 1);
    AffineOnImage<uint8_t> g(image);
    const Affines map{64, 0, 0, 0, 64, 0};
    g.set(map, ZynResamplingType::NEAREST, 66, 66);
    EXPECT_EQ(g.render().samples, g.reference(map, ZynResamplingType::NEAREST, 66, 66).samples);
    EXPECT_GT(g.source->op().calls, 1);
}
