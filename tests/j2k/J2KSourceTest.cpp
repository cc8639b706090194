#include "J2kTestSupport.h"
#include "PpmFixture.h"
#include "TestSupport.h"
#include "ZynAnyImageSource.h"
#include "ZynSettings.h"
#include "ZynTransformRegistryEntry.h"

namespace {

// Rectangles of a level that cross tile boundaries: the whole level, and one straddling the
// corner of the first tile.
std::vector<ZynRect> testRects(const ZynResolution& size, const J2kFixtureOptions& o, int level) {
    std::vector<ZynRect> rects{{0, 0, size.width, size.height}};
    const int64_t tw = o.tileWidth ? std::max<int64_t>(o.tileWidth >> level, 1) : size.width / 2;
    const int64_t th = o.tileHeight ? std::max<int64_t>(o.tileHeight >> level, 1) : size.height / 2;
    const ZynRect corner{std::max<int64_t>(tw - 5, 0), std::max<int64_t>(th - 3, 0), tw + 9,
                         th + 7};
    rects.push_back(corner.intersect({0, 0, size.width, size.height}));
    return rects;
}

// The planes in pixels of component 0, which is the image.
std::vector<J2kPlane> inImagePixels(std::vector<J2kPlane> planes) {
    const uint32_t dx = planes[0].dx, dy = planes[0].dy;
    for (J2kPlane& p : planes) {
        p.dx /= dx;
        p.dy /= dy;
    }
    return planes;
}

// Every level of the file, in several rectangles, against the encoder's input at level 0 and
// OpenJPEG's own decode of the whole level above it.
void expectLosslessLevels(const std::string& path, const J2kFixtureOptions& o) {
    const std::vector<J2kPlane> input = writeJ2k(path, o);
    const ZynDataType type = o.isSigned        ? ZynDataType::Int16
                             : o.precision > 8 ? ZynDataType::UInt16
                                               : ZynDataType::UInt8;
    auto source = openJ2k(path);
    ASSERT_TRUE(source->status()) << source->error().message();
    const auto levels = resolutionsOf(*source);
    ASSERT_EQ(levels.size(), static_cast<size_t>(o.levels));
    for (int level = 0; level < o.levels; ++level) {
        const std::vector<J2kPlane> expected =
            inImagePixels(level == 0 ? input : decodeJ2kWithOpenJpeg(path, level));
        const ZynResolution& size = levels.at(static_cast<size_t>(level));
        ASSERT_EQ(size, (ZynResolution{expected[0].width, expected[0].height}));
        for (const ZynRect& rect : testRects(size, o, level)) {
            SCOPED_TRACE(testing::Message() << "level " << level << " rect " << rect.x << ","
                                            << rect.y << " " << rect.width << "x" << rect.height);
            EXPECT_TRUE(planesMatch(renderRect(*source, size, rect, type, o.components), expected,
                                    expected[0].x0, expected[0].y0));
        }
    }
}

J2kFixtureOptions options(uint32_t w, uint32_t h, int components, int precision, uint32_t tile,
                          int levels) {
    J2kFixtureOptions o;
    o.width = w;
    o.height = h;
    o.components = components;
    o.precision = precision;
    o.tileWidth = o.tileHeight = tile;
    o.levels = levels;
    o.color = components >= 3 ? J2kFixtureColor::SRGB : J2kFixtureColor::Grey;
    return o;
}

std::vector<std::pair<const char*, J2kFixtureOptions>> losslessCases() {
    J2kFixtureOptions offset = options(171, 133, 3, 8, 50, 4), ycc = options(101, 77, 3, 8, 0, 3),
                      half = options(130, 102, 3, 8, 64, 4);
    half.stepX = half.stepY = 2;
    half.x0 = 3;
    offset.x0 = 37;
    offset.y0 = 11;
    offset.tileX0 = 5;
    offset.tileY0 = 3;
    ycc.color = J2kFixtureColor::SYCC;
    ycc.chromaStep = 2;
    J2kFixtureOptions transformed = options(211, 149, 3, 8, 100, 3),
                      signed16 = options(120, 80, 1, 16, 64, 3),
                      signed8 = options(90, 70, 3, 8, 0, 2), across = options(130, 50, 3, 8, 0, 3);
    transformed.colorTransform = signed16.isSigned = signed8.isSigned = true;
    across.stepX = 2;
    return {
        {"grey, 64-pixel tiles", options(203, 157, 1, 8, 64, 4)},
        {"RGB with the colour transform, 100-pixel tiles", transformed},
        {"RGB in one tile, six levels", options(301, 201, 3, 8, 0, 6)},
        {"12-bit grey", options(130, 90, 1, 12, 64, 3)},
        {"16-bit RGB", options(140, 100, 3, 16, 128, 2)},
        {"signed 16-bit grey", signed16},
        {"signed 8-bit RGB", signed8},
        {"image and tiles off the grid origin", offset},
        {"no wavelet levels", options(50, 40, 3, 8, 16, 1)},
        {"RGB and alpha", options(60, 40, 4, 8, 32, 2)},
        // The image is component 0's size, not the reference grid's.
        {"every component subsampled by 2", half},
        {"every component subsampled by 2 across", across},
        // Subsampled chroma is replicated to full size.
        {"YCbCr with chroma subsampled by 2", ycc},
    };
}

}  // namespace

