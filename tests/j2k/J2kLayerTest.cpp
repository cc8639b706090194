#include <gtest/gtest.h>

#include "J2kDecoder.h"
#include "J2kFixture.h"
#include "PpmFixture.h"
#include "QorError.h"
#include "QorString.h"
#include "TestSupport.h"

namespace {

const std::string kSignature("\x00\x00\x00\x0C\x6A\x50\x20\x20\x0D\x0A\x87\x0A", 12);

std::string bigEndian(uint64_t v, int bytes) {
    std::string out;
    for (int i = bytes - 1; i >= 0; --i) out += static_cast<char>(v >> (8 * i));
    return out;
}

std::string box(const std::string& type, const std::string& payload) {
    return bigEndian(payload.size() + 8, 4) + type + payload;
}

std::string extendedBox(const std::string& type, const std::string& payload) {
    return bigEndian(1, 4) + type + bigEndian(payload.size() + 16, 8) + payload;
}

std::string enumerated(uint32_t space) {
    return box("colr", std::string("\x01\x00\x00", 3) + bigEndian(space, 4));
}

std::unique_ptr<QorStream> openStream(const std::string& path) {
    QorStreamFactory factory;
    auto stream = factory.create(qorWiden(path), "rb");
    EXPECT_TRUE(stream) << factory.error().message();
    return stream;
}

J2kColorSpec colorSpecOf(const std::string& bytes) {
    const std::string path = testDir() + "/boxes.jp2";
    writeFile(path, bytes);
    auto stream = openStream(path);
    QorStreamView view = stream->view();
    return j2kReadColorSpec(view, stream->size());
}

}  // namespace

TEST(J2kLayer, SignatureIsTheWholeFirstBox) {
    const auto* bytes = reinterpret_cast<const uint8_t*>(kSignature.data());
    EXPECT_TRUE(j2kHasSignature(bytes, 12));
    EXPECT_FALSE(j2kHasSignature(bytes, 11));
    std::string changed = kSignature;
    changed[11] = 0x0B;
    EXPECT_FALSE(j2kHasSignature(reinterpret_cast<const uint8_t*>(changed.data()), 12));
    const uint8_t codestream[12] = {0xFF, 0x4F, 0xFF, 0x51};
    EXPECT_FALSE(j2kHasSignature(codestream, 12));
}

TEST(J2kLayer, FirstColorBoxOfTheHeaderBox) {
    const std::string ihdr = box("ihdr", std::string(14, '\0'));
    EXPECT_EQ(colorSpecOf(kSignature + box("jp2h", ihdr + enumerated(17))).enumerated, 17u);
    // Later colour boxes are ignored; boxes of any length form, before and inside the header.
    EXPECT_EQ(colorSpecOf(kSignature + extendedBox("ftyp", "jp2 ") +
                          extendedBox("jp2h", ihdr + enumerated(18) + enumerated(16)))
                  .enumerated,
              18u);
    EXPECT_EQ(colorSpecOf(kSignature + box("uuid", std::string(40, 'u')) + bigEndian(0, 4) +
                          "jp2h" + ihdr + enumerated(16))
                  .enumerated,
              16u);

    const std::vector<uint8_t> profile = fakeIccProfile("GRAY");
    const J2kColorSpec icc = colorSpecOf(
        kSignature +
        box("jp2h", ihdr + box("colr", std::string("\x02\x00\x00", 3) +
                                           std::string(profile.begin(), profile.end()))));
    EXPECT_EQ(icc.enumerated, kJ2kIccLuminance);
    EXPECT_EQ(icc.iccProfile, profile);
}

TEST(J2kLayer, MalformedBoxesGiveNoColorSpec) {
    const std::string ihdr = box("ihdr", std::string(14, '\0'));
    const std::string cases[] = {
        kSignature,
        // The codestream before any header box.
        kSignature + box("jp2c", std::string(20, '\xFF')) + box("jp2h", enumerated(16)),
        // A header box longer than the file.
        kSignature + bigEndian(4000, 4) + "jp2h" + ihdr + enumerated(16),
        // A box shorter than its own header.
        kSignature + bigEndian(5, 4) + "jp2h" + enumerated(16),
        // A colour box cut short.
        kSignature + box("jp2h", ihdr + box("colr", std::string("\x01\x00\x00\x00", 4))),
        // An extended length that overflows.
        kSignature + bigEndian(1, 4) + "jp2h" + std::string(8, '\xFF') + enumerated(16),
    };
    for (const std::string& bytes : cases) {
        const J2kColorSpec spec = colorSpecOf(bytes);
        EXPECT_EQ(spec.enumerated, 0u);
        EXPECT_TRUE(spec.iccProfile.empty());
    }
}

TEST(J2kLayer, HeaderOfATiledLayeredFile) {
    const std::string path = testDir() + "/h.jp2";
    J2kFixtureOptions o;
    o.width = 150;
    o.height = 100;
    o.x0 = 3;
    o.y0 = 2;
    o.tileWidth = 64;
    o.tileHeight = 48;
    o.levels = 4;
    o.layers = 3;
    o.colorTransform = true;
    o.precision = 12;
    writeJ2k(path, o);
    auto stream = openStream(path);
    J2kDecoder decoder(*stream);
    J2kHeader h;
    ASSERT_TRUE(decoder.readHeader(h)) << decoder.errorText();
    EXPECT_EQ(h.x0, 3u);
    EXPECT_EQ(h.x1, 153u);
    EXPECT_EQ(h.y1, 102u);
    EXPECT_EQ(h.tileWidth, 64u);
    EXPECT_EQ(h.tileHeight, 48u);
    EXPECT_EQ(h.tilesAcross, 3u);
    EXPECT_EQ(h.tilesDown, 3u);
    EXPECT_EQ(h.levels, 4u);
    EXPECT_EQ(h.layers, 3u);
    EXPECT_TRUE(h.componentTransform);
    ASSERT_EQ(h.components.size(), 3u);
    EXPECT_EQ(h.components[2].precision, 12u);
    EXPECT_FALSE(h.components[2].isSigned);
    EXPECT_EQ(h.color.enumerated, 16u);
    EXPECT_EQ(h.levelWidth(1), 75u);   // ceil(153 / 2) - ceil(3 / 2)
    EXPECT_EQ(h.levelHeight(3), 12u);  // ceil(102 / 8) - ceil(2 / 8)
}

TEST(J2kLayer, LibraryMessagesBecomeTheErrorTextNotStderr) {
    const std::string dir = testDir();
    writeFile(dir + "/junk.jp2", kSignature + std::string(64, '\0'));
    auto junk = openStream(dir + "/junk.jp2");
    J2kHeader h;
    testing::internal::CaptureStderr();
    J2kDecoder junkDecoder(*junk);
    EXPECT_FALSE(junkDecoder.readHeader(h));
    EXPECT_FALSE(junkDecoder.errorText().empty());

    J2kFixtureOptions o;
    writeJ2k(dir + "/a.jp2", o);
    auto stream = openStream(dir + "/a.jp2");
    J2kDecoder decoder(*stream);
    ASSERT_TRUE(decoder.readHeader(h));
    std::vector<uint8_t> samples(64 * 48 * 3);
    const J2kTarget target{
        J2kSampleType::UInt8, {&samples[0], &samples[1], &samples[2]}, 3, 3 * 64};
    EXPECT_FALSE(decoder.decode(h, {0, 0, 0, 0, 65, 48}, target));
    EXPECT_EQ(decoder.errorText(), "The region or target does not fit the JPEG 2000 image");
    EXPECT_TRUE(decoder.decode(h, {0, 0, 0, 0, 64, 48}, target));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}
