// How TIFF files are recognised and described: magic numbers, data types, colour spaces, sample
// ranges and native tiles, and the direct-fill contract of the op.

#include <tiff.h>

#include "PpmFixture.h"
#include "TiffBytes.h"
#include "TiffTestSupport.h"
#include "ZynSettings.h"
#include "ZynTiffImageSource.h"
#include "ZynTransformRegistryEntry.h"

namespace {

ZynTransformPtr recognizeBytes(const std::string& path, const std::string& bytes) {
    writeFile(path, bytes);
    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "rb"), &std::fclose);
    return ZynTiffImageSource::recognize(qorWiden(path), file.get(), true);
}

// A small single-directory file of the page, opened through the TIFF source by name.
ZynTransformPtr describe(const TiffPage& page, const std::string& path) {
    writeTiff(path, {page});
    return openByName("TiffSource", path);
}

TiffPage grayPage(uint16_t bits, uint16_t format, uint16_t bands = 1) {
    TiffPage page;
    page.width = 16;
    page.height = 4;
    page.bitsPerSample = bits;
    page.sampleFormat = format;
    page.samplesPerPixel = bands;
    page.data.assign((16 * bands * bits + 7) / 8 * 4, 0);
    return page;
}

}  // namespace

TEST(TiffDescription, RecognisesBothByteOrdersAndNothingElse) {
    const std::string dir = testDir();
    EXPECT_TRUE(recognizeBytes(dir + "/ii", std::string("II\x2A\0", 4)));
    EXPECT_TRUE(recognizeBytes(dir + "/mm", std::string("MM\0\x2A", 4)));
    EXPECT_FALSE(recognizeBytes(dir + "/big", std::string("II\x2B\0\x08\0\0\0", 8)));
    EXPECT_FALSE(recognizeBytes(dir + "/mixed", std::string("MM\x2A\0", 4)));
    EXPECT_FALSE(recognizeBytes(dir + "/short", std::string("II\x2A", 3)));
    EXPECT_FALSE(ZynTiffImageSource::recognize(L"none", nullptr, true));

    // Through the any-image source, both byte orders open as TIFF, ahead of the PPM recogniser.
    for (bool bigEndian : {false, true}) {
        std::vector<uint32_t> rgb;
        writeTiff(dir + "/o.tif", {bytePage(8, 8, 3, PHOTOMETRIC_RGB, rgb)}, bigEndian);
        auto image = openByContent(dir + "/o.tif");
        ASSERT_TRUE(image->status()) << image->error().message();
        EXPECT_EQ(image->transforms()[0]->typeName(), "ZynTiffImageSource");
    }
    EXPECT_EQ(ZynTransformRegistry::find("TiffSource")->className(), "ZynTiffImageSource");
}

TEST(TiffDescription, DataTypesFromDepthAndSampleFormat) {
    const std::string dir = testDir();
    struct Case {
        uint16_t bits, format;
        ZynDataType type;
    };
    // The depths the pixel tests do not render; those that are not 8, 16, 32 or 64 once rounded
    // keep the default type.
    const Case described[] = {
        {7, SAMPLEFORMAT_INT, ZynDataType::UInt8},
        {9, SAMPLEFORMAT_UINT, ZynDataType::UInt16},
        {24, SAMPLEFORMAT_UINT, kZynDefaultDataType},
        {48, SAMPLEFORMAT_UINT, kZynDefaultDataType},
    };
    int n = 0;
    for (const Case& c : described) {
        const std::string path = dir + "/ok" + std::to_string(n++) + ".tif";
        auto source = describe(grayPage(c.bits, c.format), path);
        ASSERT_TRUE(source->status()) << c.bits << ": " << source->error().message();
        EXPECT_EQ(outputOf(*source).dataOrg()->dataType(), c.type) << c.bits;
    }
    // Such samples are described but not delivered.
    auto deep = describe(grayPage(24, SAMPLEFORMAT_UINT), dir + "/d24.tif");
    EXPECT_EQ(errorOf([&] { renderRect(*deep, {16, 4}, {0, 0, 16, 4}); }).code(), 135);

    const Case refused[] = {{16, SAMPLEFORMAT_IEEEFP, {}},
                            {8, SAMPLEFORMAT_IEEEFP, {}},
                            {64, SAMPLEFORMAT_UINT, {}},
                            {32, SAMPLEFORMAT_VOID, {}}};
    for (const Case& c : refused) {
        const std::string path = dir + "/bad" + std::to_string(n++) + ".tif";
        auto source = describe(grayPage(c.bits, c.format), path);
        EXPECT_FALSE(source->status());
        EXPECT_EQ(source->error().code(), 130);
        EXPECT_EQ(source->error().message(),
                  "Invalid SampleFormat/data type specification in ZynTiffImageSourceOp." + path);
    }
}

