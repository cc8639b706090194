// How TIFF files are recognised and described: magic numbers, data types, colour spaces, sample
// ranges and native tiles.

#include "PpmFixture.h"
#include "TiffBytes.h"
#include "TiffTestSupport.h"
#include "ZynSettings.h"

namespace {

// A 16 x 4 single-directory file of the page, opened through the TIFF source by name.
ZynTransformPtr describe(const TiffPage& page) {
    return openByName("TiffSource", tiffFile({page}));
}

// Every sample 7, so that a byte rendered from anywhere else shows.
TiffPage grayPage(uint16_t bits, uint16_t format, uint16_t bands = 1) {
    TiffPage page;
    page.width = 16;
    page.height = 4;
    page.bitsPerSample = bits;
    page.sampleFormat = format;
    page.samplesPerPixel = bands;
    page.data.assign((16 * bands * bits + 7) / 8 * 4, 7);
    return page;
}

}  // namespace

// Both byte orders are recognised in every file TiffPixels opens by content; these files are
// taken by no source.
TEST(TiffDescription, RecognisesNothingElse) {
    for (const std::string bytes : {std::string("II\x2B\0\x08\0\0\0", 8),
                                    std::string("MM\x2A\0", 4), std::string("II\x2A", 3)}) {
        const std::string path = testDir() + "/r";
        writeFile(path, bytes);
        EXPECT_EQ(openByContent(path)->error().code(), 153) << bytes.size();
    }
}

TEST(TiffDescription, DataTypesFromDepthAndSampleFormat) {
    // The depths the pixel tests do not render; those that are not 8, 16, 32 or 64 once rounded
    // keep the default type, and are described but not delivered.
    const std::tuple<uint16_t, uint16_t, ZynDataType> described[] = {
        {7, SAMPLEFORMAT_INT, ZynDataType::UInt8},
        {9, SAMPLEFORMAT_UINT, ZynDataType::UInt16},
        {24, SAMPLEFORMAT_UINT, kZynDefaultDataType},
        {48, SAMPLEFORMAT_UINT, kZynDefaultDataType},
    };
    for (const auto& [bits, format, type] : described) {
        auto source = describe(grayPage(bits, format));
        ASSERT_TRUE(source->status()) << bits << ": " << source->error().message();
        EXPECT_EQ(outputOf(*source).dataOrg()->dataType(), type) << bits;
    }
    auto deep = describe(grayPage(24, SAMPLEFORMAT_UINT));
    EXPECT_EQ(errorOf([&] { renderRect(*deep, {16, 4}, {0, 0, 16, 4}); }).code(), 135);

    const std::pair<uint16_t, uint16_t> refused[] = {{16, SAMPLEFORMAT_IEEEFP},
                                                     {8, SAMPLEFORMAT_IEEEFP},
                                                     {64, SAMPLEFORMAT_UINT},
                                                     {32, SAMPLEFORMAT_VOID}};
    for (const auto& [bits, format] : refused) {
        const std::string path = tiffFile({grayPage(bits, format)});
        EXPECT_TRUE(isZynError(
            setupError(*openByName("TiffSource", path)), 130,
            "Invalid SampleFormat/data type specification in ZynTiffImageSourceOp." + path));
    }
}

