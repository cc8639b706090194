#include <gtest/gtest.h>

#include "BmpFixture.h"
#include "PpmFixture.h"
#include "SampleFileTestSupport.h"
#include "TestSupport.h"
#include "ZynBMPImageSource.h"
#include "ZynTransformRegistryEntry.h"

namespace {

std::vector<uint8_t> indexPattern(uint32_t w, uint32_t h) {
    return fixturePattern(w, h, 1, 7);
}

void expectRgb(const ZynRectBuffer& buffer, const std::vector<uint8_t>& rgb, uint32_t width) {
    expectSamples<uint8_t>(buffer, [&](int64_t x, int64_t y, int b) {
        return rgb[(static_cast<size_t>(y) * width + x) * 3 + b];
    });
}

// Rectangles over every edge and inside, in every interleave.
void expectEveryRectangle(ZynTransform& t, const std::vector<uint8_t>& samples, int64_t w,
                          int64_t h, int bands) {
    const ZynRect rects[] = {{0, 0, w, h},
                             {0, 0, 1, 1},
                             {w - 1, h - 1, 1, 1},
                             {1, 2, w - 2, h - 3},
                             {w / 2, 0, w - w / 2, h},
                             {0, h / 2, w, 1}};
    for (const ZynRect& r : rects) {
        if (r.empty()) continue;
        for (ZynInterleave in : {ZynInterleave::Pixel, ZynInterleave::Line, ZynInterleave::Band})
            expectSamples<uint8_t>(renderAs<uint8_t>(t, r, bands, in),
                                   [&](int64_t x, int64_t y, int b) {
                                       return samples[(static_cast<size_t>(y) * w + x) * bands + b];
                                   });
    }
}

}  // namespace

TEST(BmpSource, TwentyFourBitRowsOfEveryPadding) {
    for (uint32_t w : {1u, 2u, 3u, 4u, 5u, 71u}) {
        const uint32_t h = 67;
        const auto rgb = fixturePattern(w, h, 3, w);
        const std::string path = testDir() + "/c24.bmp";
        writeBmp(path, w, h, 24, rgb);
        auto any = openByContent(path);
        ASSERT_TRUE(any->status()) << any->error().message();
        EXPECT_EQ(any->transforms().at(0)->typeName(), "ZynBMPImageSource");
        EXPECT_EQ(any->imageOutput(0)->colorSpace()->kind(), ZynColorKind::RGB);
        expectEveryRectangle(*any, rgb, w, h, 3);
    }
}

TEST(BmpSource, PalettesGreyAndColour) {
    const uint32_t w = 13, h = 70;
    const auto indices = indexPattern(w, h);
    const std::string dir = testDir();

    writeBmp(dir + "/grey.bmp", w, h, 8, indices, greyPalette());
    auto grey = openByContent(dir + "/grey.bmp");
    ASSERT_TRUE(grey->status()) << grey->error().message();
    EXPECT_EQ(grey->imageOutput(0)->colorSpace()->kind(), ZynColorKind::Lum);
    EXPECT_EQ(grey->imageOutput(0)->dataOrg()->bands(), 1);
    expectEveryRectangle(*grey, indices, w, h, 1);

    // One coloured entry makes the file colour-mapped.
    auto palette = greyPalette();
    palette[200] = {200, 0, 0};
    writeBmp(dir + "/colour.bmp", w, h, 8, indices, palette);
    auto colour = openByContent(dir + "/colour.bmp");
    ASSERT_TRUE(colour->status()) << colour->error().message();
    EXPECT_EQ(colour->imageOutput(0)->colorSpace()->kind(), ZynColorKind::RGB);
    EXPECT_EQ(colour->imageOutput(0)->dataOrg()->height(), 10000 / w + 1);
    expectEveryRectangle(*colour, expandIndices(indices, palette), w, h, 3);

    // A grey palette that is not the identity ramp maps indices to its greys.
    std::vector<Rgb> inverted;
    for (int i = 0; i < 256; ++i)
        inverted.push_back({static_cast<uint8_t>(255 - i), static_cast<uint8_t>(255 - i),
                            static_cast<uint8_t>(255 - i)});
    writeBmp(dir + "/inverted.bmp", w, h, 8, indices, inverted);
    auto inv = openByContent(dir + "/inverted.bmp");
    ASSERT_TRUE(inv->status()) << inv->error().message();
    std::vector<uint8_t> greys;
    for (uint8_t i : indices) greys.push_back(static_cast<uint8_t>(255 - i));
    expectEveryRectangle(*inv, greys, w, h, 1);
}

TEST(BmpSource, ShortPalettesAndTopDownRows) {
    const uint32_t w = 6, h = 5;
    std::vector<uint8_t> indices(size_t{w} * h);
    for (size_t i = 0; i < indices.size(); ++i) indices[i] = static_cast<uint8_t>(i % 16);
    const auto palette = colourPalette(16);
    BmpOptions sixteen;
    sixteen.colorsUsed = 16;
    const std::string dir = testDir();
    writeBmp(dir + "/p16.bmp", w, h, 8, indices, palette, sixteen);
    auto any = openByContent(dir + "/p16.bmp");
    ASSERT_TRUE(any->status()) << any->error().message();
    expectRgb(renderAs<uint8_t>(*any, {0, 0, w, h}, 3), expandIndices(indices, palette), w);

    const auto rgb = fixturePattern(w, h, 3);
    BmpOptions topDown;
    topDown.topDown = true;
    writeBmp(dir + "/top.bmp", w, h, 24, rgb, {}, topDown);
    auto top = openByContent(dir + "/top.bmp");
    ASSERT_TRUE(top->status()) << top->error().message();
    expectRgb(renderAs<uint8_t>(*top, {0, 0, w, h}, 3), rgb, w);
}

