// Damaged files: every failure is a status, never a crash, a hang or an unbounded allocation.

#include <gtest/gtest.h>

#include "FpxFixture.h"
#include "FpxImage.h"
#include "FpxToolkit.h"
#include "PpmFixture.h"
#include "TestSupport.h"

namespace {

struct Toolkit {
    Toolkit() { fpxInitToolkit(); }
    ~Toolkit() { fpxCloseToolkit(); }
};

FpxStatus openStatus(const std::string& path, FpxImageHandle* kept = nullptr) {
    uint32_t w, h;
    FpxImageInfo info;
    FpxResolutionInfo levels;
    FpxImageHandle image;
    const FpxStatus s = fpxOpenImageByFilename(path, w, h, info, levels, image);
    if (kept) *kept = std::move(image);
    return s;
}

// A written file, damaged by the test and saved under a name of its own.
struct Damaged {
    explicit Damaged(const FpxFixtureSpec& recipe = {}) : dir(testDir()) {
        fixture = writeFpx(dir + "/good.fpx", recipe);
        bytes = readFileBytes(dir + "/good.fpx");
    }
    std::string save(const std::string& name) const {
        writeFile(dir + "/" + name, bytes);
        return dir + "/" + name;
    }
    uint64_t entry(const std::string& path) const {
        return fixture.layout.directoryOffset + 128 * uint64_t{fixture.layout.entries.at(path)};
    }
    uint32_t sectorOf(uint64_t offset) const {
        return static_cast<uint32_t>(offset / fixture.layout.sectorSize - 1);
    }
    uint64_t fatEntry(uint32_t sector) const {
        return fixture.layout.fatOffset + 4 * uint64_t{sector};
    }
    uint64_t stream(const std::string& path) const { return fixture.layout.streams.at(path); }

    std::string dir;
    FpxFixture fixture;
    std::string bytes;
};

std::uint32_t readU32(const std::string& bytes, uint64_t at) {
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = v << 8 | static_cast<uint8_t>(bytes[at + i]);
    return v;
}

const std::string kFull = FpxFixture::levelPath(1);
const std::string kReduced = FpxFixture::levelPath(0);
const std::string kContents = "Data Object Store 000001/\005Image Contents";

}  // namespace

TEST(FpxContainer, FilesThatAreNoContainerOrAreCutShort) {
    Toolkit toolkit;
    Damaged d;
    writeFile(d.dir + "/ppm.fpx", "P6\n1 1\n255\nabc");
    EXPECT_EQ(openStatus(d.dir + "/ppm.fpx"), FpxStatus::InvalidFormat);
    EXPECT_EQ(openStatus(d.dir + "/missing.fpx"), FpxStatus::FileNotFound);
    EXPECT_EQ(openStatus(d.dir), FpxStatus::FileNotFound);
    const std::string good = d.bytes;
    for (size_t cut : {size_t{100}, size_t{600}, good.size() / 2}) {
        d.bytes = good.substr(0, cut);
        EXPECT_NE(openStatus(d.save("cut.fpx")), FpxStatus::Ok) << cut;
    }
}