TEST(TiffDescription, ColourSpacesFromPhotometricAndBands) {
    struct Case {
        uint16_t photometric, bands;
        std::vector<uint16_t> extra;
        ZynColorKind kind;
        int spaceBands;
    };
    // Grey, RGB and five-band ink files are TiffPixels.EveryLayoutInEveryStorageAndByteOrder's.
    const Case cases[] = {
        // No samples-per-pixel tag means one.
        {PHOTOMETRIC_MINISBLACK, 0, {}, ZynColorKind::Lum, 1},
        {PHOTOMETRIC_MINISWHITE, 1, {}, ZynColorKind::Lum, 1},
        {PHOTOMETRIC_MINISBLACK, 2, {EXTRASAMPLE_ASSOCALPHA}, ZynColorKind::LumA, 2},
        {PHOTOMETRIC_MINISBLACK, 2, {EXTRASAMPLE_UNSPECIFIED}, ZynColorKind::Generic, 2},
        {PHOTOMETRIC_MINISBLACK, 3, {}, ZynColorKind::Generic, 3},
        {PHOTOMETRIC_RGB, 4, {EXTRASAMPLE_UNSPECIFIED}, ZynColorKind::RGBA, 4},
        {PHOTOMETRIC_RGB, 5, {0, 0}, ZynColorKind::Generic, 5},
        {PHOTOMETRIC_SEPARATED, 2, {}, ZynColorKind::Generic, 2},
        {PHOTOMETRIC_SEPARATED, 3, {}, ZynColorKind::CMY, 3},
        {PHOTOMETRIC_CIELAB, 3, {}, ZynColorKind::Generic, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.photometric) + ", " + std::to_string(c.bands) + " bands");
        TiffPage page = grayPage(8, SAMPLEFORMAT_UINT, std::max<uint16_t>(c.bands, 1));
        page.samplesPerPixel = c.bands;
        page.photometric = c.photometric;
        page.extraSamples = c.extra;
        auto source = describe(page);
        ASSERT_TRUE(source->status()) << source->error().message();
        EXPECT_EQ(outputOf(*source).colorSpace()->kind(), c.kind);
        EXPECT_EQ(outputOf(*source).colorSpace()->bands(), c.spaceBands);
        const int bands = std::max<int>(c.bands, 1);
        EXPECT_EQ(outputOf(*source).dataOrg()->bands(), bands);
        EXPECT_EQ(*renderRect(*source, {16, 4}, {0, 0, 16, 4}).sample<uint8_t>(15, 3, bands - 1),
                  7);
    }

    TiffPage palette = grayPage(8, SAMPLEFORMAT_UINT);
    palette.photometric = PHOTOMETRIC_PALETTE;
    const std::string path = tiffFile({palette});
    EXPECT_TRUE(
        isZynError(openByContent(path)->error(), 3,
                   "palette color TIFF images are not supported\nImage file,\"" + path + "\"."));

    // A directory without the photometric tag.
    TiffBytes bytes(readFileBytes(path));
    bytes.setTag(bytes.ifd(0), TIFFTAG_PHOTOMETRIC, 65000);
    const std::string untagged = path + ".untagged.tif";
    writeFile(untagged, bytes.bytes());
    EXPECT_TRUE(isZynError(setupError(*openByName("TiffSource", untagged)), 130,
                           "Bad tiff directory in ZynTiffImageSourceOp::getColorSpace - missing "
                           "required tag TIFFTAG_PHOTOMETRIC.\nImage file,\"" +
                               untagged + "\"."));
}

TEST(TiffDescription, SampleRangesFromTags) {
    struct Case {
        uint16_t bits, format;
        std::optional<uint16_t> min, max;
        std::optional<double> smin, smax;
        double low, high;
    };
    const Case cases[] = {
        {16, 1, 100, 4000, {}, {}, 100, 4000},
        {16, 1, 100, 4000, 200.0, 3000.0, 200, 3000},  // the S tags win
        {16, 2, {}, {}, -100.0, 100.0, -100, 100},
        {16, 2, {}, {}, 100.0, -100.0, -32768, 32767},  // inverted: the natural range
        {12, 1, {}, 5000, {}, {}, 0, 4095},             // clamped to what the depth holds
        {32, 3, {}, {}, -1.0, 1.0, -1, 1},
    };
    for (const Case& c : cases) {
        TiffPage page = grayPage(c.bits, c.format);
        page.minSampleValue = c.min;
        page.maxSampleValue = c.max;
        page.sMinSampleValue = c.smin;
        page.sMaxSampleValue = c.smax;
        auto source = describe(page);
        ASSERT_TRUE(source->status()) << source->error().message();
        EXPECT_EQ(outputOf(*source).colorSpace()->minimum(), c.low) << &c - cases;
        EXPECT_EQ(outputOf(*source).colorSpace()->maximum(), c.high) << &c - cases;
    }
}

TEST(TiffDescription, NativeTilesGroupShortStrips) {
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
    for (const Case& c : cases) {
        SCOPED_TRACE(&c - cases);
        ScopedValue minimum(ZynSettings::get().minTileHeight, c.minimum);
        std::vector<uint32_t> gray;
        TiffPage page = bytePage(100, 150, 1, PHOTOMETRIC_MINISBLACK, gray);
        page.rowsPerStrip = c.rowsPerStrip;
        page.compression = c.compression;
        page.tileWidth = c.tileWidth;
        page.tileHeight = c.tileHeight;
        auto image = openByContent(tiffFile({page}));
        ASSERT_TRUE(image->status()) << image->error().message();
        EXPECT_EQ(outputOf(*image).dataOrg()->width(), c.nativeWidth);
        EXPECT_EQ(outputOf(*image).dataOrg()->height(), c.nativeHeight);
        // The last native tile is shorter.
        EXPECT_TRUE(samplesMatch(renderRect(*image, {100, 150}, {0, 140, 100, 10}), gray, 100));
    }
}
