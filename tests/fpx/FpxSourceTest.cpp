#include <gtest/gtest.h>

#include <filesystem>

#include "FpxFixture.h"
#include "PpmFixture.h"
#include "QorString.h"
#include "TestSupport.h"
#include "ZynFpxImageSourceBasic.h"
#include "ZynGraph.h"

namespace {

std::shared_ptr<ZynFpxImageSourceBasic> openBasic(const std::string& path, bool keepOpen = true) {
    auto source = std::make_shared<ZynFpxImageSourceBasic>(qorWiden(path), keepOpen);
    ZynGraph::ensureSetup(*source);
    return source;
}

}  // namespace

TEST(FpxSource, RendersEveryResolutionInAnyLayout) {
    FpxFixtureSpec recipe;
    recipe.width = 250;
    recipe.height = 130;
    recipe.tiles = FpxFixtureTiles::JpegSharedTables;
    const std::string path = testDir() + "/a.fpx";
    const FpxFixture fixture = writeFpx(path, recipe);
    auto source = openBasic(path);
    ASSERT_TRUE(source->status()) << source->error().message();

    const ZynImageOutputCP* out = source->imageOutput(0);
    EXPECT_EQ(out->coordSpace()->resolutions(),
              (std::vector<ZynResolution>{{250, 130}, {125, 65}, {63, 33}}));
    EXPECT_DOUBLE_EQ(out->coordSpace()->width().value, 250.0 / 130);
    EXPECT_EQ(out->coordSpace()->width().unit, ZynUnit::Arbitrary);
    EXPECT_EQ(out->coordSpace()->height().value, 1.0);
    EXPECT_EQ(out->colorSpace()->kind(), ZynColorKind::FpxRGB);
    EXPECT_EQ(out->dataOrg()->width(), 250u);
    EXPECT_EQ(out->dataOrg()->bands(), 3);

    for (int level = 0; level < 3; ++level) {
        SCOPED_TRACE(level);
        const FpxFixtureLevel& l = fixture.levels[level];
        const std::vector<uint8_t> want = expectedFpxPixels(fixture, recipe, level);
        const ZynResolution r{l.width, l.height};
        EXPECT_TRUE(
            samplesMatch(renderRect(*source, r, {0, 0, l.width, l.height}, ZynDataType::UInt8, 3),
                         want, l.width));
        EXPECT_TRUE(samplesMatch(renderRect(*source, r, {7, 3, l.width - 20, l.height - 5},
                                            ZynDataType::UInt8, 3, ZynInterleave::Band),
                                 want, l.width));
        EXPECT_TRUE(samplesMatch(renderRect(*source, r, {l.width - 9, l.height - 2, 9, 2},
                                            ZynDataType::UInt8, 3, ZynInterleave::Line),
                                 want, l.width));
    }
}

TEST(FpxSource, ColourSpacesFollowTheFile) {
    struct Case {
        FpxFixtureColor color;
        ZynColorKind kind;
        int bands;
        uint32_t pixelFormat;
    };
    const Case cases[] = {
        {FpxFixtureColor::PhotoYcc, ZynColorKind::FpxYCC, 3, 0x20000102},
        {FpxFixtureColor::PhotoYccAlpha, ZynColorKind::FpxYCCA, 4, 0x20017FFE},
        {FpxFixtureColor::Rgb, ZynColorKind::FpxRGB, 3, 0x30000102},
        {FpxFixtureColor::RgbAlpha, ZynColorKind::FpxRGBA, 4, 0x30017FFE},
        {FpxFixtureColor::Monochrome, ZynColorKind::FpxLum, 1, 0x10000000},
        {FpxFixtureColor::MonochromeAlpha, ZynColorKind::FpxLumA, 2, 0x10007FFE},
    };
    const std::string dir = testDir();
    for (const Case& c : cases) {
        FpxFixtureSpec recipe;
        recipe.color = c.color;
        recipe.tiles = FpxFixtureTiles::SingleColor;
        const std::string path = dir + "/c" + std::to_string(static_cast<int>(c.color)) + ".fpx";
        const FpxFixture fixture = writeFpx(path, recipe);
        auto source = openBasic(path);
        ASSERT_TRUE(source->status()) << source->error().message();
        const ZynImageOutputCP* out = source->imageOutput(0);
        EXPECT_EQ(out->colorSpace()->kind(), c.kind);
        EXPECT_EQ(out->colorSpace()->bands(), c.bands);
        EXPECT_EQ(out->colorSpace()->maximum(), 255.0);
        EXPECT_EQ(source->op()->pixelFormat(), c.pixelFormat);
        EXPECT_EQ(source->op()->hasAlpha(), c.bands == 4 || c.bands == 2);
        EXPECT_TRUE(samplesMatch(
            renderRect(*source, {100, 70}, {0, 0, 100, 70}, ZynDataType::UInt8, c.bands),
            fixture.levels[0].pixels, 100));
    }

    // Spaces the source has no channel description for.
    for (FpxFixtureColor color : {FpxFixtureColor::YCbCr, FpxFixtureColor::Colorless}) {
        FpxFixtureSpec recipe;
        recipe.color = color;
        writeFpx(dir + "/other.fpx", recipe);
        auto source = openBasic(dir + "/other.fpx");
        EXPECT_FALSE(source->status());
        EXPECT_EQ(source->error().code(), 9);
        EXPECT_EQ(source->error().message(), "The file ColorSpace is not yet supported.");
    }
}

