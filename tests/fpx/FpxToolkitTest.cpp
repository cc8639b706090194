#include <gtest/gtest.h>

#include <tuple>

#include "FpxFixture.h"
#include "FpxImage.h"
#include "FpxToolkit.h"
#include "PpmFixture.h"
#include "TestSupport.h"

namespace {

// Holds the toolkit initialised for a test.
struct Toolkit {
    Toolkit() { EXPECT_EQ(fpxInitToolkit(), FpxStatus::Ok); }
    ~Toolkit() { EXPECT_EQ(fpxCloseToolkit(), FpxStatus::Ok); }
};

struct Opened {
    FpxStatus status = FpxStatus::Ok;
    uint32_t width = 0, height = 0;
    FpxImageInfo info;
    FpxResolutionInfo levels;
    FpxImageHandle image;
};

Opened openImage(const std::string& path) {
    Opened o;
    o.status = fpxOpenImageByFilename(path, o.width, o.height, o.info, o.levels, o.image);
    return o;
}

// Writes the recipe to a fresh folder and opens it.
Opened writeAndOpen(const FpxFixtureRecipe& recipe) {
    const std::string path = testDir() + "/image.fpx";
    writeFpx(path, recipe);
    return openImage(path);
}

using Color = FpxFixtureColor;

}  // namespace

TEST(FpxToolkit, SummaryInformation) {
    Toolkit toolkit;
    FpxFixtureRecipe recipe{.summary = true};
    Opened o = writeAndOpen(recipe);
    NIFSummaryInformation summary;
    ASSERT_EQ(fpxGetSummaryInformation(o.image.get(), summary), FpxStatus::Ok);
    EXPECT_EQ(summary.title.view(), "Harbour at dawn");
    EXPECT_EQ(summary.author.view(), "A. Photographer \xc3\xa9");
    EXPECT_EQ(summary.subject.length, 0u);
    EXPECT_EQ(summary.created.dwHighDateTime, 0x01D9A0B0u);
    EXPECT_EQ(summary.created.dwLowDateTime, 0xC0D0E0F0u);
    EXPECT_EQ(summary.pageCount, 1u);
    EXPECT_EQ(summary.applicationName.view(), "fixture writer");
    ASSERT_EQ(summary.thumbnail.length, 5u);
    EXPECT_EQ(summary.thumbnail.ptr[4], 5);
    // A copy owns its values: clearing the original leaves it whole and terminated.
    const NIFSummaryInformation copy = summary;
    summary.title.clear();
    summary.thumbnail.clear();
    EXPECT_EQ(copy.title.view(), "Harbour at dawn");
    EXPECT_EQ(copy.title.ptr[copy.title.length], '\0');
    EXPECT_EQ(copy.thumbnail.ptr[4], 5);
    o = writeAndOpen({});
    EXPECT_EQ(fpxGetSummaryInformation(o.image.get(), summary), FpxStatus::PropertyNotFound);
}

// Damaged files: every failure is a status, never a crash, a hang or an unbounded allocation.
namespace {

// A written file, damaged by the test and saved under a name of its own.
struct Damaged {
    explicit Damaged(const FpxFixtureRecipe& recipe = {}) : dir(testDir()) {
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

// A folder, files cut short, and damage to the header, the sector chains, the directory, the
// image contents' property set or the full resolution's header.
TEST(FpxContainer, StructuralDamageMakesTheFileInvalid) {
    Toolkit toolkit;
    Damaged d;
    EXPECT_EQ(openImage(d.dir).status, FpxStatus::FileNotFound);
    const std::string good = d.bytes;
    for (size_t cut : {size_t{100}, size_t{600}, good.size() / 2}) {
        d.bytes = good.substr(0, cut);
        EXPECT_NE(openImage(d.save("cut.fpx")).status, FpxStatus::Ok) << cut;
    }
    d.bytes = good;

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
    const Patch patches[] = {
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
        // A damaged reduced level is only left out; see the source's tests.
        {"full resolution's tile count", d.stream(kFull + "/Subimage 0000 Header") + 40, 5},
        {"sector shift of a version 4 file in a version 3 one", 0x1E, 12, 2},
    };
    for (const Patch& p : patches) {
        d.bytes = good;
        for (int i = 0; i < p.bytes; ++i) d.bytes[p.at + i] = static_cast<char>(p.value >> 8 * i);
        EXPECT_EQ(openImage(d.save("damaged.fpx")).status, FpxStatus::InvalidFormat) << p.name;
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
        EXPECT_EQ(openImage(d.dir + "/counts.fpx").status, FpxStatus::InvalidFormat) << variant;
    }
}

// Large sectors, and files big enough that their FAT sectors are listed in DIFAT sectors; read
// as a host opens them, which leaves the alpha channel out.
TEST(FpxContainer, LargeSectorsAndLongFatLists) {
    Toolkit toolkit;
    Damaged large({.color = Color::MonochromeAlpha, .sectorShift = 12});
    EXPECT_TRUE(samplesMatch(renderRect(*openByContent(large.save("large.fpx")), {100, 70},
                                        {0, 0, 100, 70}, ZynDataType::UInt8, 1),
                             large.fixture.levels[0].pixels, 100, 0, 2));

    Damaged d({.width = 2400, .height = 2300, .levels = 1});
    ASSERT_EQ(readU32(d.bytes, 0x48), 2u);  // two DIFAT sectors in use
    EXPECT_TRUE(samplesMatch(renderRect(*openByContent(d.save("big.fpx")), {2400, 2300},
                                        {2360, 2270, 40, 30}, ZynDataType::UInt8, 3),
                             d.fixture.levels[0].pixels, 2400));

    // A DIFAT chain that leads back to itself, and a DIFAT count that is too small.
    const std::string good = d.bytes;
    const uint32_t difat = readU32(good, 0x44);
    patchU32(d.bytes, (uint64_t{difat} + 1) * 512 + 508, difat);
    EXPECT_EQ(openImage(d.save("difatloop.fpx")).status, FpxStatus::InvalidFormat);
    d.bytes = good;
    patchU32(d.bytes, 0x48, 1);
    EXPECT_EQ(openImage(d.save("difat1.fpx")).status, FpxStatus::InvalidFormat);
}
