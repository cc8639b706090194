// Every fixture renders exactly the samples libtiff was given, at every resolution, for
// rectangles that cross strip and tile boundaries, in pixel- and band-interleaved buffers.

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

std::shared_ptr<ZynAnyImageSource> openTiff(const std::string& path, bool keepOpen = true) {
    auto image = openByContent(path, keepOpen);
    EXPECT_TRUE(image->status()) << image->error().message();
    if (image->status()) {
        EXPECT_EQ(image->transforms().at(0)->typeName(), "ZynTiffImageSource");
    }
    return image;
}

constexpr uint16_t U = SAMPLEFORMAT_UINT, I = SAMPLEFORMAT_INT, F = SAMPLEFORMAT_IEEEFP;
constexpr uint16_t kGray = PHOTOMETRIC_MINISBLACK, kRgb = PHOTOMETRIC_RGB,
                   kInk = PHOTOMETRIC_SEPARATED;
constexpr uint16_t kNone = COMPRESSION_NONE, kLzw = COMPRESSION_LZW,
                   kDeflate = COMPRESSION_ADOBE_DEFLATE;
constexpr uint16_t kContig = PLANARCONFIG_CONTIG, kSeparate = PLANARCONFIG_SEPARATE;
constexpr uint16_t kPlain = PREDICTOR_NONE, kDifferenced = PREDICTOR_HORIZONTAL;
constexpr int kAssociated = EXTRASAMPLE_ASSOCALPHA, kUnassociated = EXTRASAMPLE_UNASSALPHA;
constexpr double kMax32 = 4294967295.0;

struct Layout {
    uint16_t bits, format;
    int bands;
    uint16_t photometric, compression;
    ZynDataType type;
    ZynColorKind kind;
    double low, high;  // the range the colour space reports
    uint16_t planar = kContig, predictor = kPlain;
    int alpha = -1;  // the extra sample's kind, if there is one
};

// Floating-point samples of both signs and far apart in size, so lost bits show.
std::vector<double> floatSamples(size_t count, int bits) {
    std::vector<double> samples(count);
    for (size_t i = 0; i < count; ++i)
        samples[i] = bits == 32 ? static_cast<float>(std::sin(i * 0.37) * 1e3 - 0.125 * i)
                                : std::cos(i * 0.11) * 1e-300 + static_cast<double>(i) / 3;
    return samples;
}

}  // namespace

