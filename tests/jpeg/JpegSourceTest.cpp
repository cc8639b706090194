#include <cstdio>
#include <optional>

#include <jpeglib.h>

#include "JpegTestSupport.h"
#include "PpmFixture.h"
#include "TestSupport.h"
#include "VulJpegMetaKeys.h"
#include "ZynAnyImageSource.h"
#include "ZynJpegIJLImageSourceOp.h"
#include "ZynJpegImageSource.h"
#include "ZynJpegImageSourceOp.h"

namespace {

using Coding = JpegFixtureOptions::Coding;

struct Variant {
    std::string name;
    JpegFixtureOptions options;
    ZynColorKind kind = ZynColorKind::RGB;
};

JpegFixtureOptions options(uint32_t width, uint32_t height, Coding coding = Coding::YCbCr,
                           int h = 2, int v = 2) {
    JpegFixtureOptions o;
    o.width = width;
    o.height = height;
    o.coding = coding;
    o.hSampling = h;
    o.vSampling = v;
    return o;
}

std::vector<Variant> variants() {
    std::vector<Variant> all = {
        {"s444", options(64, 48, Coding::YCbCr, 1, 1)},
        {"s422", options(64, 48, Coding::YCbCr, 2, 1)},
        {"gray", options(40, 30, Coding::Gray, 1, 1), ZynColorKind::Lum},
        {"cmyk", options(32, 24, Coding::CMYK, 1, 1), ZynColorKind::CMYK},
        {"ycck", options(32, 24, Coding::YCCK, 2, 2), ZynColorKind::CMYK},
        {"rgb", options(32, 24, Coding::RGB, 1, 1)},
        {"odd", options(100, 60)},
        {"tiny", options(1, 1)},
        {"tall", options(37, 300)},
        {"progressive", options(70, 150)},
        {"restart", options(80, 140)},
    };
    all[9].options.progressive = true;
    all[10].options.restartInterval = 3;
    return all;
}

class JpegVariant : public ::testing::TestWithParam<Variant> {};

ZynJpegFileSourceOp& implementationOf(ZynTransform& source, const ZynResolution& resolution) {
    auto* op = dynamic_cast<ZynJpegImageSourceOp*>(outputOf(source).opFor(resolution).get());
    if (!op) throw std::runtime_error("not a JPEG op");
    return op->implementation();
}

}  // namespace

TEST_P(JpegVariant, EveryScaleDecodesLikeTheLibraryAndNearTheEncodedPixels) {
    const Variant& variant = GetParam();
    const std::string path = testDir() + "/v.jpg";
    const std::vector<uint8_t> given = writeJpeg(path, variant.options);
    const std::string bytes = readFileBytes(path);
    auto any = openByContent(path);
    ASSERT_TRUE(ZynGraph::statusOK(*any)) << any->error().message();
    EXPECT_EQ(outputOf(*any).colorSpace()->kind(), variant.kind);
    EXPECT_EQ(outputOf(*any).coordSpace()->width(),
              (ZynValue{double(variant.options.width), ZynUnit::Pixel}));
    // Native tiles are bands of 64 rows.
    EXPECT_EQ(outputOf(*any).dataOrg()->height(), std::min(64u, variant.options.height));
    const auto& resolutions = outputOf(*any).coordSpace()->resolutions();
    ASSERT_EQ(resolutions.size(), 4u);
    // The colour space's bands are as many as the library delivers.
    const int bands = outputOf(*any).colorSpace()->bands();
    for (int scale = 0; scale < 4; ++scale) {
        const JpegReference reference = decodeJpegReference(bytes, 1 << scale);
        ASSERT_EQ(resolutions[scale], (ZynResolution{reference.width, reference.height}));
        EXPECT_TRUE(sameAsReference(
            renderWhole(*any, resolutions[scale], ZynDataType::UInt8, bands), reference))
            << "scale 1/" << (1 << scale);
    }
    // A rectangle that crosses band edges goes through native tiles.
    const JpegReference full = decodeJpegReference(bytes);
    const ZynRect part{full.width / 3, full.height / 4, std::max<uint32_t>(1, full.width / 2),
                       std::max<uint32_t>(1, full.height * 2 / 3)};
    EXPECT_TRUE(
        sameAsReference(renderRect(*any, resolutions[0], part, ZynDataType::UInt8, bands), full));
    // Chroma subsampling loses the pattern's colour noise; full-resolution chroma keeps it.
    const bool subsampled = variant.options.hSampling * variant.options.vSampling > 1 &&
                            variant.options.coding != Coding::Gray;
    EXPECT_LT(meanDifference(renderWhole(*any, resolutions[0], ZynDataType::UInt8, bands), given,
                             full.width),
              subsampled ? 13.0 : 6.0);
}