TEST(TiffDescription, ColourSpacesFromPhotometricAndBands) {
    const std::string dir = testDir();
    struct Case {
        uint16_t photometric, bands;
        std::vector<uint16_t> extra;
        ZynColorKind kind;
        int spaceBands;
    };
    const Case cases[] = {
        {PHOTOMETRIC_MINISBLACK, 1, {}, ZynColorKind::Lum, 1},
        {PHOTOMETRIC_MINISWHITE, 1, {}, ZynColorKind::Lum, 1},
        {PHOTOMETRIC_MINISBLACK, 2, {EXTRASAMPLE_ASSOCALPHA}, ZynColorKind::LumA, 2},
        {PHOTOMETRIC_MINISBLACK, 2, {EXTRASAMPLE_UNSPECIFIED}, ZynColorKind::Generic, 2},
        {PHOTOMETRIC_MINISBLACK, 3, {}, ZynColorKind::Generic, 3},
        {PHOTOMETRIC_RGB, 3, {}, ZynColorKind::RGB, 3},
        {PHOTOMETRIC_RGB, 4, {EXTRASAMPLE_UNSPECIFIED}, ZynColorKind::RGBA, 4},
        {PHOTOMETRIC_RGB, 5, {0, 0}, ZynColorKind::Generic, 5},
        {PHOTOMETRIC_SEPARATED, 2, {}, ZynColorKind::Generic, 2},
        {PHOTOMETRIC_SEPARATED, 3, {}, ZynColorKind::CMY, 3},
        {PHOTOMETRIC_SEPARATED, 5, {}, ZynColorKind::CMYK, 4},
        {PHOTOMETRIC_CIELAB, 3, {}, ZynColorKind::Generic, 3},
    };
    int n = 0;
    for (const Case& c : cases) {
        TiffPage page = grayPage(8, SAMPLEFORMAT_UINT, c.bands);
        page.photometric = c.photometric;
        page.extraSamples = c.extra;
        page.ycbcrHorizontal = page.ycbcrVertical = 1;
        auto source = describe(page, dir + "/c" + std::to_string(n++) + ".tif");
        ASSERT_TRUE(source->status()) << c.photometric << ": " << source->error().message();
        EXPECT_EQ(outputOf(*source).colorSpace()->kind(), c.kind) << n;
        EXPECT_EQ(outputOf(*source).colorSpace()->bands(), c.spaceBands) << n;
        EXPECT_EQ(outputOf(*source).dataOrg()->bands(), c.bands) << n;
    }

    TiffPage palette = grayPage(8, SAMPLEFORMAT_UINT);
    palette.photometric = PHOTOMETRIC_PALETTE;
    const std::string path = dir + "/palette.tif";
    writeTiff(path, {palette});
    auto image = openByContent(path);
    EXPECT_FALSE(image->status());
    EXPECT_EQ(image->error().code(), 3);
    EXPECT_EQ(image->error().message(),
              "palette color TIFF images are not supported\nImage file,\"" + path + "\".");

    // A directory without the photometric tag.
    TiffBytes bytes(readFileBytes(path));
    bytes.setTag(bytes.ifd(0), TIFFTAG_PHOTOMETRIC, 65000);
    writeFile(dir + "/nophotometric.tif", bytes.bytes());
    auto source = openByName("TiffSource", dir + "/nophotometric.tif");
    EXPECT_FALSE(ZynGraph::statusOK(*source));
    EXPECT_EQ(source->error().code(), 130);
    EXPECT_EQ(source->error().message(),
              "Bad tiff directory in ZynTiffImageSourceOp::getColorSpace - missing required tag "
              "TIFFTAG_PHOTOMETRIC.\nImage file,\"" +
                  dir + "/nophotometric.tif\".");
}

