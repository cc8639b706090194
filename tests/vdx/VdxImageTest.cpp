#include <fcntl.h>
#include <unistd.h>

#include <filesystem>

#include "PpmFixture.h"
#include "TestSupport.h"
#include "VdxImage.h"
#include "VdxTestSupport.h"

namespace {

// Reads a rectangle with the library in `format`, `pixelStride` bytes per pixel and `pad` bytes
// after each row; the bytes not written stay 0xEE.
struct Read {
    int status;
    std::vector<uint8_t> bytes;
    int64_t pixelStride;
    int64_t lineStride;

    int sample(int64_t x, int64_t y, int offset) const {
        return bytes[static_cast<size_t>(y * lineStride + x * pixelStride + offset)];
    }
};

Read readRect(VdxImage& image, int index, VdxRect r, int pixelStride, int pad = 0) {
    Read read{0, {}, pixelStride, (r.x1 - r.x0) * pixelStride + pad};
    read.bytes.assign(static_cast<size_t>(read.lineStride * (r.y1 - r.y0)), 0xEE);
    image.selectResolution(index);
    image.setStrides(read.pixelStride, read.lineStride);
    read.status = image.readRectangle(r, read.bytes.data());
    return read;
}

// Checks a read against the planes; `offsets` gives where band b of the colour space lies.
void expectRead(const Read& read, const VdxPlanes& p, int rotation, VdxExpect what,
                const VdxRect& r, std::vector<int> offsets) {
    ASSERT_EQ(read.status, kVdxOk) << VdxImage::statusText(read.status);
    expectShown(p, rotation, what, r.x0, r.y0, r.x1 - r.x0, r.y1 - r.y0,
                [&](int64_t x, int64_t y, int band) {
                    return read.sample(x - r.x0, y - r.y0, offsets[static_cast<size_t>(band)]);
                });
}

int openImage(VdxImage& image, const std::string& path) {
    const int status = image.open(path);
    EXPECT_EQ(status, kVdxOk) << VdxImage::statusText(status);
    return status;
}

}  // namespace

TEST(VdxImage, ReportsTheBaseLevelsAndDefaults) {
    const Pack pack = writePack({.highestResolution = 2});
    VdxImage image;
    ASSERT_EQ(openImage(image, pack.path), kVdxOk);
    uint32_t mask = 0;
    int count = 0;
    image.availableResolutions(mask, count);
    EXPECT_EQ(mask, 0b1110u);
    EXPECT_EQ(count, 3);
    const std::pair<uint16_t, uint16_t> sizes[] = {{0, 0}, {192, 128}, {384, 256}, {768, 512}};
    for (int index = 0; index < 4; ++index) {
        uint16_t w = 1, h = 1;
        image.resolutionSize(index, w, h);
        EXPECT_EQ(std::make_pair(w, h), sizes[index]) << "index " << index;
    }
    VdxConfig config;
    ASSERT_EQ(image.config(config), kVdxOk);
    EXPECT_EQ(config.format, kVdxRGB);
    image.close();
    EXPECT_EQ(image.config(config), kVdxNotOpen);
}

TEST(VdxImage, EncodedColoursSurviveTheRoundTrip) {
    // Pure colours through the inverse conversion of an independent encoder: white stays white
    // and each primary keeps its dominant band.
    const uint8_t colours[][3] = {{255, 255, 255}, {0, 0, 0},     {200, 30, 40},
                                  {20, 180, 60},   {30, 40, 210}, {128, 128, 128}};
    for (const auto& c : colours) {
        std::vector<uint8_t> rgb(768 * 512 * 3);
        for (size_t i = 0; i < rgb.size(); ++i) rgb[i] = c[i % 3];
        const std::string path = testDir() + "/c.vdx";
        writeVdxPack(path, vdxLevelsFromRgb(rgb));
        VdxImage image;
        ASSERT_EQ(openImage(image, path), kVdxOk);
        const Read read = readRect(image, 1, {10, 10, 12, 12}, 3);
        ASSERT_EQ(read.status, kVdxOk);
        for (int band = 0; band < 3; ++band)
            EXPECT_NEAR(read.sample(1, 1, 2 - band), c[band], 4)
                << "colour " << int(c[0]) << "," << int(c[1]) << "," << int(c[2]) << " band "
                << band;
    }
}

