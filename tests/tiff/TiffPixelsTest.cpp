// Every fixture renders exactly the samples libtiff was given, at every resolution, for
// rectangles that cross strip and tile boundaries, in pixel- and band-interleaved buffers.

#include <tiff.h>

#include <cmath>

#include "QorSettings.h"
#include "TiffTestSupport.h"
#include "ZynSettings.h"

namespace {

struct Storage {
    const char* name;
    uint32_t rowsPerStrip;
    uint32_t tileWidth, tileHeight;
};

constexpr Storage kStorages[] = {
    {"one strip", 0, 0, 0},
    {"7-row strips", 7, 0, 0},
    {"1-row strips", 1, 0, 0},
    {"32x16 tiles", 0, 32, 16},
};

void store(TiffPage& page, const Storage& storage) {
    page.rowsPerStrip = storage.rowsPerStrip;
    page.tileWidth = storage.tileWidth;
    page.tileHeight = storage.tileHeight;
}

template <class E>
void expectEveryRect(ZynTransform& image, const ZynResolution& r, const std::vector<E>& expected,
                     double tolerance = 0) {
    for (const ZynRect& rect : probeRects(r.width, r.height))
        for (ZynInterleave interleave : {ZynInterleave::Pixel, ZynInterleave::Band})
            EXPECT_TRUE(samplesMatch(renderRect(image, r, rect, {}, 0, interleave), expected,
                                     r.width, tolerance))
                << rect.x << "," << rect.y << " " << rect.width << "x" << rect.height
                << " interleave " << static_cast<int>(interleave);
}

}  // namespace

TEST(TiffPixels, RgbInEveryStorageCompressionByteOrderAndReadingMode) {
    const std::string dir = testDir();
    const uint16_t compressions[] = {COMPRESSION_NONE, COMPRESSION_LZW, COMPRESSION_ADOBE_DEFLATE,
                                     COMPRESSION_PACKBITS};
    int n = 0;
    for (const Storage& storage : kStorages)
        for (uint16_t compression : compressions)
            for (bool bigEndian : {false, true}) {
                SCOPED_TRACE(std::string(storage.name) + " compression " +
                             std::to_string(compression) + (bigEndian ? " big" : " little"));
                std::vector<uint32_t> rgb;
                TiffPage page = bytePage(75, 53, 3, PHOTOMETRIC_RGB, rgb);
                page.compression = compression;
                store(page, storage);
                const std::string path = dir + "/rgb" + std::to_string(n++) + ".tif";
                writeTiff(path, {page}, bigEndian);
                // Every other file is read through plain reads instead of a mapping.
                QorSettings::get().tiffMemoryMapped = n % 2 == 0;
                auto image = openByContent(path);
                QorSettings::get().tiffMemoryMapped = true;
                ASSERT_TRUE(image->status()) << image->error().message();
                EXPECT_EQ(image->transforms()[0]->typeName(), "ZynTiffImageSource");
                EXPECT_EQ(outputOf(*image).colorSpace()->kind(), ZynColorKind::RGB);
                expectEveryRect(*image, {75, 53}, rgb);
            }
}

