// Damaged and unusual TIFF files fail with their messages and codes, quietly; files are closed
// when they should be; metadata comes from the first directory.

#include <fcntl.h>
#include <tiff.h>
#include <unistd.h>
#include <zlib.h>

#include <filesystem>

#include "PpmFixture.h"
#include "TiffBytes.h"
#include "TiffTestSupport.h"
#include "ZynSettings.h"
#include "ZynTransformRegistryEntry.h"

namespace {

std::string fileSuffix(const std::string& path) {
    return "\nImage file,\"" + path + "\".";
}

bool startsWith(const std::string& text, const std::string& prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

// An RGB file of two directories (the second a reduced level) and its full-size pixels.
std::string writeTwoLevels(const std::string& path, std::vector<uint32_t>& rgb,
                           uint32_t rowsPerStrip = 0) {
    TiffPage full = bytePage(64, 48, 3, PHOTOMETRIC_RGB, rgb);
    full.rowsPerStrip = rowsPerStrip;
    std::vector<uint32_t> small;
    TiffPage reduced = bytePage(32, 24, 3, PHOTOMETRIC_RGB, small, 2);
    reduced.subfileType = FILETYPE_REDUCEDIMAGE;
    writeTiff(path, {full, reduced});
    return readFileBytes(path);
}

// Runs `body` with standard error going to a file, and returns what was written there.
template <class Body>
std::string standardErrorOf(const std::string& path, Body body) {
    std::fflush(stderr);
    const int saved = dup(2);
    const int file = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    dup2(file, 2);
    ::close(file);
    body();
    std::fflush(stderr);
    dup2(saved, 2);
    ::close(saved);
    return readFileBytes(path);
}

}  // namespace

TEST(TiffFailure, FilesThatCannotBeOpened) {
    const std::string dir = testDir();
    auto unnamed = ZynTransformRegistry::create("TiffSource");
    EXPECT_FALSE(ZynGraph::statusOK(*unnamed));
    EXPECT_EQ(unnamed->error().code(), 130);
    EXPECT_EQ(unnamed->error().message(), "No filename specified in ZynTiffImagesource");

    auto missing = openByName("TiffSource", dir + "/missing.tif");
    EXPECT_EQ(missing->error().code(), 130);
    EXPECT_EQ(missing->error().message(), "\nInvalid file pointer in ZynTiffImageSourceOp." +
                                              fileSuffix(dir + "/missing.tif") +
                                              "No such file or directory");

    // A sound header whose chain holds no directory.
    writeFile(dir + "/empty.tif", std::string("II\x2A\0\0\0\0\0", 8));
    auto empty = openByName("TiffSource", dir + "/empty.tif");
    EXPECT_EQ(empty->error().code(), 130);
    EXPECT_EQ(empty->error().message(),
              "\nProblem opening image file " + fileSuffix(dir + "/empty.tif"));

    // Cut inside the header, or with the first directory past the end: the library's text.
    writeFile(dir + "/cut.tif", std::string("II\x2A\0\x08", 5));
    std::vector<uint32_t> rgb;
    TiffBytes far(writeTwoLevels(dir + "/far.tif", rgb));
    far.setFirstIfd(0x7FFFFFF0);
    writeFile(dir + "/far.tif", far.bytes());
    for (const char* name : {"/cut.tif", "/far.tif"}) {
        auto source = openByName("TiffSource", dir + name);
        EXPECT_EQ(source->error().code(), 130) << name;
        const std::string text = source->error().message();
        EXPECT_TRUE(startsWith(text, "\nTiffError caught in ZynTiffImageSourceOp::open(). "))
            << text;
        EXPECT_GT(text.size(),
                  std::string("\nTiffError caught in ZynTiffImageSourceOp::open(). ").size() +
                      fileSuffix(dir + name).size())
            << "the library's text is missing: " << text;
        EXPECT_TRUE(text.ends_with(fileSuffix(dir + name))) << text;
    }
}

TEST(TiffFailure, DamagedDirectoriesAndStrips) {
    const std::string dir = testDir();
    std::vector<uint32_t> rgb;
    const std::string sound = writeTwoLevels(dir + "/sound.tif", rgb);

    // The second directory points back at the first: two levels, no endless scan.
    TiffBytes loop(sound);
    loop.setNextIfd(loop.ifd(1), loop.ifd(0));
    writeFile(dir + "/loop.tif", loop.bytes());
    auto image = openByContent(dir + "/loop.tif");
    ASSERT_TRUE(image->status()) << image->error().message();
    EXPECT_EQ(resolutionsOf(*image).size(), 2u);
    EXPECT_TRUE(samplesMatch(renderRect(*image, {64, 48}, {0, 0, 64, 48}), rgb, 64));

    // A level the library cannot decode is not offered; the rest of the file still is.
    TiffBytes unknown(sound);
    unknown.setValue(unknown.ifd(1), TIFFTAG_COMPRESSION, 34712);
    writeFile(dir + "/level.tif", unknown.bytes());
    image = openByContent(dir + "/level.tif");
    ASSERT_TRUE(image->status()) << image->error().message();
    EXPECT_EQ(resolutionsOf(*image), (std::vector<ZynResolution>{{64, 48}}));
    // ... and when no directory is usable, the scan's message stands.
    unknown.setValue(unknown.ifd(0), TIFFTAG_COMPRESSION, 34712);
    writeFile(dir + "/none.tif", unknown.bytes());
    auto source = openByName("TiffSource", dir + "/none.tif");
    EXPECT_EQ(source->error().code(), 130);
    EXPECT_EQ(source->error().message(),
              "\nTiffError caught in ZynTiffImageSourceOp.Unsupported tiff compression scheme "
              "34712 Compression is UNKNOWN." +
                  fileSuffix(dir + "/none.tif"));

    // Pixels past the end of the file: the description stands, the request fails.
    TiffBytes past(sound);
    past.setValue(past.ifd(0), TIFFTAG_STRIPOFFSETS, 0x7FFFFF00);
    writeFile(dir + "/past.tif", past.bytes());
    // Compressed data cut short.
    TiffPage lzw = bytePage(64, 48, 3, PHOTOMETRIC_RGB, rgb);
    lzw.compression = COMPRESSION_LZW;
    writeTiff(dir + "/lzw.tif", {lzw});
    TiffBytes shorter(readFileBytes(dir + "/lzw.tif"));
    shorter.setValue(shorter.ifd(0), TIFFTAG_STRIPBYTECOUNTS, 40);
    writeFile(dir + "/shorter.tif", shorter.bytes());
    // A strip claiming far more bytes than the file holds.
    TiffBytes claims(readFileBytes(dir + "/lzw.tif"));
    claims.setValue(claims.ifd(0), TIFFTAG_STRIPBYTECOUNTS, 0x3FFFFFFF);
    writeFile(dir + "/claims.tif", claims.bytes());
    for (const char* name : {"/past.tif", "/shorter.tif", "/claims.tif"})
        for (bool keepOpen : {true, false}) {
            image = openByContent(dir + name, keepOpen);
            ASSERT_TRUE(image->status()) << name << image->error().message();
            try {
                renderRect(*image, {64, 48}, {0, 0, 64, 48});
                FAIL() << name << " rendered";
            } catch (const ZynError& e) {
                EXPECT_EQ(e.code(), 130) << name;
                EXPECT_TRUE(startsWith(e.message(),
                                       "\nTiffError caught in ZynTiffImageSourceOp::genRect()."))
                    << e.message();
            }
        }
}

// Deflate chunks decode away from the library when several threads render; damaged ones must
// come out exactly as the library gives them on one thread, failure or pixels.
TEST(TiffFailure, DamagedDeflateEndsAlikeOnOneAndSeveralThreads) {
    const std::string dir = testDir();
    std::vector<uint32_t> rgb;
    TiffPage page = bytePage(64, 48, 3, PHOTOMETRIC_RGB, rgb);
    page.compression = COMPRESSION_ADOBE_DEFLATE;
    const auto deflated = [](const std::vector<uint8_t>& bytes) {
        std::vector<uint8_t> out(compressBound(static_cast<uLong>(bytes.size())));
        uLongf size = static_cast<uLongf>(out.size());
        compress(out.data(), &size, bytes.data(), static_cast<uLong>(bytes.size()));
        out.resize(size);
        return out;
    };
    const std::vector<uint8_t> sound = deflated(page.data);
    std::vector<uint8_t> reservedBlock = sound;
    reservedBlock[2] |= 0x06;
    std::vector<uint8_t> wrongCheck = sound;
    wrongCheck.back() ^= 0x5A;
    const struct {
        const char* name;
        std::vector<uint8_t> strip;
        bool fails;  // else the library hands out what it made of the bytes
    } cases[] = {
        {"cut short", std::vector<uint8_t>(sound.begin(), sound.begin() + sound.size() / 2), true},
        {"fewer rows than the strip",
         deflated(std::vector<uint8_t>(page.data.begin(), page.data.begin() + 64 * 3 * 40)), true},
        {"reserved block type", reservedBlock, false},
        {"wrong check value", wrongCheck, false},
    };
    const uint32_t savedThreads = ZynSettings::get().threads;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        page.rawStrips = {c.strip};
        const std::string path = dir + "/damaged.tif";
        writeTiff(path, {page});
        std::string outcomes[2];
        for (uint32_t threads : {1u, 2u}) {
            ZynSettings::get().threads = threads;
            auto image = openByContent(path);
            ASSERT_TRUE(image->status()) << image->error().message();
            try {
                const ZynRectBuffer pixels = renderRect(*image, {64, 48}, {0, 0, 64, 48});
                outcomes[threads - 1].assign(reinterpret_cast<const char*>(pixels.at(0, 0)),
                                             64 * 48 * 3);
            } catch (const ZynError& e) {
                EXPECT_EQ(e.code(), 130);
                outcomes[threads - 1] = "error " + e.message();
            }
        }
        if (c.fails)
            EXPECT_TRUE(startsWith(outcomes[0],
                                   "error \nTiffError caught in ZynTiffImageSourceOp::genRect()."))
                << outcomes[0];
        EXPECT_EQ(outcomes[1], outcomes[0]);
    }
    ZynSettings::get().threads = savedThreads;
}