TEST(TiffPixels, EveryLayoutInEveryStorageAndByteOrder) {
    using T = ZynDataType;
    using K = ZynColorKind;
    const Layout layouts[] = {
        {8, U, 3, kRgb, kNone, T::UInt8, K::RGB, 0, 255},
        {8, U, 3, kRgb, kLzw, T::UInt8, K::RGB, 0, 255},
        {8, U, 3, kRgb, kDeflate, T::UInt8, K::RGB, 0, 255},
        {8, U, 3, kRgb, COMPRESSION_PACKBITS, T::UInt8, K::RGB, 0, 255},
        // Depths and sample formats; signed samples narrower than their type come back
        // sign-extended. Whole 8-, 16- and 32-bit samples are read alike in one band or three.
        {1, U, 1, kGray, kNone, T::UInt8, K::Lum, 0, 1},
        {1, U, 3, kRgb, kLzw, T::UInt8, K::RGB, 0, 1},
        {4, U, 1, kGray, kLzw, T::UInt8, K::Lum, 0, 15},
        {4, U, 3, kRgb, kNone, T::UInt8, K::RGB, 0, 15},
        {8, I, 1, kGray, kNone, T::UInt8, K::Lum, 0, 255},
        {12, U, 1, kGray, kLzw, T::UInt16, K::Lum, 0, 4095},
        {12, U, 3, kRgb, kNone, T::UInt16, K::RGB, 0, 4095},
        {12, I, 1, kGray, kNone, T::Int16, K::Lum, -2048, 2047},
        {12, I, 3, kRgb, kLzw, T::Int16, K::RGB, -2048, 2047},
        {16, U, 3, kRgb, kNone, T::UInt16, K::RGB, 0, 65535},
        {16, I, 1, kGray, kNone, T::Int16, K::Lum, -32768, 32767},
        {28, I, 1, kGray, kLzw, T::Int32, K::Lum, -134217728, 134217727},
        {28, I, 3, kRgb, kNone, T::Int32, K::RGB, -134217728, 134217727},
        {32, U, 3, kRgb, kLzw, T::UInt32, K::RGB, 0, kMax32},
        {32, I, 1, kGray, kLzw, T::Int32, K::Lum, -2147483648.0, 2147483647.0},
        // Deflate chunks decode away from the file's lock on several threads, and must come
        // out as the library gives them, differencing and byte order undone.
        {8, U, 3, kRgb, kDeflate, T::UInt8, K::RGB, 0, 255, kContig, kDifferenced},
        {8, U, 3, kRgb, kDeflate, T::UInt8, K::RGB, 0, 255, kSeparate},
        {8, U, 3, kRgb, kDeflate, T::UInt8, K::RGB, 0, 255, kSeparate, kDifferenced},
        {16, U, 3, kRgb, kDeflate, T::UInt16, K::RGB, 0, 65535},
        {16, U, 3, kRgb, kDeflate, T::UInt16, K::RGB, 0, 65535, kContig, kDifferenced},
        {16, U, 3, kRgb, kDeflate, T::UInt16, K::RGB, 0, 65535, kSeparate, kDifferenced},
        {32, U, 3, kRgb, kDeflate, T::UInt32, K::RGB, 0, kMax32},
        {32, U, 3, kRgb, kDeflate, T::UInt32, K::RGB, 0, kMax32, kContig, kDifferenced},
        {32, U, 3, kRgb, kDeflate, T::UInt32, K::RGB, 0, kMax32, kSeparate, kDifferenced},
        {32, F, 2, kGray, kDeflate, T::Float32, K::LumA, 0, 1, kContig, kPlain, kUnassociated},
        {64, F, 2, kGray, kDeflate, T::Float64, K::LumA, 0, 1, kContig, kPlain, kUnassociated},
        // Bands in one plane and in planes of their own.
        {8, U, 4, kRgb, kLzw, T::UInt8, K::RGBA, 0, 255, kContig, kPlain, kAssociated},
        {8, U, 4, kRgb, kLzw, T::UInt8, K::RGBA, 0, 255, kSeparate, kPlain, kAssociated},
        {8, U, 3, kRgb, kLzw, T::UInt8, K::RGB, 0, 255, kSeparate},
        {8, U, 4, kInk, kLzw, T::UInt8, K::CMYK, 0, 255},
        {8, U, 4, kInk, kLzw, T::UInt8, K::CMYK, 0, 255, kSeparate},
        {8, U, 5, kInk, kLzw, T::UInt8, K::CMYK, 0, 255},
        {8, U, 5, kInk, kLzw, T::UInt8, K::CMYK, 0, 255, kSeparate},
        // Full-resolution chroma is delivered as written.
        {8, U, 3, PHOTOMETRIC_YCBCR, kNone, T::UInt8, K::YCbCr, 0, 255},
    };
    ScopedValue threads(ZynSettings::get().threads, 2u);
    const uint32_t w = 45, h = 37;
    uint32_t n = 0;
    for (const Layout& l : layouts)
        for (const Storage& storage : kStorages)
            for (bool bigEndian : {false, true}) {
                SCOPED_TRACE(testing::Message() << "layout " << &l - layouts << ", " << storage.name
                                                << (bigEndian ? ", big" : ", little"));
                std::vector<uint32_t> samples;
                TiffPage page =
                    bytePage(w, h, l.bands, l.photometric, samples, n, l.bits, l.planar);
                page.sampleFormat = l.format;
                page.compression = l.compression;
                page.predictor = l.predictor;
                if (l.alpha >= 0) page.extraSamples = {static_cast<uint16_t>(l.alpha)};
                page.rowsPerStrip = storage.rowsPerStrip;
                page.tileWidth = storage.tileWidth;
                page.tileHeight = storage.tileHeight;
                std::vector<double> expected(samples.begin(), samples.end());
                if (l.format == I && l.type != ZynDataType::UInt8)
                    for (double& v : expected)
                        if (v >= std::ldexp(1.0, l.bits - 1)) v -= std::ldexp(1.0, l.bits);
                if (l.format == F) {
                    expected = floatSamples(samples.size(), l.bits);
                    page.data =
                        l.bits == 32
                            ? tiffSampleBytes(std::vector<float>(expected.begin(), expected.end()))
                            : tiffSampleBytes(expected);
                }
                const std::string path = tiffFile({page}, bigEndian);
                // Some files are read through plain reads instead of a mapping.
                ScopedValue mapped(QorSettings::get().tiffMemoryMapped, ++n % 3 != 0);
                auto image = openTiff(path);
                ASSERT_TRUE(image->status());
                const ZynImageOutputCP& out = outputOf(*image);
                EXPECT_EQ(out.dataOrg()->dataType(), l.type);
                EXPECT_EQ(out.dataOrg()->bands(), l.bands);
                EXPECT_EQ(out.dataOrg()->interleave(),
                          l.planar == kSeparate ? ZynInterleave::Band : ZynInterleave::Pixel);
                EXPECT_EQ(out.colorSpace()->kind(), l.kind);
                if (l.format != F) {
                    EXPECT_EQ(out.colorSpace()->minimum(), l.low);
                    EXPECT_EQ(out.colorSpace()->maximum(), l.high);
                }
                expectEveryRect(*image, {w, h}, expected);
            }
}

