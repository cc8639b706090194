#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

#include "PngTestSupport.h"
#include "TestSupport.h"
#include "ZynFile.h"
#include "ZynPNGImageSource.h"
#include "ZynSettings.h"

namespace {

constexpr int kGray = PNG_COLOR_TYPE_GRAY, kGrayAlpha = PNG_COLOR_TYPE_GRAY_ALPHA,
              kRgb = PNG_COLOR_TYPE_RGB, kRgba = PNG_COLOR_TYPE_RGB_ALPHA,
              kPalette = PNG_COLOR_TYPE_PALETTE;

using S = std::vector<int>;

template <class... T>
S of(T... samples) {
    return S{samples...};
}

// The image written to a file of a fresh folder; its path.
std::string pngFile(const PngImage& im) {
    const std::string path = testDir() + "/p.png";
    writePng(path, im);
    return path;
}

}  // namespace

TEST(PngSource, EveryKindOpensByRecognitionAndRendersTheWrittenSamples) {
    struct Variant {
        const char* name;
        int colorType, bitDepth;
        bool interlaced = false, transparency = false;
    };
    const Variant variants[] = {
        {"gray1", kGray, 1},
        {"gray8", kGray, 8},
        {"gray16", kGray, 16},
        {"gray8key", kGray, 8, false, true},
        {"grayalpha8", kGrayAlpha, 8},
        {"grayalpha16", kGrayAlpha, 16},
        {"rgb8", kRgb, 8},
        {"rgb16", kRgb, 16},
        {"rgba8", kRgba, 8},
        {"rgba16", kRgba, 16},
        {"palette4", kPalette, 4},
        {"palette8trns", kPalette, 8, false, true},
        {"interlacedrgb8", kRgb, 8, true},
        {"interlacedgray2", kGray, 2, true},
        {"interlacedrgba16", kRgba, 16, true},
    };
    const uint32_t width = 37, height = 150;
    for (const Variant& v : variants) {
        SCOPED_TRACE(v.name);
        PngImage im = pngPattern(width, height, v.colorType, v.bitDepth);
        im.interlaced = v.interlaced;
        if (v.transparency && v.colorType == kPalette) im.paletteAlpha = {0, 128, 255, 7};
        if (v.transparency && v.colorType == kGray) im.grayKey = im.sample(3, 2, 0);
        const Decoded expected = decodedSamples(im);

        auto any = openByContent(pngFile(im));
        ASSERT_TRUE(any->status()) << any->error().message();
        EXPECT_EQ(any->transforms().at(0)->typeName(), "ZynPNGImageSource");
        const ZynImageOutputCP* out = any->imageOutput(0);
        EXPECT_EQ(out->coordSpace()->resolutions(), (std::vector<ZynResolution>{{width, height}}));
        // Without a physical size the image is measured in pixels.
        EXPECT_EQ(out->coordSpace()->height(), (ZynValue{double(height), ZynUnit::Pixel}));
        const ZynColorKind kinds[] = {ZynColorKind::Lum, ZynColorKind::LumA, ZynColorKind::RGB,
                                      ZynColorKind::RGBA};
        EXPECT_EQ(out->colorSpace()->kind(), kinds[expected.bands - 1]);
        EXPECT_EQ(out->colorSpace()->maximum(), expected.bits == 16 ? 32760.0 : 255.0);
        EXPECT_EQ(out->dataOrg()->dataType(),
                  expected.bits == 16 ? ZynDataType::UInt16 : ZynDataType::UInt8);
        EXPECT_EQ(out->dataOrg()->bands(), expected.bands);
        EXPECT_EQ(out->dataOrg()->height(), v.interlaced ? height : 64u);

        EXPECT_TRUE(
            outputMatches(*any, 0, {width, height}, {0, 0, width, height}, expected.samples));
        // A rectangle the op cannot fill itself goes through its native strips.
        EXPECT_TRUE(outputMatches(*any, 0, {width, height}, {5, 60, 20, 70}, expected.samples,
                                  ZynInterleave::Band));
    }
}

