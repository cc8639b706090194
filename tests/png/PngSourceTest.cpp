#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <regex>

#include "PngTestSupport.h"
#include "TestSupport.h"
#include "ZynFile.h"
#include "ZynPNGImageSource.h"
#include "ZynSettings.h"

namespace {

struct Variant {
    const char* name;
    int colorType;
    int bitDepth;
    bool interlaced = false;
    bool transparency = false;
};

PngImage variantImage(const Variant& v, uint32_t width, uint32_t height) {
    PngImage im = pngPattern(width, height, v.colorType, v.bitDepth);
    im.interlaced = v.interlaced;
    if (v.transparency && v.colorType == PNG_COLOR_TYPE_PALETTE) im.paletteAlpha = {0, 128, 255, 7};
    if (v.transparency && v.colorType == PNG_COLOR_TYPE_GRAY) im.grayKey = im.sample(3, 2, 0);
    return im;
}

ZynColorKind kindFor(int bands) {
    const ZynColorKind kinds[] = {ZynColorKind::Lum, ZynColorKind::LumA, ZynColorKind::RGB,
                                  ZynColorKind::RGBA};
    return kinds[bands - 1];
}

}  // namespace

TEST(PngSource, EveryKindOpensByRecognitionAndRendersTheWrittenSamples) {
    const Variant variants[] = {
        {"gray1", PNG_COLOR_TYPE_GRAY, 1},
        {"gray2", PNG_COLOR_TYPE_GRAY, 2},
        {"gray4", PNG_COLOR_TYPE_GRAY, 4},
        {"gray8", PNG_COLOR_TYPE_GRAY, 8},
        {"gray16", PNG_COLOR_TYPE_GRAY, 16},
        {"gray8key", PNG_COLOR_TYPE_GRAY, 8, false, true},
        {"grayalpha8", PNG_COLOR_TYPE_GRAY_ALPHA, 8},
        {"grayalpha16", PNG_COLOR_TYPE_GRAY_ALPHA, 16},
        {"rgb8", PNG_COLOR_TYPE_RGB, 8},
        {"rgb16", PNG_COLOR_TYPE_RGB, 16},
        {"rgba8", PNG_COLOR_TYPE_RGB_ALPHA, 8},
        {"rgba16", PNG_COLOR_TYPE_RGB_ALPHA, 16},
        {"palette4", PNG_COLOR_TYPE_PALETTE, 4},
        {"palette8trns", PNG_COLOR_TYPE_PALETTE, 8, false, true},
        {"interlacedrgb8", PNG_COLOR_TYPE_RGB, 8, true},
        {"interlacedgray2", PNG_COLOR_TYPE_GRAY, 2, true},
        {"interlacedrgba16", PNG_COLOR_TYPE_RGB_ALPHA, 16, true},
    };
    const std::string dir = testDir();
    const uint32_t width = 37, height = 150;
    for (const Variant& v : variants) {
        SCOPED_TRACE(v.name);
        const PngImage im = variantImage(v, width, height);
        const std::string path = dir + "/" + v.name + ".png";
        writePng(path, im);
        const Decoded expected = decodedSamples(im);

        auto any = openByContent(path);
        ASSERT_TRUE(any->status()) << any->error().message();
        EXPECT_EQ(any->transforms().at(0)->typeName(), "ZynPNGImageSource");
        const ZynImageOutputCP* out = any->imageOutput(0);
        EXPECT_EQ(out->coordSpace()->resolutions(), (std::vector<ZynResolution>{{width, height}}));
        EXPECT_EQ(out->colorSpace()->kind(), kindFor(expected.bands));
        EXPECT_EQ(out->colorSpace()->maximum(), expected.bits == 16 ? 32760.0 : 255.0);
        EXPECT_EQ(out->dataOrg()->dataType(),
                  expected.bits == 16 ? ZynDataType::UInt16 : ZynDataType::UInt8);
        EXPECT_EQ(out->dataOrg()->bands(), expected.bands);
        EXPECT_EQ(out->dataOrg()->height(), v.interlaced ? height : 64u);

        const ZynRect whole{0, 0, width, height};
        EXPECT_EQ(renderSamples(*any, 0, {width, height}, whole), expected.samples);
        // A rectangle the op cannot fill itself goes through its native strips.
        const ZynRect part{5, 60, 20, 70};
        EXPECT_EQ(renderSamples(*any, 0, {width, height}, part, ZynInterleave::Band),
                  cut(expected, width, part));
    }
}

