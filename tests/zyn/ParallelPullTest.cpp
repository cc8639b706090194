#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <iomanip>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "BmpFixture.h"
#include "ImpsFixture.h"
#include "J2kFixture.h"
#include "JpegFixture.h"
#include "PngFixture.h"
#include "PpmFixture.h"
#include "QorString.h"
#include "TestSupport.h"
#include "TiffFixture.h"
#include "ZynAnyImageSource.h"
#include "ZynGraph.h"
#include "ZynImageInputCP.h"
#include "ZynImageOutputCP.h"
#include "ZynRawImageSource.h"
#include "ZynSettings.h"
#include "ZynTransformRegistryEntry.h"
#include "ZynWorkerPool.h"

namespace {

// Sets the engine's thread count for the scope of a test and restores it after.
class ThreadCount {
  public:
    ThreadCount() : saved_(ZynSettings::get().threads) {}
    ~ThreadCount() { ZynSettings::get().threads = saved_; }
    void set(uint32_t threads) { ZynSettings::get().threads = threads; }

  private:
    uint32_t saved_;
};

// An image ready to render and, when the fixture gives them, its pixels as packed 8-bit samples.
struct Opened {
    ZynTransformPtr image;
    std::vector<uint8_t> expected;
};

void setName(ZynTransform& t, const std::string& path) {
    t.setAttribute<std::wstring>("wfile_name", qorWiden(path));
}

ZynTransformPtr recognised(const std::string& path) {
    auto any = std::make_shared<ZynAnyImageSource>();
    setName(*any, path);
    return any;
}

ZynTransformPtr byName(const std::string& name, const std::string& path) {
    ZynTransformPtr source = ZynTransformRegistry::create(name);
    setName(*source, path);
    return source;
}

// An operation from its registry name and attribute texts, fed by `input`.
ZynTransformPtr operation(const std::string& name,
                          const std::vector<std::pair<std::string, std::string>>& attributes,
                          const ZynTransformPtr& input) {
    ZynTransformPtr op = ZynTransformRegistry::create(name);
    for (const auto& [attribute, text] : attributes) op->setAttributeText(attribute, text);
    op->imageInput(0)->connect(input, input->primaryOutputIndex());
    return op;
}

std::vector<uint8_t> bytesOf(const std::vector<uint32_t>& samples) {
    return {samples.begin(), samples.end()};
}

// Every image spans several native tiles, so that requests of the whole image spread.

// Tiled RGB TIFF of 16 x 16 tiles with the given compression; its pixels.
Opened tiledTiff(const std::string& dir, uint16_t compression) {
    TiffPage page;
    page.width = 70;
    page.height = 45;
    page.samplesPerPixel = 3;
    page.photometric = 2;
    page.compression = compression;
    page.tileWidth = page.tileHeight = 16;
    const auto samples = tiffPattern(page.width, page.height, 3, 8);
    page.data = packTiffSamples(samples, page.width * 3, 8);
    writeTiff(dir + "/tiled.tif", {page});
    return {recognised(dir + "/tiled.tif"), bytesOf(samples)};
}

Opened stripTiff(const std::string& dir) {
    TiffPage page;
    page.width = 30;
    page.height = 150;
    page.samplesPerPixel = 3;
    page.photometric = 2;
    page.rowsPerStrip = 8;
    const auto samples = tiffPattern(page.width, page.height, 3, 8);
    page.data = packTiffSamples(samples, page.width * 3, 8);
    writeTiff(dir + "/strips.tif", {page});
    return {recognised(dir + "/strips.tif"), bytesOf(samples)};
}

Opened ppm(const std::string& dir) {
    const auto rgb = fixturePattern(40, 150, 3);
    writePpm(dir + "/p.ppm", 40, 150, rgb);
    return {recognised(dir + "/p.ppm"), rgb};
}

Opened tiledJ2k(const std::string& dir) {
    J2kFixtureOptions options;
    options.width = 64;
    options.height = 48;
    options.tileWidth = options.tileHeight = 32;
    options.levels = 3;
    const auto planes = writeJ2k(dir + "/t.jp2", options);
    std::vector<uint8_t> rgb;
    for (uint32_t y = 0; y < options.height; ++y)
        for (uint32_t x = 0; x < options.width; ++x)
            for (const J2kPlane& plane : planes)
                rgb.push_back(static_cast<uint8_t>(plane.at(x, y)));
    return {recognised(dir + "/t.jp2"), rgb};
}

// One tile, whose code-blocks the library decodes on the request's threads.
Opened lossyJ2k(const std::string& dir) {
    J2kFixtureOptions options;
    options.width = 40;
    options.height = 600;
    options.levels = 4;
    options.lossy = true;
    options.colorTransform = true;
    writeJ2k(dir + "/l.jp2", options);
    return {recognised(dir + "/l.jp2"), {}};
}

Opened bmp(const std::string& dir, const std::string& source, uint32_t height) {
    const auto rgb = fixturePattern(37, height, 3);
    writeBmp(dir + "/b.bmp", 37, height, 24, rgb);
    return {source.empty() ? recognised(dir + "/b.bmp") : byName(source, dir + "/b.bmp"), rgb};
}

Opened imps(const std::string& dir) {
    ImpsSet set;
    set.width = 33;
    set.height = 150;
    const auto rgb = fixturePattern(set.width, set.height, 3);
    writeImpsSet(dir, "set", ImpsKind::Rgb, set, std::vector<uint32_t>(rgb.begin(), rgb.end()));
    return {recognised(dir + "/set.doc"), rgb};
}

Opened raw(const std::string& dir) {
    const auto rgb = fixturePattern(30, 150, 3);
    writeFile(dir + "/r.raw", std::string(rgb.begin(), rgb.end()));
    auto source = std::make_shared<ZynRawImageSource>();
    setName(*source, dir + "/r.raw");
    source->setFile(0, 30, 150, 3, nullptr, ZynDataType::UInt8, 0, nativeHWD);
    return {source, rgb};
}

Opened png(const std::string& dir) {
    const PngImage image = pngPattern(40, 150, 2, 8);
    writePng(dir + "/p.png", image);
    return {recognised(dir + "/p.png"), {image.samples.begin(), image.samples.end()}};
}

Opened jpeg(const std::string& dir) {
    JpegFixtureOptions options;
    options.width = 40;
    options.height = 150;
    writeJpeg(dir + "/j.jpg", options);
    // Lossy: only the renders with different thread counts are compared.
    return {recognised(dir + "/j.jpg"), {}};
}

// Each sample moved to the band `from[band]` names, as a band selection or matrix does it.
std::vector<uint8_t> bandsFrom(const std::vector<uint8_t>& rgb, const std::array<int, 3>& from) {
    std::vector<uint8_t> out(rgb.size());
    for (size_t i = 0; i < rgb.size(); i += 3)
        for (int b = 0; b < 3; ++b) out[i + b] = rgb[i + from[b]];
    return out;
}

const std::string kRotation = "[0.985,-0.174,0,0.174,0.985,0]";
const std::string kTwist = "ZynMatrix<float64>[4,4:1,0,0,0;0,1.3,0,0;0,0,1.3,0;0,0,0,1]";

Opened affine(const Opened& input, const std::string& map, const std::string& resampling) {
    const bool identity = map == "[1,0,0,0,1,0]";
    return {operation("Affine", {{"affines", map}, {"resamplingType", resampling}}, input.image),
            identity ? input.expected : std::vector<uint8_t>{}};
}

// The matrix applies in the operation's own colour space: only thread counts are compared.
Opened twist(const Opened& input) {
    return {operation("ColorMatrix", {{"colorMatrix", kTwist}}, input.image), {}};
}

struct Row {
    std::string name;
    std::function<Opened(const std::string& dir)> open;
};

const Row kRows[] = {
    {"PPM", ppm},
    {"TIFF tiles", [](const std::string& d) { return tiledTiff(d, 1); }},
    {"TIFF Deflate tiles", [](const std::string& d) { return tiledTiff(d, 8); }},
    {"TIFF strips", stripTiff},
    {"JPEG 2000 tiles", tiledJ2k},
    {"JPEG 2000 lossy", lossyJ2k},
    {"BMP", [](const std::string& d) { return bmp(d, "", 150); }},
    {"DIB", [](const std::string& d) { return bmp(d, "DIBSource", 300); }},
    {"IMPS", imps},
    {"raw", raw},
    {"PNG", png},
    {"JPEG", jpeg},
    {"Affine bicubic over TIFF",
     [](const std::string& d) { return affine(tiledTiff(d, 8), kRotation, "BICUBIC"); }},
    {"Affine bilinear over PPM",
     [](const std::string& d) { return affine(ppm(d), kRotation, "BILINEAR"); }},
    {"Affine identity over JPEG 2000",
     [](const std::string& d) { return affine(tiledJ2k(d), "[1,0,0,0,1,0]", "NEAREST"); }},
    {"ColorMatrix over TIFF", [](const std::string& d) { return twist(tiledTiff(d, 8)); }},
    {"ColorMatrix over PNG", [](const std::string& d) { return twist(png(d)); }},
    {"Contrast over BMP",
     [](const std::string& d) {
         return Opened{operation("Contrast", {{"contrast", "1.4"}}, bmp(d, "", 150).image), {}};
     }},
    {"ChannelSelect over IMPS",
     [](const std::string& d) {
         const Opened in = imps(d);
         return Opened{
             operation("ChannelSelect",
                       {{"allBands", "false"}, {"inputs", "[0,0,0]"}, {"bands", "[2,1,0]"}},
                       in.image),
             bandsFrom(in.expected, {2, 1, 0})};
     }},
    {"Nop over raw",
     [](const std::string& d) {
         const Opened in = raw(d);
         return Opened{operation("Nop", {}, in.image), in.expected};
     }},
};

// The whole image at its first resolution in packed pixels of its own sample type.
std::vector<uint8_t> renderWhole(ZynTransform& image) {
    ZynImageOutputCP* out = image.imageOutput(image.primaryOutputIndex());
    const ZynResolution full = out->coordSpace()->resolutions().at(0);
    const ZynSimpleDataOrg& tile = *out->dataOrg();
    ZynRectBuffer buffer(
        {0, 0, full.width, full.height},
        std::make_shared<ZynSimpleDataOrg>(full.width, full.height, tile.dataType(), tile.bands()));
    ZynGraph::render(image, image.primaryOutputIndex(), full, buffer);
    const size_t bytes = buffer.org().bytesNeeded();
    return {reinterpret_cast<const uint8_t*>(buffer.origin()),
            reinterpret_cast<const uint8_t*>(buffer.origin()) + bytes};
}

TEST(ParallelPull, EveryFormatAndOperationRendersTheSameOnAnyNumberOfThreads) {
    ThreadCount threads;
    for (const Row& row : kRows) {
        SCOPED_TRACE(row.name);
        const Opened opened = row.open(testDir());
        ASSERT_TRUE(ZynGraph::statusOK(*opened.image)) << opened.image->error().message();

        threads.set(1);
        const std::vector<uint8_t> sequential = renderWhole(*opened.image);
        if (!opened.expected.empty()) {
            EXPECT_TRUE(sequential == opened.expected);
        }
        for (uint32_t n : {2u, 8u}) {
            threads.set(n);
            EXPECT_TRUE(renderWhole(*opened.image) == sequential) << n << " threads";
        }
    }
}

TEST(ParallelPull, ConcurrentHostsOfOneGraphGetTheSamePixels) {
    ThreadCount threads;
    threads.set(2);
    const Opened opened = affine(tiledTiff(testDir(), 8), kRotation, "BICUBIC");
    ASSERT_TRUE(ZynGraph::statusOK(*opened.image));
    const std::vector<uint8_t> first = renderWhole(*opened.image);
    std::vector<std::vector<uint8_t>> results(3);
    std::vector<std::thread> hosts;
    for (auto& result : results) hosts.emplace_back([&] { result = renderWhole(*opened.image); });
    for (std::thread& host : hosts) host.join();
    for (const auto& result : results) EXPECT_TRUE(result == first);
}

TEST(ParallelPull, SourcesWordTheirOwnRectanglesOutsideTheImage) {
    ThreadCount threads;
    threads.set(2);
    const std::string dir = testDir();
    struct Case {
        Opened image;
        ZynRect rect;
        std::string message;
    };
    const Case cases[] = {
        {bmp(dir, "DIBSource", 23),
         {36, 0, 2, 1},
         "requested (36,0) w=2, h=1 pixels from BMP image which is 37x23 pixels"},
        {raw(dir),
         {0, 140, 30, 20},
         "requested (0,140) w=30, h=20 pixels from raw image which is 30x150 pixels"},
        {png(dir),
         {0, 140, 40, 20},
         "requested (0,140) w=40, h=20 pixels from an image of 40x150 pixels"},
    };
    for (const Case& c : cases) {
        ZynTransform& image = *c.image.image;
        ASSERT_TRUE(ZynGraph::statusOK(image)) << c.message;
        const ZynResolution full = image.imageOutput(0)->coordSpace()->resolutions().at(0);
        ZynRectBuffer buffer(
            c.rect, std::make_shared<ZynSimpleDataOrg>(static_cast<uint32_t>(c.rect.width),
                                                       static_cast<uint32_t>(c.rect.height),
                                                       ZynDataType::UInt8, 3));
        expectZynError([&] { ZynGraph::render(image, 0, full, buffer); }, 411, c.message);
    }
}

// What anyimage stats prints for 8-bit samples of `bands` bands.
std::string statsText(const std::vector<uint8_t>& samples, int bands) {
    std::ostringstream out;
    out << std::fixed << std::setprecision(6);
    for (int b = 0; b < bands; ++b) {
        uint8_t low = 255, high = 0;
        uint64_t sum = 0;
        for (size_t i = static_cast<size_t>(b); i < samples.size(); i += bands) {
            low = std::min(low, samples[i]);
            high = std::max(high, samples[i]);
            sum += samples[i];
        }
        out << "band " << b << ": min " << static_cast<double>(low) << " max "
            << static_cast<double>(high) << " mean "
            << static_cast<double>(sum) / static_cast<double>(samples.size() / bands) << "\n";
    }
    return out.str();
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
        const CommandResult stats =
            runProgram(ANYIMAGE_EXE, {"stats", dir + "/big.ppm", "--threads", threads});
        ASSERT_EQ(stats.status, 0) << stats.err;
        if (first.empty()) {
            first = readFileBytes(out);
            firstStats = stats.out;
        }
        EXPECT_TRUE(readFileBytes(out) == first);
        EXPECT_EQ(stats.out, firstStats);
    }
    EXPECT_EQ(firstStats, statsText(rgb, 3));
    EXPECT_EQ(runProgram(ANYIMAGE_EXE, {"stats", dir + "/big.ppm", "--threads", "0"}).status, 2);
}

// The pool on its own: nesting, failures and the bound on threads.
TEST(ParallelPull, PoolBatchesNestWithoutDeadlockAndKeepWithinTheirThreads) {
    ZynWorkerPool pool;
    std::atomic<int> running{0}, most{0}, inner{0};
    pool.forEach(6, 3, [&](size_t, size_t slot) {
        EXPECT_LT(slot, 3u);
        const int now = ++running;
        most = std::max(most.load(), now);
        pool.forEach(4, 3, [&](size_t, size_t) { ++inner; });
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        --running;
    });
    EXPECT_EQ(inner, 24);
    EXPECT_LE(most, 3);
    EXPECT_LE(pool.workerCount(), 2u);
}

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