TEST(PngSource, OptionsTransformTheSamples) {
    const uint32_t w = 9, h = 7;
    // Per pixel: the samples the option must give for those written.
    struct Case {
        const char* option;
        int colorType, bitDepth;
        S (*expect)(S);
    };
    const Case cases[] = {
        {"png_16to8", kRgb, 16, [](S p) { return of(p[0] >> 8, p[1] >> 8, p[2] >> 8); }},
        {"png_noalpha", kRgba, 8, [](S p) { return of(p[0], p[1], p[2]); }},
        {"png_alphamode", kGrayAlpha, 8, [](S p) { return of(p[0], 255 - p[1]); }},
        {"png_rgbtobgr", kRgba, 8, [](S p) { return of(p[2], p[1], p[0], p[3]); }},
        {"png_postfillpixels", kRgb, 8, [](S p) { return of(p[0], p[1], p[2], 255); }},
        {"png_prefillpixels", kRgb, 8, [](S p) { return of(255, p[0], p[1], p[2]); }},
        {"png_rgbatoargb", kRgba, 16, [](S p) { return of(p[3], p[0], p[1], p[2]); }},
        {"png_grytoclr", kGrayAlpha, 8, [](S p) { return of(p[0], p[0], p[0], p[1]); }},
        {"png_invertmaxmin", kGray, 16, [](S p) { return of(65535 - p[0]); }},
        {"png_changebyteorder", kGray, 16, [](S p) { return p; }},
        // Gray pixels stored as RGB turn back into their gray value.
        {"png_clrtogry", kRgb, 8, [](S p) { return of(p[0]); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.option);
        PngImage im = pngPattern(w, h, c.colorType, c.bitDepth);
        const int channels = pngChannels(c.colorType);
        if (std::string(c.option) == "png_clrtogry")
            for (size_t i = 0; i < im.samples.size(); i += 3)
                im.samples[i + 1] = im.samples[i + 2] = im.samples[i];
        S expected;
        for (size_t i = 0; i < im.samples.size(); i += channels)
            for (int s : c.expect(S(im.samples.begin() + i, im.samples.begin() + i + channels)))
                expected.push_back(s);
        // Set on a source already set up, the option sets it up again.
        ZynTransformPtr png = openByName("PNGSource", pngFile(im));
        ASSERT_TRUE(ZynGraph::statusOK(*png));
        png->setAttribute<bool>(c.option, true);
        EXPECT_TRUE(outputMatches(*png, 0, {w, h}, {0, 0, w, h}, expected));
        const bool narrow = c.bitDepth == 8 || std::string(c.option) == "png_16to8";
        EXPECT_EQ(png->imageOutput(0)->colorSpace()->maximum(), narrow ? 255 : 32760);
    }
}

TEST(PngSource, PhysicalSizeComesFromPhysInMetres) {
    PngImage im = pngPattern(300, 200, kGray, 8);
    im.pixelsPerMeterX = 3000;
    im.pixelsPerMeterY = 4000;
    auto phys = openByContent(pngFile(im));
    const ZynXyCoordSpace& metres = *phys->imageOutput(0)->coordSpace();
    EXPECT_EQ(metres.width(), (ZynValue{0.1, ZynUnit::Meter}));
    EXPECT_EQ(metres.height(), (ZynValue{0.05, ZynUnit::Meter}));
    EXPECT_EQ(metres.resolutions(), (std::vector<ZynResolution>{{300, 200}}));
}

TEST(PngSource, RowsAboveTheDecoderComeFromTheStripCacheOrARestart) {
    const uint32_t w = 40, h = 600;
    const PngImage im = pngPattern(w, h, kRgb, 8);
    const std::vector<uint16_t> expected = decodedSamples(im).samples;
    const ZynRect top{0, 0, w, 64}, row500{0, 500, w, 12}, bottom{0, 576, w, 24};
    const auto matches = [&](ZynTransform& png, const ZynRect& rect) {
        return outputMatches(png, 0, {w, h}, rect, expected);
    };

    // Strips passed over on the way to row 500 are kept: once the file is gone, row 0 still
    // comes back, and the decoder goes on below.
    std::string path = pngFile(im);
    ZynTransformPtr png = openByName("PNGSource", path);
    EXPECT_TRUE(matches(*png, row500));
    std::filesystem::remove(path);
    EXPECT_TRUE(matches(*png, top));
    EXPECT_TRUE(matches(*png, bottom));

    // A strip decoded straight into a request is not kept: row 0 again means a restart.
    path = pngFile(im);
    png = openByName("PNGSource", path);
    for (const ZynRect& rect : {top, row500, top, row500}) EXPECT_TRUE(matches(*png, rect));
    std::filesystem::remove(path);
    const ZynError e = errorOf([&] { renderOutput(*png, 0, {w, h}, top); });
    EXPECT_EQ(e.code(), 130);
    EXPECT_TRUE(e.message().starts_with(" !! Cannot Open PNG Image File: " + path +
                                        " - Error in ZynPNGImageSourceOp.cpp at line: "))
        << e.message();
    // The failure is the request's, not the source's: with the file back, requests work again.
    writePng(path, im);
    EXPECT_TRUE(matches(*png, top));
}

TEST(PngSource, WithoutKeepOpenTheFileIsClosedAfterEveryPassAndDecodingResumes) {
    const uint32_t w = 33, h = 700;
    const PngImage im = pngPattern(w, h, kGrayAlpha, 16);
    const std::string path = pngFile(im);
    const std::vector<uint16_t> expected = decodedSamples(im).samples;
    const size_t before = openDescriptorCount();
    ZynTransformPtr png = openByName("PNGSource", path, false);
    ASSERT_TRUE(ZynGraph::statusOK(*png));
    EXPECT_EQ(openDescriptorCount(), before);
    auto* file = dynamic_cast<ZynFile*>(png->opForResolution(0, {w, h}).get());
    ASSERT_TRUE(file);
    for (uint32_t y = 0; y < h; y += 100) {
        EXPECT_TRUE(
            outputMatches(*png, 0, {w, h}, {0, y, w, std::min<int64_t>(100, h - y)}, expected))
            << y;
        EXPECT_EQ(openDescriptorCount(), before) << y;
        // Opened again by hand, the file is read from the decoder's place as well.
        if (y == 300) {
            EXPECT_TRUE(file->open());
        }
    }
}

TEST(PngSource, InterlacedImagesAreDecodedWhole) {
    const uint32_t w = 50, h = 90;
    PngImage im = pngPattern(w, h, kRgb, 8);
    im.interlaced = true;
    const std::vector<uint16_t> expected = decodedSamples(im).samples;
    const ZynRect part{0, 30, w, 20};

    // The whole image is kept for later requests when it fits the cache.
    const std::string path = pngFile(im);
    ZynTransformPtr png = openByName("PNGSource", path);
    EXPECT_TRUE(outputMatches(*png, 0, {w, h}, part, expected));
    std::filesystem::remove(path);
    EXPECT_TRUE(outputMatches(*png, 0, {w, h}, {0, 0, w, h}, expected));

    // When it does not, rows outside a request are decoded into a scratch row.
    ScopedValue budget(ZynSettings::get().cacheBytes, size_t{1000});
    png = openByName("PNGSource", pngFile(im));
    EXPECT_TRUE(outputMatches(*png, 0, {w, h}, part, expected));
    EXPECT_TRUE(outputMatches(*png, 0, {w, h}, part, expected));
}

TEST(PngSource, DamagedFilesFailWithCode14Or130) {
    const uint32_t w = 64, h = 200;
    const std::string good = encodePng(pngPattern(w, h, kRgb, 8));
    const size_t idat = good.find("IDAT") - 4;
    const size_t iend = good.size() - 12;
    auto with = [&](size_t at, const std::string& bytes) {
        return std::string(good).replace(at, bytes.size(), bytes);
    };
    const std::pair<const char*, std::string> cases[] = {
        {"cut inside IDAT", good.substr(0, idat + (iend - idat) / 2)},
        {"bad IDAT CRC", with(iend - 4, "\x01\x02\x03\x04")},
        {"bad IHDR CRC", with(29, std::string(4, '\0'))},
        {"bad chunk length", with(idat, "\x7f\xff\xff\xf0")},
        {"short chunk length", with(idat, std::string("\x00\x00\x00\x10", 4))},
        {"missing IEND", good.substr(0, iend)},
        {"signature only", good.substr(0, 8)},
    };
    for (const auto& [name, bytes] : cases) {
        SCOPED_TRACE(name);
        const std::string path = testDir() + "/d.png";
        writeFile(path, bytes);
        auto any = openByContent(path);
        ASSERT_EQ(any->transforms().size(), 1u) << "recognised by its signature";
        int code = any->error().code();
        if (any->status())
            code = errorOf([&] { renderOutput(*any, 0, {w, h}, {0, 0, w, h}); }).code();
        EXPECT_TRUE(code == 14 || code == 130) << code;
    }
}

TEST(PngSource, SetupErrorsAreLinesOfThePendingError) {
    const std::string missing = testDir() + "/missing.png";
    const ZynError absent = setupError(*openByName("PNGSource", missing));
    EXPECT_EQ(absent.code(), 130);
    EXPECT_TRUE(absent.message().starts_with(" !! Cannot Open PNG Image File: " + missing +
                                             " - Error in ZynPNGImageSourceOp.cpp at line: "));
    EXPECT_TRUE(absent.message().ends_with("\n"));
    EXPECT_TRUE(setupError(*ZynTransformRegistry::create("PNGSource"))
                    .message()
                    .starts_with(" !! PNG image file name has not been specified. - Error in"));

    // libpng's own message has no place to name; the setup's follows it.
    const std::string path = testDir() + "/g.png";
    writeFile(path, std::string("\x89PNG\r\n\x1a\n", 8) + std::string(40, '\x5a'));
    auto any = openByContent(path);
    EXPECT_EQ(any->error().code(), 14);
    EXPECT_TRUE(std::regex_match(any->error().message(),
                                 std::regex(" !! PNG Error: [^\n]+ - Error in FILE at line: XXX\n"
                                            " !! PNG Error: Unable to initialize from PNG - Error "
                                            "in ZynPNGImageSourceOp.cpp at line: \\d+\n")))
        << any->error().message();
    writeFile(path, std::string("\x89PNG\r\n\x1a", 7));
    EXPECT_EQ(openByContent(path)->error().code(), 153);
}

TEST(PngSource, FourThreadsRenderTheSamePixelsAsOne) {
    const uint32_t w = 120, h = 400;
    const PngImage im = pngPattern(w, h, kRgba, 8);
    const std::string path = pngFile(im);
    const std::vector<uint16_t> expected = decodedSamples(im).samples;
    for (bool keepOpen : {true, false}) {
        ZynTransformPtr png = openByName("PNGSource", path, keepOpen);
        ASSERT_TRUE(ZynGraph::statusOK(*png));
        const auto failures = failuresOnThreads(4, 30, [&](int t, int i) {
            const ZynRect rect{(t * 37 + i * 11) % 100, (t * 53 + i * 97) % 350, 20, 50};
            return bool(outputMatches(*png, 0, {w, h}, rect, expected));
        });
        EXPECT_EQ(failures, std::vector<int>(4, 0)) << "keep_open " << keepOpen;
    }
}
