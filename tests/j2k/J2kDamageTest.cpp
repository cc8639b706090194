#include <gtest/gtest.h>

#include "J2kTestSupport.h"
#include "PpmFixture.h"
#include "TestSupport.h"

namespace {

// Sets the file up and renders the first 64 x 64 pixels of every level: a damaged file fails
// with code 130 at one of the two steps. Returns that error (code 0 when nothing failed).
ZynError firstFailure(const std::string& path) {
    auto source = openJ2k(path, false);
    if (!source->status()) return source->error();
    const ZynImageOutputCP& out = *source->imageOutput(0);
    for (const ZynResolution& r : out.coordSpace()->resolutions()) {
        try {
            renderRect(*source, r,
                       {0, 0, std::min<int64_t>(r.width, 64), std::min<int64_t>(r.height, 64)},
                       out.dataOrg()->dataType(), out.dataOrg()->bands());
        } catch (const ZynError& e) {
            return e;
        }
    }
    return ZynError();
}

// `bytes` with `count` big-endian bytes of `v` written at each of the places.
std::string patched(std::string bytes, std::initializer_list<size_t> places, uint64_t v,
                    int count) {
    for (size_t at : places)
        for (int i = 0; i < count; ++i)
            bytes[at + static_cast<size_t>(i)] = static_cast<char>(v >> (8 * (count - 1 - i)));
    return bytes;
}

std::vector<std::pair<std::string, std::string>> damagedFiles(const std::string& good) {
    const size_t siz = good.find("\xFF\x4F\xFF\x51") + 2;
    const size_t cod = good.find("\xFF\x52", siz);
    const size_t sot = good.find("\xFF\x90", cod);
    // Absurd sizes, the same in the JP2 image header so that the codestream has to cope.
    const std::string absurdTiles = patched(patched(good, {siz + 6, siz + 10}, 0x7FFFFFF0, 4),
                                            {good.find("ihdr") + 4}, 0x7FFFFFF07FFFFFF0, 8);
    return {
        {"cut in the tile data", good.substr(0, good.size() * 2 / 3)},
        {"cut in the main header", good.substr(0, siz + 20)},
        {"marker length past the end", patched(good, {cod + 2}, 0xFFFF, 2)},
        {"marker length too short", patched(good, {siz + 2}, 10, 2)},
        {"tile-part longer than the file", patched(good, {sot + 6}, 0x7FFFFFFF, 4)},
        {"billions of tiles", absurdTiles},
        {"one tile of 2^31 x 2^31", patched(absurdTiles, {siz + 22, siz + 26}, 0x7FFFFFF0, 4)},
        {"no components", patched(good, {siz + 38}, 0, 2)},
        {"header box past the end", patched(good, {good.find("jp2h") - 4}, 0x7FFFFFFF, 4)},
        {"signature only", good.substr(0, 12)},
    };
}

}  // namespace

TEST(J2kDamage, DamagedFilesFailWithCode130) {
    const std::string dir = testDir();
    J2kFixtureOptions o;
    o.width = 120;
    o.height = 90;
    o.tileWidth = o.tileHeight = 64;
    o.levels = 3;
    writeJ2k(dir + "/good.jp2", o);
    const std::string good = readFileBytes(dir + "/good.jp2");
    ASSERT_EQ(firstFailure(dir + "/good.jp2").code(), 0);

    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    for (const auto& [name, bytes] : damagedFiles(good)) {
        SCOPED_TRACE(name);
        const std::string path = dir + "/damaged.jp2";
        writeFile(path, bytes);
        const ZynError e = firstFailure(path);
        EXPECT_EQ(e.code(), 130) << e.message();
        EXPECT_FALSE(e.message().empty());
    }
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
}