TEST(TiffDescription, SampleRangesFromTags) {
    const std::string dir = testDir();
    struct Case {
        uint16_t bits, format;
        std::optional<uint16_t> min, max;
        std::optional<double> smin, smax;
        double low, high;
    };
    const Case cases[] = {
        {8, 1, {}, {}, {}, {}, 0, 255},
        {16, 1, 100, 4000, {}, {}, 100, 4000},
        {16, 1, 100, 4000, 200.0, 3000.0, 200, 3000},  // the S tags win
        {16, 2, {}, {}, -100.0, 100.0, -100, 100},
        {16, 2, {}, {}, 100.0, -100.0, -32768, 32767},  // inverted: the natural range
        {8, 1, {}, 300, {}, {}, 0, 255},                // clamped to what the type holds
        {12, 1, {}, 5000, {}, {}, 0, 4095},
        {12, 1, {}, {}, {}, {}, 0, 4095},
        {32, 3, {}, {}, -1.0, 1.0, -1, 1},
    };
    int n = 0;
    for (const Case& c : cases) {
        TiffPage page = grayPage(c.bits, c.format);
        page.minSampleValue = c.min;
        page.maxSampleValue = c.max;
        page.sMinSampleValue = c.smin;
        page.sMaxSampleValue = c.smax;
        auto source = describe(page, dir + "/r" + std::to_string(n++) + ".tif");
        ASSERT_TRUE(source->status()) << source->error().message();
        EXPECT_EQ(outputOf(*source).colorSpace()->minimum(), c.low) << n;
        EXPECT_EQ(outputOf(*source).colorSpace()->maximum(), c.high) << n;
    }
}

TEST(TiffDescription, NativeTilesGroupShortStrips) {
    const std::string dir = testDir();
    struct Case {
        uint32_t rowsPerStrip, tileWidth, tileHeight, minimum;
        uint16_t compression;
        uint32_t nativeWidth, nativeHeight;
    };
    const Case cases[] = {
        {1, 0, 0, 64, COMPRESSION_NONE, 100, 64},
        {3, 0, 0, 64, COMPRESSION_NONE, 100, 66},
        {3, 0, 0, 10, COMPRESSION_NONE, 100, 12},
        {100, 0, 0, 64, COMPRESSION_LZW, 100, 100},
        {0, 0, 0, 64, COMPRESSION_LZW, 100, 150},
        {200, 0, 0, 64, COMPRESSION_LZW, 100, 150},
        // The library presents one uncompressed strip as strips of about 8 KiB.
        {0, 0, 0, 64, COMPRESSION_NONE, 100, 81},
        {0, 32, 16, 64, COMPRESSION_NONE, 32, 16},
    };
    const uint32_t saved = ZynSettings::get().minTileHeight;
    int n = 0;
    for (const Case& c : cases) {
        ZynSettings::get().minTileHeight = c.minimum;
        std::vector<uint32_t> gray;
        TiffPage page = bytePage(100, 150, 1, PHOTOMETRIC_MINISBLACK, gray, n);
        page.rowsPerStrip = c.rowsPerStrip;
        page.compression = c.compression;
        page.tileWidth = c.tileWidth;
        page.tileHeight = c.tileHeight;
        auto image = openByContent((writeTiff(dir + "/n.tif", {page}), dir + "/n.tif"));
        ASSERT_TRUE(image->status()) << image->error().message();
        EXPECT_EQ(outputOf(*image).dataOrg()->width(), c.nativeWidth) << n;
        EXPECT_EQ(outputOf(*image).dataOrg()->height(), c.nativeHeight) << n;
        // The last native tile is shorter.
        EXPECT_TRUE(samplesMatch(renderRect(*image, {100, 150}, {0, 140, 100, 10}), gray, 100));
        ++n;
    }
    ZynSettings::get().minTileHeight = saved;
}

