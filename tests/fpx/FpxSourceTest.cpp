#include <gtest/gtest.h>

#include <cmath>
#include <map>

#include "../jpeg/JpegTestSupport.h"
#include "FpxFixture.h"
#include "PpmFixture.h"
#include "QorString.h"
#include "TestSupport.h"
#include "ZynAffineOperation.h"
#include "ZynAnyImageSource.h"
#include "ZynContrastOperation.h"
#include "ZynFpxImageSource.h"
#include "ZynFpxImageSourceBasic.h"
#include "ZynFpxViewOperation.h"
#include "ZynGraph.h"
#include "ZynMatrix.h"
#include "ZynTransformRegistryEntry.h"

namespace {

std::shared_ptr<ZynFpxImageSourceBasic> openBasic(const std::string& path, bool keepOpen = true) {
    auto source = std::make_shared<ZynFpxImageSourceBasic>(qorWiden(path), keepOpen);
    ZynGraph::ensureSetup(*source);
    return source;
}

std::shared_ptr<ZynFpxImageSource> openAggregate(const std::string& path,
                                                 const char* alpha = nullptr) {
    auto source = std::make_shared<ZynFpxImageSource>(qorWiden(path), true);
    if (alpha) source->setAttributeText("alphaChannel", alpha);
    ZynGraph::ensureSetup(*source);
    return source;
}

using Color = FpxFixtureColor;
using Tiles = FpxFixtureTiles;
using Zyn = ZynColorKind;

struct Kind {
    const char* name;
    Color color;
    Tiles tiles;
    ZynColorKind kind;
    uint32_t pixelFormat;
    bool subsampled = false;
};

class FpxSourceKinds : public ::testing::TestWithParam<Kind> {};

// The stages the view operation chained, by label.
std::vector<std::string> viewChain(const ZynFpxImageSource& source) {
    std::vector<std::string> labels;
    for (const auto& stage : source.viewOperation()->chain()) labels.push_back(stage->label());
    return labels;
}

}  // namespace

// Taken by content, under a name that says nothing of the format.
TEST(FpxSource, OpensByContentAndRendersEveryResolutionInAnyLayout) {
    FpxFixtureRecipe recipe{
        .width = 250, .height = 130, .tiles = FpxFixtureTiles::JpegSharedTables};
    const std::string path = testDir() + "/a.bin";
    const FpxFixture fixture = writeFpx(path, recipe);
    auto any = openByContent(path);
    ASSERT_TRUE(any->status()) << any->error().message();
    ASSERT_EQ(any->transforms().size(), 1u);
    EXPECT_EQ(any->transforms()[0]->typeName(), "ZynFpxImageSource");
    const ZynImageOutputCP* out = any->imageOutput(0);
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
        EXPECT_TRUE(samplesMatch(
            renderRect(*any, r, {0, 0, l.width, l.height}, ZynDataType::UInt8, 3), want, l.width));
        EXPECT_TRUE(samplesMatch(renderRect(*any, r, {7, 3, l.width - 20, l.height - 5},
                                            ZynDataType::UInt8, 3, ZynInterleave::Band),
                                 want, l.width));
        EXPECT_TRUE(samplesMatch(renderRect(*any, r, {l.width - 9, l.height - 2, 9, 2},
                                            ZynDataType::UInt8, 3, ZynInterleave::Line),
                                 want, l.width));
    }
}

