#include <filesystem>
#include <optional>

#include "PpmFixture.h"
#include "QorString.h"
#include "TestSupport.h"
#include "VdxTestSupport.h"
#include "ZynAnyImageSource.h"
#include "ZynGraph.h"
#include "ZynImageOutputCP.h"
#include "ZynSettings.h"
#include "ZynTransformRegistryEntry.h"
#include "ZynVDXImageSource.h"

namespace {

const std::vector<ZynResolution> kLandscape{{768, 512}, {384, 256}, {192, 128}};

std::shared_ptr<ZynVDXImageSource> openVdx(const std::string& path, bool keepOpen = true,
                                           const std::string& colorSpace = "") {
    auto source = std::make_shared<ZynVDXImageSource>(qorWiden(path), keepOpen);
    source->setAttribute<std::string>("color_space", colorSpace);
    ZynGraph::ensureSetup(*source);
    return source;
}

ZynRectBuffer render(ZynTransform& t, const ZynResolution& r, const ZynRect& rect, int bands,
                     ZynInterleave interleave = ZynInterleave::Pixel) {
    return renderRect(t, r, rect, ZynDataType::UInt8, bands, interleave);
}

// What rendering `rect` of Base in three bands fails with.
ZynError baseError(ZynTransform& t, const ZynRect& rect) {
    return errorOf([&] { render(t, {768, 512}, rect, 3); });
}

// The level of the pack shown at a delivered size.
const VdxPlanes& levelOfSize(const Pack& pack, const ZynResolution& size) {
    for (const VdxPlanes& p : pack.levels)
        if (std::max(p.width, p.height) == std::max(size.width, size.height)) return p;
    throw std::invalid_argument("no such level");
}

std::string openFailure(const std::string& path, int code, const std::string& text) {
    return "Could not open file \"" + path +
           "\" as a VDX fileSystem error code = " + std::to_string(code) +
           "\nSystem error string = " + text;
}

}  // namespace

// A pack is taken by its signature, zero byte included; under trace the recogniser says why. A
// whole pack opened by content is CameraRecognition.FilesOfOtherFormatsGoToTheirOwnSources'.
TEST(VDXSource, RecognisedByItsSignature) {
    const std::string dir = testDir();
    writeVdxPack(dir + "/a.vdx", vdxPatternLevels());
    writeVdxPack(dir + "/b.vdx", vdxPatternLevels(), {.signatureEnd = '2'});
    auto other = openByContent(dir + "/b.vdx");
    EXPECT_FALSE(ZynGraph::statusOK(*other));
    EXPECT_EQ(other->error().code(), 153);
    EXPECT_EQ(other->error().message(), "Failed to open the given file: " + dir + "/b.vdx");

    ScopedValue trace(ZynSettings::get().trace, true);
    testing::internal::CaptureStdout();
    for (const char* name : {"/a.vdx", "/b.vdx"}) {
        FILE* file = std::fopen((dir + name).c_str(), "rb");
        const ZynTransformPtr source =
            ZynVDXImageSource::recognize(qorWiden(dir + name), file, false);
        EXPECT_EQ(source != nullptr, std::string(name) == "/a.vdx");
        EXPECT_EQ(std::ftell(file), 0);
        std::fclose(file);
    }
    EXPECT_EQ(ZynVDXImageSource::recognize(L"none", nullptr, true), nullptr);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              dir + "/a.vdx Has a VDX magic number \n" + dir +
                  "/b.vdx Not vdx: magic number is V D X _ I P I 2 \nNot a vdx file none\n");

    EXPECT_EQ(ZynTransformRegistry::create("OrbidiscSource")->typeName(), "ZynVDXImageSource");
}