INSTANTIATE_TEST_SUITE_P(Fixtures, JpegVariant, ::testing::ValuesIn(variants()),
                         [](const auto& info) { return info.param.name; });

// Bands passed on the way to a request are kept and served once; a band above the decoder that
// was not kept restarts it. Without keep_open the file is closed after every pass and decoding
// goes on after it; file URLs are read through the stream. The alternative implementation maps
// the file.
TEST(JpegSource, BandCacheServesPassedBandsOnceAndRestartsForTheRest) {
    struct Case {
        const char* name;
        const char* prefix;
        bool keepOpen, alternative;
        uint32_t width, height;
        std::vector<std::pair<int, int>> bandsAndStarts;
    };
    const Case cases[] = {
        {"kept open", "", true, false, 48, 300, {{2, 1}, {1, 1}, {0, 1}, {1, 2}}},
        {"downwards", "", false, false, 30, 290, {{0, 1}, {1, 1}, {2, 1}, {3, 1}, {4, 1}}},
        {"file URL", "file://", false, false, 40, 150, {{1, 1}, {2, 1}, {0, 1}}},
        {"alternative", "", false, true, 50, 200, {{3, 1}, {1, 1}, {2, 1}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScopedValue alternative(QorSettings::get().alternativeJpeg, c.alternative);
        const std::string path = testDir() + "/b.jpg";
        writeJpeg(path, options(c.width, c.height));
        const std::string bytes = readFileBytes(path);
        const JpegReference reference = decodeJpegReference(bytes);
        ZynTransformPtr source = openByName("JpegSource", c.prefix + path, c.keepOpen);
        ASSERT_TRUE(source->status()) << source->error().message();
        const ZynResolution full{c.width, c.height};
        EXPECT_EQ(
            dynamic_cast<ZynJpegIJLImageSourceOp*>(&implementationOf(*source, full)) != nullptr,
            c.alternative);
        if (c.alternative) {
            EXPECT_TRUE(rendersLike(*source, decodeJpegReference(bytes, 2)));
        }
        if (!c.keepOpen) {
            EXPECT_EQ(openDescriptorsOn(path), 0);
        }
        for (const auto& [index, starts] : c.bandsAndStarts) {
            EXPECT_TRUE(rendersLike(*source, reference, band(index, c.width, c.height)))
                << "band " << index;
            EXPECT_EQ(implementationOf(*source, full).decoderStarts(), starts)
                << "after band " << index;
            if (!c.keepOpen) {
                EXPECT_EQ(openDescriptorsOn(path), 0);
            }
        }
    }
    // Nothing loads late, so the handler the alternative installed is never called. Its address
    // is not compared: under Wine a test program sees a stub, not the DLL's function.
    ASSERT_NE(jpdClientCallback, nullptr);
    expectZynError([&] { jpdClientCallback("libjpegalt.so"); }, 10,
                   "\nDelayed Load of the libjpegalt.so failed. Make sure the DLL is in the PATH");
}

TEST(JpegSource, ThreadsRenderAllResolutionsFromOneSource) {
    const std::string path = testDir() + "/t.jpg";
    writeJpeg(path, options(90, 170));
    const std::string bytes = readFileBytes(path);
    ZynTransformPtr source = openByName("JpegSource", path);
    std::vector<JpegReference> references;
    for (int scale = 0; scale < 4; ++scale)
        references.push_back(decodeJpegReference(bytes, 1 << scale));
    const auto failures = failuresOnThreads(4, 6, [&](int t, int round) {
        return bool(rendersLike(*source, references[(t + round) % 4]));
    });
    EXPECT_EQ(failures, std::vector<int>(4, 0));
}

TEST(JpegSource, ColorSpaceAndDctMethodAttributesSelectWhatTheDecoderDelivers) {
    struct Case {
        Coding coding;
        const char* name;
        ZynColorKind kind;
        int bands;
        int libjpegSpace;
    };
    // A space the file's coding cannot give leaves the file's own.
    const Case cases[] = {
        {Coding::YCbCr, "Lum", ZynColorKind::Lum, 1, JCS_GRAYSCALE},
        {Coding::YCbCr, "YCbCr", ZynColorKind::YCbCr, 3, JCS_YCbCr},
        // Names are found within longer ones.
        {Coding::YCbCr, "sRGBA", ZynColorKind::RGBA, 4, JCS_EXT_RGBA},
        {Coding::YCbCr, "raw", ZynColorKind::Generic, 3, JCS_YCbCr},
        {Coding::YCbCr, "CMYK", ZynColorKind::RGB, 3, JCS_RGB},
        {Coding::YCbCr, "", ZynColorKind::RGB, 3, JCS_RGB},
        {Coding::Gray, "YCbCr", ZynColorKind::Lum, 1, JCS_GRAYSCALE},
        {Coding::CMYK, "RGB", ZynColorKind::CMYK, 4, JCS_CMYK},
        {Coding::YCCK, "YCCK", ZynColorKind::CMYK, 4, JCS_YCCK},
    };
    const std::string path = testDir() + "/c.jpg";
    const ZynResolution full{40, 140};
    ZynTransformPtr source;
    std::string bytes;
    std::optional<Coding> opened;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.coding != opened) {
            opened = c.coding;
            // The YCbCr file's chroma is subsampled, so that raw samples come upsampled.
            const int sampling = c.coding == Coding::YCbCr ? 2 : 1;
            writeJpeg(path, options(40, 140, c.coding, sampling, sampling));
            bytes = readFileBytes(path);
            source = openByName("JpegSource", path);
            // A band decoded in the file's own space is cached on the way; it must not be served
            // in another.
            renderRect(*source, full, band(1, 40, 140), ZynDataType::UInt8,
                       outputOf(*source).colorSpace()->bands());
        }
        source->setAttribute<std::string>("color_space", c.name);
        ASSERT_TRUE(ZynGraph::statusOK(*source));
        EXPECT_EQ(outputOf(*source).colorSpace()->kind(), c.kind);
        EXPECT_TRUE(sameAsReference(
            renderRect(*source, full, band(0, 40, 140), ZynDataType::UInt8, c.bands),
            decodeJpegReference(bytes, 1, c.libjpegSpace)));
    }
    // The DCT method is the decoder's too.
    source->setAttributeText("dctMethod", "DCT_IFAST");
    EXPECT_TRUE(sameAsReference(renderRect(*source, full, band(0, 40, 140), ZynDataType::UInt8, 4),
                                decodeJpegReference(bytes, 1, JCS_YCCK, JDCT_IFAST)));
    expectZynError([&] { source->setAttributeText("dctMethod", "DCT_FASTEST"); }, 13,
                   "Unknown ZynDCTMethod::dctMethod");
    source->setAttribute("dctMethod", static_cast<ZynDCTMethod::dctMethod>(7));
    EXPECT_TRUE(isZynError(renderError(*source, full, band(0, 40, 140), 4), 13,
                           "Unhandled ZynDCTMethod::dctMethod value"));
}