// Pixels of every rotation at every level are checked through the source; here the corners
// pin the turn itself, so that the reader and the expectation cannot share a wrong one.
TEST(VdxImage, EveryRotationCodeTurnsCornersAndSizes) {
    // Stored corners top-left, top-right, bottom-left, bottom-right of Base/16 (192 x 128), and
    // where each is shown: a counter-clockwise turn brings the top-right corner to the top-left.
    const uint32_t corners[4][2] = {{0, 0}, {191, 0}, {0, 127}, {191, 127}};
    const uint32_t shown[4][4][2] = {
        {{0, 0}, {191, 0}, {0, 127}, {191, 127}},
        {{0, 191}, {0, 0}, {127, 191}, {127, 0}},
        {{191, 127}, {0, 127}, {191, 0}, {0, 0}},
        {{127, 0}, {127, 191}, {0, 0}, {0, 191}},
    };
    for (int rotation = 0; rotation < 4; ++rotation) {
        SCOPED_TRACE("rotation " + std::to_string(rotation));
        const Pack pack = writePack({.rotation = rotation}, 7);
        VdxImage image;
        ASSERT_EQ(openImage(image, pack.path), kVdxOk);
        image.setOrientationMode(kVdxFollowRotation);
        EXPECT_EQ(image.orientationFlags(), rotation | (rotation % 2 ? kVdxSwapped : 0));
        ASSERT_EQ(image.setColorFormat(kVdxYCC), kVdxOk);
        for (int index : {1, 2, 3}) {
            const VdxPlanes& p = pack.levels[static_cast<size_t>(index - 1)];
            const auto w = static_cast<int16_t>(rotation % 2 ? p.height : p.width);
            const auto h = static_cast<int16_t>(rotation % 2 ? p.width : p.height);
            // The shown picture is no larger than the turned level.
            EXPECT_EQ(readRect(image, index, {0, 0, w, static_cast<int16_t>(h + 1)}, 3).status,
                      kVdxBadRectangle);
            const Read whole = readRect(image, index, {0, 0, w, h}, 3);
            ASSERT_EQ(whole.status, kVdxOk);
            for (int c = 0; index == 1 && c < 4; ++c)
                EXPECT_EQ(whole.sample(shown[rotation][c][0], shown[rotation][c][1], 0),
                          p.luma(corners[c][0], corners[c][1]))
                    << "corner " << c;
        }
        // Without the mode bit the picture comes as stored.
        image.setOrientationMode(0);
        EXPECT_EQ(image.orientationFlags(), 0);
        const VdxRect stored{0, 0, 192, 128};
        expectRead(readRect(image, 1, stored, 3), pack.levels[0], 0, VdxExpect::YCC, stored,
                   {0, 1, 2});
    }
}

TEST(VdxImage, StridesLeaveGapsBetweenPixelsAndRowsUntouched) {
    const Pack pack = writePack();
    VdxImage image;
    ASSERT_EQ(openImage(image, pack.path), kVdxOk);
    const VdxRect r{3, 2, 40, 21};
    const Read read = readRect(image, 2, r, 4, 5);
    expectRead(read, pack.levels[1], 0, VdxExpect::RGB, r, {2, 1, 0});
    for (int64_t y = 0; y < r.y1 - r.y0; ++y) {
        for (int64_t x = 0; x < r.x1 - r.x0; ++x) ASSERT_EQ(read.sample(x, y, 3), 0xEE);
        for (int64_t pad = 0; pad < 5; ++pad)
            ASSERT_EQ(
                read.bytes[static_cast<size_t>(y * read.lineStride + 4 * (r.x1 - r.x0) + pad)],
                0xEE);
    }
}

TEST(VdxImage, RefusesBadRequests) {
    const Pack pack = writePack();
    VdxImage image;
    std::vector<uint8_t> out(768 * 512 * 3);
    image.selectResolution(1);
    image.setStrides(3, 3 * 192);
    EXPECT_EQ(image.readRectangle({0, 0, 1, 1}, out.data()), kVdxNotOpen);
    EXPECT_EQ(image.setColorFormat(kVdxYCC), kVdxNotOpen);
    ASSERT_EQ(openImage(image, pack.path), kVdxOk);
    EXPECT_EQ(image.setColorFormat(13), kVdxBadFormat);
    EXPECT_EQ(image.setColorFormat(9), kVdxBadFormat);
    image.selectResolution(1);
    image.setStrides(3, 3 * 192);
    for (const VdxRect& r :
         {VdxRect{-1, 0, 4, 4}, VdxRect{0, -1, 4, 4}, VdxRect{4, 0, 4, 4}, VdxRect{0, 4, 4, 4},
          VdxRect{0, 0, 193, 4}, VdxRect{0, 0, 4, 129}, VdxRect{5, 5, 2, 9}})
        EXPECT_EQ(image.readRectangle(r, out.data()), kVdxBadRectangle)
            << r.x0 << "," << r.y0 << " " << r.x1 << "," << r.y1;
    for (int index : {0, 4, 5, -1}) {
        image.selectResolution(index);
        EXPECT_EQ(image.readRectangle({0, 0, 1, 1}, out.data()), kVdxLevelMissing);
    }
    image.selectResolution(1);
    image.setStrides(2, 3 * 192);
    EXPECT_EQ(image.readRectangle({0, 0, 4, 4}, out.data()), kVdxBadStrides);
    image.setStrides(3, 11);
    EXPECT_EQ(image.readRectangle({0, 0, 4, 4}, out.data()), kVdxBadStrides);
    image.setColorFormat(kVdxLuminance);
    image.setStrides(1, 4);
    EXPECT_EQ(image.readRectangle({0, 0, 4, 4}, out.data()), kVdxOk);
}