TEST(TiffFailure, HugeDeclaredSizesAreRefusedBeforeAnyAllocation) {
    const std::string dir = testDir();
    std::vector<uint32_t> rgb;
    TiffBytes wide(writeTwoLevels(dir + "/w.tif", rgb, 16));
    wide.setLong(wide.ifd(0), TIFFTAG_IMAGEWIDTH, 0x7FFFFFFF);
    writeFile(dir + "/wide.tif", wide.bytes());
    auto source = openByName("TiffSource", dir + "/wide.tif");
    EXPECT_FALSE(source->status());
    EXPECT_NE(source->error().message().find("decode budget"), std::string::npos)
        << source->error().message();

    TiffPage tiled = bytePage(64, 48, 3, PHOTOMETRIC_RGB, rgb);
    tiled.tileWidth = tiled.tileHeight = 16;
    writeTiff(dir + "/t.tif", {tiled});
    TiffBytes tiles(readFileBytes(dir + "/t.tif"));
    tiles.setLong(tiles.ifd(0), TIFFTAG_TILEWIDTH, 1u << 20);
    tiles.setLong(tiles.ifd(0), TIFFTAG_TILELENGTH, 1u << 20);
    writeFile(dir + "/tiles.tif", tiles.bytes());
    source = openByName("TiffSource", dir + "/tiles.tif");
    EXPECT_FALSE(source->status());
    EXPECT_EQ(source->error().code(), 130);
}