TEST(VDXSource, EachColourFormatAtEveryResolution) {
    const Pack pack = writePack();
    struct Case {
        std::string name;
        ZynColorKind kind;
        VdxExpect expect;
    };
    const Case cases[] = {{"VDXRGB", ZynColorKind::VDXRGB, VdxExpect::RGB},
                          {"VDXLum", ZynColorKind::VDXLum, VdxExpect::Lum},
                          {"VDXYCC", ZynColorKind::VDXYCC, VdxExpect::YCC}};
    for (const Case& c : cases) {
        SCOPED_TRACE("color_space \"" + c.name + "\"");
        auto source = openVdx(pack.path, false, c.name);
        ASSERT_TRUE(source->status()) << source->error().message();
        const ZynImageOutputCP& out = *source->imageOutput(0);
        EXPECT_EQ(out.colorSpace()->kind(), c.kind);
        const int bands = out.colorSpace()->bands();
        EXPECT_EQ(bands, c.expect == VdxExpect::Lum ? 1 : 3);
        EXPECT_EQ(out.colorSpace()->maximum(), 255.0);
        EXPECT_EQ(resolutionsOf(*source), kLandscape);
        EXPECT_EQ(out.coordSpace()->defaultResolution(), 0);
        EXPECT_EQ(out.coordSpace()->width(), (ZynValue{768, ZynUnit::Pixel}));
        EXPECT_EQ(*out.dataOrg(), ZynSimpleDataOrg(768, 512, ZynDataType::UInt8, bands));
        for (size_t level = 0; level < 3; ++level) {
            const ZynResolution r = kLandscape[level];
            const VdxPlanes& p = pack.levels[2 - level];
            expectBuffer(render(*source, r, {0, 0, r.width, r.height}, bands), p, 0, c.expect);
            expectBuffer(render(*source, r, {7, 5, 33, 20}, bands), p, 0, c.expect);
            if (HasFatalFailure()) return;
            // Closed after each pass, the file is opened again in the format asked for.
            EXPECT_EQ(openDescriptorsOn(pack.path), 0);
        }
    }
}

TEST(VDXSource, FillsBuffersOfAnyLayout) {
    const Pack pack = writePack();
    auto source = openVdx(pack.path);
    const ZynRect rect{101, 37, 170, 61};
    const VdxPlanes& base = pack.levels[2];
    for (ZynInterleave interleave :
         {ZynInterleave::Pixel, ZynInterleave::Line, ZynInterleave::Band})
        expectBuffer(render(*source, {768, 512}, rect, 3, interleave), base, 0, VdxExpect::RGB);

    // The library's own band order, with gaps between pixels and rows, is filled in place.
    ZynRectBuffer reversed(
        rect, std::make_shared<ZynSimpleDataOrg>(170, 61, ZynDataType::UInt8, ZynInterleave::Pixel,
                                                 std::vector<int64_t>{2, 1, 0}, 4, 4 * 170 + 9));
    ZynOutputInfo info;
    ZynImageOpPtr op = source->opForResolution(0, {768, 512});
    ASSERT_TRUE(op->outputInfoBase(info));
    EXPECT_EQ(info.dataOrg->bandOffsets(), (std::vector<int64_t>{2, 1, 0}));
    EXPECT_EQ(info.dataOrg->width(), 768u);
    EXPECT_EQ(info.dataOrg->height(), 512u);
    EXPECT_TRUE(op->canFill(reversed));
    ZynGraph::render(*source, 0, {768, 512}, reversed);
    expectBuffer(reversed, base, 0, VdxExpect::RGB);

    // A bottom-up buffer goes through the engine's own tile.
    const auto bottomUp =
        std::make_shared<ZynSimpleDataOrg>(170, 61, ZynDataType::UInt8, ZynInterleave::Pixel,
                                           std::vector<int64_t>{2, 1, 0}, 3, -3 * 170);
    std::vector<uint8_t> memory(3 * 170 * 61);
    ZynRectBuffer upward(rect, bottomUp, memory.data() + 3 * 170 * 60);
    EXPECT_FALSE(op->canFill(upward));
    ZynGraph::render(*source, 0, {768, 512}, upward);
    expectBuffer(upward, base, 0, VdxExpect::RGB);

    expectZynError(
        [&] {
            render(*source, {768, 512}, {760, 500, 10, 10}, 3);
        },
        411, "requested (760,500) w=10, h=10 pixels from an image of 768x512 pixels");

    source->imageOutput(0)->setCaching(true);
    expectBuffer(render(*source, {384, 256}, {3, 3, 50, 50}, 3), pack.levels[1], 0, VdxExpect::RGB);
    EXPECT_EQ(openDescriptorsOn(pack.path), 1) << "kept open";
}

