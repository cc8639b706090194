#include <gtest/gtest.h>

#include "BmpFixture.h"
#include "PpmFixture.h"
#include "SampleFileTestSupport.h"
#include "TestSupport.h"
#include "ZynDIBImageSource.h"
#include "ZynTransformRegistryEntry.h"

namespace {

ZynTransformPtr dibSource(const std::string& path) {
    auto dib = ZynTransformRegistry::create("DIBSource");
    setName(*dib, path);
    return dib;
}

void expectPicture(ZynTransform& dib, const std::vector<uint8_t>& rgb, int64_t w, int64_t h) {
    ASSERT_TRUE(ZynGraph::statusOK(dib)) << dib.error().message();
    const auto expected = [&](int64_t x, int64_t y, int b) { return rgb[(y * w + x) * 3 + b]; };
    expectSamples<uint8_t>(renderAs<uint8_t>(dib, {0, 0, w, h}, 3), expected);
    expectSamples<uint8_t>(
        renderAs<uint8_t>(dib, {w / 3, h / 4, w - w / 3, h / 2}, 3, ZynInterleave::Band), expected);
}

}  // namespace

TEST(DibSource, EveryHeaderKindAndRowOrderGivesThePicture) {
    const uint32_t w = 21, h = 300;
    const auto rgb = fixturePattern(w, h, 3);
    const auto indices = fixturePattern(w, h, 1, 3);
    const auto palette = colourPalette();
    const std::string dir = testDir();
    int n = 0;
    for (bool fileHeader : {true, false})
        for (bool core : {false, true})
            for (bool topDown : {false, true}) {
                if (core && topDown) continue;  // core headers have no sign for the height
                BmpOptions o;
                o.fileHeader = fileHeader;
                o.coreHeader = core;
                o.topDown = topDown;
                const std::string name = dir + "/v" + std::to_string(n++);
                writeBmp(name + "_24.dib", w, h, 24, rgb, {}, o);
                writeBmp(name + "_8.dib", w, h, 8, indices, palette, o);
                SCOPED_TRACE(name);
                expectPicture(*dibSource(name + "_24.dib"), rgb, w, h);
                expectPicture(*dibSource(name + "_8.dib"), expandIndices(indices, palette), w, h);
            }
}

TEST(DibSource, LayoutAndRequests) {
    const uint32_t w = 5, h = 3;
    const auto rgb = fixturePattern(w, h, 3);
    const std::string path = testDir() + "/a.dib";
    writeBmp(path, w, h, 24, rgb);
    auto source = dibSource(path);
    ASSERT_TRUE(ZynGraph::statusOK(*source));
    auto& dib = dynamic_cast<ZynDIBImageSource&>(*source);
    EXPECT_EQ(dib.rowStride(), -16);
    EXPECT_EQ(dib.firstRowOffset(), 54 + 2 * 16);
    const ZynSimpleDataOrg& org = *dib.imageOutput(0)->dataOrg();
    EXPECT_EQ(org.bandOffsets(), (std::vector<int64_t>{2, 1, 0}));

    ZynRectBuffer reversed({0, 0, w, h}, dib.imageOutput(0)->dataOrg());
    dib.genRect(reversed);
    expectSamples<uint8_t>(reversed,
                           [&](int64_t x, int64_t y, int b) { return rgb[(y * w + x) * 3 + b]; });

    ZynRectBuffer forward({0, 0, w, h},
                          std::make_shared<ZynSimpleDataOrg>(w, h, ZynDataType::UInt8, 3));
    ZynError e = thrownBy([&] { dib.genRect(forward); });
    EXPECT_EQ(e.code(), 131);
    EXPECT_EQ(e.message(), "Unexpected image buffer data organization");

    ZynRectBuffer beyond({w - 1, 0, 2, 1}, dib.imageOutput(0)->dataOrg());
    e = thrownBy([&] { dib.genRect(beyond); });
    EXPECT_EQ(e.code(), 411);
    EXPECT_EQ(e.message(), "requested (4,0) w=2, h=1 pixels from BMP image which is 5x3 pixels");
}

TEST(DibSource, HeaderErrors) {
    const std::string dir = testDir();
    const auto rgb = fixturePattern(4, 4, 3);
    BmpOptions four, rle, v5;
    four.bitCount = 4;
    rle.compression = 2;
    v5.infoSize = 124;
    struct Case {
        std::string name;
        std::string bytes;
        int code;
        std::string message;
    };
    const Case cases[] = {
        {"four", bmpBytes(4, 4, 24, rgb, {}, four), 135,
         "Unsupported BMP Format (packed) For File "},
        {"rle", bmpBytes(4, 4, 24, rgb, {}, rle), 135,
         "Unsupported BMP Format (Compressed) For File "},
        {"v5", bmpBytes(4, 4, 24, rgb, {}, v5), 134,
         "Unrecognized File Format (Not Bmp) For File "},
        {"short", bmpBytes(4, 4, 8, std::vector<uint8_t>(16, 0), colourPalette()).substr(0, 300),
         130, "Unexpected File I/O Error (Possible EOF) For File "},
        {"empty", "", 130, "Unexpected File I/O Error (Possible EOF) For File "},
    };
    for (const Case& c : cases) {
        const std::string path = dir + "/" + c.name + ".dib";
        writeFile(path, c.bytes);
        auto dib = dibSource(path);
        const ZynError e = setupError(*dib);
        EXPECT_EQ(e.code(), c.code) << c.name;
        EXPECT_EQ(e.message(), c.message + "\"" + path + "\"") << c.name;
        // The request gets the same error.
        ZynRectBuffer pixel({0, 0, 1, 1},
                            std::make_shared<ZynSimpleDataOrg>(1, 1, ZynDataType::UInt8, 3));
        EXPECT_EQ(thrownBy([&] { dynamic_cast<ZynDIBImageSource&>(*dib).genRect(pixel); }).code(),
                  c.code);
    }
    std::string zeroWidth = bmpBytes(4, 4, 24, rgb, {});
    zeroWidth[18] = '\0';
    writeFile(dir + "/zero.dib", zeroWidth);
    EXPECT_TRUE(isZynError(setupError(*dibSource(dir + "/zero.dib")), 13,
                           "image attributes not yet initialized"));

    auto missing = dibSource(dir + "/missing.dib");
    EXPECT_EQ(setupError(*missing).message(),
              "\"" + dir + "/missing.dib\" could not be opened for reading");
    auto unnamed = ZynTransformRegistry::create("DIBSource");
    EXPECT_EQ(setupError(*unnamed).message(), "No file name specified for ZynDIBImageSource");

    // Pixels cut short fail the request that reaches them.
    writeFile(dir + "/cut.dib", bmpBytes(4, 4, 24, rgb, {}).substr(0, 54 + 16 * 2));
    auto cut = dibSource(dir + "/cut.dib");
    ASSERT_TRUE(ZynGraph::statusOK(*cut));
    EXPECT_EQ(thrownBy([&] {
                  renderAs<uint8_t>(*cut, {0, 0, 4, 4}, 3);
              }).message(),
              "Unexpected file I/O error (possible EOF)");
}