TEST(BmpSource, ReaderCopiesWholeBottomUpRows) {
    const uint32_t w = 3, h = 4;
    const auto rgb = fixturePattern(w, h, 3);
    const std::string path = testDir() + "/rows.bmp";
    writeBmp(path, w, h, 24, rgb);
    auto bmp = std::make_shared<ZynBMPImageSource>(qorWiden(path), true);
    ASSERT_TRUE(ZynGraph::statusOK(*bmp)) << bmp->error().message();
    // Reading the header is part of the setup, not a change that asks for another one.
    EXPECT_FALSE(bmp->needsSetup());
    EXPECT_EQ(bmp->header().fileStride(), 12);
    EXPECT_EQ(bmp->imageOutput(0)->dataOrg()->lineStride(), 12);
    // Buffer row 0 is the file's last row; the padding after each row is skipped.
    ZynRectBuffer row({0, 0, w, 1}, bmp->imageOutput(0)->dataOrg());
    bmp->genRect(row);
    expectRgb(row, rgb, w);
    // Rows are copied from their first pixel, so a buffer that starts further right is refused.
    ZynRectBuffer partial({1, 0, 2, 1}, bmp->imageOutput(0)->dataOrg());
    EXPECT_FALSE(bmp->canFill(partial));
    EXPECT_EQ(thrownBy([&] { bmp->genRect(partial); }).code(), 3);
}

TEST(BmpSource, HeaderErrors) {
    const std::string dir = testDir();
    const auto rgb = fixturePattern(4, 4, 3);
    const std::vector<uint8_t> indices(16, 1);
    struct Case {
        std::string name;
        std::string bytes;
        std::string message;
    };
    BmpOptions v4, rle, four, sixteen, planes, wide;
    v4.infoSize = 108;
    rle.compression = 1;
    four.bitCount = 4;
    sixteen.bitCount = 16;
    planes.planes = 2;
    std::string hugeWidth = bmpBytes(4, 4, 24, rgb, {});
    hugeWidth[18] = hugeWidth[19] = hugeWidth[20] = '\x7F';
    const std::string shortPalette =
        bmpBytes(4, 4, 8, indices, colourPalette()).substr(0, 54 + 1000);
    const Case cases[] = {
        {"v4", bmpBytes(4, 4, 24, rgb, {}, v4), "File is not a Windows 3.x bmp image"},
        {"rle", bmpBytes(4, 4, 8, indices, colourPalette(), rle),
         "Compressed bmp files are not supported"},
        {"four", bmpBytes(4, 4, 8, indices, colourPalette(), four),
         "Only 8 and 24 bit bmp images are supported"},
        {"sixteen", bmpBytes(4, 4, 24, rgb, {}, sixteen),
         "Only 8 and 24 bit bmp images are supported"},
        {"planes", bmpBytes(4, 4, 24, rgb, {}, planes), "Image file has more than one color plane"},
        {"palette", shortPalette, "unable to read pallete from header"},
        {"header", bmpBytes(4, 4, 24, rgb, {}).substr(0, 40), "Unable to read bmp header"},
        {"wide", hugeWidth,
         "Lines of 25067136 bytes are longer than the file \"" + dir + "/wide.bmp\" of 102 bytes"},
    };
    for (const Case& c : cases) {
        const std::string path = dir + "/" + c.name + ".bmp";
        writeFile(path, c.bytes);
        auto any = openByContent(path);
        EXPECT_EQ(any->error().code(), 130) << c.name;
        EXPECT_EQ(any->error().message(), c.message) << c.name;
    }
    // Created by name, a file that is no bitmap is refused by the source.
    writeFile(dir + "/not.bmp", "PK not a bitmap at all");
    auto bmp = ZynTransformRegistry::create("BMPSource");
    setName(*bmp, dir + "/not.bmp");
    EXPECT_EQ(setupError(*bmp).message(), "File not a BMP image: \"" + dir + "/not.bmp\"");
    ZynBMPHeader header;
    FILE* file = std::fopen((dir + "/not.bmp").c_str(), "rb");
    ASSERT_TRUE(file);
    EXPECT_EQ(thrownBy([&] { header.read(file); }).message(), "File is not a valid bmp image");
    std::fclose(file);
}

TEST(BmpSource, TruncatedPixelsFailTheRequest) {
    const std::string dir = testDir();
    const auto rgb = fixturePattern(8, 8, 3);
    writeFile(dir + "/cut.bmp", bmpBytes(8, 8, 24, rgb, {}).substr(0, 54 + 24 * 5));
    BmpOptions past;
    past.dataOffset = 100000;
    writeFile(dir + "/past.bmp", bmpBytes(8, 8, 24, rgb, {}, past).substr(0, 54 + 24 * 8));
    for (const char* name : {"/cut.bmp", "/past.bmp"}) {
        auto any = openByContent(dir + name);
        ASSERT_TRUE(any->status()) << any->error().message();
        const ZynError e = thrownBy([&] { renderAs<uint8_t>(*any, {0, 0, 8, 8}, 3); });
        EXPECT_EQ(e.code(), 130);
        EXPECT_EQ(e.message(), "Unable to read line from file");
    }
}