TEST(VdxImage, OpenFailsOnFilesThatAreNotWholePacks) {
    const std::string dir = testDir();
    const VdxLevels levels = vdxPatternLevels();
    const std::vector<uint8_t> good = vdxPackBytes(levels);
    const auto cut = [&](uint64_t size) {
        return std::vector<uint8_t>(good.begin(), good.begin() + static_cast<ptrdiff_t>(size));
    };
    std::vector<uint8_t> other = good;
    other[2048] = 'W';
    const struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
        int status;
    } cases[] = {
        {"empty", {}, kVdxShortHeader},
        {"cut inside the signature", cut(2052), kVdxShortHeader},
        {"cut before the attributes", cut(0x0E02), kVdxShortHeader},
        {"header alone", cut(0x0E03), kVdxNoLevel},
        {"cut inside Base/16", cut(vdxFixtureLevelEnd(0) - 1), kVdxNoLevel},
        {"signature without its zero byte", vdxPackBytes(levels, {.signatureEnd = ' '}),
         kVdxNotPack},
        {"undefined highest resolution", vdxPackBytes(levels, {.highestResolution = 3}),
         kVdxBadAttributes},
        {"another signature", other, kVdxNotPack},
    };
    for (const Case& c : cases) {
        const std::string path = dir + "/case.vdx";
        writeFile(path, std::string(c.bytes.begin(), c.bytes.end()));
        VdxImage image;
        EXPECT_EQ(image.open(path), c.status) << c.name;
        EXPECT_FALSE(image.isOpen()) << c.name;
    }
    VdxImage image;
    EXPECT_EQ(image.open(dir + "/missing.vdx"), ENOENT);
    EXPECT_EQ(VdxImage::statusText(ENOENT), "No such file or directory");
}

TEST(VdxImage, TruncatedLevelsAreAbsentAndNeverRead) {
    const Pack pack = writePack();
    const std::string bytes = readFileBytes(pack.path);
    // Cut inside Base/4 and inside Base, and just after each.
    const std::pair<uint64_t, uint32_t> cuts[] = {{vdxFixtureLevelEnd(1) - 1, 0b0010},
                                                  {vdxFixtureLevelEnd(1), 0b0110},
                                                  {vdxFixtureLevelStart(2) + 5000, 0b0110},
                                                  {vdxFixtureLevelEnd(2) - 1, 0b0110},
                                                  {vdxFixtureLevelEnd(2), 0b1110}};
    std::vector<uint8_t> out(768 * 512 * 3);
    for (const auto& [cut, mask] : cuts) {
        SCOPED_TRACE("cut at " + std::to_string(cut));
        writeFile(pack.path, bytes.substr(0, cut));
        VdxImage image;
        ASSERT_EQ(openImage(image, pack.path), kVdxOk);
        uint32_t present = 0;
        int count = 0;
        image.availableResolutions(present, count);
        EXPECT_EQ(present, mask);
        for (int index : {1, 2, 3}) {
            uint16_t w = 0, h = 0;
            image.resolutionSize(index, w, h);
            image.selectResolution(index);
            image.setStrides(3, 3 * w);
            const int status = image.readRectangle(
                {0, 0, static_cast<int16_t>(w), static_cast<int16_t>(h)}, out.data());
            EXPECT_EQ(status, present & (1u << index) ? kVdxOk : kVdxLevelMissing);
        }
    }
}

TEST(VdxImage, AFileThatShrinksAfterOpeningFailsTheRead) {
    const Pack pack = writePack();
    VdxImage image;
    ASSERT_EQ(openImage(image, pack.path), kVdxOk);
    std::filesystem::resize_file(pack.path, vdxFixtureLevelStart(2) + 7000);
    std::vector<uint8_t> out(768 * 512 * 3);
    image.selectResolution(3);
    image.setStrides(3, 3 * 768);
    EXPECT_EQ(image.readRectangle({0, 0, 768, 512}, out.data()), kVdxShortRead);
    EXPECT_EQ(image.readRectangle({0, 0, 768, 2}, out.data()), kVdxOk);
}

TEST(VdxImage, ReadsThroughADescriptorItDoesNotOwn) {
    const Pack pack = writePack();
    const int descriptor = ::open(pack.path.c_str(), O_RDONLY);
    ASSERT_GE(descriptor, 0);
    {
        VdxImage image;
        ASSERT_EQ(image.open(static_cast<int16_t>(descriptor)), kVdxOk);
        image.setColorFormat(kVdxLuminance);
        const VdxRect r{0, 0, 192, 128};
        expectRead(readRect(image, 1, r, 1), pack.levels[0], 0, VdxExpect::Lum, r, {0});
        image.close();
    }
    EXPECT_NE(::fcntl(descriptor, F_GETFD), -1);
    ::close(descriptor);
    VdxImage image;
    EXPECT_EQ(image.open(static_cast<int16_t>(descriptor)), EBADF);
}