TEST(TiffPixels, SampleDepthsAndFormats) {
    struct Case {
        uint16_t bits, format;
        ZynDataType type;
        double low, high;  // the range the colour space reports
    };
    const Case cases[] = {
        {1, SAMPLEFORMAT_UINT, ZynDataType::UInt8, 0, 1},
        {4, SAMPLEFORMAT_UINT, ZynDataType::UInt8, 0, 15},
        {8, SAMPLEFORMAT_INT, ZynDataType::UInt8, 0, 255},
        {12, SAMPLEFORMAT_UINT, ZynDataType::UInt16, 0, 4095},
        {12, SAMPLEFORMAT_INT, ZynDataType::Int16, -2048, 2047},
        {16, SAMPLEFORMAT_UINT, ZynDataType::UInt16, 0, 65535},
        {16, SAMPLEFORMAT_INT, ZynDataType::Int16, -32768, 32767},
        {28, SAMPLEFORMAT_INT, ZynDataType::Int32, -134217728, 134217727},
        {32, SAMPLEFORMAT_UINT, ZynDataType::UInt32, 0, 4294967295.0},
        {32, SAMPLEFORMAT_INT, ZynDataType::Int32, -2147483648.0, 2147483647.0},
    };
    const std::string dir = testDir();
    int n = 0;
    for (const Case& c : cases)
        for (const Storage& storage : kStorages)
            for (int bands : {1, 3}) {
                SCOPED_TRACE(std::to_string(c.bits) + " bits, format " + std::to_string(c.format) +
                             ", " + storage.name + ", bands " + std::to_string(bands));
                TiffPage page;
                page.width = 45;
                page.height = 37;
                page.bitsPerSample = c.bits;
                page.sampleFormat = c.format;
                page.samplesPerPixel = static_cast<uint16_t>(bands);
                page.photometric = bands == 1 ? PHOTOMETRIC_MINISBLACK : PHOTOMETRIC_RGB;
                page.compression = n % 2 ? COMPRESSION_LZW : COMPRESSION_NONE;
                store(page, storage);
                const auto bits = tiffPattern(45, 37, bands, c.bits, static_cast<uint32_t>(n));
                page.data = packTiffSamples(bits, 45 * static_cast<uint32_t>(bands), c.bits);
                const std::string path = dir + "/d" + std::to_string(n++) + ".tif";
                writeTiff(path, {page}, n % 3 == 0);
                auto image = openByContent(path);
                ASSERT_TRUE(image->status()) << image->error().message();
                ZynImageOutputCP& out = outputOf(*image);
                EXPECT_EQ(out.dataOrg()->dataType(), c.type);
                EXPECT_EQ(out.colorSpace()->kind(),
                          bands == 1 ? ZynColorKind::Lum : ZynColorKind::RGB);
                EXPECT_EQ(out.colorSpace()->minimum(), c.low);
                EXPECT_EQ(out.colorSpace()->maximum(), c.high);
                // Signed samples narrower than their type come back sign-extended.
                std::vector<double> expected(bits.begin(), bits.end());
                if (c.format == SAMPLEFORMAT_INT && c.type != ZynDataType::UInt8)
                    for (double& v : expected)
                        if (v >= std::ldexp(1.0, c.bits - 1)) v -= std::ldexp(1.0, c.bits);
                expectEveryRect(*image, {45, 37}, expected);
            }
}

// Deflate chunks decode away from the file's lock when several threads render, and must come
// out as the library would give them, differencing and byte order undone.
TEST(TiffPixels, DeflateWithHorizontalDifferencingOnSeveralThreads) {
    struct TwoThreads {
        uint32_t saved = ZynSettings::get().threads;
        TwoThreads() { ZynSettings::get().threads = 2; }
        ~TwoThreads() { ZynSettings::get().threads = saved; }
    } twoThreads;
    const std::string dir = testDir();
    int n = 0;
    for (uint16_t bits : {8, 16, 32})
        for (uint16_t predictor : {PREDICTOR_NONE, PREDICTOR_HORIZONTAL})
            for (const Storage& storage : {kStorages[1], kStorages[3]})
                for (uint16_t planar : {PLANARCONFIG_CONTIG, PLANARCONFIG_SEPARATE}) {
                    const bool bigEndian = n % 2 == 1;
                    SCOPED_TRACE(std::to_string(bits) + " bits, predictor " +
                                 std::to_string(predictor) + ", " + storage.name + ", planar " +
                                 std::to_string(planar) + (bigEndian ? ", big" : ", little"));
                    TiffPage page;
                    page.width = 45;
                    page.height = 37;
                    page.bitsPerSample = bits;
                    page.samplesPerPixel = 3;
                    page.photometric = PHOTOMETRIC_RGB;
                    page.planarConfig = planar;
                    page.compression = COMPRESSION_ADOBE_DEFLATE;
                    page.predictor = predictor;
                    store(page, storage);
                    const auto samples = tiffPattern(45, 37, 3, bits, static_cast<uint32_t>(n));
                    page.data = planar == PLANARCONFIG_CONTIG
                                    ? packTiffSamples(samples, 45 * 3, bits)
                                    : packTiffSamples(toPlanes(samples, 3), 45, bits);
                    const std::string path = dir + "/p" + std::to_string(n++) + ".tif";
                    writeTiff(path, {page}, bigEndian);
                    auto image = openByContent(path);
                    ASSERT_TRUE(image->status()) << image->error().message();
                    expectEveryRect(*image, {45, 37}, samples);
                }
}