TEST(VDXSource, RotatedPacksTurnSizesAndPixels) {
    // Stored corners top-left, top-right, bottom-left, bottom-right of Base/16 (192 x 128), and
    // where each is shown, pinned here so that the reader and the expectation cannot share a
    // wrong turn: a counter-clockwise turn brings the top-right corner to the top-left.
    const uint32_t corners[4][2] = {{0, 0}, {191, 0}, {0, 127}, {191, 127}};
    const int64_t shown[4][4][2] = {
        {{0, 0}, {191, 0}, {0, 127}, {191, 127}},
        {{0, 191}, {0, 0}, {127, 191}, {127, 0}},
        {{191, 127}, {0, 127}, {191, 0}, {0, 0}},
        {{127, 0}, {127, 191}, {0, 0}, {0, 191}},
    };
    for (int rotation = 0; rotation < 4; ++rotation) {
        SCOPED_TRACE("rotation " + std::to_string(rotation));
        const Pack pack = writePack({.rotation = rotation}, 5);
        auto source = openVdx(pack.path, true, "VDXYCC");
        ASSERT_TRUE(source->status()) << source->error().message();
        std::vector<ZynResolution> expected = kLandscape;
        if (rotation % 2)
            for (ZynResolution& r : expected) std::swap(r.width, r.height);
        ASSERT_EQ(resolutionsOf(*source), expected);
        for (const ZynResolution& r : expected) {
            const VdxPlanes& p = levelOfSize(pack, r);
            const ZynRectBuffer whole = render(*source, r, {0, 0, r.width, r.height}, 3);
            expectBuffer(whole, p, rotation, VdxExpect::YCC);
            for (int c = 0; p.width == 192 && c < 4; ++c)
                EXPECT_EQ(*whole.sample<uint8_t>(shown[rotation][c][0], shown[rotation][c][1], 0),
                          p.luma(corners[c][0], corners[c][1]))
                    << "corner " << c;
            expectBuffer(render(*source, r, {r.width - 21, 9, 21, 40}, 3), p, rotation,
                         VdxExpect::YCC);
            if (HasFatalFailure()) return;
        }
        // A size not offered reads Base.
        ZynOutputInfo info;
        ASSERT_TRUE(source->opForResolution(0, {100, 60})->outputInfoBase(info));
        EXPECT_EQ((ZynResolution{info.width, info.height}), expected[0]);
        expectBuffer(render(*source, {100, 60}, {200, 300, 40, 30}, 3), pack.levels[2], rotation,
                     VdxExpect::YCC);
    }
}

