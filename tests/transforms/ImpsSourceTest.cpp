#include <gtest/gtest.h>

#include "ImpsFixture.h"
#include "PpmFixture.h"
#include "SampleFileTestSupport.h"
#include "TestSupport.h"
#include "ZynIMPSImageSource.h"
#include "ZynTransformRegistryEntry.h"

namespace {

ZynTransformPtr impsSource(const std::string& path) {
    auto imps = ZynTransformRegistry::create("IMPSSource");
    setName(*imps, path);
    imps->setAttribute<bool>("keep_open", false);
    return imps;
}

std::vector<uint32_t> samplesOf(size_t count, uint32_t mask, uint32_t seed = 1) {
    std::vector<uint32_t> samples(count);
    uint32_t state = seed;
    for (auto& s : samples) {
        state = state * 1103515245u + 12345u;
        s = (state >> 7) & mask;
    }
    return samples;
}

}  // namespace

TEST(ImpsSource, LuminanceFileOfTheDocFileSize) {
    const std::string dir = testDir();
    ImpsSet set;
    set.width = 512;
    set.height = 480;
    const auto samples = samplesOf(512 * 480, 0xFF);
    writeImpsSet(dir, "moon", ImpsKind::Lum, set, samples);
    for (const char* name : {"/moon.lum", "/moon.doc", "/moon"}) {
        auto any = openByContent(dir + name);
        ASSERT_TRUE(any->status()) << name << ": " << any->error().message();
        EXPECT_EQ(any->transforms().at(0)->typeName(), "ZynIMPSImageSource");
        const ZynImageOutputCP& out = *any->imageOutput(0);
        EXPECT_EQ(out.coordSpace()->resolutions(), (std::vector<ZynResolution>{{512, 480}}));
        EXPECT_EQ(out.colorSpace()->kind(), ZynColorKind::Lum);
        EXPECT_EQ(out.dataOrg()->bands(), 1);
        EXPECT_EQ(out.dataOrg()->dataType(), ZynDataType::UInt8);
        expectSamples<uint8_t>(renderAs<uint8_t>(*any, {100, 90, 300, 200}, 1),
                               [&](int64_t x, int64_t y, int) { return samples[y * 512 + x]; });
    }
}

TEST(ImpsSource, ColourSetsOfEachKind) {
    const std::string dir = testDir();
    ImpsSet set;
    set.width = 33;
    set.height = 70;
    set.bytesPerPixel = 2;
    set.byteOrder = "sun";
    set.bigEndian = true;
    set.extraDoc = "16 = BITS_PER_PIXEL\n";
    const auto samples = samplesOf(33 * 70 * 3, 0xFFFF);
    const auto expected = [&](int64_t x, int64_t y, int b) {
        return static_cast<uint16_t>(samples[(y * 33 + x) * 3 + b]);
    };
    writeImpsSet(dir, "rgbset", ImpsKind::Rgb, set, samples);
    writeImpsSet(dir, "bands", ImpsKind::Bands, set, samples);
    for (const char* name : {"/rgbset.rgb", "/rgbset.doc", "/bands.doc"}) {
        SCOPED_TRACE(name);
        auto imps = impsSource(dir + name);
        ASSERT_TRUE(ZynGraph::statusOK(*imps)) << imps->error().message();
        EXPECT_EQ(imps->imageOutput(0)->colorSpace()->kind(), ZynColorKind::RGB);
        EXPECT_EQ(imps->imageOutput(0)->colorSpace()->maximum(), 65535.0);
        for (ZynInterleave in : {ZynInterleave::Pixel, ZynInterleave::Band}) {
            expectSamples<uint16_t>(renderAs<uint16_t>(*imps, {0, 0, 33, 70}, 3, in), expected);
            expectSamples<uint16_t>(renderAs<uint16_t>(*imps, {4, 9, 20, 50}, 3, in), expected);
        }
    }
    // One band file of the three is a luminance image of that band.
    auto green = impsSource(dir + "/bands.grn");
    ASSERT_TRUE(ZynGraph::statusOK(*green)) << green->error().message();
    EXPECT_EQ(green->imageOutput(0)->colorSpace()->kind(), ZynColorKind::Lum);
    expectSamples<uint16_t>(renderAs<uint16_t>(*green, {0, 0, 33, 70}, 1),
                            [&](int64_t x, int64_t y, int) { return expected(x, y, 1); });
}