// Every scan is a pass over the whole image: past 500 a file is refused rather than decoded.
TEST(JpegSource, ProgressiveFilesOfTooManyScansAreRefused) {
    const std::string path = testDir() + "/s.jpg";
    writeFile(path, manyScanJpegBytes(400));
    EXPECT_TRUE(
        rendersLike(*openByName("JpegSource", path), decodeJpegReference(readFileBytes(path))));
    writeFile(path, manyScanJpegBytes(600));
    const ZynError e = renderError(*openByName("JpegSource", path), {16, 16}, {0, 0, 16, 16}, 1);
    EXPECT_EQ(e.code(), 130);
    EXPECT_TRUE(e.message().ends_with("msg = JPEG file has more than 500 scans")) << e.message();
}

TEST(JpegSource, MetadataFromTheHeader) {
    const std::string dir = testDir();
    JpegFixtureOptions o = options(24, 16);
    o.densityUnit = 1;
    o.xDensity = 300;
    o.yDensity = 150;
    // Larger than one APP2 segment holds.
    for (int i = 0; i < 140000; ++i) o.iccProfile.push_back(static_cast<uint8_t>(i * 7));
    writeJpeg(dir + "/m.jpg", o);
    auto any = openByContent(dir + "/m.jpg");
    ZynGraph::ensureSetup(*any);
    const JpegReference reference = decodeJpegReference(readFileBytes(dir + "/m.jpg"));

    const std::pair<std::string, VulMetaValue> answers[] = {
        {kVulLuminQTable, reference.quantTables[0]},
        {kVulChroma2QTable, reference.quantTables[2]},
        {kVulAlphaQTable, {}},
        {kVulICCProfile, o.iccProfile},
        {kVulDisplayXResolution, 300.0},
        {kVulDisplayYResolution, 150.0},
        {kVulDisplayResolutionUnit, int64_t{1}},
        {"ImageContainer.Width", {}},
    };
    for (const auto& [key, want] : answers) EXPECT_TRUE(metadataIs(*any, key, want));

    // No JFIF segment, four components.
    writeJpeg(dir + "/k.jpg", options(8, 8, Coding::CMYK, 1, 1));
    ZynTransformPtr cmyk = openByName("JpegSource", dir + "/k.jpg");
    EXPECT_TRUE(metadataIs(*cmyk, kVulDisplayXResolution, {}));
    EXPECT_TRUE(metadataIs(*cmyk, kVulICCProfile, {}));
    VulMetaValue value;
    EXPECT_TRUE(cmyk->readMetadata(kVulAlphaQTable, value));

    const CommandResult meta = runProgram(ANYIMAGE_EXE, {"meta", dir + "/m.jpg", kVulLuminQTable});
    EXPECT_EQ(meta.status, 0) << meta.err;
    EXPECT_TRUE(meta.out.starts_with(kVulLuminQTable + ": " +
                                     std::to_string(reference.quantTables[0][0]) + " "))
        << meta.out;
}

