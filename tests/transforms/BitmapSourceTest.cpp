#include <gtest/gtest.h>

#include "BmpFixture.h"
#include "PpmFixture.h"
#include "SampleFileTestSupport.h"
#include "ZynBMPImageSource.h"
#include "ZynDIBImageSource.h"

TEST(BmpSource, ReaderCopiesWholeBottomUpRows) {
    const uint32_t w = 3, h = 4;
    const auto rgb = fixturePattern(w, h, 3);
    const std::string dir = testDir(), path = dir + "/rows.bmp";
    writeBmp(path, w, h, 24, rgb);
    auto bmp = std::make_shared<ZynBMPImageSource>(qorWiden(path), true);
    ASSERT_TRUE(ZynGraph::statusOK(*bmp)) << bmp->error().message();
    // Reading the header is part of the setup, not a change that asks for another one.
    EXPECT_FALSE(bmp->needsSetup());
    // Buffer row 0 is the file's last row; the padding after each row is skipped.
    ZynRectBuffer row({0, 0, w, 1}, bmp->imageOutput(0)->dataOrg());
    bmp->genRect(row);
    EXPECT_TRUE(samplesMatch(row, rgb, w));
    // Rows are copied from their first pixel, so a buffer that starts further right is refused.
    ZynRectBuffer partial({1, 0, 2, 1}, bmp->imageOutput(0)->dataOrg());
    EXPECT_FALSE(bmp->canFill(partial));
    EXPECT_EQ(errorOf([&] { bmp->genRect(partial); }).code(), 3);

    writeFile(dir + "/not.bmp", "PK not a bitmap at all");
    ZynBMPHeader header;
    FILE* file = std::fopen((dir + "/not.bmp").c_str(), "rb");
    ASSERT_TRUE(file);
    EXPECT_EQ(errorOf([&] { header.read(file); }).message(), "File is not a valid bmp image");
    std::fclose(file);
}

// Its own layout is the file's: rows bottom up, blue first.
TEST(DibSource, FillsOnlyBuffersOfItsOwnLayout) {
    const uint32_t w = 5, h = 3;
    const auto rgb = fixturePattern(w, h, 3);
    const std::string path = testDir() + "/a.dib";
    writeBmp(path, w, h, 24, rgb);
    auto source = sourceOf(path, "DIBSource");
    ASSERT_TRUE(ZynGraph::statusOK(*source));
    auto& dib = dynamic_cast<ZynDIBImageSource&>(*source);
    ZynRectBuffer reversed({0, 0, w, h}, dib.imageOutput(0)->dataOrg());
    dib.genRect(reversed);
    EXPECT_TRUE(samplesMatch(reversed, rgb, w));

    ZynRectBuffer forward({0, 0, w, h},
                          std::make_shared<ZynSimpleDataOrg>(w, h, ZynDataType::UInt8, 3));
    EXPECT_TRUE(isZynError(errorOf([&] { dib.genRect(forward); }), 131,
                           "Unexpected image buffer data organization"));
}