TEST(ImpsSource, ByteOrderAndSignedness) {
    const std::string dir = testDir();
    const auto samples = samplesOf(8 * 5, 0x0FFF);
    struct Case {
        std::string order;
        bool big;
        std::string extra;
        ZynDataType type;
    };
    const Case cases[] = {
        {"Intel", false, "", ZynDataType::Int16},
        {"s", true, "", ZynDataType::Int16},
        {"DEC", false, "12 = SIGNIFICANT_BITS\n0 = SIGNED\n", ZynDataType::UInt16},
        {"", false, "1 = SIGNED\n", ZynDataType::Int16},
    };
    for (const Case& c : cases) {
        ImpsSet set;
        set.width = 8;
        set.height = 5;
        set.bytesPerPixel = 2;
        set.byteOrder = c.order;
        set.bigEndian = c.big;
        set.extraDoc = c.extra;
        writeImpsSet(dir, "o", ImpsKind::Img, set, samples);
        auto imps = impsSource(dir + "/o.img");
        ASSERT_TRUE(ZynGraph::statusOK(*imps)) << imps->error().message();
        EXPECT_EQ(imps->imageOutput(0)->dataOrg()->dataType(), c.type) << c.order;
        EXPECT_EQ(imps->imageOutput(0)->colorSpace()->maximum(), 4095.0);
        const ZynRectBuffer b = c.type == ZynDataType::Int16
                                    ? renderAs<int16_t>(*imps, {0, 0, 8, 5}, 1)
                                    : renderAs<uint16_t>(*imps, {0, 0, 8, 5}, 1);
        for (int i = 0; i < 40; ++i)
            ASSERT_EQ(*b.sample<uint16_t>(i % 8, i / 8), samples[i]) << c.order << " at " << i;
    }
}

TEST(ImpsSource, DocumentationAttributeHoldsTheWholeDocFile) {
    const std::string dir = testDir();
    ImpsSet set;
    set.width = 4;
    set.height = 2;
    set.extraDoc = "\nTaken at the observatory.\n7 = PIXELS\n";
    writeImpsSet(dir, "doc", ImpsKind::Lum, set, samplesOf(8, 0xFF));
    auto imps = impsSource(dir + "/doc.lum");
    ASSERT_TRUE(ZynGraph::statusOK(*imps)) << imps->error().message();
    EXPECT_FALSE(imps->needsSetup());
    EXPECT_EQ(imps->getAttribute<std::string>("Documentation"),
              "Info From Doc File: " + dir + "/doc.doc\n" + readFileBytes(dir + "/doc.doc"));
    // Field reading ended at the line without '='; the later PIXELS line is only text.
    EXPECT_EQ(imps->imageOutput(0)->coordSpace()->resolutions().at(0).width, 4u);
}

TEST(ImpsSource, DocFileErrors) {
    const std::string dir = testDir();
    const std::string base = docLine(4, "PIXELS") + docLine(2, "LINES");
    struct Case {
        std::string doc;
        std::string message;
    };
    const Case cases[] = {
        {docLine(4, "PIXELS") + docLine(1, "BYTES_PER_PIXEL"),
         "Error in Doc file. Needed fields missing"},
        {"x = PIXELS\n", "Error in Doc file, PIXELS field."},
        {base + "x = NUMLINES\n", "Error in Doc file. Needed fields missing"},
        {base + docLine(1, "BYTES_PER_PIXEL") + "Q = BYTE_ORDER\n",
         "Error in Doc file, BYTE_ORDER field."},
        {base + docLine(1, "BYTES_PER_PIXEL") + "abc = MAX_VALUE\n",
         "Error in Doc file, MAX_VALUE field."},
        {base + docLine(1, "BYTES_PER_PIXEL") + "99999999999 = SIGNED\n",
         "Error in Doc file, SIGNED field."},
        {docLine(-4, "PIXELS") + docLine(2, "LINES") + docLine(1, "BYTES_PER_PIXEL"),
         "Unexpected negative PIXELS value in header"},
        {base + docLine(3, "BYTES_PER_PIXEL"), "Unable to make sense of dataSize"},
        {base + docLine(1, "BYTES_PER_PIXEL") + docLine(9, "BITS_PER_PIXEL"),
         "Unexpected value for BITS_PER_PIXEL in header"},
        {base + docLine(4, "BYTES_PER_PIXEL") + docLine(32, "BITS_PER_PIXEL"),
         "Current implementation requires BITS_PER_PIXEL < 32"},
        {base + docLine(2, "BYTES_PER_PIXEL") + docLine(40, "SIGNIFICANT_BITS"),
         "Unexpected value for SIGNIFICANT_BITS in header"},
        {base + docLine(1, "BYTES_PER_PIXEL") + docLine(2, "NUM_COLORS"),
         "Unsupported number of bands indicated by Doc file."},
        {base + docLine(1, "BYTES_PER_PIXEL") + docLine(3, "NUM_COLORS"),
         "Doc file reality mismatch (rgb/red,grn,blu)"},
    };
    writeFile(dir + "/e.lum", std::string(64, 'x'));
    int n = 0;
    for (const Case& c : cases) {
        writeFile(dir + "/e.doc", c.doc);
        // Through the doc file's name so that NUM_COLORS decides the set.
        auto imps = impsSource(dir + (n++ < 11 ? "/e.lum" : "/e.doc"));
        const ZynError e = setupError(*imps);
        EXPECT_EQ(e.code(), 130) << c.doc;
        EXPECT_EQ(e.message(), "ZynIMPSHeader::parseDocFile" + c.message) << c.doc;
    }
    std::remove((dir + "/e.lum").c_str());
    writeFile(dir + "/e.doc", base + docLine(1, "BYTES_PER_PIXEL") + docLine(1, "NUM_COLORS"));
    EXPECT_EQ(setupError(*impsSource(dir + "/e.doc")).message(),
              "ZynIMPSHeader::parseDocFileDoc file reality mismatch (looking for .lum/.img).");
    writeFile(dir + "/e.doc", base + docLine(1, "BYTES_PER_PIXEL"));
    EXPECT_EQ(setupError(*impsSource(dir + "/e.doc")).message(),
              "ZynIMPSHeader::parseDocFileDoc file reality mismatch (nothing makes sense).");
}