TEST(JpegSource, RecogniserWalksMarkerSegments) {
    const auto walk = [](const std::string& bytes) {
        return ZynJpegImageSource::isJpeg(reinterpret_cast<const uint8_t*>(bytes.data()),
                                          bytes.size());
    };
    const std::string app0 =
        std::string("\xFF\xE0\x00\x10JFIF\x00\x01\x01\x00\x00\x01\x00\x01\x00\x00", 18);
    const std::string soi = "\xFF\xD8";
    // Baseline and progressive frames after segments are every fixture's.
    const std::pair<std::string, bool> walks[] = {
        {soi + app0 + "\xFF\xC3", false},
        {soi + app0, false},
        {soi + "\xFF\xD9\xFF\xC0", false},
        {soi + "\xFF\xFF\xFF\xC1", true},
        {soi + std::string("\x00\x12\x34\xFF\x00", 5) + "\xFF\xC9", true},
        {soi + std::string("\xFF\xE1\x00\x01", 4) + "\xFF\xC0", false},
        {soi + std::string("\xFF\xE1\x00\x40", 4) + "\xFF\xC0", false},
        {"\xFF\xD9\xFF\xC0", false},
    };
    for (const auto& [bytes, jpeg] : walks)
        EXPECT_EQ(walk(bytes), jpeg) << testing::PrintToString(bytes);
}