TEST(TiffFailure, LibraryMessagesStayOffStandardErrorUnlessTracing) {
    const std::string dir = testDir();
    std::vector<uint32_t> rgb;
    TiffBytes damaged(writeTwoLevels(dir + "/d.tif", rgb));
    damaged.setValue(damaged.ifd(0), TIFFTAG_STRIPOFFSETS, 0x7FFFFF00);
    damaged.setTag(damaged.ifd(1), TIFFTAG_PHOTOMETRIC, 65000);
    writeFile(dir + "/d.tif", damaged.bytes());
    const auto openAndRender = [&] {
        auto image = openByContent(dir + "/d.tif");
        EXPECT_THROW(renderRect(*image, {64, 48}, {0, 0, 64, 48}), ZynError);
        auto cut = openByName("TiffSource", dir + "/d.tif.cut");
    };
    writeFile(dir + "/d.tif.cut", std::string("MM\0\x2A\0\0\0\x08\0", 9));
    EXPECT_EQ(standardErrorOf(dir + "/quiet.txt", openAndRender), "");
    ZynSettings::get().trace = true;
    const std::string traced = standardErrorOf(dir + "/traced.txt", openAndRender);
    ZynSettings::get().trace = false;
    EXPECT_NE(traced, "");
}

TEST(TiffFailure, WithoutKeepOpenNoDescriptorOutlivesSetupOrRender) {
    const std::string dir = testDir();
    std::vector<uint32_t> rgb;
    writeTwoLevels(dir + "/k.tif", rgb, 5);
    TiffBytes damaged(readFileBytes(dir + "/k.tif"));
    damaged.setValue(damaged.ifd(1), TIFFTAG_STRIPOFFSETS, 0x7FFFFF00);
    writeFile(dir + "/bad.tif", damaged.bytes());

    const size_t before = openDescriptorCount();
    {
        auto image = openByContent(dir + "/k.tif", false);
        ASSERT_TRUE(image->status());
        EXPECT_EQ(openDescriptorCount(), before) << "after setup";
        renderRect(*image, {64, 48}, {3, 7, 50, 30});
        EXPECT_EQ(openDescriptorCount(), before) << "after a render";
        renderRect(*image, {32, 24}, {0, 0, 32, 24});
        EXPECT_EQ(openDescriptorCount(), before) << "after a render of the reduced level";
        VulMetaValue value;
        image->readMetadata("ImageContainer.DisplayXResolution", value);
        EXPECT_EQ(openDescriptorCount(), before) << "after reading metadata";

        auto bad = openByContent(dir + "/bad.tif", false);
        EXPECT_THROW(renderRect(*bad, {32, 24}, {0, 0, 32, 24}), ZynError);
        EXPECT_EQ(openDescriptorCount(), before) << "after a failed render";
    }
    {
        auto image = openByContent(dir + "/k.tif", true);
        EXPECT_EQ(openDescriptorCount(), before + 1) << "kept open";
        renderRect(*image, {32, 24}, {0, 0, 32, 24});
        EXPECT_EQ(openDescriptorCount(), before + 1) << "one descriptor for every level";
        image->setAttribute<bool>("keep_open", false);
        renderRect(*image, {64, 48}, {0, 0, 64, 48});
        EXPECT_EQ(openDescriptorCount(), before) << "after keep_open was switched off";
    }
    EXPECT_EQ(openDescriptorCount(), before);
}