TEST(ImpsSource, MissingAndAbsurdFileSets) {
    const std::string dir = testDir();
    writeFile(dir + "/lone.lum", std::string(16, 'x'));
    EXPECT_TRUE(isZynError(setupError(*impsSource(dir + "/lone.lum")), 130,
                           "Unable to open file \"" + dir + "/lone.doc\": file not found"));
    ZynIMPSHeader header;
    ZynError e = thrownBy([&] { header.setFile(dir + "/lone.lum"); });
    EXPECT_EQ(e.message(), "ZynIMPSHeader::setFileUnable to open the image 'doc' file: " + dir +
                               "/lone.doc with read permission.");
    // Without a doc file the recogniser does not claim the file.
    EXPECT_EQ(openByContent(dir + "/lone.lum")->error().message(),
              "Failed to open the given file: " + dir + "/lone.lum");

    writeFile(dir + "/gone.doc",
              docLine(2, "PIXELS") + docLine(2, "LINES") + docLine(1, "BYTES_PER_PIXEL"));
    e = setupError(*impsSource(dir + "/gone.red"));
    EXPECT_EQ(e.message(),
              "Unable to open the file(s): \n" + dir + "/gone.red\n with write permission");

    writeFile(dir + "/huge.doc", docLine(2147483647, "PIXELS") + docLine(2147483647, "LINES") +
                                     docLine(4, "BYTES_PER_PIXEL"));
    writeFile(dir + "/huge.lum", std::string(100, 'x'));
    e = setupError(*impsSource(dir + "/huge.lum"));
    EXPECT_EQ(e.message(), "File \"" + dir +
                               "/huge.lum\": lines of 8589934588 bytes are longer than \"" + dir +
                               "/huge.lum\"");
    writeFile(dir + "/zero.doc",
              docLine(0, "PIXELS") + docLine(2, "LINES") + docLine(1, "BYTES_PER_PIXEL"));
    writeFile(dir + "/zero.lum", "");
    EXPECT_EQ(setupError(*impsSource(dir + "/zero.lum")).message(),
              "File \"" + dir + "/zero.lum\": the width and height must be nonzero");

    // Data cut short fails the request.
    writeFile(dir + "/cut.doc",
              docLine(4, "PIXELS") + docLine(4, "LINES") + docLine(1, "BYTES_PER_PIXEL"));
    writeFile(dir + "/cut.lum", std::string(10, 'x'));
    auto cut = impsSource(dir + "/cut.lum");
    ASSERT_TRUE(ZynGraph::statusOK(*cut)) << cut->error().message();
    e = thrownBy([&] { renderAs<uint8_t>(*cut, {0, 0, 4, 4}, 1); });
    EXPECT_EQ(e.message(), "IMPS Source: Unable to read image, lines: 0 -> 3");
    std::remove((dir + "/cut.lum").c_str());
    e = thrownBy([&] { renderAs<uint8_t>(*cut, {0, 0, 4, 1}, 1); });
    EXPECT_EQ(e.code(), 130);
    EXPECT_EQ(e.message(), "could not open files");
}