// Only whole levels are offered, the largest as the output's size; the base, wanted for sizes
// not offered, then fails to read instead of returning garbage.
TEST(VDXSource, TruncatedLevelsAreLeftOutAndNeverRead) {
    const Pack pack = writePack();
    const std::string bytes = readFileBytes(pack.path);
    const std::vector<ZynResolution> small{{192, 128}}, two{{384, 256}, {192, 128}};
    // Cut inside Base/4 and inside Base, and just after each.
    const std::pair<uint64_t, std::vector<ZynResolution>> cuts[] = {
        {vdxFixtureLevelEnd(1) - 1, small},
        {vdxFixtureLevelEnd(1), two},
        {vdxFixtureLevelStart(2) + 5000, two},
        {vdxFixtureLevelEnd(2) - 1, two},
        {vdxFixtureLevelEnd(2), kLandscape}};
    for (const auto& [cut, offered] : cuts) {
        SCOPED_TRACE("cut at " + std::to_string(cut));
        writeFile(pack.path, bytes.substr(0, cut));
        auto source = openVdx(pack.path, true, "VDXYCC");
        ASSERT_EQ(resolutionsOf(*source), offered);
        EXPECT_EQ(source->imageOutput(0)->coordSpace()->width(),
                  (ZynValue{static_cast<double>(offered[0].width), ZynUnit::Pixel}));
        for (const ZynResolution& r : offered)
            expectBuffer(render(*source, r, {0, 0, r.width, r.height}, 3), levelOfSize(pack, r), 0,
                         VdxExpect::YCC);
        if (offered.size() == 3) continue;
        EXPECT_TRUE(isZynError(baseError(*source, {10, 20, 30, 40}), 130,
                               "Couldn't read image data at (10,20) (40,60)System error code = "
                               "-7\nSystem error string = the selected resolution is not in the "
                               "file"));
    }

    // A file that shrinks after opening fails the read of what it lost.
    writeFile(pack.path, bytes);
    auto source = openVdx(pack.path, true, "VDXYCC");
    ASSERT_TRUE(source->status()) << source->error().message();
    std::filesystem::resize_file(pack.path, vdxFixtureLevelStart(2) + 7000);
    EXPECT_TRUE(isZynError(baseError(*source, {0, 0, 768, 512}), 130,
                           "Couldn't read image data at (0,0) (768,512)System error code = "
                           "-10\nSystem error string = the file ends inside the selected "
                           "resolution"));
    expectBuffer(render(*source, {768, 512}, {0, 0, 768, 2}, 3), pack.levels[2], 0, VdxExpect::YCC);
}

TEST(VDXSource, FilesThatAreNotWholePacksOrNamedAmissFailWithTheReadersReason) {
    const std::string dir = testDir();
    const VdxLevels levels = vdxPatternLevels();
    const std::vector<uint8_t> good = vdxPackBytes(levels);
    const auto cut = [&](uint64_t size) {
        return std::vector<uint8_t>(good.begin(), good.begin() + static_cast<ptrdiff_t>(size));
    };
    std::vector<uint8_t> other = good;
    other[2048] = 'W';
    const char* const header = "the file ends inside the image-pack header";
    const char* const noLevel = "the file ends before its smallest resolution is complete";
    const char* const notPack = "not an image pack: no \"VDX_IPI\" signature";
    const struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
        int status;
        const char* reason;
    } cases[] = {
        {"empty", {}, -2, header},
        {"cut inside the signature", cut(2052), -2, header},
        {"cut before the attributes", cut(0x0E02), -2, header},
        {"header alone", cut(0x0E03), -4, noLevel},
        {"cut inside Base/16", cut(vdxFixtureLevelEnd(0) - 1), -4, noLevel},
        {"signature without its zero byte", vdxPackBytes(levels, {.signatureEnd = ' '}), -1,
         notPack},
        {"another signature", other, -1, notPack},
        {"undefined highest resolution", vdxPackBytes(levels, {.highestResolution = 3}), -3,
         "the image attributes name a resolution the format does not define"},
    };
    for (const Case& c : cases) {
        const std::string path = dir + "/case.vdx";
        writeFile(path, std::string(c.bytes.begin(), c.bytes.end()));
        EXPECT_TRUE(
            isZynError(setupError(*openVdx(path)), 130, openFailure(path, c.status, c.reason)))
            << c.name;
    }
    const std::pair<ZynTransformPtr, ZynError> opened[] = {
        {openVdx(dir + "/none.vdx"),
         {130, openFailure(dir + "/none.vdx", 2, "No such file or directory")}},
        {std::make_shared<ZynVDXImageSource>(), {130, "File name not set on ZynVDXImageSource"}},
        {openVdx(writePack().path, true, "RGB"),
         {133, "RGB is an unknown or invalid color space."}},
    };
    for (const auto& [source, error] : opened)
        EXPECT_TRUE(isZynError(setupError(*source), error.code(), error.message()));
}