TEST(TiffDescription, TheOpFillsOnlyWholeImagesAndAlignedNativeTiles) {
    const std::string dir = testDir();
    std::vector<uint32_t> rgb;
    TiffPage page = bytePage(100, 150, 3, PHOTOMETRIC_RGB, rgb);
    page.rowsPerStrip = 1;
    writeTiff(dir + "/s.tif", {page});
    auto source = openByName("TiffSource", dir + "/s.tif");
    ASSERT_TRUE(ZynGraph::statusOK(*source));
    ZynImageOpPtr op = source->opForResolution(0, {100, 150});
    const auto org = [](uint32_t w, uint32_t h) {
        return std::make_shared<ZynSimpleDataOrg>(w, h, ZynDataType::UInt8, 3);
    };

    ZynRectBuffer unaligned({5, 5, 10, 10}, org(100, 64));
    EXPECT_FALSE(op->canFill(unaligned));
    expectZynError([&] { op->genRect(unaligned); }, 3,
                   "Mismatch in request to ZynTiffImageSourceOp::genRect(). "
                   "ZynTiffImageSourceOp::genRect() can not fill requested rect =5, 5, 10, 10");
    // Rows of another stride, or another layout, are not the op's to fill either.
    ZynRectBuffer padded({0, 64, 100, 64}, std::make_shared<ZynSimpleDataOrg>(
                                               100, 64, ZynDataType::UInt8, ZynInterleave::Pixel,
                                               std::vector<int64_t>{0, 1, 2}, 3, 301));
    EXPECT_FALSE(op->canFill(padded));
    ZynRectBuffer banded(
        {0, 64, 100, 64},
        std::make_shared<ZynSimpleDataOrg>(100, 64, ZynDataType::UInt8, 3, ZynInterleave::Band));
    EXPECT_FALSE(op->canFill(banded));

    ZynRectBuffer tile({0, 64, 100, 64}, org(100, 64));
    ASSERT_TRUE(op->canFill(tile));
    op->genRect(tile);
    EXPECT_TRUE(samplesMatch(tile, rgb, 100));
    ZynRectBuffer lastTile({0, 128, 100, 22}, org(100, 64));
    ASSERT_TRUE(op->canFill(lastTile));
    op->genRect(lastTile);
    EXPECT_TRUE(samplesMatch(lastTile, rgb, 100));
    ZynRectBuffer whole({0, 0, 100, 150}, org(100, 150));
    ASSERT_TRUE(op->canFill(whole));
    op->genRect(whole);
    EXPECT_TRUE(samplesMatch(whole, rgb, 100));
    // A buffer the framework must see written through its own copy gets the same pixels.
    ZynRectBuffer guarded({0, 0, 100, 64}, org(100, 64));
    guarded.setWritableInPlace(false);
    op->genRect(guarded);
    EXPECT_TRUE(samplesMatch(guarded, rgb, 100));

    ZynRectBuffer outside({0, 128, 100, 64}, org(100, 64));
    const ZynError e = errorOf([&] { op->genRect(outside); });
    EXPECT_EQ(e.code(), 3);
    EXPECT_NE(e.message().find("The requested rect is not available"), std::string::npos);
}

TEST(TiffDescription, AbsentSamplesPerPixelMeansOne) {
    const std::string dir = testDir();
    TiffPage page = grayPage(8, SAMPLEFORMAT_UINT);
    page.samplesPerPixel = 0;
    page.data.assign(64, 7);
    auto source = describe(page, dir + "/spp.tif");
    ASSERT_TRUE(source->status()) << source->error().message();
    EXPECT_EQ(outputOf(*source).colorSpace()->kind(), ZynColorKind::Lum);
    EXPECT_EQ(*renderRect(*source, {16, 4}, {0, 0, 16, 4}).sample<uint8_t>(15, 3), 7);
}