TEST(TiffFailure, MetadataOfTheFirstDirectory) {
    const std::string dir = testDir();
    std::vector<uint32_t> rgb;
    TiffPage page = bytePage(20, 10, 3, PHOTOMETRIC_RGB, rgb);
    page.xResolution = 300;
    page.yResolution = 150.5f;
    page.resolutionUnit = RESUNIT_CENTIMETER;
    page.orientation = ORIENTATION_RIGHTTOP;
    page.iccProfile = {1, 2, 3, 250, 0, 9};
    page.description = "a test picture";
    TiffPage reduced = bytePage(10, 5, 3, PHOTOMETRIC_RGB, rgb);
    reduced.subfileType = FILETYPE_REDUCEDIMAGE;
    reduced.xResolution = 72;
    writeTiff(dir + "/m.tif", {page, reduced});

    for (bool keepOpen : {true, false}) {
        auto image = openByContent(dir + "/m.tif", keepOpen);
        ASSERT_TRUE(image->status());
        // Read after a render of the reduced level: the answers are still the first directory's.
        renderRect(*image, {10, 5}, {0, 0, 10, 5});
        const std::pair<std::string, VulMetaValue> answers[] = {
            {"ImageContainer.DisplayXResolution", 300.0},
            {"ImageContainer.DisplayYResolution", 150.5},
            {"ImageContainer.DisplayResolutionUnit", int64_t{RESUNIT_CENTIMETER}},
            {"ImageContainer.Orientation", int64_t{ORIENTATION_RIGHTTOP}},
            {"DigitalProcess.ICCProfile", page.iccProfile},
            {"ImageContainer.ImageDescription", "a test picture"},
            {"ImageContainer.Copyright", {}},
            {"No.Such.Key", {}},
        };
        for (const auto& [key, want] : answers) EXPECT_TRUE(metadataIs(*image, key, want));
        // Pixels are unaffected by the accessor's use of the file.
        EXPECT_TRUE(samplesMatch(renderRect(*image, {20, 10}, {0, 0, 20, 10}),
                                 tiffPattern(20, 10, 3, 8), 20));
    }

    const CommandResult shown =
        runProgram(ANYIMAGE_EXE, {"meta", dir + "/m.tif", "ImageContainer.DisplayXResolution"});
    EXPECT_EQ(shown.status, 0) << shown.err;
    EXPECT_EQ(shown.out, "ImageContainer.DisplayXResolution: 300\n");

    auto broken = openByName("TiffSource", dir + "/missing.tif");
    VulMetaValue value;
    EXPECT_THROW(broken->readMetadata("ImageContainer.DisplayXResolution", value), ZynError);
}
