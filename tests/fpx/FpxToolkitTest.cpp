#include <gtest/gtest.h>

#include <cmath>

#include "FpxFixture.h"
#include "FpxImage.h"
#include "FpxToolkit.h"
#include "TestSupport.h"

namespace {

// Holds the toolkit initialised for a test.
struct Toolkit {
    Toolkit() { EXPECT_EQ(fpxInitToolkit(), FpxStatus::Ok); }
    ~Toolkit() { EXPECT_EQ(fpxCloseToolkit(), FpxStatus::Ok); }
};

struct Opened {
    FpxStatus status = FpxStatus::Ok;
    uint32_t width = 0, height = 0;
    FpxImageInfo info;
    FpxResolutionInfo levels;
    FpxImageHandle image;
};

Opened openImage(const std::string& path) {
    Opened o;
    o.status = fpxOpenImageByFilename(path, o.width, o.height, o.info, o.levels, o.image);
    return o;
}

// The stored channels' codes, in order, for a description of all of them.
FpxImageDesc nativeDesc(const FpxImageInfo& info, uint8_t* data, uint32_t width) {
    FpxImageDesc desc;
    desc.numChannels = info.numChannels;
    for (int k = 0; k < info.numChannels; ++k)
        desc.channels[k] = {info.channelCodes[k], FpxSampleKind::UInt8, info.numChannels,
                            static_cast<ptrdiff_t>(width) * info.numChannels, data + k};
    return desc;
}

std::vector<uint8_t> readLevel(Opened& o, int level) {
    const FpxResolutionLevel& l = o.levels[static_cast<size_t>(level)];
    std::vector<uint8_t> pixels(size_t{l.width} * l.height * o.info.numChannels);
    EXPECT_EQ(fpxReadImageRectangle(o.image.get(), 0, 0, l.width - 1, l.height - 1, level,
                                    nativeDesc(o.info, pixels.data(), l.width)),
              FpxStatus::Ok);
    return pixels;
}

int maxDifference(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
    EXPECT_EQ(a.size(), b.size());
    int worst = 0;
    for (size_t i = 0; i < std::min(a.size(), b.size()); ++i)
        worst = std::max(worst, std::abs(a[i] - b[i]));
    return worst;
}

double meanDifference(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
    double sum = 0;
    for (size_t i = 0; i < a.size(); ++i) sum += std::abs(a[i] - b[i]);
    return sum / static_cast<double>(a.size());
}

struct Case {
    const char* name;
    FpxFixtureColor color;
    FpxFixtureTiles tiles;
    int channels;
    int colorSpace;
    bool subsampled = false;
};

class FpxToolkitPixels : public ::testing::TestWithParam<Case> {};

}  // namespace