// Every level of every kind of file: exact where the tiles are exact, libjpeg-turbo's own decode
// of the written tile data where they are JPEG (and close to what the encoder was given).
TEST_P(FpxSourceKinds, EveryLevelMatchesWhatTheEncoderWasGiven) {
    const Kind& c = GetParam();
    FpxFixtureRecipe recipe{.width = 120,
                            .height = 100,
                            .color = c.color,
                            .tiles = c.tiles,
                            .jpegSubsampled = c.subsampled};
    const std::string path = testDir() + "/image.fpx";
    const FpxFixture fixture = writeFpx(path, recipe);
    auto source = openBasic(path);
    ASSERT_TRUE(source->status()) << source->error().message();
    const ZynImageOutputCP* out = source->imageOutput(0);
    EXPECT_EQ(out->colorSpace()->kind(), c.kind);
    EXPECT_EQ(out->colorSpace()->bands(), fixture.channels);
    EXPECT_EQ(out->colorSpace()->maximum(), 255.0);
    EXPECT_EQ(source->op()->pixelFormat(), c.pixelFormat);
    ASSERT_EQ(out->coordSpace()->resolutions(), (std::vector<ZynResolution>{{120, 100}, {60, 50}}));
    const bool jpeg = c.tiles == Tiles::Jpeg || c.tiles == Tiles::JpegSharedTables;
    for (int level = 0; level < 2; ++level) {
        SCOPED_TRACE(level);
        const FpxFixtureLevel& l = fixture.levels[level];
        const ZynRectBuffer got =
            renderRect(*source, {l.width, l.height}, {0, 0, l.width, l.height}, ZynDataType::UInt8);
        EXPECT_TRUE(
            samplesMatch(got, expectedFpxPixels(fixture, recipe, level), l.width, jpeg ? 1 : 0));
        // Subsampled chroma loses much of the fixture's fine noise.
        if (jpeg) {
            EXPECT_LT(meanDifference(got, l.pixels, l.width), c.subsampled ? 16.0 : 8.0);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, FpxSourceKinds,
    ::testing::Values(
        Kind{"RgbJpeg", Color::Rgb, Tiles::Jpeg, Zyn::FpxRGB, 0x30000102},
        Kind{"RgbJpegSubsampled", Color::Rgb, Tiles::JpegSharedTables, Zyn::FpxRGB, 0x30000102,
             true},
        Kind{"RgbaSingleColor", Color::RgbAlpha, Tiles::SingleColor, Zyn::FpxRGBA, 0x30017FFE},
        Kind{"RgbaJpeg", Color::RgbAlpha, Tiles::JpegSharedTables, Zyn::FpxRGBA, 0x30017FFE},
        Kind{"MonoJpeg", Color::Monochrome, Tiles::JpegSharedTables, Zyn::FpxLum, 0x10000000},
        Kind{"MonoAlphaJpeg", Color::MonochromeAlpha, Tiles::Jpeg, Zyn::FpxLumA, 0x10007FFE},
        Kind{"PhotoYccJpeg", Color::PhotoYcc, Tiles::Jpeg, Zyn::FpxYCC, 0x20000102},
        Kind{"PhotoYccAlphaUncompressed", Color::PhotoYccAlpha, Tiles::Uncompressed, Zyn::FpxYCCA,
             0x20017FFE}),
    [](const ::testing::TestParamInfo<Kind>& info) { return std::string(info.param.name); });

// A host's buffer in another band order, or with gaps between pixels and rows, is filled in
// place, within tiles and across their edges; premultiplied colours come as stored.
TEST(FpxSource, FillsBuffersWithGapsOrAnotherBandOrderInPlace) {
    FpxFixtureRecipe recipe{
        .width = 200, .height = 140, .color = Color::RgbAlpha, .premultiplied = true};
    const std::string path = testDir() + "/order.fpx";
    const FpxFixture fixture = writeFpx(path, recipe);
    auto source = openBasic(path);
    ASSERT_TRUE(source->status()) << source->error().message();
    for (const std::vector<int64_t>& offsets :
         {std::vector<int64_t>{3, 2, 1, 0}, std::vector<int64_t>{0, 1, 2, 3}})
        for (const ZynRect& rect : {ZynRect{60, 5, 71, 125}, ZynRect{64, 64, 64, 64}}) {
            ZynRectBuffer buffer(rect, std::make_shared<ZynSimpleDataOrg>(
                                           71, 125, ZynDataType::UInt8, ZynInterleave::Pixel,
                                           offsets, 5, 5 * 71 + 3));
            ASSERT_TRUE(source->opForResolution(0, {200, 140})->canFill(buffer));
            ZynGraph::render(*source, 0, {200, 140}, buffer);
            EXPECT_TRUE(samplesMatch(buffer, fixture.levels[0].pixels, 200)) << offsets[0];
        }
    EXPECT_EQ(openDescriptorsOn(path), 1) << "kept open between passes";
}

TEST(FpxSource, SpacesWithoutAChannelDescriptionAreRefused) {
    for (FpxFixtureColor color : {Color::YCbCr, Color::Colorless}) {
        FpxFixtureRecipe recipe{.color = color};
        const std::string path = testDir() + "/other.fpx";
        writeFpx(path, recipe);
        EXPECT_TRUE(isZynError(setupError(*openBasic(path)), 9,
                               "The file ColorSpace is not yet supported."));
    }
}

TEST(FpxSource, AViewFileWithoutAnImageIsRefusedWithItsMessage) {
    const std::string dir = testDir();
    CompoundFileWriter view;
    view.setRootClassId(flashPixClassId(0x56616700));
    view.addStream("\005Global Info", PropertySetWriter().build(flashPixClassId(0x56616F00)));
    writeFile(dir + "/view.fpx", view.build());
    auto viewOnly = openBasic(dir + "/view.fpx");
    EXPECT_TRUE(isZynError(
        viewOnly->error(), 130,
        "FPX open failed for " + dir +
            "/view.fpx (nuve lib error 10220--Wrong file type), Probably a non-image view "
            "file created by pre ZynV2.4 software"));
    EXPECT_EQ(viewOnly->op()->osErrorNumber(), 0);
}

// Damage to the tile table, or to a tile's data, fails only the requests that need those tiles.
TEST(FpxSource, TileDamageFailsOnlyTheRequestsThatNeedIt) {
    const std::string path = testDir() + "/tiles.fpx";
    const FpxFixtureRecipe recipe{.tiles = Tiles::Jpeg};
    const FpxFixture fixture = writeFpx(path, recipe);
    std::string bytes = readFileBytes(path);
    const std::string level = FpxFixture::levelPath(1);
    const uint64_t table = fixture.layout.streams.at(level + "/Subimage 0000 Header") + 64;
    patchU32(bytes, table + 0, 0xFFFFFF00);       // tile 0 starts past its stream
    patchU32(bytes, table + 16 + 4, 0x7FFFFFFF);  // tile 1 runs past it
    patchU32(bytes, table + 32 + 8, 7);           // tile 2 has an unknown compression
    // Tile 3's data is garbage.
    const std::vector<std::string>& tiles = fixture.levels[0].jpegTiles;
    const uint64_t tile3 = fixture.layout.streams.at(level + "/Subimage 0000 Data") + 28 +
                           tiles[0].size() + tiles[1].size() + tiles[2].size();
    for (int i = 20; i < 200; ++i) bytes[tile3 + i] = static_cast<char>(i * 37);
    writeFile(path, bytes);
    auto source = openBasic(path);
    ASSERT_TRUE(source->status()) << source->error().message();
    // Requests outside the image are refused before any tile is read.
    expectZynError(
        [&] {
            renderRect(*source, {100, 70}, {95, 3, 10, 1}, ZynDataType::UInt8, 3);
        },
        411, "requested (95,3) w=10, h=1 pixels from an image of 100x70 pixels");
    for (const auto& [x, y] : {std::pair{60, 10}, std::pair{70, 3}, std::pair{3, 66}})
        expectZynError(
            [&] {
                renderRect(*source, {100, 70}, {x, y, 2, 2}, ZynDataType::UInt8, 3);
            },
            130,
            "Couldn't read image resolution 0for region (" + std::to_string(x) + "," +
                std::to_string(y) + ") (" + std::to_string(x + 1) + "," + std::to_string(y + 1) +
                ")");
    // Whatever libjpeg makes of the garbage, it must not crash.
    errorOf([&] { renderRect(*source, {100, 70}, {70, 66, 9, 4}, ZynDataType::UInt8, 3); });
    EXPECT_TRUE(samplesMatch(renderRect(*source, {50, 35}, {0, 0, 50, 35}, ZynDataType::UInt8, 3),
                             expectedFpxPixels(fixture, recipe, 1), 50, 1));
}

TEST(FpxSource, DamagedReducedLevelsAreLeftOutOfTheResolutions) {
    FpxFixtureRecipe recipe{.width = 250, .height = 130};
    const std::string path = testDir() + "/l.fpx";
    const FpxFixture fixture = writeFpx(path, recipe);
    const std::string good = readFileBytes(path);
    const uint64_t header =
        fixture.layout.streams.at(FpxFixture::levelPath(1) + "/Subimage 0000 Header");
    // A tile width other than 64, and more channels than the colour space names.
    for (const auto& [at, value] : {std::pair{44, 32}, std::pair{52, 4}}) {
        SCOPED_TRACE(at);
        std::string bytes = good;
        patchU32(bytes, header + at, value);
        writeFile(path, bytes);
        auto source = openBasic(path);
        ASSERT_TRUE(source->status()) << source->error().message();
        EXPECT_EQ(source->imageOutput(0)->coordSpace()->resolutions(),
                  (std::vector<ZynResolution>{{250, 130}, {63, 33}}));
        EXPECT_TRUE(
            samplesMatch(renderRect(*source, {63, 33}, {0, 0, 63, 33}, ZynDataType::UInt8, 3),
                         fixture.levels[2].pixels, 63));
    }
}

TEST(FpxSource, ConcurrentRequestsShareTheFile) {
    FpxFixtureRecipe recipe{.width = 400, .height = 300, .tiles = FpxFixtureTiles::Jpeg};
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

TEST(FpxAggregate, RecognitionByNameAndByTheToolkit) {
    const std::string dir = testDir();
    // A file named .FPX is taken without asking the toolkit, and then fails with its message.
    writeFile(dir + "/junk.FPX", std::string(600, 'j'));
    EXPECT_TRUE(isZynError(openByContent(dir + "/junk.FPX")->error(), 130,
                           "FPX open failed for " + dir +
                               "/junk.FPX (nuve lib error 1), Invalid or not found "
                               "file System error code = 0\nSystem error string = "
                               "Success"));
    // Under another name, only what the toolkit validates.
    writeFile(dir + "/junk.bin", std::string(600, 'j'));
    CompoundFileWriter other;
    other.addStream("WordDocument", std::string(100, 'w'));
    writeFile(dir + "/other.doc", other.build());
    for (const char* name : {"/junk.bin", "/other.doc"})
        EXPECT_EQ(openByContent(dir + name)->error().message(),
                  "Failed to open the given file: " + dir + name);
    EXPECT_EQ(ZynFpxImageSource::recognize(qorWiden(dir + "/junk.FPX"), nullptr, true), nullptr);
}

TEST(FpxAggregate, AlphaModesChooseTheChannelsOrRefuseImagesWithoutAlpha) {
    const std::string dir = testDir();
    const auto pathOf = [&](Color color) {
        return dir + "/" + std::to_string(static_cast<int>(color)) + ".fpx";
    };
    std::map<Color, FpxFixture> files;
    for (Color color : {Color::RgbAlpha, Color::Rgb, Color::MonochromeAlpha, Color::PhotoYccAlpha})
        files[color] = writeFpx(pathOf(color), {.color = color});
    struct Case {
        const char* mode;
        Color file;
        int bands;
        ZynColorKind kind;
        int firstBand;
        const char* refusal = nullptr;  // the alphaChannel value the message names
    };
    const Case cases[] = {
        {nullptr, Color::RgbAlpha, 3, Zyn::FpxRGB, 0},
        {"READAlphaOK", Color::RgbAlpha, 4, Zyn::FpxRGBA, 0},
        {"READAlphaRequ", Color::RgbAlpha, 4, Zyn::FpxRGBA, 0},
        {"READAlphaOnly", Color::RgbAlpha, 1, Zyn::FpxLum, 3},
        {"IGNOREAlpha", Color::Rgb, 3, Zyn::FpxRGB, 0},
        {"READAlphaOK", Color::Rgb, 3, Zyn::FpxRGB, 0},
        {"READAlphaRequ", Color::Rgb, 0, {}, 0, "READ_ALPHA_CHANNEL_REQUIRED"},
        {"READAlphaOnly", Color::Rgb, 0, {}, 0, "READ_ALPHA_CHANNEL_ONLY"},
        // Monochrome and photo YCC with alpha lose it by default too.
        {nullptr, Color::MonochromeAlpha, 1, Zyn::FpxLum, 0},
        {nullptr, Color::PhotoYccAlpha, 3, Zyn::FpxYCC, 0},
    };
    for (const Case& c : cases) {
        const std::string path = pathOf(c.file);
        SCOPED_TRACE(std::string(c.mode ? c.mode : "default") + " on " + path);
        auto source = openAggregate(path, c.mode);
        if (c.refusal) {
            EXPECT_TRUE(isZynError(source->error(), 130,
                                   std::string("The alphaChannel attribute = ") + c.refusal +
                                       " which requires an alpha channel but " + path +
                                       " does not contain one."));
            EXPECT_EQ(source->imageOutput(0), nullptr);
            continue;
        }
        ASSERT_TRUE(source->status()) << source->error().message();
        const FpxFixture& file = files.at(c.file);
        EXPECT_EQ(source->channelSelect() != nullptr, c.bands < file.channels);
        const ZynImageOutputCP* out = source->imageOutput(0);
        EXPECT_EQ(out->colorSpace()->kind(), c.kind);
        EXPECT_EQ(out->dataOrg()->bands(), c.bands);
        EXPECT_TRUE(samplesMatch(
            renderRect(*source, {100, 70}, {0, 0, 100, 70}, ZynDataType::UInt8, c.bands),
            file.levels[0].pixels, 100, 0, file.channels, c.firstBand));
    }

    // Going back to a mode the image allows brings the output back.
    auto only = openAggregate(pathOf(Color::Rgb), "READAlphaOnly");
    only->setAttributeText("alphaChannel", "IGNOREAlpha");
    ASSERT_TRUE(ZynGraph::statusOK(*only));
    EXPECT_NE(only->imageOutput(0), nullptr);
    EXPECT_EQ(only->getAttribute<ZynFpxImageSource::Alpha>("alphaChannel"),
              ZynFpxImageSource::IGNOREAlpha);
    expectZynError([&] { only->setAttributeText("alphaChannel", "IgnoreAlpha"); }, 414,
                   "Unknown ZynFpxImageSource::Alpha");
}

// The view's values as the aggregate source takes them, and the stages they need. A damaged value
// would distort the picture, so it leaves the whole view out; the image still opens. Without a
// view, or with the identity and the image's own aspect ratio (to float precision), the image
// passes through.
TEST(FpxAggregate, ViewingParametersAreTakenWholeOrNotAtAll) {
    const std::string path = testDir() + "/view.fpx";
    const std::vector<float> identity{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    const std::pair<const char*, std::optional<FpxFixtureView>> passThrough[] = {
        {"no view", std::nullopt},
        {"identity", FpxFixtureView{.aspectRatio = 100.0f / 70.0f,
                                    .affine = identity,
                                    .colorTwist = identity,
                                    .contrast = 1.0f}},
        {"short colour twist",
         FpxFixtureView{.colorTwist = std::vector<float>{1, 0, 0}, .contrast = 2}},
        {"aspect ratio not a number", FpxFixtureView{.aspectRatio = NAN, .contrast = 2}},
        {"empty region",
         FpxFixtureView{.roi = std::vector<float>{0.1f, 0.2f, 0, 0.6f}, .contrast = 2}},
    };
    for (const auto& [name, view] : passThrough) {
        SCOPED_TRACE(name);
        const FpxFixture fixture = writeFpx(path, {.view = view});
        auto source = openAggregate(path);
        ASSERT_TRUE(source->status()) << source->error().message();
        EXPECT_EQ(source->getAttribute<ZynAffineOp::Affines>("FpxAffine"), ZynAffineOp::Affines{});
        EXPECT_EQ(source->getAttribute<ZynMatrix<double>>("FpxColorTwist"),
                  ZynMatrix<double>::identity(4));
        EXPECT_EQ(source->getAttribute<double>("FpxContrast"), 1.0);
        EXPECT_DOUBLE_EQ(source->getAttribute<double>("FpxAspectRatio"), 100.0 / 70);
        EXPECT_EQ(viewChain(*source), std::vector<std::string>{"FPX:Noop"});
        EXPECT_TRUE(
            samplesMatch(renderRect(*source, {100, 70}, {0, 0, 100, 70}, ZynDataType::UInt8, 3),
                         fixture.levels[0].pixels, 100));
    }

    writeFpx(path,
             {.view = FpxFixtureView{.aspectRatio = 1.25f,
                                     .roi = std::vector<float>{0.1f, 0.2f, 0.5f, 0.6f},
                                     .affine = std::vector<float>{0.5f, 0.1f, 0, 7, -0.1f, 0.5f, 0,
                                                                  9, 0, 0, 1, 0, 0, 0, 0, 1},
                                     .colorTwist = std::vector<float>(16, 0.25f),
                                     .contrast = 1.5f}});
    auto every = openAggregate(path);
    ASSERT_TRUE(every->status()) << every->error().message();
    EXPECT_EQ(every->getAttribute<ZynAffineOp::Affines>("FpxAffine"),
              (ZynAffineOp::Affines{0.5f, 0.1f, 7, -0.1f, 0.5f, 9}));
    EXPECT_EQ(every->getAttribute<ZynMatrix<double>>("FpxColorTwist"),
              ZynMatrix<double>(4, 4, std::vector<double>(16, 0.25)));
    EXPECT_EQ(every->getAttribute<double>("FpxContrast"), 1.5);
    EXPECT_DOUBLE_EQ(every->getAttribute<double>("FpxAspectRatio"), 1.25);
    EXPECT_EQ(viewChain(*every),
              (std::vector<std::string>{"FPX:ColorTwist", "FPX:Contrast", "FPX:Affine"}));

    // Some writers store only the six coefficients a, b, c, d, e, f.
    writeFpx(path, {.view = FpxFixtureView{.affine = std::vector<float>{1, 2, 3, 4, 5, 6}}});
    auto six = openAggregate(path);
    EXPECT_EQ(six->getAttribute<ZynAffineOp::Affines>("FpxAffine"),
              (ZynAffineOp::Affines{1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(viewChain(*six), std::vector<std::string>{"FPX:Affine"});
}

// A file with a contrast and an affine transform gives what those two operations give when
// applied by hand to the stored image.
TEST(FpxAggregate, ContrastAndAffineGoThroughExactlyThoseStages) {
    const std::string path = testDir() + "/viewed.fpx";
    writeFpx(path, {.width = 120,
                    .height = 90,
                    .view = FpxFixtureView{
                        .affine = std::vector<float>{0.5f, 0.25f, 0, 0.125f, 0, 0.5f, 0, 0.0625f, 0,
                                                     0, 1, 0, 0, 0, 0, 1},
                        .contrast = 1.5f}});
    auto source = openAggregate(path);
    ASSERT_TRUE(source->status()) << source->error().message();
    EXPECT_EQ(viewChain(*source), (std::vector<std::string>{"FPX:Contrast", "FPX:Affine"}));

    auto basic = std::make_shared<ZynFpxImageSourceBasic>(qorWiden(path), true);
    auto contrast = std::make_shared<ZynContrastOperation>(1.5);
    contrast->imageInput(0)->connect(basic);
    auto affine = std::make_shared<ZynAffineOperation>(
        ZynAffineOp::Affines{0.5, 0.25, 0.125, 0, 0.5, 0.0625}, 120.0 / 90.0, 1.0,
        static_cast<unsigned>(ZynUnit::Height), ZynResamplingType::NEAREST);
    affine->imageInput(0)->connect(contrast);
    ASSERT_TRUE(ZynGraph::statusOK(*affine)) << affine->error().message();

    const auto& resolutions = source->imageOutput(0)->coordSpace()->resolutions();
    ASSERT_EQ(resolutions, affine->imageOutput(0)->coordSpace()->resolutions());
    for (const ZynResolution& r : resolutions) {
        const ZynRect all{0, 0, r.width, r.height};
        const ZynRectBuffer want = renderRect(*affine, r, all, ZynDataType::UInt8, 3);
        const ZynRectBuffer got = renderRect(*source, r, all, ZynDataType::UInt8, 3);
        ASSERT_EQ(std::vector<std::byte>(got.origin(), got.origin() + r.width * r.height * 3),
                  std::vector<std::byte>(want.origin(), want.origin() + r.width * r.height * 3));
    }

    // A host's change to a parameter holds until another file is opened.
    source->setAttribute<double>("FpxContrast", 1.0);
    ASSERT_TRUE(ZynGraph::statusOK(*source));
    EXPECT_EQ(viewChain(*source), std::vector<std::string>{"FPX:Affine"});
    source->setAttribute<bool>("keep_open", false);
    ASSERT_TRUE(ZynGraph::statusOK(*source));
    EXPECT_EQ(source->getAttribute<double>("FpxContrast"), 1.0);
    source->setAttribute<std::wstring>("wfile_name", qorWiden(path));
    ASSERT_TRUE(ZynGraph::statusOK(*source));
    EXPECT_EQ(source->getAttribute<double>("FpxContrast"), 1.5);
}

TEST(FpxAggregate, RegistryCopiesAndErrors) {
    auto created = ZynTransformRegistry::create("FPXSource");
    EXPECT_EQ(created->label(), "FpxSourceAgg");
    EXPECT_EQ(created->attribute("alphaChannel").toText(), "IGNOREAlpha");

    const std::string dir = testDir();
    created->setAttribute<std::string>("file_name", dir + "/missing.fpx");
    EXPECT_TRUE(isZynError(
        setupError(*created), 130,
        "FPX open failed for " + dir +
            "/missing.fpx (nuve lib error 2), Invalid or not found file System error code "
            "= 2\nSystem error string = No such file or directory"));

    // Naming another file drops the failure: the next setup reads the new file.
    const FpxFixture fixture = writeFpx(dir + "/rgba.fpx", {.color = FpxFixtureColor::RgbAlpha});
    created->setAttribute<std::string>("file_name", dir + "/rgba.fpx");
    created->setAttributeText("alphaChannel", "READAlphaOnly");
    created->setAttribute<bool>("keep_open", false);
    ASSERT_TRUE(ZynGraph::statusOK(*created)) << created->error().message();
    const ZynTransformPtr copy = created->clone();
    ASSERT_TRUE(ZynGraph::statusOK(*copy)) << copy->error().message();
    EXPECT_EQ(copy->getAttribute<std::wstring>("wfile_name"), qorWiden(dir + "/rgba.fpx"));
    EXPECT_FALSE(copy->getAttribute<bool>("keep_open"));
    // The copy reopens the file for each pass, with the toolkit still up after the original let go.
    created.reset();
    EXPECT_TRUE(samplesMatch(renderRect(*copy, {100, 70}, {0, 0, 100, 70}, ZynDataType::UInt8, 1),
                             fixture.levels[0].pixels, 100, 0, 4, 3));
    EXPECT_EQ(openDescriptorsOn(dir + "/rgba.fpx"), 0) << "closed after the pass";
}