TEST(JpegSource, SetupFailures) {
    const std::string dir = testDir();
    EXPECT_TRUE(isZynError(setupError(*ZynTransformRegistry::create("JpegSource")), 130,
                           "No filename specified in ZynJpegImagesource"));

    const ZynError missing = openByName("JpegSource", dir + "/none.jpg")->error();
    EXPECT_EQ(missing.code(), 130);
    EXPECT_NE(missing.message().find("No such file"), std::string::npos);

    // A frame header claiming 12-bit samples.
    const std::string bytes = jpegBytes(options(16, 16));
    std::string twelve = bytes;
    twelve[twelve.find("\xFF\xC0") + 4] = 12;
    writeFile(dir + "/12.jpg", twelve);
    EXPECT_TRUE(isZynError(setupError(*openByContent(dir + "/12.jpg")), 135,
                           "Can only support 8 bit data"));

    // Cut inside the quantisation table segment, and a segment whose length is too small.
    const size_t table = bytes.find("\xFF\xDB");
    writeFile(dir + "/cut.jpg", bytes.substr(0, table + 30));
    std::string bogus = bytes;
    bogus[table + 2] = 0;
    bogus[table + 3] = 1;
    writeFile(dir + "/bogus.jpg", bogus);
    for (const char* name : {"/cut.jpg", "/bogus.jpg"}) {
        ZynTransformPtr source = openByName("JpegSource", dir + name);
        EXPECT_EQ(source->error().code(), 130) << name;
        EXPECT_TRUE(
            source->error().message().starts_with("Error Reading Jpeg Header, Jpeg Status = "))
            << source->error().message();
        EXPECT_NE(source->error().message().find(", msg = "), std::string::npos);
        auto byRecognition = openByContent(dir + name);
        EXPECT_FALSE(ZynGraph::statusOK(*byRecognition)) << name;
    }
}

TEST(JpegSource, DamagedDataFailsTheRequestAndTheNextRequestStartsAgain) {
    const std::string dir = testDir();
    const std::string bytes = jpegBytes(options(64, 256));
    const size_t scan = bytes.find("\xFF\xDA");
    const std::string prefix =
        "\nError reading Jpeg scanlines in ZynJpegImageSourceOpImpl::genRect(), "
        "Jpeg Status = ";
    writeFile(dir + "/truncated.jpg", bytes.substr(0, scan + (bytes.size() - scan) * 3 / 4));
    std::string corrupt = bytes;
    corrupt[scan + (bytes.size() - scan) * 3 / 4] = static_cast<char>(0xFF);
    corrupt[scan + (bytes.size() - scan) * 3 / 4 + 1] = static_cast<char>(0xD4);
    writeFile(dir + "/corrupt.jpg", corrupt);
    const JpegReference reference = decodeJpegReference(bytes);
    for (const char* name : {"/truncated.jpg", "/corrupt.jpg"}) {
        ZynTransformPtr source = openByName("JpegSource", dir + name);
        ASSERT_TRUE(source->status()) << source->error().message();
        const ZynError e = renderError(*source, {64, 256}, band(3, 64, 256), 3);
        EXPECT_EQ(e.code(), 130) << name;
        EXPECT_TRUE(e.message().starts_with(prefix)) << e.message();
        EXPECT_NE(e.message().find(", msg = "), std::string::npos) << e.message();
        // Bands passed before the failure were kept; the next one above it starts again.
        for (int starts : {1, 2}) {
            EXPECT_TRUE(rendersLike(*source, reference, band(1, 64, 256)));
            EXPECT_EQ(implementationOf(*source, {64, 256}).decoderStarts(), starts);
        }
        EXPECT_EQ(renderError(*source, {64, 256}, band(3, 64, 256), 3).code(), 130);
    }
}