// Every level of every kind of file: exact where the tiles are exact, libjpeg-turbo's own decode
// of the written tile data where they are JPEG (and close to what the encoder was given).
TEST_P(FpxToolkitPixels, EveryLevelMatchesWhatTheEncoderWasGiven) {
    const Case& c = GetParam();
    Toolkit toolkit;
    FpxFixtureSpec recipe;
    recipe.width = 120;
    recipe.height = 100;
    recipe.color = c.color;
    recipe.tiles = c.tiles;
    recipe.jpegSubsampled = c.subsampled;
    const std::string path = testDir() + "/image.fpx";
    const FpxFixture fixture = writeFpx(path, recipe);

    Opened o = openImage(path);
    ASSERT_EQ(o.status, FpxStatus::Ok);
    EXPECT_EQ(o.width, 120u);
    EXPECT_EQ(o.height, 100u);
    EXPECT_EQ(o.info.numChannels, c.channels);
    EXPECT_EQ(o.info.colorSpace, c.colorSpace);
    ASSERT_EQ(o.levels.size(), 2u);
    EXPECT_EQ(o.levels[1].width, 60u);
    EXPECT_EQ(o.levels[1].height, 50u);
    for (int level = 0; level < 2; ++level) {
        SCOPED_TRACE(level);
        const std::vector<uint8_t> got = readLevel(o, level);
        const std::vector<uint8_t> want = expectedFpxPixels(fixture, recipe, level);
        const bool jpeg =
            c.tiles == FpxFixtureTiles::Jpeg || c.tiles == FpxFixtureTiles::JpegSharedTables;
        EXPECT_LE(maxDifference(got, want), jpeg ? 1 : 0);
        if (jpeg) {
            // Subsampled chroma loses much of the fixture's fine noise.
            EXPECT_LT(meanDifference(got, fixture.levels[level].pixels), c.subsampled ? 16.0 : 8.0);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, FpxToolkitPixels,
    ::testing::Values(
        Case{"RgbUncompressed", FpxFixtureColor::Rgb, FpxFixtureTiles::Uncompressed, 3, kFpxRgb},
        Case{"RgbSingleColor", FpxFixtureColor::Rgb, FpxFixtureTiles::SingleColor, 3, kFpxRgb},
        Case{"RgbJpeg", FpxFixtureColor::Rgb, FpxFixtureTiles::Jpeg, 3, kFpxRgb},
        Case{"RgbJpegSubsampled", FpxFixtureColor::Rgb, FpxFixtureTiles::JpegSharedTables, 3,
             kFpxRgb, true},
        Case{"RgbaUncompressed", FpxFixtureColor::RgbAlpha, FpxFixtureTiles::Uncompressed, 4,
             kFpxRgb},
        Case{"RgbaSingleColor", FpxFixtureColor::RgbAlpha, FpxFixtureTiles::SingleColor, 4,
             kFpxRgb},
        Case{"RgbaJpeg", FpxFixtureColor::RgbAlpha, FpxFixtureTiles::JpegSharedTables, 4, kFpxRgb},
        Case{"MonoUncompressed", FpxFixtureColor::Monochrome, FpxFixtureTiles::Uncompressed, 1,
             kFpxMonochrome},
        Case{"MonoJpeg", FpxFixtureColor::Monochrome, FpxFixtureTiles::JpegSharedTables, 1,
             kFpxMonochrome},
        Case{"MonoAlphaJpeg", FpxFixtureColor::MonochromeAlpha, FpxFixtureTiles::Jpeg, 2,
             kFpxMonochrome},
        Case{"PhotoYccJpeg", FpxFixtureColor::PhotoYcc, FpxFixtureTiles::Jpeg, 3, kFpxPhotoYcc},
        Case{"PhotoYccAlphaUncompressed", FpxFixtureColor::PhotoYccAlpha,
             FpxFixtureTiles::Uncompressed, 4, kFpxPhotoYcc}),
    [](const ::testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });

TEST(FpxToolkit, RectanglesAcrossTilesIntoAnyLayout) {
    Toolkit toolkit;
    FpxFixtureSpec recipe;
    recipe.width = 200;
    recipe.height = 140;
    recipe.color = FpxFixtureColor::RgbAlpha;
    recipe.premultiplied = true;
    const std::string path = testDir() + "/rgba.fpx";
    const FpxFixture fixture = writeFpx(path, recipe);
    Opened o = openImage(path);
    ASSERT_EQ(o.status, FpxStatus::Ok);
    // Premultiplied colours are delivered as stored.
    EXPECT_TRUE(o.info.premultiplied);
    const std::vector<uint8_t>& given = fixture.levels[0].pixels;
    auto givenAt = [&](uint32_t x, uint32_t y, int c) { return given[(y * 200 + x) * 4 + c]; };

    // Band-sequential, bands reversed, alpha dropped: one plane per channel.
    const uint32_t x0 = 60, y0 = 5, x1 = 130, y1 = 129, w = x1 - x0 + 1, h = y1 - y0 + 1;
    std::vector<uint8_t> planes(size_t{w} * h * 3);
    FpxImageDesc desc;
    desc.numChannels = 3;
    for (int k = 0; k < 3; ++k)
        desc.channels[k] = {kFpxChannelBlue - k, FpxSampleKind::UInt8, 1, w,
                            planes.data() + size_t{w} * h * k};
    ASSERT_EQ(fpxReadImageRectangle(o.image.get(), x0, y0, x1, y1, 0, desc), FpxStatus::Ok);
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x)
            for (int k = 0; k < 3; ++k)
                ASSERT_EQ(planes[size_t{w} * h * k + y * w + x], givenAt(x0 + x, y0 + y, 2 - k))
                    << x << "," << y << "," << k;

    // The alpha channel alone, by its colour code.
    std::vector<uint8_t> alpha(64);
    desc.numChannels = 1;
    desc.channels[0] = {kFpxChannelAlpha, FpxSampleKind::UInt8, 1, 8, alpha.data()};
    ASSERT_EQ(fpxReadImageRectangle(o.image.get(), 190, 130, 197, 137, 0, desc), FpxStatus::Ok);
    for (uint32_t i = 0; i < 64; ++i) ASSERT_EQ(alpha[i], givenAt(190 + i % 8, 130 + i / 8, 3));
}

TEST(FpxToolkit, RefusesRequestsOutsideTheImageOrItsChannels) {
    Toolkit toolkit;
    FpxFixtureSpec recipe;
    const std::string path = testDir() + "/rgb.fpx";
    writeFpx(path, recipe);
    Opened o = openImage(path);
    ASSERT_EQ(o.status, FpxStatus::Ok);
    uint8_t pixel[4];
    FpxImageDesc desc = nativeDesc(o.info, pixel, 1);
    EXPECT_EQ(fpxReadImageRectangle(o.image.get(), 0, 0, 100, 0, 0, desc),
              FpxStatus::InvalidParameter);
    EXPECT_EQ(fpxReadImageRectangle(o.image.get(), 0, 0, 0, 0, 2, desc),
              FpxStatus::InvalidParameter);
    EXPECT_EQ(fpxReadImageRectangle(o.image.get(), 5, 0, 4, 0, 0, desc),
              FpxStatus::InvalidParameter);
    desc.channels[0].colorCode = kFpxChannelAlpha;
    EXPECT_EQ(fpxReadImageRectangle(o.image.get(), 0, 0, 0, 0, 0, desc),
              FpxStatus::InvalidParameter);
    EXPECT_EQ(fpxReadImageRectangle(nullptr, 0, 0, 0, 0, 0, desc), FpxStatus::InvalidHandle);
}

TEST(FpxToolkit, ViewingParametersAndTheirDefaults) {
    Toolkit toolkit;
    const std::string dir = testDir();
    FpxFixtureSpec plain;
    writeFpx(dir + "/plain.fpx", plain);
    Opened o = openImage(dir + "/plain.fpx");
    ASSERT_EQ(o.status, FpxStatus::Ok);
    NIFAffineMatrix affine(2, 3);
    NIFColorTwistMatrix twist;
    NIFROI roi;
    float value = -1;
    EXPECT_EQ(fpxGetImageAffineMatrix(o.image.get(), affine), FpxStatus::PropertyNotFound);
    EXPECT_EQ(fpxGetImageColorTwistMatrix(o.image.get(), twist), FpxStatus::PropertyNotFound);
    EXPECT_EQ(fpxGetImageROI(o.image.get(), roi), FpxStatus::PropertyNotFound);
    EXPECT_EQ(fpxGetImageContrastAdjustment(o.image.get(), value), FpxStatus::PropertyNotFound);
    EXPECT_EQ(fpxGetImageResultAspectRatio(o.image.get(), value), FpxStatus::PropertyNotFound);

    FpxFixtureSpec viewed;
    viewed.view = FpxFixtureView{};
    viewed.view->aspectRatio = 1.25f;
    viewed.view->roi = std::vector<float>{0.1f, 0.2f, 0.5f, 0.6f};
    viewed.view->affine =
        std::vector<float>{0.5f, 0.1f, 0, 7, -0.1f, 0.5f, 0, 9, 0, 0, 1, 0, 0, 0, 0, 1};
    viewed.view->colorTwist = std::vector<float>(16, 0.25f);
    viewed.view->contrast = 1.5f;
    writeFpx(dir + "/viewed.fpx", viewed);
    o = openImage(dir + "/viewed.fpx");
    ASSERT_EQ(o.status, FpxStatus::Ok);
    ASSERT_EQ(fpxGetImageAffineMatrix(o.image.get(), affine), FpxStatus::Ok);
    EXPECT_EQ(affine.m[3], 7);
    EXPECT_EQ(affine.m[7], 9);
    EXPECT_FLOAT_EQ(affine.m[4], -0.1f);
    ASSERT_EQ(fpxGetImageColorTwistMatrix(o.image.get(), twist), FpxStatus::Ok);
    EXPECT_EQ(twist.m[15], 0.25f);
    ASSERT_EQ(fpxGetImageROI(o.image.get(), roi), FpxStatus::Ok);
    EXPECT_FLOAT_EQ(roi.top, 0.2f);
    EXPECT_FLOAT_EQ(roi.height, 0.6f);
    ASSERT_EQ(fpxGetImageContrastAdjustment(o.image.get(), value), FpxStatus::Ok);
    EXPECT_EQ(value, 1.5f);
    ASSERT_EQ(fpxGetImageResultAspectRatio(o.image.get(), value), FpxStatus::Ok);
    EXPECT_EQ(value, 1.25f);

    // Six coefficients a, b, c, d, e, f land where the 4 x 4 form keeps them.
    viewed.view = FpxFixtureView{};
    viewed.view->affine = std::vector<float>{1, 2, 3, 4, 5, 6};
    writeFpx(dir + "/six.fpx", viewed);
    o = openImage(dir + "/six.fpx");
    ASSERT_EQ(fpxGetImageAffineMatrix(o.image.get(), affine), FpxStatus::Ok);
    EXPECT_EQ((std::vector<float>{affine.m[0], affine.m[1], affine.m[3], affine.m[4], affine.m[5],
                                  affine.m[7], affine.m[2], affine.m[10]}),
              (std::vector<float>{1, 2, 3, 4, 5, 6, 0, 1}));

    // A damaged value leaves the whole view out; the image still opens.
    viewed.view = FpxFixtureView{};
    viewed.view->contrast = 2.0f;
    viewed.view->colorTwist = std::vector<float>{1, 0, 0};
    writeFpx(dir + "/damaged.fpx", viewed);
    o = openImage(dir + "/damaged.fpx");
    EXPECT_EQ(o.status, FpxStatus::ViewUnreadable);
    EXPECT_EQ(fpxGetImageContrastAdjustment(o.image.get(), value), FpxStatus::PropertyNotFound);
    viewed.view = FpxFixtureView{};
    viewed.view->aspectRatio = NAN;
    writeFpx(dir + "/nan.fpx", viewed);
    EXPECT_EQ(openImage(dir + "/nan.fpx").status, FpxStatus::ViewUnreadable);
}

TEST(FpxToolkit, SummaryInformation) {
    Toolkit toolkit;
    FpxFixtureSpec recipe;
    recipe.summary = true;
    const std::string path = testDir() + "/summary.fpx";
    writeFpx(path, recipe);
    Opened o = openImage(path);
    NIFSummaryInformation summary;
    ASSERT_EQ(fpxGetSummaryInformation(o.image.get(), summary), FpxStatus::Ok);
    EXPECT_EQ(summary.title.view(), "Harbour at dawn");
    EXPECT_EQ(summary.author.view(), "A. Photographer \xc3\xa9");
    EXPECT_EQ(summary.subject.length, 0u);
    EXPECT_EQ(summary.created.value(), 0x01D9A0B0C0D0E0F0ull);
    EXPECT_EQ(summary.pageCount, 1u);
    EXPECT_EQ(summary.applicationName.view(), "fixture writer");
    ASSERT_EQ(summary.thumbnail.length, 5u);
    EXPECT_EQ(summary.thumbnail.ptr[4], 5);

    recipe.summary = false;
    writeFpx(path, recipe);
    o = openImage(path);
    EXPECT_EQ(fpxGetSummaryInformation(o.image.get(), summary), FpxStatus::PropertyNotFound);
}

TEST(FpxToolkit, InitialisationIsCounted) {
    uint32_t w, h;
    FpxImageInfo info;
    FpxResolutionInfo levels;
    FpxImageHandle image;
    EXPECT_EQ(fpxCloseToolkit(), FpxStatus::NotInitialised);
    EXPECT_EQ(fpxOpenImageByFilename("/nonexistent.fpx", w, h, info, levels, image),
              FpxStatus::NotInitialised);
    EXPECT_EQ(fpxInitToolkit(), FpxStatus::Ok);
    EXPECT_EQ(fpxInitToolkit(), FpxStatus::Ok);
    EXPECT_EQ(fpxCloseToolkit(), FpxStatus::Ok);
    EXPECT_EQ(fpxOpenImageByFilename("/nonexistent.fpx", w, h, info, levels, image),
              FpxStatus::FileNotFound);
    EXPECT_EQ(fpxCloseToolkit(), FpxStatus::Ok);
    EXPECT_EQ(fpxIsValidFlashPixFile("/nonexistent.fpx"), FpxStatus::NotInitialised);
    EXPECT_EQ(fpxCloseImage(image), FpxStatus::InvalidHandle);
}
