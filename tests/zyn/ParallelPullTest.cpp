#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "../anyimage/AnyImageTestSupport.h"
#include "../ops/OperationOnImage.h"
#include "../transforms/SampleFileTestSupport.h"
#include "BmpFixture.h"
#include "ImpsFixture.h"
#include "J2kFixture.h"
#include "JpegFixture.h"
#include "PngFixture.h"
#include "PpmFixture.h"
#include "RawFixture.h"
#include "TiffFixture.h"
#include "ZynRawImageSource.h"
#include "ZynSettings.h"
#include "ZynWorkerPool.h"

namespace {

// An image ready to render and, when the fixture gives them, its pixels as packed samples of
// its own type.
struct Opened {
    ZynTransformPtr image;
    std::vector<uint8_t> expected;
};

// Every image spans several native tiles, so that requests of the whole image spread.

// RGB TIFF of 16 x 16 tiles with the given compression, or of strips of 8 rows.
Opened tiff(const std::string& dir, bool tiled, uint16_t compression = 1) {
    TiffPage page{.width = tiled ? 70u : 30u,
                  .height = tiled ? 45u : 150u,
                  .samplesPerPixel = 3,
                  .photometric = 2,
                  .compression = compression,
                  .rowsPerStrip = tiled ? 0u : 8u,
                  .tileWidth = tiled ? 16u : 0u,
                  .tileHeight = tiled ? 16u : 0u};
    const auto samples = tiffPattern(page.width, page.height, 3, 8);
    page.data = packTiffSamples(samples, page.width * 3, 8);
    writeTiff(dir + "/t.tif", {page});
    return {openByContent(dir + "/t.tif"), {samples.begin(), samples.end()}};
}

Opened ppm(const std::string& dir, bool keepOpen = true) {
    const auto rgb = fixturePattern(40, 150, 3);
    writePpm(dir + "/p.ppm", 40, 150, rgb);
    return {openByContent(dir + "/p.ppm", keepOpen), rgb};
}

Opened tiledJ2k(const std::string& dir) {
    const J2kFixtureOptions options{.tileWidth = 32, .tileHeight = 32, .levels = 3};  // 64 x 48
    const auto planes = writeJ2k(dir + "/t.jp2", options);
    std::vector<uint8_t> rgb;
    for (uint32_t y = 0; y < options.height; ++y)
        for (uint32_t x = 0; x < options.width; ++x)
            for (const J2kPlane& plane : planes)
                rgb.push_back(static_cast<uint8_t>(plane.at(x, y)));
    return {openByContent(dir + "/t.jp2"), rgb};
}

// One tile, whose code-blocks the library decodes on the request's threads.
Opened lossyJ2k(const std::string& dir) {
    writeJ2k(dir + "/l.jp2",
             {.width = 40, .height = 600, .levels = 4, .lossy = true, .colorTransform = true});
    return {openByContent(dir + "/l.jp2"), {}};
}

Opened bmp(const std::string& dir, const std::string& source = "", uint32_t height = 150) {
    const auto rgb = fixturePattern(37, height, 3);
    writeBmp(dir + "/b.bmp", 37, height, 24, rgb);
    return {sourceOf(dir + "/b.bmp", source, source.empty()), rgb};
}

Opened imps(const std::string& dir) {
    const ImpsSet set{33, 150};
    const auto rgb = fixturePattern(set.width, set.height, 3);
    writeImpsSet(dir, "set", ImpsKind::Rgb, set, std::vector<uint32_t>(rgb.begin(), rgb.end()));
    return {openByContent(dir + "/set.doc"), rgb};
}

// 8-bit RGB kept open, or 16-bit big-endian grey opened for each pass.
Opened raw(const std::string& dir, bool sixteen = false) {
    auto source = std::make_shared<ZynRawImageSource>();
    setName(*source, dir + "/r.raw");
    if (sixteen) {
        const auto samples = pattern16(64 * 200);
        writeFile(dir + "/r.raw", sampleBytes(samples, true));
        source->setAttribute<bool>("keep_open", false);
        source->setFile(0, 64, 200, 1, nullptr, ZynDataType::UInt16, 0, ppcHWD);
        const std::string native = sampleBytes(samples, false);
        return {source, {native.begin(), native.end()}};
    }
    const auto rgb = fixturePattern(30, 150, 3);
    writeFile(dir + "/r.raw", std::string(rgb.begin(), rgb.end()));
    source->setFile(0, 30, 150, 3, nullptr, ZynDataType::UInt8, 0, nativeHWD);
    return {source, rgb};
}

Opened png(const std::string& dir) {
    const PngImage image = pngPattern(40, 150, 2, 8);
    writePng(dir + "/p.png", image);
    return {openByContent(dir + "/p.png"), {image.samples.begin(), image.samples.end()}};
}

Opened jpeg(const std::string& dir) {
    writeJpeg(dir + "/j.jpg", {.width = 40, .height = 150});
    // Lossy: only the renders with different thread counts are compared.
    return {openByContent(dir + "/j.jpg"), {}};
}

const std::string kRotation = "[0.985,-0.174,0,0.174,0.985,0]";
const Attributes kTwist = {
    {"colorMatrix", "ZynMatrix<float64>[4,4:1,0,0,0;0,1.3,0,0;0,0,1.3,0;0,0,0,1]"}};

// An operation over an opened image; `keeps` when it passes the pixels through unchanged, else
// only the renders with different thread counts are compared.
Opened over(const std::string& name, const Attributes& attributes, const Opened& input,
            bool keeps = false) {
    return {operation(name, attributes, input.image),
            keeps ? input.expected : std::vector<uint8_t>{}};
}

const Attributes kBicubic = {{"affines", kRotation}, {"resamplingType", "BICUBIC"}};
const Attributes kBilinear = {{"affines", kRotation}, {"resamplingType", "BILINEAR"}};
const Attributes kContrast = {{"contrast", "1.4"}};
const Attributes kReversed = {{"allBands", "false"}, {"inputs", "[0,0,0]"}, {"bands", "[2,1,0]"}};

using Opener = std::function<Opened(Dir)>;

const std::pair<const char*, Opener> kRows[] = {
    {"PPM", [](Dir d) { return ppm(d); }},
    {"TIFF tiles", [](Dir d) { return tiff(d, true); }},
    {"TIFF strips", [](Dir d) { return tiff(d, false); }},
    {"JPEG 2000 tiles", tiledJ2k},
    {"JPEG 2000 lossy", lossyJ2k},
    {"BMP", [](Dir d) { return bmp(d); }},
    {"DIB", [](Dir d) { return bmp(d, "DIBSource", 300); }},
    {"IMPS", imps},
    {"raw", [](Dir d) { return raw(d); }},
    {"PNG", png},
    {"JPEG", jpeg},
    {"Affine bicubic over TIFF", [](Dir d) { return over("Affine", kBicubic, tiff(d, true, 8)); }},
    {"Affine bilinear over PPM", [](Dir d) { return over("Affine", kBilinear, ppm(d)); }},
    {"Affine identity over JPEG 2000", [](Dir d) { return over("Affine", {}, tiledJ2k(d), true); }},
    {"ColorMatrix over TIFF", [](Dir d) { return over("ColorMatrix", kTwist, tiff(d, true, 8)); }},
    {"Contrast over BMP", [](Dir d) { return over("Contrast", kContrast, bmp(d)); }},
    {"ChannelSelect over IMPS", [](Dir d) { return over("ChannelSelect", kReversed, imps(d)); }},
    {"Nop over raw", [](Dir d) { return over("Nop", {}, raw(d), true); }},
};

// The whole image at its first resolution in packed pixels of its own sample type.
std::vector<uint8_t> wholeBytes(ZynTransform& image) {
    const ZynResolution full = resolutionsOf(image).at(0);
    const ZynRectBuffer buffer = renderOwn(image, {0, 0, full.width, full.height});
    const auto* origin = reinterpret_cast<const uint8_t*>(buffer.origin());
    return {origin, origin + buffer.org().bytesNeeded()};
}

TEST(ParallelPull, EveryFormatAndOperationRendersTheSameOnAnyNumberOfThreads) {
    uint32_t& threads = ZynSettings::get().threads;
    const ScopedValue restore(threads, 1u);
    for (const auto& [name, open] : kRows) {
        SCOPED_TRACE(name);
        const Opened opened = open(testDir());
        ASSERT_TRUE(ZynGraph::statusOK(*opened.image)) << opened.image->error().message();

        threads = 1;
        const std::vector<uint8_t> sequential = wholeBytes(*opened.image);
        EXPECT_TRUE(opened.expected.empty() || sequential == opened.expected);
        for (uint32_t n : {2u, 8u}) {
            threads = n;
            EXPECT_TRUE(wholeBytes(*opened.image) == sequential) << n << " threads";
        }
    }
}

// Four hosts render rectangles of one graph at once, in packed or band-sequential buffers; files
// kept open share one handle, the others are opened by each pass.
TEST(ParallelPull, ConcurrentHostsOfOneGraphGetTheSamePixels) {
    const ScopedValue threads(ZynSettings::get().threads, 2u);
    const std::pair<const char*, Opened> cases[] = {
        {"PPM kept open", ppm(testDir(), true)},
        {"PPM opened for each pass", ppm(testDir(), false)},
        {"raw 16-bit opened for each pass", raw(testDir(), true)},
        {"Affine bicubic over TIFF", over("Affine", kBicubic, tiff(testDir(), true, 8))},
    };
    for (const auto& [name, opened] : cases) {
        SCOPED_TRACE(name);
        ZynTransform& image = *opened.image;
        ASSERT_TRUE(ZynGraph::statusOK(image)) << image.error().message();
        const ZynResolution full = resolutionsOf(image).at(0);
        const ZynRectBuffer whole = renderOwn(image, {0, 0, full.width, full.height});
        std::vector<double> samples;
        for (int64_t y = 0; y < full.height; ++y)
            for (int64_t x = 0; x < full.width; ++x)
                for (int b = 0; b < whole.bands(); ++b) samples.push_back(sampleAt(whole, x, y, b));
        const int64_t w = full.width / 4 + 1, h = full.height / 4 + 1;
        const auto failures = failuresOnThreads(4, 40, [&](int t, int i) {
            const ZynRect rect{(t * 37 + i * 11) % (full.width - w + 1),
                               (t * 53 + i * 7) % (full.height - h + 1), w, h};
            const auto interleave = i % 2 ? ZynInterleave::Band : ZynInterleave::Pixel;
            return static_cast<bool>(
                samplesMatch(renderOwn(image, rect, interleave), samples, full.width));
        });
        EXPECT_EQ(failures, std::vector<int>(4, 0));
    }
}

TEST(ParallelPull, SourcesWordTheirOwnRectanglesOutsideTheImage) {
    const ScopedValue threads(ZynSettings::get().threads, 2u);
    const std::string dir = testDir();
    const std::tuple<Opened, ZynRect, std::string> cases[] = {
        {bmp(dir, "DIBSource", 23),
         {36, 0, 2, 1},
         "(36,0) w=2, h=1 pixels from BMP image which is 37x23"},
        {raw(dir), {0, 140, 30, 20}, "(0,140) w=30, h=20 pixels from raw image which is 30x150"},
        {png(dir), {0, 140, 40, 20}, "(0,140) w=40, h=20 pixels from an image of 40x150"},
    };
    for (const auto& [opened, rect, message] : cases) {
        ASSERT_TRUE(ZynGraph::statusOK(*opened.image)) << message;
        expectZynError([&] { renderOwn(*opened.image, rect); }, 411,
                       "requested " + message + " pixels");
    }
}

// Several strips at every thread count, so that anyimage renders one while it writes another.
TEST(ParallelPull, AnyimageWritesTheSameBytesOnAnyNumberOfThreads) {
    const std::string dir = testDir();
    const auto rgb = fixturePattern(1024, 700, 3);
    writePpm(dir + "/big.ppm", 1024, 700, rgb);
    const std::string rotate = "Affine:affines=" + kRotation + ";resamplingType=BICUBIC";
    std::string first, firstStats;
    for (const char* threads : {"1", "2", "8"}) {
        SCOPED_TRACE(threads);
        const std::string out = dir + "/out" + threads + ".ppm";
        const CommandResult render = runProgram(
            ANYIMAGE_EXE,
            {"render", dir + "/big.ppm", "-o", out, "--op", rotate, "--threads", threads});
        ASSERT_EQ(render.status, 0) << render.err;
        const CommandResult stats = anyimage({"stats", dir + "/big.ppm", "--threads", threads});
        ASSERT_EQ(stats.status, 0) << stats.err;
        if (first.empty()) {
            first = readFileBytes(out);
            firstStats = stats.out;
        }
        EXPECT_TRUE(readFileBytes(out) == first);
        EXPECT_EQ(stats.out, firstStats);
    }
    EXPECT_EQ(firstStats, statsText({rgb.begin(), rgb.end()}, 3));
    EXPECT_EQ(anyimage({"stats", dir + "/big.ppm", "--threads", "0"}).status, 2);
}

// The pool on its own: of several failures, the one a loop would meet first.
TEST(ParallelPull, PoolRethrowsTheFailureALoopWouldMeetFirst) {
    ZynWorkerPool pool;
    for (int round = 0; round < 20; ++round) {
        try {
            pool.forEach(50, 4, [&](size_t index, size_t) {
                if (index == 7 || index == 30) throw ZynError(130, std::to_string(index));
            });
            ADD_FAILURE() << "no failure";
        } catch (const ZynError& e) {
            EXPECT_EQ(e.message(), "7");
        }
    }
}

}  // namespace