TEST(TiffPixels, FloatingPointSamples) {
    const std::string dir = testDir();
    std::vector<float> singles(40 * 30 * 2);
    std::vector<double> doubles(singles.size());
    for (size_t i = 0; i < singles.size(); ++i) {
        singles[i] = static_cast<float>(std::sin(i * 0.37) * 1e3 - 0.125 * i);
        doubles[i] = std::cos(i * 0.11) * 1e-300 + static_cast<double>(i) / 3;
    }
    for (const Storage& storage : kStorages)
        for (bool bigEndian : {false, true}) {
            SCOPED_TRACE(std::string(storage.name) + (bigEndian ? " big" : " little"));
            TiffPage page;
            page.width = 40;
            page.height = 30;
            page.samplesPerPixel = 2;
            page.extraSamples = {EXTRASAMPLE_UNASSALPHA};
            page.sampleFormat = SAMPLEFORMAT_IEEEFP;
            page.compression = COMPRESSION_ADOBE_DEFLATE;
            store(page, storage);
            page.bitsPerSample = 32;
            page.data = tiffSampleBytes(singles);
            TiffPage wide = page;
            wide.bitsPerSample = 64;
            wide.data = tiffSampleBytes(doubles);
            writeTiff(dir + "/f32.tif", {page}, bigEndian);
            writeTiff(dir + "/f64.tif", {wide}, bigEndian);

            auto image = openByContent(dir + "/f32.tif");
            ASSERT_TRUE(image->status()) << image->error().message();
            EXPECT_EQ(outputOf(*image).dataOrg()->dataType(), ZynDataType::Float32);
            EXPECT_EQ(outputOf(*image).colorSpace()->kind(), ZynColorKind::LumA);
            expectEveryRect(*image, {40, 30}, singles);
            image = openByContent(dir + "/f64.tif");
            ASSERT_TRUE(image->status()) << image->error().message();
            EXPECT_EQ(outputOf(*image).dataOrg()->dataType(), ZynDataType::Float64);
            expectEveryRect(*image, {40, 30}, doubles);
        }
}

TEST(TiffPixels, SeparatePlanesAndManyBands) {
    const std::string dir = testDir();
    struct Case {
        int bands;
        uint16_t photometric;
        ZynColorKind kind;
    };
    const Case cases[] = {{3, PHOTOMETRIC_RGB, ZynColorKind::RGB},
                          {4, PHOTOMETRIC_RGB, ZynColorKind::RGBA},
                          {4, PHOTOMETRIC_SEPARATED, ZynColorKind::CMYK},
                          {5, PHOTOMETRIC_SEPARATED, ZynColorKind::CMYK}};
    int n = 0;
    for (const Case& c : cases)
        for (const Storage& storage : kStorages)
            for (uint16_t planar : {PLANARCONFIG_CONTIG, PLANARCONFIG_SEPARATE}) {
                SCOPED_TRACE(std::to_string(c.bands) + " bands, " + storage.name + ", planar " +
                             std::to_string(planar));
                std::vector<uint32_t> pixels;
                TiffPage page = bytePage(50, 41, c.bands, c.photometric, pixels, n);
                if (c.photometric == PHOTOMETRIC_RGB && c.bands == 4)
                    page.extraSamples = {EXTRASAMPLE_ASSOCALPHA};
                page.planarConfig = planar;
                if (planar == PLANARCONFIG_SEPARATE)
                    page.data = packTiffSamples(toPlanes(pixels, c.bands), 50, 8);
                page.compression = COMPRESSION_LZW;
                store(page, storage);
                const std::string path = dir + "/p" + std::to_string(n++) + ".tif";
                writeTiff(path, {page});
                auto image = openByContent(path);
                ASSERT_TRUE(image->status()) << image->error().message();
                EXPECT_EQ(outputOf(*image).colorSpace()->kind(), c.kind);
                EXPECT_EQ(outputOf(*image).dataOrg()->bands(), c.bands);
                EXPECT_EQ(outputOf(*image).dataOrg()->interleave(), planar == PLANARCONFIG_CONTIG
                                                                        ? ZynInterleave::Pixel
                                                                        : ZynInterleave::Band);
                expectEveryRect(*image, {50, 41}, pixels);
            }
}

