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

struct Damaged {
    std::string name;
    std::string bytes;
};

void putBigEndian(std::string& bytes, size_t at, uint64_t v, int count) {
    for (int i = 0; i < count; ++i)
        bytes[at + static_cast<size_t>(i)] = static_cast<char>(v >> (8 * (count - 1 - i)));
}

std::vector<Damaged> damagedFiles(const std::string& good) {
    const size_t siz = good.find("\xFF\x4F\xFF\x51") + 2;
    const size_t cod = good.find("\xFF\x52", siz);
    const size_t sot = good.find("\xFF\x90", cod);
    std::vector<Damaged> files;
    files.push_back({"cut in the tile data", good.substr(0, good.size() * 2 / 3)});
    files.push_back({"cut in the main header", good.substr(0, siz + 20)});
    std::string longCod = good;
    putBigEndian(longCod, cod + 2, 0xFFFF, 2);
    files.push_back({"marker length past the end", longCod});
    std::string shortSiz = good;
    putBigEndian(shortSiz, siz + 2, 10, 2);
    files.push_back({"marker length too short", shortSiz});
    std::string longTilePart = good;
    putBigEndian(longTilePart, sot + 6, 0x7FFFFFFF, 4);
    files.push_back({"tile-part longer than the file", longTilePart});
    // Absurd sizes, the same in the JP2 image header so that the codestream has to cope.
    std::string absurdTiles = good;
    putBigEndian(absurdTiles, siz + 6, 0x7FFFFFF0, 4);
    putBigEndian(absurdTiles, siz + 10, 0x7FFFFFF0, 4);
    putBigEndian(absurdTiles, good.find("ihdr") + 4, 0x7FFFFFF07FFFFFF0, 8);
    files.push_back({"billions of tiles", absurdTiles});
    std::string absurdSingleTile = absurdTiles;
    putBigEndian(absurdSingleTile, siz + 22, 0x7FFFFFF0, 4);
    putBigEndian(absurdSingleTile, siz + 26, 0x7FFFFFF0, 4);
    files.push_back({"one tile of 2^31 x 2^31", absurdSingleTile});
    std::string noComponents = good;
    putBigEndian(noComponents, siz + 38, 0, 2);
    files.push_back({"no components", noComponents});
    std::string longHeaderBox = good;
    putBigEndian(longHeaderBox, good.find("jp2h") - 4, 0x7FFFFFFF, 4);
    files.push_back({"header box past the end", longHeaderBox});
    files.push_back({"signature only", good.substr(0, 12)});
    return files;
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
    for (const Damaged& d : damagedFiles(good)) {
        SCOPED_TRACE(d.name);
        const std::string path = dir + "/damaged.jp2";
        writeFile(path, d.bytes);
        const ZynError e = firstFailure(path);
        EXPECT_EQ(e.code(), 130) << e.message();
        EXPECT_FALSE(e.message().empty());
    }
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
}