TEST(TiffPixels, SubsampledYCbCr) {
    // 2 x 2 subsampled: each clump carries four luma samples and one Cb, Cr pair, which every
    // pixel of the clump takes. 31 x 21 leaves partial clumps at the right and bottom.
    const uint32_t w = 31, h = 21, rows = 4;
    std::vector<uint8_t> expected(size_t{w} * h * 3);
    std::vector<uint32_t> unused;
    TiffPage sub = bytePage(w, h, 3, PHOTOMETRIC_YCBCR, unused);
    sub.ycbcrHorizontal = sub.ycbcrVertical = 2;
    sub.rowsPerStrip = rows;
    for (uint32_t y0 = 0; y0 < h; y0 += rows) {
        std::vector<uint8_t> strip;
        for (uint32_t cy = y0; cy < std::min(y0 + rows, h); cy += 2)
            for (uint32_t cx = 0; cx < w; cx += 2) {
                const auto cb = static_cast<uint8_t>(cx * 7 + cy),
                           cr = static_cast<uint8_t>(200 - cx - cy * 3);
                for (uint32_t y = cy; y < cy + 2; ++y)
                    for (uint32_t x = cx; x < cx + 2; ++x) {
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
    expectEveryRect(*openTiff(tiffFile({sub})), {w, h}, expected);
}

// JPEG-coded YCbCr, 2 x 2 subsampled, is delivered as the RGB it was made from; other JPEG-coded
// files are read as any other compression.
TEST(TiffPixels, JpegCodedYCbCrAsRgbWithinCodingError) {
    // Smooth colours keep the coding error small.
    const uint32_t w = 72, h = 56;
    std::vector<uint32_t> rgb;
    TiffPage ycc = bytePage(w, h, 3, PHOTOMETRIC_YCBCR, rgb);
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x) {
            uint32_t* p = &rgb[(size_t{y} * w + x) * 3];
            p[0] = 40 + x * 2, p[1] = 30 + y * 3, p[2] = 200 - x - y;
        }
    ycc.data = packTiffSamples(rgb, w * 3, 8);
    ycc.compression = COMPRESSION_JPEG;
    ycc.rowsPerStrip = 16;
    ycc.jpegFromRgb = true;
    auto image = openTiff(tiffFile({ycc}));
    EXPECT_EQ(outputOf(*image).colorSpace()->kind(), ZynColorKind::RGB);
    expectEveryRect(*image, {w, h}, rgb, 8);
}

// Reduced levels come from directories so marked, in tiles or strips, whatever stands between
// them; threads share one source over the levels, with or without the file held open.
TEST(TiffPixels, PyramidLevelsOnSeveralThreads) {
    const ZynResolution sizes[] = {{200, 150}, {100, 75}, {50, 38}};
    std::vector<TiffPage> pages;
    std::vector<std::vector<uint32_t>> pixels(3);
    for (int level = 0; level < 3; ++level) {
        TiffPage page = bytePage(sizes[level].width, sizes[level].height, 3, PHOTOMETRIC_RGB,
                                 pixels[level], level + 10);
        page.tileWidth = page.tileHeight = level == 1 ? 0 : 48;
        page.rowsPerStrip = level == 1 ? 5 : 0;
        page.compression = level == 1 ? COMPRESSION_LZW : COMPRESSION_ADOBE_DEFLATE;
        if (level > 0) page.subfileType = FILETYPE_REDUCEDIMAGE;
        pages.push_back(page);
    }
    // Another picture of a reduced level's size, before that level: it must not stand in for it.
    std::vector<uint32_t> other;
    TiffPage page2 = bytePage(100, 75, 3, PHOTOMETRIC_RGB, other, 99);
    page2.subfileType = FILETYPE_PAGE;
    pages.insert(pages.begin() + 1, page2);
    pages.push_back(bytePage(60, 60, 3, PHOTOMETRIC_RGB, other, 98));
    const std::string path = tiffFile(pages, true);

    auto image = openTiff(path);
    ASSERT_EQ(resolutionsOf(*image),
              std::vector<ZynResolution>(std::begin(sizes), std::end(sizes)));
    for (int level = 0; level < 3; ++level) {
        SCOPED_TRACE("level " + std::to_string(level));
        expectEveryRect(*image, sizes[level], pixels[level]);
    }
    for (bool keepOpen : {true, false}) {
        image = openTiff(path, keepOpen);
        const auto failures = failuresOnThreads(4, 30, [&](int t, int i) {
            const int level = (t + i) % 2;
            const ZynResolution r = sizes[level];
            const ZynRect rect{(t * 37 + i * 11) % (r.width - 40),
                               (t * 53 + i * 7) % (r.height - 40), 40, 37};
            return bool(samplesMatch(renderRect(*image, r, rect), pixels[level], r.width));
        });
        EXPECT_EQ(failures, std::vector<int>(4, 0)) << "keep_open " << keepOpen;
    }

    ScopedValue noThumbnails(QorSettings::get().thumbnailsDisabled, true);
    image = openTiff(path);
    EXPECT_EQ(resolutionsOf(*image), std::vector<ZynResolution>{sizes[0]});
    EXPECT_THROW(renderRect(*image, sizes[1], {0, 0, 10, 10}), ZynError);
}