// Damage to the header, the sector chains, the directory or the image contents' property set.
TEST(FpxContainer, StructuralDamageMakesTheFileInvalid) {
    Toolkit toolkit;
    Damaged d;
    const CompoundFileWriter::Layout& layout = d.fixture.layout;
    const uint32_t dirSector = d.sectorOf(layout.directoryOffset);
    const uint32_t data = d.sectorOf(d.stream(kFull + "/Subimage 0000 Data"));
    const uint64_t dataEntry = d.entry(kFull + "/Subimage 0000 Data");
    const uint32_t contentsStart = readU32(d.bytes, d.entry(kContents) + 0x74);
    const uint64_t section = d.stream(kContents) + 48;
    const uint64_t store = d.entry("Data Object Store 000001");
    struct Patch {
        std::string name;
        uint64_t at;
        uint32_t value;
        int bytes = 4;
    };
    std::vector<Patch> patches = {
        {"FAT sector count", 0x2C, 0x7FFFFFFF},
        {"first directory sector past the end", 0x30, 0x00FFFFF0},
        {"directory chain back to itself", d.fatEntry(dirSector), dirSector},
        {"loop of two tile data sectors", d.fatEntry(data + 1), data},
        {"chain ends before the stream", d.fatEntry(data + 3), 0xFFFFFFFE},
        {"chain starts past the file", dataEntry + 0x74, 0x10000000},
        {"stream size past the file", dataEntry + 0x78, 0x7FFFFFFF},
        {"mini-FAT loop", layout.miniFatOffset + 4 * uint64_t{contentsStart}, contentsStart},
        {"siblings back to an earlier one", d.entry(kReduced) + 0x48, layout.entries.at(kContents)},
        {"child past the directory", store + 0x4C, 5000},
        {"root that is no root", layout.directoryOffset + 0x42, 1, 1},
        {"stream where a storage belongs", store + 0x42, 2, 1},
        {"property count", section + 4, 0x7FFFFFFF},
        {"first value's offset", section + 12, 0x7FFFFFF0},
        {"section offset", d.stream(kContents) + 44, 0xFFFFFFF0},
    };
    for (uint16_t shift : {7, 8, 10, 16, 31, 0xFFFF})
        patches.push_back({"sector shift " + std::to_string(shift), 0x1E, shift, 2});
    const std::string good = d.bytes;
    for (const Patch& p : patches) {
        d.bytes = good;
        for (int i = 0; i < p.bytes; ++i) d.bytes[p.at + i] = static_cast<char>(p.value >> 8 * i);
        EXPECT_EQ(openStatus(d.save("damaged.fpx")), FpxStatus::InvalidFormat) << p.name;
    }

    // Counts inside values: a resolution count past any file, a colour blob of huge length.
    for (int variant = 0; variant < 2; ++variant) {
        PropertySetWriter contents;
        contents.addUInt32(0x01000000, variant == 0 ? 1000 : 1);
        contents.addUInt32(0x01000002, 10);
        contents.addUInt32(0x01000003, 10);
        contents.addBlob(0x02000002, littleEndian(1, 4) +
                                         littleEndian(variant == 0 ? 1 : 0x40000000, 4) +
                                         littleEndian(0, 4));
        CompoundFileWriter cfb;
        cfb.setRootClassId(flashPixClassId(0x56616700));
        cfb.addStorage("Data Object Store 000001", flashPixClassId(0x56616000));
        cfb.addStream(kContents, contents.build(flashPixClassId(0x56616400)));
        writeFile(d.dir + "/counts.fpx", cfb.build());
        EXPECT_EQ(openStatus(d.dir + "/counts.fpx"), FpxStatus::InvalidFormat) << variant;
    }
}

TEST(FpxContainer, TileTableDamageFailsOnlyTheTilesItTouches) {
    Toolkit toolkit;
    FpxFixtureSpec recipe;
    recipe.tiles = FpxFixtureTiles::Jpeg;
    Damaged d(recipe);
    const uint64_t table = d.stream(kFull + "/Subimage 0000 Header") + 64;
    patchU32(d.bytes, table + 0, 0xFFFFFF00);       // tile 0 starts past its stream
    patchU32(d.bytes, table + 16 + 4, 0x7FFFFFFF);  // tile 1 runs past it
    patchU32(d.bytes, table + 32 + 8, 7);           // tile 2 has an unknown compression
    // Tile 3's data is garbage.
    const uint64_t data = d.stream(kFull + "/Subimage 0000 Data");
    const uint32_t tile3 = readU32(d.bytes, table + 48);
    for (int i = 20; i < 200; ++i) d.bytes[data + 28 + tile3 + i] = static_cast<char>(i * 37);
    FpxImageHandle image;
    ASSERT_EQ(openStatus(d.save("tiles.fpx"), &image), FpxStatus::Ok);

    std::vector<uint8_t> pixels(64 * 64 * 3);
    FpxImageDesc desc;
    desc.numChannels = 3;
    for (int k = 0; k < 3; ++k)
        desc.channels[k] = {kFpxChannelRed + k, FpxSampleKind::UInt8, 3, 64 * 3, pixels.data() + k};
    auto readTile = [&](uint32_t tx, uint32_t ty) {
        return fpxReadImageRectangle(image.get(), tx * 64, ty * 64, tx * 64 + 9, ty * 64 + 5, 0,
                                     desc);
    };
    EXPECT_EQ(readTile(0, 0), FpxStatus::CorruptTile);
    EXPECT_EQ(readTile(1, 0), FpxStatus::CorruptTile);
    EXPECT_EQ(readTile(0, 1), FpxStatus::CorruptTile);
    readTile(1, 1);  // whatever libjpeg makes of the garbage, it must not crash
    EXPECT_EQ(fpxReadImageRectangle(image.get(), 0, 0, 9, 9, 1, desc), FpxStatus::Ok);
}