TEST(TiffPixels, YCbCrFullAndSubsampled) {
    const std::string dir = testDir();
    // Full chroma: samples as written.
    std::vector<uint32_t> ycc;
    TiffPage full = bytePage(30, 20, 3, PHOTOMETRIC_YCBCR, ycc);
    full.rowsPerStrip = 6;
    writeTiff(dir + "/full.tif", {full});
    auto image = openByContent(dir + "/full.tif");
    ASSERT_TRUE(image->status()) << image->error().message();
    EXPECT_EQ(outputOf(*image).colorSpace()->kind(), ZynColorKind::YCbCr);
    expectEveryRect(*image, {30, 20}, ycc);

    // 2 x 2 subsampled: each clump carries four luma samples and one Cb, Cr pair, which every
    // pixel of the clump takes. 31 x 21 leaves partial clumps at the right and bottom.
    const uint32_t w = 31, h = 21, rows = 4;
    std::vector<uint8_t> expected(size_t{w} * h * 3);
    TiffPage sub;
    sub.width = w;
    sub.height = h;
    sub.samplesPerPixel = 3;
    sub.photometric = PHOTOMETRIC_YCBCR;
    sub.ycbcrHorizontal = sub.ycbcrVertical = 2;
    sub.rowsPerStrip = rows;
    for (uint32_t y0 = 0; y0 < h; y0 += rows) {
        std::vector<uint8_t> strip;
        for (uint32_t cy = y0; cy < std::min(y0 + rows, h); cy += 2)
            for (uint32_t cx = 0; cx < w; cx += 2) {
                const auto cb = static_cast<uint8_t>(cx * 7 + cy),
                           cr = static_cast<uint8_t>(200 - cx - cy * 3);
                for (uint32_t dy = 0; dy < 2; ++dy)
                    for (uint32_t dx = 0; dx < 2; ++dx) {
                        const uint32_t x = cx + dx, y = cy + dy;
                        const auto luma = static_cast<uint8_t>(x * 5 + y * 11);
                        strip.push_back(luma);
                        if (x < w && y < h) {
                            uint8_t* p = &expected[(size_t{y} * w + x) * 3];
                            p[0] = luma, p[1] = cb, p[2] = cr;
                        }
                    }
                strip.push_back(cb);
                strip.push_back(cr);
            }
        sub.rawStrips.push_back(strip);
    }
    writeTiff(dir + "/sub.tif", {sub});
    image = openByContent(dir + "/sub.tif");
    ASSERT_TRUE(image->status()) << image->error().message();
    expectEveryRect(*image, {w, h}, expected);
}

TEST(TiffPixels, JpegCompressionWithinCodingError) {
    const std::string dir = testDir();
    // Smooth colours keep the coding error small.
    const uint32_t w = 72, h = 56;
    std::vector<uint32_t> rgb(size_t{w} * h * 3);
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x) {
            uint32_t* p = &rgb[(size_t{y} * w + x) * 3];
            p[0] = 40 + x * 2, p[1] = 30 + y * 3, p[2] = 200 - x - y;
        }
    TiffPage page;
    page.width = w;
    page.height = h;
    page.samplesPerPixel = 3;
    page.photometric = PHOTOMETRIC_RGB;
    page.compression = COMPRESSION_JPEG;
    page.rowsPerStrip = 16;
    page.data = packTiffSamples(rgb, w * 3, 8);
    TiffPage tiled = page;
    tiled.tileWidth = tiled.tileHeight = 32;
    writeTiff(dir + "/rgb.tif", {page});
    writeTiff(dir + "/tiled.tif", {tiled});
    for (const char* name : {"/rgb.tif", "/tiled.tif"}) {
        auto image = openByContent(dir + name);
        ASSERT_TRUE(image->status()) << image->error().message();
        expectEveryRect(*image, {w, h}, rgb, 6);
    }

    // JPEG-coded YCbCr, 2 x 2 subsampled, is delivered as the RGB it was made from.
    TiffPage ycc = page;
    ycc.photometric = PHOTOMETRIC_YCBCR;
    ycc.jpegFromRgb = true;
    writeTiff(dir + "/ycc.tif", {ycc});
    auto image = openByContent(dir + "/ycc.tif");
    ASSERT_TRUE(image->status()) << image->error().message();
    EXPECT_EQ(outputOf(*image).colorSpace()->kind(), ZynColorKind::RGB);
    expectEveryRect(*image, {w, h}, rgb, 8);
}