TEST(J2KSource, LosslessFilesRenderExactlyAtEveryLevel) {
    const std::string path = testDir() + "/lossless.jp2";
    for (const auto& [name, o] : losslessCases()) {
        SCOPED_TRACE(name);
        expectLosslessLevels(path, o);
    }
}

// A JP2 file is taken by its signature box; a bare codestream is not. Under trace the recogniser
// says what it found.
TEST(J2KSource, RecognisedByTheSignatureBoxOnly) {
    const std::string dir = testDir();
    J2kFixtureOptions o;
    writeJ2k(dir + "/a.jp2", o);
    o.rawCodestream = true;
    writeJ2k(dir + "/raw.j2k", o);
    writeFile(dir + "/b.ppm", "P6\n1 1\n255\nabc");

    auto any = openByContent(dir + "/a.jp2");
    ASSERT_TRUE(ZynGraph::statusOK(*any)) << any->error().message();
    EXPECT_EQ(any->transforms().front()->typeName(), "ZynJ2KImageSource");
    any->setFileName(qorWiden(dir + "/raw.j2k"));
    EXPECT_EQ(setupError(*any).code(), 153);
    EXPECT_EQ(any->error().message(), "Failed to open the given file: " + dir + "/raw.j2k");

    ScopedValue trace(ZynSettings::get().trace, true);
    testing::internal::CaptureStdout();
    for (const char* name : {"/a.jp2", "/b.ppm"}) openByContent(dir + name);
    const std::string said = testing::internal::GetCapturedStdout();
    for (const std::string& line : {"Found a J2K file by its magic number " + dir + "/a.jp2\n",
                                    dir + "/b.ppm Not J2K file\n"})
        EXPECT_NE(said.find(line), std::string::npos) << said;
}

TEST(J2KSource, NativeTilesFollowTheCodestreamAndAnyLayoutIsFilled) {
    const std::string path = testDir() + "/layout.jp2";
    const J2kFixtureOptions o = options(120, 90, 3, 8, 32, 3);
    const auto input = writeJ2k(path, o);
    auto source = openJ2k(path);
    const ZynImageOutputCP& out = *source->imageOutput(0);
    EXPECT_EQ(out.coordSpace()->defaultResolution(), 0);
    EXPECT_EQ(out.coordSpace()->width(), (ZynValue{120, ZynUnit::Pixel}));
    // Native tiles follow the codestream's tiles.
    EXPECT_EQ(out.dataOrg()->width(), 32u);
    const ZynRect rect{17, 9, 70, 61};
    for (ZynInterleave interleave :
         {ZynInterleave::Pixel, ZynInterleave::Line, ZynInterleave::Band}) {
        EXPECT_TRUE(planesMatch(
            renderRect(*source, {120, 90}, rect, ZynDataType::UInt8, 3, interleave), input));
    }
    // Reversed bands with padding between pixels and rows.
    ZynRectBuffer reversed(
        rect, std::make_shared<ZynSimpleDataOrg>(70, 61, ZynDataType::UInt8, ZynInterleave::Pixel,
                                                 std::vector<int64_t>{2, 1, 0}, 4, 4 * 70 + 9));
    ZynGraph::render(*source, 0, {120, 90}, reversed);
    EXPECT_TRUE(planesMatch(reversed, input));

    // With caching on, the engine renders native tiles into its own buffers.
    source->imageOutput(0)->setCaching(true);
    EXPECT_TRUE(planesMatch(renderRect(*source, {120, 90}, rect, ZynDataType::UInt8, 3), input));
}

