#include <cstdio>

#include <jpeglib.h>

#include "ExifFixture.h"
#include "JpegTestSupport.h"
#include "PpmFixture.h"
#include "TestSupport.h"
#include "VulJpegMetaKeys.h"
#include "ZynAnyImageSource.h"
#include "ZynExifImageSource.h"

namespace {

ExifFixtureOptions exifOptions(uint32_t width, uint32_t height) {
    ExifFixtureOptions options;
    options.image.width = width;
    options.image.height = height;
    return options;
}

std::shared_ptr<ZynExifImageSource> openExif(const std::string& path, bool keepOpen = true) {
    return std::dynamic_pointer_cast<ZynExifImageSource>(openByName("ExifSource", path, keepOpen));
}

}  // namespace

// The scaled levels of the image, then the thumbnail, then the FlashPix extension's screen nail;
// the header's metadata.
TEST(ExifSource, OffersTheScaledImageThenTheThumbnailAndTheExtendedImage) {
    const std::string dir = testDir();
    ExifFixtureOptions both = exifOptions(96, 200);
    both.screenNail = true;
    for (int i = 0; i < 3000; ++i) both.image.iccProfile.push_back(static_cast<uint8_t>(i));
    const ExifFixtureImages images = writeExifJpeg(dir + "/both.jpg", both);
    const std::string bytes = readFileBytes(dir + "/both.jpg");
    auto source = openExif(dir + "/both.jpg");
    ASSERT_TRUE(source->status()) << source->error().message();
    EXPECT_EQ(resolutionsOf(*source),
              (std::vector<ZynResolution>{
                  {96, 200}, {48, 100}, {24, 50}, {12, 25}, {40, 30}, {120, 90}}));
    EXPECT_EQ(outputOf(*source).colorSpace()->kind(), ZynColorKind::RGB);
    for (int scale = 0; scale < 4; ++scale)
        EXPECT_TRUE(rendersLike(*source, decodeJpegReference(bytes, 1 << scale)))
            << "scale 1/" << (1 << scale);
    const ZynRectBuffer thumbnail = renderWhole(*source, {40, 30}, ZynDataType::UInt8, 3);
    EXPECT_TRUE(sameAsReference(thumbnail, decodeJpegReference(images.thumbnailBytes)));
    EXPECT_LT(meanDifference(thumbnail, images.thumbnail, 40), 13.0);
    // A part of the thumbnail comes through its whole native tile.
    EXPECT_TRUE(rendersLike(*source, decodeJpegReference(images.thumbnailBytes), {5, 6, 20, 10}));
    const ZynRectBuffer nail = renderWhole(*source, {120, 90}, ZynDataType::UInt8, 3);
    EXPECT_TRUE(sameAsReference(nail, decodeJpegReference(images.screenNailBytes)));
    EXPECT_LT(meanDifference(nail, images.screenNail, 120), 13.0);

    ExifFixtureOptions nailOnly = both;
    nailOnly.thumbnail = false;
    writeExifJpeg(dir + "/nail.jpg", nailOnly);
    EXPECT_EQ(resolutionsOf(*openExif(dir + "/nail.jpg"))[4], (ZynResolution{120, 90}));

    // Metadata comes from the header, the file let go of between reads; the profile's segments
    // are told from the extension's.
    const JpegReference reference = decodeJpegReference(bytes);
    auto closed = openExif(dir + "/both.jpg", false);
    const std::pair<std::string, VulMetaValue> answers[] = {
        {kVulLuminQTable, reference.quantTables[0]},
        {kVulChroma1QTable, reference.quantTables[1]},
        {kVulAlphaQTable, {}},
        {kVulICCProfile, both.image.iccProfile},
        {kVulDisplayXResolution, {}},
    };
    for (const auto& [key, want] : answers) EXPECT_TRUE(metadataIs(*closed, key, want));

    ScopedValue noThumbnails(QorSettings::get().thumbnailsDisabled, true);
    EXPECT_EQ(resolutionsOf(*openExif(dir + "/both.jpg")),
              (std::vector<ZynResolution>{{96, 200}, {48, 100}, {24, 50}, {12, 25}, {120, 90}}));
}