TEST(FpxContainer, DamagedReducedLevelIsMarkedAbsent) {
    Toolkit toolkit;
    Damaged d;
    patchU32(d.bytes, d.stream(kReduced + "/Subimage 0000 Header") + 44, 32);  // tile width
    FpxImageHandle image;
    ASSERT_EQ(openStatus(d.save("level.fpx"), &image), FpxStatus::LevelUnreadable);
    FpxResolutionInfo levels;
    ASSERT_EQ(fpxGetResolutionInfo(image.get(), levels), FpxStatus::Ok);
    ASSERT_EQ(levels.size(), 2u);
    EXPECT_TRUE(levels[0].present);
    EXPECT_FALSE(levels[1].present);

    // The same damage at the full resolution leaves nothing to show.
    patchU32(d.bytes, d.stream(kFull + "/Subimage 0000 Header") + 40, 5);  // tile count
    EXPECT_EQ(openStatus(d.save("full.fpx")), FpxStatus::InvalidFormat);
}

TEST(FpxContainer, ViewsWithoutImagesAndOtherCompoundFiles) {
    Toolkit toolkit;
    const std::string dir = testDir();
    CompoundFileWriter view;
    view.setRootClassId(flashPixClassId(0x56616700));
    view.addStream("\005Global Info", PropertySetWriter().build(flashPixClassId(0x56616F00)));
    writeFile(dir + "/view.fpx", view.build());
    EXPECT_EQ(openStatus(dir + "/view.fpx"), FpxStatus::ViewOnlyFile);
    EXPECT_EQ(fpxIsValidFlashPixFile(dir + "/view.fpx"), FpxStatus::ViewOnlyFile);

    CompoundFileWriter other;
    other.addStream("WordDocument", std::string(5000, 'x'));
    writeFile(dir + "/other.doc", other.build());
    EXPECT_EQ(openStatus(dir + "/other.doc"), FpxStatus::InvalidFormat);
    EXPECT_EQ(fpxIsValidFlashPixFile(dir + "/other.doc"), FpxStatus::InvalidFormat);

    writeFpx(dir + "/image.bin", {});
    EXPECT_EQ(fpxIsValidFlashPixFile(dir + "/image.bin"), FpxStatus::Ok);
}

// Large sectors, and files big enough that their FAT sectors are listed in DIFAT sectors.
TEST(FpxContainer, LargeSectorsAndLongFatLists) {
    Toolkit toolkit;
    const std::string dir = testDir();
    FpxFixtureSpec large;
    large.sectorShift = 12;
    large.color = FpxFixtureColor::MonochromeAlpha;
    const FpxFixture l = writeFpx(dir + "/v4.fpx", large);
    FpxImageHandle image;
    ASSERT_EQ(openStatus(dir + "/v4.fpx", &image), FpxStatus::Ok);
    std::vector<uint8_t> pixels(100 * 70 * 2);
    FpxImageDesc desc;
    desc.numChannels = 2;
    desc.channels[0] = {kFpxChannelMonochrome, FpxSampleKind::UInt8, 2, 200, pixels.data()};
    desc.channels[1] = {kFpxChannelAlpha, FpxSampleKind::UInt8, 2, 200, pixels.data() + 1};
    ASSERT_EQ(fpxReadImageRectangle(image.get(), 0, 0, 99, 69, 0, desc), FpxStatus::Ok);
    EXPECT_EQ(pixels, l.levels[0].pixels);

    FpxFixtureSpec big;
    big.width = 2400;
    big.height = 2300;
    big.levels = 1;
    Damaged d(big);
    ASSERT_EQ(readU32(d.bytes, 0x48), 2u);  // two DIFAT sectors in use
    ASSERT_EQ(openStatus(d.save("big.fpx"), &image), FpxStatus::Ok);
    std::vector<uint8_t> corner(40 * 30 * 3);
    desc.numChannels = 3;
    for (int k = 0; k < 3; ++k)
        desc.channels[k] = {kFpxChannelRed + k, FpxSampleKind::UInt8, 3, 40 * 3, corner.data() + k};
    ASSERT_EQ(fpxReadImageRectangle(image.get(), 2360, 2270, 2399, 2299, 0, desc), FpxStatus::Ok);
    for (uint32_t y = 0; y < 30; ++y)
        for (uint32_t x = 0; x < 120; ++x)
            ASSERT_EQ(corner[y * 120 + x],
                      d.fixture.levels[0].pixels[((2270 + y) * 2400 + 2360) * 3 + x]);

    // A DIFAT chain that leads back to itself, and a DIFAT count that is too small.
    const std::string good = d.bytes;
    const uint32_t difat = readU32(good, 0x44);
    patchU32(d.bytes, (uint64_t{difat} + 1) * 512 + 508, difat);
    EXPECT_EQ(openStatus(d.save("difatloop.fpx")), FpxStatus::InvalidFormat);
    d.bytes = good;
    patchU32(d.bytes, 0x48, 1);
    EXPECT_EQ(openStatus(d.save("difat1.fpx")), FpxStatus::InvalidFormat);
}