TEST(J2KSource, QualityLayers) {
    const std::string path = testDir() + "/layers.jp2";
    J2kFixtureOptions o = options(96, 64, 3, 8, 0, 3);
    o.layers = 3;
    const auto input = writeJ2k(path, o);
    auto source = openJ2k(path);
    const ZynRect whole{0, 0, 96, 64};
    for (int layers : {0, 3}) {
        source->setAttribute<int>("qualityLayer", layers);
        ASSERT_TRUE(ZynGraph::statusOK(*source)) << source->error().message();
        EXPECT_TRUE(
            planesMatch(renderRect(*source, {96, 64}, whole, ZynDataType::UInt8, 3), input));
    }
    source->setAttribute<int>("qualityLayer", 1);
    const ZynRectBuffer first = renderRect(*source, {96, 64}, whole, ZynDataType::UInt8, 3);
    EXPECT_TRUE(planesMatch(first, decodeJ2kWithOpenJpeg(path, 0, 1)));
    EXPECT_FALSE(planesMatch(first, input)) << "one layer of three should not be lossless";

    for (int bad : {4, -1}) {
        source->setAttribute<int>("qualityLayer", bad);
        EXPECT_TRUE(isZynError(
            setupError(*source), 13,
            "Invalid Quality Layer Value: Value = " + std::to_string(bad) + ", Max Available = 3"));
    }
    source->setAttribute<int>("qualityLayer", 2);
    EXPECT_TRUE(ZynGraph::statusOK(*source));
}

J2kFixtureOptions small(int components, int precision = 8, bool isSigned = false,
                        std::vector<uint8_t> icc = {}) {
    J2kFixtureOptions o = options(16, 16, components, precision, 0, 2);
    o.isSigned = isSigned;
    o.iccProfile = std::move(icc);
    return o;
}

// What each kind of file is described as, or why its setup fails.
TEST(J2KSource, ColorSpacesAndSampleTypes) {
    J2kFixtureOptions ycc = small(3);
    ycc.color = J2kFixtureColor::SYCC;
    ycc.chromaStep = 2;
    struct Case {
        J2kFixtureOptions options;
        ZynColorKind kind;
        double minimum, maximum;
        ZynDataType type;
    };
    const Case cases[] = {
        {small(3), ZynColorKind::RGB, 0, 255, ZynDataType::UInt8},
        {ycc, ZynColorKind::YCbCr, 0, 255, ZynDataType::UInt8},
        {small(1, 12), ZynColorKind::Lum, 0, 4095, ZynDataType::UInt16},
        {small(3, 16), ZynColorKind::RGB, 0, 65535, ZynDataType::UInt16},
        {small(1, 12, true), ZynColorKind::Lum, -2048, 2047, ZynDataType::Int16},
        {small(4), ZynColorKind::RGBA, 0, 255, ZynDataType::UInt8},
        {small(2), ZynColorKind::LumA, 0, 255, ZynDataType::UInt8},
        {small(3, 8, false, fakeIccProfile("RGB ")), ZynColorKind::RGB, 0, 255, ZynDataType::UInt8},
        {small(1, 8, false, fakeIccProfile("GRAY", 564)), ZynColorKind::Lum, 0, 255,
         ZynDataType::UInt8},
    };
    const std::string path = testDir() + "/c.jp2";
    for (const Case& c : cases) {
        SCOPED_TRACE(&c - cases);
        writeJ2k(path, c.options);
        auto source = openJ2k(path);
        ASSERT_TRUE(source->status()) << source->error().message();
        const ZynImageOutputCP& out = *source->imageOutput(0);
        EXPECT_EQ(out.colorSpace()->kind(), c.kind);
        EXPECT_EQ(out.colorSpace()->minimum(), c.minimum);
        EXPECT_EQ(out.colorSpace()->maximum(), c.maximum);
        EXPECT_EQ(out.dataOrg()->dataType(), c.type);
        EXPECT_EQ(out.dataOrg()->bands(), c.options.components);
        const std::vector<uint8_t>& icc = c.options.iccProfile;
        EXPECT_TRUE(metadataIs(*source, "DigitalProcess.ICCProfile",
                               icc.empty() ? VulMetaValue{} : VulMetaValue{icc}));
    }
    // A host shows the last profile by its size.
    const CommandResult shown =
        runProgram(ANYIMAGE_EXE, {"meta", path, "DigitalProcess.ICCProfile"});
    EXPECT_EQ(shown.status, 0) << shown.err;
    EXPECT_EQ(shown.out, "DigitalProcess.ICCProfile: 564 bytes\n");

    J2kFixtureOptions cmyk = small(4), twoBandRgb = small(2);
    cmyk.color = J2kFixtureColor::CMYK;
    twoBandRgb.color = J2kFixtureColor::SRGB;
    const std::pair<J2kFixtureOptions, std::string> refused[] = {
        {cmyk, "Unknown or invalid color space id from J2K file: 12"},
        {small(4, 8, false, fakeIccProfile("CMYK")),
         "Unknown or invalid color space id from J2K file: 102"},
        {small(1, 10), "Unknown or invalid bit precision from J2K file: 10"},
        {twoBandRgb, "Unsupported number of components in J2K file: 2 for color space id 16"},
    };
    for (const auto& [options, message] : refused) {
        writeJ2k(path, options);
        EXPECT_TRUE(isZynError(setupError(*openJ2k(path)), 133, message));
    }

    // Any colour space name the pipeline knows may be asked for, but not one it lacks.
    writeJ2k(path, J2kFixtureOptions{});
    auto source = openJ2k(path);
    for (const char* name : {"RGB", "sRGB", "YCbCr", "PhotoYCC", "Lum"}) {
        source->setAttribute<std::string>("color_space", name);
        EXPECT_TRUE(ZynGraph::statusOK(*source)) << name;
    }
    source->setAttribute<std::string>("color_space", "CMYK");
    EXPECT_TRUE(isZynError(setupError(*source), 133, "Unsupported ZYN color space: CMYK"));
}