TEST(ExifSource, ColourSpaceIdentifiersAndOverrides) {
    const std::string dir = testDir();
    struct Case {
        const char* name;
        int tag;
        const char* index;
        ZynColorKind kind;
    };
    for (const Case& c : {Case{"srgb", 1, "R98", ZynColorKind::RGB},
                          Case{"other", 0xFFFF, "R98", ZynColorKind::RGB},
                          Case{"untagged", 0, "", ZynColorKind::RGB}}) {
        ExifFixtureOptions options = exifOptions(16, 16);
        options.colorSpaceTag = c.tag;
        options.interoperabilityIndex = c.index;
        writeExifJpeg(dir + "/" + c.name + ".jpg", options);
        auto source = openExif(dir + "/" + c.name + ".jpg");
        ASSERT_TRUE(source->status()) << c.name << ": " << source->error().message();
        EXPECT_EQ(outputOf(*source).colorSpace()->kind(), c.kind) << c.name;
    }

    ExifFixtureOptions gray = exifOptions(24, 70);
    gray.image.coding = JpegFixtureOptions::Coding::Gray;
    const ExifFixtureImages grayImages = writeExifJpeg(dir + "/gray.jpg", gray);
    auto graySource = openExif(dir + "/gray.jpg");
    ASSERT_TRUE(graySource->status()) << graySource->error().message();
    EXPECT_EQ(outputOf(*graySource).colorSpace()->kind(), ZynColorKind::Lum);
    EXPECT_TRUE(rendersLike(*graySource, decodeJpegReference(readFileBytes(dir + "/gray.jpg"))));
    // The colour thumbnail comes in the main image's one band.
    EXPECT_TRUE(
        rendersLike(*graySource, decodeJpegReference(grayImages.thumbnailBytes, 1, JCS_GRAYSCALE)));

    auto source = openExif(dir + "/srgb.jpg");
    source->setAttribute<std::string>("color_space", "YCbCr");
    ASSERT_TRUE(ZynGraph::statusOK(*source)) << source->error().message();
    EXPECT_EQ(outputOf(*source).colorSpace()->kind(), ZynColorKind::YCbCr);
    EXPECT_TRUE(
        rendersLike(*source, decodeJpegReference(readFileBytes(dir + "/srgb.jpg"), 1, JCS_YCbCr)));
    const std::vector<std::tuple<std::string, std::string, std::string>> refused = {
        {"/srgb.jpg", "Lum", "Cannot Read 1 channel from multichannel source"},
        {"/srgb.jpg", "CMYK", "Unknown or invalid color space id from Exif file: 2"},
        {"/gray.jpg", "RGB", "Unknown or invalid color space id from Exif file: 1"}};
    for (const auto& [file, name, message] : refused) {
        auto refusing = openExif(dir + file);
        refusing->setAttribute<std::string>("color_space", name);
        EXPECT_TRUE(isZynError(setupError(*refusing), 133, message)) << name;
    }
}