TEST(PngSource, OptionsTransformTheSamples) {
    const std::string dir = testDir();
    const uint32_t w = 9, h = 7;
    using Samples = std::vector<uint16_t>;
    // Per pixel: the samples written and the samples the option must give.
    struct Case {
        const char* option;
        int colorType;
        int bitDepth;
        std::function<Samples(const Samples&)> expect;
    };
    const Case cases[] = {
        {"png_16to8", PNG_COLOR_TYPE_RGB, 16,
         [](const Samples& p) {
             return Samples{uint16_t(p[0] >> 8), uint16_t(p[1] >> 8), uint16_t(p[2] >> 8)};
         }},
        {"png_noalpha", PNG_COLOR_TYPE_RGB_ALPHA, 8,
         [](const Samples& p) {
             return Samples{p[0], p[1], p[2]};
         }},
        {"png_alphamode", PNG_COLOR_TYPE_GRAY_ALPHA, 8,
         [](const Samples& p) {
             return Samples{p[0], uint16_t(255 - p[1])};
         }},
        {"png_rgbtobgr", PNG_COLOR_TYPE_RGB_ALPHA, 8,
         [](const Samples& p) {
             return Samples{p[2], p[1], p[0], p[3]};
         }},
        {"png_postfillpixels", PNG_COLOR_TYPE_RGB, 8,
         [](const Samples& p) {
             return Samples{p[0], p[1], p[2], 255};
         }},
        {"png_prefillpixels", PNG_COLOR_TYPE_RGB, 8,
         [](const Samples& p) {
             return Samples{255, p[0], p[1], p[2]};
         }},
        {"png_rgbatoargb", PNG_COLOR_TYPE_RGB_ALPHA, 16,
         [](const Samples& p) {
             return Samples{p[3], p[0], p[1], p[2]};
         }},
        {"png_grytoclr", PNG_COLOR_TYPE_GRAY_ALPHA, 8,
         [](const Samples& p) {
             return Samples{p[0], p[0], p[0], p[1]};
         }},
        {"png_invertmaxmin", PNG_COLOR_TYPE_GRAY, 16,
         [](const Samples& p) { return Samples{uint16_t(65535 - p[0])}; }},
        {"png_changebyteorder", PNG_COLOR_TYPE_GRAY, 16, [](const Samples& p) { return p; }},
        // Gray pixels stored as RGB turn back into their gray value.
        {"png_clrtogry", PNG_COLOR_TYPE_RGB, 8, [](const Samples& p) { return Samples{p[0]}; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.option);
        PngImage im = pngPattern(w, h, c.colorType, c.bitDepth);
        const int channels = pngChannels(c.colorType);
        if (std::string(c.option) == "png_clrtogry")
            for (size_t i = 0; i < im.samples.size(); i += 3)
                im.samples[i + 1] = im.samples[i + 2] = im.samples[i];
        const std::string path = dir + "/" + c.option + ".png";
        writePng(path, im);
        Samples expected;
        for (size_t i = 0; i < im.samples.size(); i += channels) {
            const Samples pixel(im.samples.begin() + i, im.samples.begin() + i + channels);
            for (uint16_t s : c.expect(pixel)) expected.push_back(s);
        }
        // Set on a source already set up, the option sets it up again.
        ZynTransformPtr png = openByName("PNGSource", path);
        ASSERT_TRUE(ZynGraph::statusOK(*png));
        png->setAttribute<bool>(c.option, true);
        EXPECT_EQ(renderSamples(*png, 0, {w, h}, {0, 0, w, h}), expected);
        if (std::string(c.option) == "png_16to8") {
            EXPECT_EQ(png->imageOutput(0)->colorSpace()->maximum(), 255.0);
        }
    }
}

TEST(PngSource, PhysicalSizeComesFromPhysInMetres) {
    const std::string dir = testDir();
    PngImage im = pngPattern(300, 200, PNG_COLOR_TYPE_GRAY, 8);
    writePng(dir + "/plain.png", im);
    im.pixelsPerMeterX = 3000;
    im.pixelsPerMeterY = 4000;
    writePng(dir + "/phys.png", im);

    auto plain = openByContent(dir + "/plain.png");
    const ZynXyCoordSpace& pixels = *plain->imageOutput(0)->coordSpace();
    EXPECT_EQ(pixels.width(), (ZynValue{300.0, ZynUnit::Pixel}));
    EXPECT_EQ(pixels.height(), (ZynValue{200.0, ZynUnit::Pixel}));
    auto phys = openByContent(dir + "/phys.png");
    const ZynXyCoordSpace& metres = *phys->imageOutput(0)->coordSpace();
    EXPECT_EQ(metres.width(), (ZynValue{0.1, ZynUnit::Meter}));
    EXPECT_EQ(metres.height(), (ZynValue{0.05, ZynUnit::Meter}));
    EXPECT_EQ(metres.resolutions(), (std::vector<ZynResolution>{{300, 200}}));
}

TEST(PngSource, WithoutATagImageOutTagCarriesError1) {
    const std::string path = testDir() + "/plain.png";
    writePng(path, pngPattern(20, 10, PNG_COLOR_TYPE_RGB, 8));
    ZynTransformPtr png = openByName("PNGSource", path);
    ASSERT_TRUE(ZynGraph::statusOK(*png));
    EXPECT_EQ(png->typeName(), "ZynPNGImageSource");
    ASSERT_EQ(png->numOutputs(), 2);
    EXPECT_EQ(png->output(0).name(), "out");
    EXPECT_EQ(png->output(1).name(), "OutTag");
    EXPECT_EQ(png->clone()->numOutputs(), 2);
    const ZynImageOutputCP* tag = png->imageOutput(1);
    EXPECT_EQ(tag->colorSpace()->kind(), ZynColorKind::Lum);
    EXPECT_EQ(tag->dataOrg()->bands(), 1);
    EXPECT_TRUE(isZynError(renderError(*png, 1, {20, 10}, {0, 0, 20, 10}), 1,
                           "There is no chroma key tag image available"));
}

TEST(PngSource, RowsAboveTheDecoderComeFromTheStripCacheOrARestart) {
    const std::string dir = testDir();
    const uint32_t w = 40, h = 600;
    const PngImage im = pngPattern(w, h, PNG_COLOR_TYPE_RGB, 8);
    const Decoded expected = decodedSamples(im);
    const ZynRect top{0, 0, w, 64}, row500{0, 500, w, 12}, bottom{0, 576, w, 24};

    // Strips passed over on the way to row 500 are kept: once the file is gone, row 0 still
    // comes back, and the decoder goes on below.
    writePng(dir + "/a.png", im);
    ZynTransformPtr png = openByName("PNGSource", dir + "/a.png");
    EXPECT_EQ(renderSamples(*png, 0, {w, h}, row500), cut(expected, w, row500));
    std::filesystem::remove(dir + "/a.png");
    EXPECT_EQ(renderSamples(*png, 0, {w, h}, top), cut(expected, w, top));
    EXPECT_EQ(renderSamples(*png, 0, {w, h}, bottom), cut(expected, w, bottom));

    // A strip decoded straight into a request is not kept: row 0 again means a restart.
    writePng(dir + "/b.png", im);
    png = openByName("PNGSource", dir + "/b.png");
    EXPECT_EQ(renderSamples(*png, 0, {w, h}, top), cut(expected, w, top));
    EXPECT_EQ(renderSamples(*png, 0, {w, h}, row500), cut(expected, w, row500));
    EXPECT_EQ(renderSamples(*png, 0, {w, h}, top), cut(expected, w, top));
    EXPECT_EQ(renderSamples(*png, 0, {w, h}, row500), cut(expected, w, row500));
    std::filesystem::remove(dir + "/b.png");
    const ZynError e = renderError(*png, 0, {w, h}, top);
    EXPECT_EQ(e.code(), 130);
    EXPECT_TRUE(e.message().starts_with(" !! Cannot Open PNG Image File: " + dir +
                                        "/b.png - Error in ZynPNGImageSourceOp.cpp at line: "))
        << e.message();
    // The failure is the request's, not the source's: with the file back, requests work again.
    writePng(dir + "/b.png", im);
    EXPECT_EQ(renderSamples(*png, 0, {w, h}, top), cut(expected, w, top));
}

TEST(PngSource, WithoutKeepOpenTheFileIsClosedAfterEveryPassAndDecodingResumes) {
    const std::string path = testDir() + "/sweep.png";
    const uint32_t w = 33, h = 700;
    const PngImage im = pngPattern(w, h, PNG_COLOR_TYPE_GRAY_ALPHA, 16);
    writePng(path, im);
    const Decoded expected = decodedSamples(im);
    const size_t before = openDescriptorCount();
    ZynTransformPtr png = openByName("PNGSource", path, false);
    ASSERT_TRUE(ZynGraph::statusOK(*png));
    EXPECT_EQ(openDescriptorCount(), before);
    auto* file = dynamic_cast<ZynFile*>(png->opForResolution(0, {w, h}).get());
    ASSERT_TRUE(file);
    for (uint32_t y = 0; y < h; y += 100) {
        const ZynRect strip{0, y, w, std::min<int64_t>(100, h - y)};
        EXPECT_EQ(renderSamples(*png, 0, {w, h}, strip), cut(expected, w, strip)) << y;
        EXPECT_EQ(openDescriptorCount(), before) << y;
        // Opened again by hand, the file is read from the decoder's place as well.
        if (y == 300) {
            EXPECT_TRUE(file->open());
        }
    }
}

TEST(PngSource, InterlacedImagesAreDecodedWhole) {
    const std::string dir = testDir();
    const uint32_t w = 50, h = 90;
    PngImage im = pngPattern(w, h, PNG_COLOR_TYPE_RGB, 8);
    im.interlaced = true;
    writePng(dir + "/i.png", im);
    const Decoded expected = decodedSamples(im);
    const ZynRect part{0, 30, w, 20};

    // The whole image is kept for later requests when it fits the cache.
    ZynTransformPtr png = openByName("PNGSource", dir + "/i.png");
    EXPECT_EQ(renderSamples(*png, 0, {w, h}, part), cut(expected, w, part));
    std::filesystem::remove(dir + "/i.png");
    EXPECT_EQ(renderSamples(*png, 0, {w, h}, {0, 0, w, h}), expected.samples);

    // When it does not, rows outside a request are decoded into a scratch row.
    writePng(dir + "/j.png", im);
    const size_t budget = ZynSettings::get().cacheBytes;
    ZynSettings::get().cacheBytes = 1000;
    png = openByName("PNGSource", dir + "/j.png");
    EXPECT_EQ(renderSamples(*png, 0, {w, h}, part), cut(expected, w, part));
    EXPECT_EQ(renderSamples(*png, 0, {w, h}, part), cut(expected, w, part));
    ZynSettings::get().cacheBytes = budget;
}

TEST(PngSource, BuffersTheOpCannotFillAreRefusedWithCode3) {
    const std::string path = testDir() + "/r.png";
    writePng(path, pngPattern(20, 10, PNG_COLOR_TYPE_RGB, 8));
    ZynTransformPtr png = openByName("PNGSource", path);
    ASSERT_TRUE(ZynGraph::statusOK(*png));
    ZynImageOpPtr op = png->opForResolution(0, {20, 10});
    ZynRectBuffer narrow({2, 3, 5, 4},
                         std::make_shared<ZynSimpleDataOrg>(5, 4, ZynDataType::UInt8, 3));
    expectZynError([&] { op->genRect(narrow); }, 3,
                   "ZynPNGImageSourceOp::genRect() can only fill rect buffers that have an "
                   "ZynSimpleDataOrg, are 8-bit or 16 bit, are pixel-interleaved\nwith uniform "
                   "band offsets, and have no pad bytes between samples.\nRequested (2,3) w=5, "
                   "h=4 pixels from PNG image which is 20x10 pixels");
    EXPECT_THROW(png->opForResolution(0, {10, 5}), ZynError);
    EXPECT_EQ(errorOf([&] {
                  png->opForResolution(2, {20, 10});
              }).message(),
              "invalid output connection point index");
}

TEST(PngSource, DamagedFilesFailWithCode14Or130) {
    const std::string dir = testDir();
    const uint32_t w = 64, h = 200;
    const std::string good = encodePng(pngPattern(w, h, PNG_COLOR_TYPE_RGB, 8));
    const size_t idat = good.find("IDAT") - 4;
    const size_t iend = good.size() - 12;
    auto with = [&](size_t at, const std::string& bytes) {
        std::string damaged = good;
        damaged.replace(at, bytes.size(), bytes);
        return damaged;
    };
    const std::pair<const char*, std::string> cases[] = {
        {"cut inside IDAT", good.substr(0, idat + (iend - idat) / 2)},
        {"bad IDAT CRC", with(iend - 4, "\x01\x02\x03\x04")},
        {"bad IHDR CRC", with(29, std::string(4, '\0'))},
        {"bad chunk length", with(idat, "\x7f\xff\xff\xf0")},
        {"short chunk length", with(idat, std::string("\x00\x00\x00\x10", 4))},
        {"missing IEND", good.substr(0, iend)},
        {"garbage after the signature", good.substr(0, 8) + std::string(200, '\x5a')},
        {"signature only", good.substr(0, 8)},
    };
    int n = 0;
    for (const auto& [name, bytes] : cases) {
        SCOPED_TRACE(name);
        const std::string path = dir + "/d" + std::to_string(n++) + ".png";
        writeFile(path, bytes);
        auto any = openByContent(path);
        ASSERT_EQ(any->transforms().size(), 1u) << "recognised by its signature";
        int code = any->error().code();
        if (any->status()) code = renderError(*any, 0, {w, h}, {0, 0, w, h}).code();
        EXPECT_TRUE(code == 14 || code == 130) << code;
    }
}

TEST(PngSource, SetupErrorsAreLinesOfThePendingError) {
    const std::string dir = testDir();
    const std::string missing = dir + "/missing.png";
    ZynTransformPtr png = openByName("PNGSource", missing);
    EXPECT_FALSE(ZynGraph::statusOK(*png));
    EXPECT_EQ(png->error().code(), 130);
    EXPECT_TRUE(
        png->error().message().starts_with(" !! Cannot Open PNG Image File: " + missing +
                                           " - Error in ZynPNGImageSourceOp.cpp at line: "));
    EXPECT_TRUE(png->error().message().ends_with("\n"));
    ZynTransformPtr unnamed = ZynTransformRegistry::create("PNGSource");
    EXPECT_FALSE(ZynGraph::statusOK(*unnamed));
    EXPECT_TRUE(unnamed->error().message().starts_with(
        " !! PNG image file name has not been specified. - Error in"));

    // libpng's own message has no place to name; the setup's follows it.
    writeFile(dir + "/g.png", std::string("\x89PNG\r\n\x1a\n", 8) + std::string(40, '\x5a'));
    auto any = openByContent(dir + "/g.png");
    EXPECT_EQ(any->error().code(), 14);
    EXPECT_TRUE(std::regex_match(any->error().message(),
                                 std::regex(" !! PNG Error: [^\n]+ - Error in FILE at line: XXX\n"
                                            " !! PNG Error: Unable to initialize from PNG - Error "
                                            "in ZynPNGImageSourceOp.cpp at line: \\d+\n")))
        << any->error().message();
    writeFile(dir + "/g.png", std::string("\x89PNG\r\n\x1a", 7));
    EXPECT_EQ(openByContent(dir + "/g.png")->error().code(), 153);
}

TEST(PngSource, FourThreadsRenderTheSamePixelsAsOne) {
    const std::string path = testDir() + "/threads.png";
    const uint32_t w = 120, h = 400;
    const PngImage im = pngPattern(w, h, PNG_COLOR_TYPE_RGB_ALPHA, 8);
    writePng(path, im);
    const Decoded expected = decodedSamples(im);
    for (bool keepOpen : {true, false}) {
        ZynTransformPtr png = openByName("PNGSource", path, keepOpen);
        ASSERT_TRUE(ZynGraph::statusOK(*png));
        const auto failures = failuresOnThreads(4, 30, [&](int t, int i) {
            const ZynRect rect{(t * 37 + i * 11) % 100, (t * 53 + i * 97) % 350, 20, 50};
            return renderSamples(*png, 0, {w, h}, rect) == cut(expected, w, rect);
        });
        EXPECT_EQ(failures, std::vector<int>(4, 0)) << "keep_open " << keepOpen;
    }
}