TEST(J2KSource, MessagesOfSetupAndRequestsAndAChangedFileName) {
    const std::string dir = testDir();
    auto unnamed = ZynTransformRegistry::create("J2KSource");
    EXPECT_TRUE(isZynError(setupError(*unnamed), 130, "No File Name Specified"));

    const ZynError e = setupError(*openJ2k(dir + "/missing.jp2"));
    EXPECT_EQ(e.code(), 130);
    EXPECT_NE(e.message().find("missing.jp2"), std::string::npos) << e.message();

    writeJ2k(dir + "/a.jp2", options(40, 30, 3, 8, 0, 2));
    auto source = openJ2k(dir + "/a.jp2");
    const auto renderError = [&](const ZynResolution& r, const ZynRect& rect) {
        return errorOf([&] { renderRect(*source, r, rect, ZynDataType::UInt8, 3); });
    };
    EXPECT_TRUE(
        isZynError(renderError({7, 9}, {0, 0, 7, 9}), 3, "Unsupported resolution requested: 7 9"));
    EXPECT_EQ(renderError({20, 15}, {0, 0, 20, 16}).code(), 411);
    EXPECT_THROW(renderRect(*source, {40, 30}, {0, 0, 4, 4}, ZynDataType::UInt16, 3), ZynError);

    // Another file name is read at the next setup; a copy keeps the first.
    writeJ2k(dir + "/b.jp2", options(24, 20, 1, 8, 0, 3));
    ZynTransformPtr copy = source->clone();
    source->setFileName(qorWiden(dir + "/b.jp2"));
    ASSERT_TRUE(ZynGraph::statusOK(*source));
    EXPECT_EQ(resolutionsOf(*source).size(), 3u);
    EXPECT_EQ(source->imageOutput(0)->colorSpace()->kind(), ZynColorKind::Lum);
    ASSERT_TRUE(ZynGraph::statusOK(*copy));
    EXPECT_EQ(resolutionsOf(*copy).front(), (ZynResolution{40, 30}));
}

// Threads share one source, which holds the file open only when asked to.
TEST(J2KSource, ThreadsRenderTheSamePixelsAsOne) {
    const std::string path = testDir() + "/threads.jp2";
    const J2kFixtureOptions o = options(160, 120, 3, 8, 64, 3);
    const auto input = writeJ2k(path, o);
    for (bool keepOpen : {true, false}) {
        SCOPED_TRACE(keepOpen ? "kept open" : "closed");
        auto source = openJ2k(path, keepOpen);
        ASSERT_TRUE(source->status());
        EXPECT_EQ(openDescriptorsOn(path), keepOpen ? 1 : 0) << "after setup";
        const auto failures = failuresOnThreads(4, 12, [&](int t, int i) {
            const ZynRect rect{(t * 37 + i * 11) % 110, (t * 23 + i * 7) % 70, 50, 50};
            return bool(
                planesMatch(renderRect(*source, {160, 120}, rect, ZynDataType::UInt8, 3), input));
        });
        EXPECT_EQ(failures, std::vector<int>(4, 0));
        EXPECT_EQ(openDescriptorsOn(path), keepOpen ? 1 : 0) << "after rendering";
    }
}