// Bands passed on the way to a request are kept and served once. Without keep_open the file is
// let go of after every pass and a band above the reader opens it again; held open, it cannot be.
TEST(ExifSource, BandCacheSweepsAndTheFileLockedOpen) {
    const std::string path = testDir() + "/s.jpg";
    writeExifJpeg(path, exifOptions(40, 290));
    const std::string bytes = readFileBytes(path);
    const JpegReference reference = decodeJpegReference(bytes);
    struct Case {
        bool keepOpen;
        std::vector<std::pair<int, int>> bandsAndOpens;  // 0 opens: the band must be refused
    };
    const Case cases[] = {
        {true, {{2, 1}, {0, 1}, {0, 0}}},
        {false, {{2, 1}, {0, 1}, {0, 2}}},
        {false, {{0, 1}, {1, 1}, {2, 1}, {3, 1}, {4, 1}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(&c - cases);
        auto source = openExif(path, c.keepOpen);
        for (const auto& [index, opens] : c.bandsAndOpens) {
            if (opens == 0) {
                EXPECT_TRUE(isZynError(
                    renderError(*source, {40, 290}, band(index, 40, 290), 3), 3,
                    "ZynExifImageSource::genTile: potential tile dependency problem cannot be "
                    "resolved because input file is locked open"));
                continue;
            }
            EXPECT_TRUE(rendersLike(*source, reference, band(index, 40, 290))) << index;
            EXPECT_EQ(source->readerOpens(0), opens) << index;
        }
    }
    // Band-sequential buffers are filled channel by channel.
    auto source = openExif(path);
    const JpegReference half = decodeJpegReference(bytes, 2);
    EXPECT_TRUE(sameAsReference(
        renderRect(*source, {20, 145}, {0, 0, 20, 145}, ZynDataType::UInt8, 3, ZynInterleave::Band),
        half));
    EXPECT_EQ(source->readerOpens(1), 1);
}

TEST(ExifSource, ValidationDecidesWhetherTheExifStructuresAreUsed) {
    const std::string path = testDir() + "/v.jpg";
    ExifFixtureOptions options = exifOptions(32, 32);
    options.pixelXDimension = 33;
    options.colorSpaceTag = 0xFFFF;
    options.interoperabilityIndex = "R03";
    writeExifJpeg(path, options);
    for (const auto& [scheme, trusted] :
         {std::pair{1, true}, std::pair{2, false}, std::pair{0, false}}) {
        ScopedValue validation(QorSettings::get().exifValidationScheme, scheme);
        auto source = openExif(path);
        ASSERT_TRUE(source->status()) << source->error().message();
        EXPECT_EQ(resolutionsOf(*source).size(), trusted ? 5u : 4u) << "scheme " << scheme;
        EXPECT_EQ(outputOf(*source).colorSpace()->kind(),
                  trusted ? ZynColorKind::AdobeSRGB : ZynColorKind::RGB);
    }
}

TEST(ExifSource, RecognitionAndImplementations) {
    const std::string dir = testDir();
    writeExifJpeg(dir + "/e.jpg", exifOptions(50, 130));
    writeJpeg(dir + "/plain.jpg", JpegFixtureOptions());
    for (const auto& [name, exif] :
         {std::pair{"/e.jpg", true}, std::pair{"/plain.jpg", false}, std::pair{"/none.jpg", false}})
        EXPECT_EQ(ZynExifImageSource::recognize(qorWiden(dir + name), nullptr, false) != nullptr,
                  exif)
            << name;

    // Given a file without an EXIF block, the source reads the JPEG image.
    auto plain = openExif(dir + "/plain.jpg");
    ASSERT_TRUE(plain->status()) << plain->error().message();
    EXPECT_EQ(resolutionsOf(*plain).size(), 4u);

    const JpegReference reference = decodeJpegReference(readFileBytes(dir + "/e.jpg"));
    for (const std::string& name : {dir + "/e.jpg", "file://" + dir + "/e.jpg"}) {
        for (bool alternative : {false, true}) {
            ScopedValue mapped(QorSettings::get().alternativeJpeg, alternative);
            auto source = openExif(name, false);
            ASSERT_TRUE(source->status()) << name << ": " << source->error().message();
            for (int index : {1, 0, 2})
                EXPECT_TRUE(rendersLike(*source, reference, band(index, 50, 130)))
                    << name << (alternative ? " mapped" : "");
        }
    }
}

TEST(ExifSource, Failures) {
    const std::string dir = testDir();
    EXPECT_TRUE(isZynError(setupError(*ZynTransformRegistry::create("ExifSource")), 130,
                           "No filename set"));
    EXPECT_TRUE(isZynError(openExif(dir + "/none.jpg")->error(), 130,
                           "Error trying to open " + dir +
                               "/none.jpg System error code = 2\nSystem error string = No such "
                               "file or directory"));

    writeFile(dir + "/text.jpg", "not an image at all");
    auto text = openExif(dir + "/text.jpg");
    EXPECT_EQ(text->error().code(), 130);
    EXPECT_TRUE(text->error().message().starts_with(
        "Error -2 from Nif-Exif library trying to open " + dir + "/text.jpg, Not a JPEG file"))
        << text->error().message();

    {
        ScopedValue mapped(QorSettings::get().alternativeJpeg, true);
        auto wide = ZynTransformRegistry::create("ExifSource");
        wide->setAttribute<std::wstring>("wfile_name", std::wstring(L"/tmp/\xD800.jpg"));
        EXPECT_EQ(setupError(*wide).message(),
                  "Unicode filenames are not supported by IJL library");
    }

    const std::string bytes = exifJpegBytes(exifOptions(64, 256));
    writeFile(dir + "/truncated.jpg", bytes.substr(0, bytes.size() * 3 / 4));
    auto truncated = openExif(dir + "/truncated.jpg");
    ASSERT_TRUE(truncated->status()) << truncated->error().message();
    EXPECT_TRUE(isZynError(renderError(*truncated, {64, 256}, band(3, 64, 256), 3), 130,
                           "Error reading Exif file NIFStatus = -5, Premature end of JPEG file"));
    // The reader starts again from the top for the next request.
    EXPECT_TRUE(rendersLike(*truncated, decodeJpegReference(bytes), band(0, 64, 256)));
}