TEST(TiffPixels, PyramidLevelsAndPages) {
    const std::string dir = testDir();
    const ZynResolution sizes[] = {{200, 150}, {100, 75}, {50, 38}};
    std::vector<TiffPage> pages;
    std::vector<std::vector<uint32_t>> pixels(3);
    for (int level = 0; level < 3; ++level) {
        TiffPage page = bytePage(sizes[level].width, sizes[level].height, 3, PHOTOMETRIC_RGB,
                                 pixels[level], level + 10);
        page.tileWidth = page.tileHeight = 32;
        page.compression = COMPRESSION_ADOBE_DEFLATE;
        if (level > 0) page.subfileType = FILETYPE_REDUCEDIMAGE;
        pages.push_back(page);
    }
    // Another picture of a reduced level's size, before that level: it must not stand in for it.
    std::vector<uint32_t> other;
    TiffPage page2 = bytePage(100, 75, 3, PHOTOMETRIC_RGB, other, 99);
    page2.subfileType = FILETYPE_PAGE;
    TiffPage untagged = bytePage(60, 60, 3, PHOTOMETRIC_RGB, other, 98);
    pages.insert(pages.begin() + 1, page2);
    pages.push_back(untagged);
    writeTiff(dir + "/pyramid.tif", pages, true);

    auto image = openByContent(dir + "/pyramid.tif");
    ASSERT_TRUE(image->status()) << image->error().message();
    ASSERT_EQ(resolutionsOf(*image),
              std::vector<ZynResolution>(std::begin(sizes), std::end(sizes)));
    for (int level = 0; level < 3; ++level) {
        SCOPED_TRACE("level " + std::to_string(level));
        expectEveryRect(*image, sizes[level], pixels[level]);
    }

    QorSettings::get().thumbnailsDisabled = true;
    image = openByContent(dir + "/pyramid.tif");
    QorSettings::get().thumbnailsDisabled = false;
    ASSERT_TRUE(image->status());
    EXPECT_EQ(resolutionsOf(*image), std::vector<ZynResolution>{sizes[0]});
    EXPECT_THROW(renderRect(*image, sizes[1], {0, 0, 10, 10}), ZynError);
}

TEST(TiffPixels, FourThreadsOverTwoLevelsMatchTheFixture) {
    const std::string dir = testDir();
    std::vector<uint32_t> big, small;
    TiffPage full = bytePage(300, 257, 3, PHOTOMETRIC_RGB, big, 1);
    full.tileWidth = full.tileHeight = 48;
    full.compression = COMPRESSION_LZW;
    TiffPage reduced = bytePage(150, 129, 3, PHOTOMETRIC_RGB, small, 2);
    reduced.rowsPerStrip = 5;
    reduced.subfileType = FILETYPE_REDUCEDIMAGE;
    writeTiff(dir + "/t.tif", {full, reduced});
    for (bool keepOpen : {true, false}) {
        auto image = openByContent(dir + "/t.tif", keepOpen);
        ASSERT_TRUE(image->status());
        const auto failures = failuresOnThreads(4, 30, [&](int t, int i) {
            const bool level0 = (t + i) % 2 == 0;
            const ZynResolution r = level0 ? ZynResolution{300, 257} : ZynResolution{150, 129};
            const ZynRect rect{(t * 37 + i * 11) % (r.width - 60),
                               (t * 53 + i * 7) % (r.height - 60), 60, 57};
            return bool(samplesMatch(renderRect(*image, r, rect), level0 ? big : small, r.width));
        });
        EXPECT_EQ(failures, std::vector<int>(4, 0)) << "keep_open " << keepOpen;
    }
}