TEST(FpxSource, OpenAndReadFailuresCarryTheirMessages) {
    const std::string dir = testDir();
    auto missing = openBasic(dir + "/missing.fpx");
    EXPECT_EQ(missing->error().code(), 130);
    EXPECT_EQ(missing->error().message(),
              "FPX open failed for " + dir +
                  "/missing.fpx (nuve lib error 2), Invalid or not found file ");
    EXPECT_EQ(missing->op()->osErrorNumber(), ENOENT);

    CompoundFileWriter view;
    view.setRootClassId(flashPixClassId(0x56616700));
    view.addStream("\005Global Info", PropertySetWriter().build(flashPixClassId(0x56616F00)));
    writeFile(dir + "/view.fpx", view.build());
    auto viewOnly = openBasic(dir + "/view.fpx");
    EXPECT_EQ(viewOnly->error().message(),
              "FPX open failed for " + dir +
                  "/view.fpx (nuve lib error 10220--Wrong file type), Probably a non-image view "
                  "file created by pre ZynV2.4 software");
    EXPECT_EQ(viewOnly->op()->osErrorNumber(), 0);

    // A tile whose table entry points outside its stream fails the request that needs it.
    FpxFixtureSpec recipe;
    const FpxFixture fixture = writeFpx(dir + "/tile.fpx", recipe);
    std::string bytes = readFileBytes(dir + "/tile.fpx");
    patchU32(
        bytes,
        fixture.layout.streams.at(FpxFixture::levelPath(1) + "/Subimage 0000 Header") + 64 + 16,
        0xFFFFFF00);
    writeFile(dir + "/tile.fpx", bytes);
    auto damaged = openBasic(dir + "/tile.fpx");
    ASSERT_TRUE(damaged->status());
    renderRect(*damaged, {100, 70}, {0, 0, 64, 64}, ZynDataType::UInt8, 3);
    expectZynError(
        [&] {
            renderRect(*damaged, {100, 70}, {60, 10, 10, 10}, ZynDataType::UInt8, 3);
        },
        130, "Couldn't read image resolution 0for region (60,10) (69,19)");
}

TEST(FpxSource, DamagedReducedLevelsAreLeftOutOfTheResolutions) {
    FpxFixtureSpec recipe;
    recipe.width = 250;
    recipe.height = 130;
    const std::string path = testDir() + "/l.fpx";
    const FpxFixture fixture = writeFpx(path, recipe);
    std::string bytes = readFileBytes(path);
    patchU32(bytes,
             fixture.layout.streams.at(FpxFixture::levelPath(1) + "/Subimage 0000 Header") + 52, 4);
    writeFile(path, bytes);
    auto source = openBasic(path);
    ASSERT_TRUE(source->status()) << source->error().message();
    EXPECT_EQ(source->imageOutput(0)->coordSpace()->resolutions(),
              (std::vector<ZynResolution>{{250, 130}, {63, 33}}));
    EXPECT_TRUE(samplesMatch(renderRect(*source, {63, 33}, {0, 0, 63, 33}, ZynDataType::UInt8, 3),
                             fixture.levels[2].pixels, 63));
}

// Without keep_open the file is closed after setup and after each pass, so a file removed in
// between can no longer be read; with it the open file still serves.
TEST(FpxSource, KeepOpenHoldsTheFileBetweenPasses) {
    const std::string dir = testDir();
    FpxFixtureSpec recipe;
    const FpxFixture fixture = writeFpx(dir + "/k.fpx", recipe);
    std::filesystem::copy_file(dir + "/k.fpx", dir + "/c.fpx");
    auto kept = openBasic(dir + "/k.fpx", true);
    auto closed = openBasic(dir + "/c.fpx", false);
    renderRect(*kept, {100, 70}, {0, 0, 10, 10}, ZynDataType::UInt8, 3);
    renderRect(*closed, {100, 70}, {0, 0, 10, 10}, ZynDataType::UInt8, 3);
    std::filesystem::remove(dir + "/k.fpx");
    std::filesystem::remove(dir + "/c.fpx");
    EXPECT_TRUE(samplesMatch(renderRect(*kept, {100, 70}, {0, 0, 100, 70}, ZynDataType::UInt8, 3),
                             fixture.levels[0].pixels, 100));
    EXPECT_THROW(renderRect(*closed, {100, 70}, {0, 0, 10, 10}, ZynDataType::UInt8, 3), ZynError);

    // Changing the file name drops the image; the next setup reads the new file.
    FpxFixtureSpec other;
    other.width = 40;
    other.height = 30;
    writeFpx(dir + "/n.fpx", other);
    closed->setFileName(qorWiden(dir + "/n.fpx"));
    ASSERT_TRUE(ZynGraph::statusOK(*closed));
    EXPECT_EQ(closed->imageOutput(0)->coordSpace()->resolutions(),
              (std::vector<ZynResolution>{{40, 30}}));
}

TEST(FpxSource, ConcurrentRequestsShareTheFile) {
    FpxFixtureSpec recipe;
    recipe.width = 400;
    recipe.height = 300;
    recipe.tiles = FpxFixtureTiles::Jpeg;
    const std::string path = testDir() + "/t.fpx";
    const FpxFixture fixture = writeFpx(path, recipe);
    const std::vector<uint8_t> want = expectedFpxPixels(fixture, recipe, 0);
    auto source = openBasic(path, false);
    const auto failures = failuresOnThreads(4, 5, [&](int t, int i) {
        return bool(samplesMatch(
            renderRect(*source, {400, 300}, {t * 50 + i, 30 * i, 130, 70}, ZynDataType::UInt8, 3),
            want, 400));
    });
    EXPECT_EQ(failures, std::vector<int>(4, 0));
}