TEST(VDXSource, NamesWithoutANarrowFormOpenThroughADescriptor) {
    // A lone surrogate has no narrow form; the operating system is given '?' in its place.
    const std::string dir = testDir();
    const std::wstring name = qorWiden(dir) + L"/wide\xD800.vdx";
    auto missing = std::make_shared<ZynVDXImageSource>(name, false);
    EXPECT_FALSE(ZynGraph::statusOK(*missing));
    EXPECT_EQ(missing->error().message(), "Could not open file \"" + dir +
                                              "/wide?.vdx\"System error code = 2\nSystem error "
                                              "string = No such file or directory");

    const VdxLevels levels = vdxPatternLevels(4);
    writeVdxPack(dir + "/wide?.vdx", levels);
    auto source = std::make_shared<ZynVDXImageSource>(name, false);
    source->setAttribute<std::string>("color_space", "VDXLum");
    ASSERT_TRUE(ZynGraph::statusOK(*source)) << source->error().message();
    expectBuffer(render(*source, {192, 128}, {0, 0, 192, 128}, 1), levels[0], 0, VdxExpect::Lum);
    EXPECT_EQ(openDescriptorsOn(dir + "/wide?.vdx"), 0);
}

TEST(VDXSource, AttributeChangesTakeEffectAtTheNextSetup) {
    const Pack pack = writePack();
    auto source = openVdx(pack.path, true, "VDXYCC");
    expectBuffer(render(*source, {192, 128}, {0, 0, 20, 20}, 3), pack.levels[0], 0, VdxExpect::YCC);
    source->setAttribute<std::string>("color_space", "");
    ASSERT_TRUE(ZynGraph::statusOK(*source));
    EXPECT_EQ(source->imageOutput(0)->colorSpace()->kind(), ZynColorKind::VDXRGB);
    expectBuffer(render(*source, {192, 128}, {0, 0, 20, 20}, 3), pack.levels[0], 0, VdxExpect::RGB);

    const Pack other = writePack({.rotation = 1}, 9);
    const ZynTransformPtr copy = source->clone();
    source->setFileName(qorWiden(other.path));
    ASSERT_TRUE(ZynGraph::statusOK(*source));
    EXPECT_EQ(resolutionsOf(*source).front(), (ZynResolution{512, 768}));
    ASSERT_TRUE(ZynGraph::statusOK(*copy));
    EXPECT_EQ(resolutionsOf(*copy), kLandscape);
}

TEST(VDXSource, ThreadsRenderFromOneSourceAtOnce) {
    const Pack pack = writePack({.rotation = 2});
    auto source = openVdx(pack.path, false, "VDXYCC");
    std::vector<std::optional<ZynRectBuffer>> results(8);
    failuresOnThreads(8, 1, [&](int i, int) {
        const ZynResolution r = kLandscape[i % 3];
        results[i].emplace(render(*source, r, {i * 3, i * 5, r.width - i * 3, r.height / 2}, 3));
        return true;
    });
    for (size_t i = 0; i < 8; ++i)
        expectBuffer(*results[i], pack.levels[2 - i % 3], 2, VdxExpect::YCC);
    EXPECT_EQ(openDescriptorsOn(pack.path), 0);
}

TEST(VDXSource, EncodedColoursSurviveTheRoundTrip) {
    // Pure colours through the inverse conversion of an independent encoder: white stays white
    // and each primary keeps its dominant band.
    const uint8_t colours[][3] = {{255, 255, 255}, {0, 0, 0},     {200, 30, 40},
                                  {20, 180, 60},   {30, 40, 210}, {128, 128, 128}};
    const std::string path = testDir() + "/c.vdx";
    for (const auto& c : colours) {
        std::vector<uint8_t> rgb(768 * 512 * 3);
        for (size_t i = 0; i < rgb.size(); ++i) rgb[i] = c[i % 3];
        writeVdxPack(path, vdxLevelsFromRgb(rgb));
        const ZynRectBuffer b = render(*openVdx(path, false), {192, 128}, {10, 10, 2, 2}, 3);
        for (int band = 0; band < 3; ++band)
            EXPECT_NEAR(*b.sample<uint8_t>(11, 11, band), c[band], 4)
                << &c - colours << " " << band;
    }
}
