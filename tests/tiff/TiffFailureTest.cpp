// Damaged and unusual TIFF files fail with their messages and codes, quietly; files are closed
// when they should be; metadata comes from the first directory.

#include <zlib.h>

#include <tuple>

#include "PpmFixture.h"
#include "TiffBytes.h"
#include "TiffTestSupport.h"
#include "ZynSettings.h"
#include "ZynTransformRegistryEntry.h"

namespace {

const std::string kOpenFailure = "\nTiffError caught in ZynTiffImageSourceOp::open(). ";
const std::string kRenderFailure = "\nTiffError caught in ZynTiffImageSourceOp::genRect().";

std::string fileSuffix(const std::string& path) {
    return "\nImage file,\"" + path + "\".";
}

// An RGB file of two directories (the second a reduced level); `rgb` receives the full size's
// pixels.
TiffBytes twoLevels(std::vector<uint32_t>& rgb, uint32_t rowsPerStrip = 0) {
    TiffPage full = bytePage(64, 48, 3, PHOTOMETRIC_RGB, rgb);
    full.rowsPerStrip = rowsPerStrip;
    std::vector<uint32_t> small;
    TiffPage reduced = bytePage(32, 24, 3, PHOTOMETRIC_RGB, small, 2);
    reduced.subfileType = FILETYPE_REDUCEDIMAGE;
    return TiffBytes(readFileBytes(tiffFile({full, reduced})));
}

// The bytes written to a file of a fresh folder; its path.
std::string fileOf(const TiffBytes& bytes) {
    const std::string path = testDir() + "/d.tif";
    writeFile(path, bytes.bytes());
    return path;
}

}  // namespace

TEST(TiffFailure, FilesThatCannotBeOpened) {
    auto unnamed = ZynTransformRegistry::create("TiffSource");
    EXPECT_TRUE(
        isZynError(setupError(*unnamed), 130, "No filename specified in ZynTiffImagesource"));
    const std::string missing = testDir() + "/missing.tif";
    EXPECT_TRUE(isZynError(openByName("TiffSource", missing)->error(), 130,
                           "\nInvalid file pointer in ZynTiffImageSourceOp." + fileSuffix(missing) +
                               "No such file or directory"));
    // A sound header whose chain holds no directory.
    const std::string empty = fileOf(TiffBytes(std::string("II\x2A\0\0\0\0\0", 8)));
    EXPECT_TRUE(isZynError(openByName("TiffSource", empty)->error(), 130,
                           "\nProblem opening image file " + fileSuffix(empty)));

    // Cut inside the header: the library's text.
    const std::string cut = fileOf(TiffBytes(std::string("II\x2A\0\x08", 5)));
    const ZynError e = openByName("TiffSource", cut)->error();
    EXPECT_EQ(e.code(), 130);
    EXPECT_TRUE(e.message().starts_with(kOpenFailure)) << e.message();
    EXPECT_TRUE(e.message().ends_with(fileSuffix(cut))) << e.message();
    EXPECT_GT(e.message().size(), kOpenFailure.size() + fileSuffix(cut).size())
        << "the library's text is missing: " << e.message();

    // Sizes past the decode budget are refused before anything is allocated for them.
    std::vector<uint32_t> rgb;
    TiffBytes wide = twoLevels(rgb, 16);
    wide.setLong(wide.ifd(0), TIFFTAG_IMAGEWIDTH, 0x7FFFFFFF);
    const ZynError budget = setupError(*openByName("TiffSource", fileOf(wide)));
    EXPECT_NE(budget.message().find("decode budget"), std::string::npos) << budget.message();

    TiffPage tiled = bytePage(64, 48, 3, PHOTOMETRIC_RGB, rgb);
    tiled.tileWidth = tiled.tileHeight = 16;
    TiffBytes tiles(readFileBytes(tiffFile({tiled})));
    tiles.setLong(tiles.ifd(0), TIFFTAG_TILEWIDTH, 1u << 20);
    tiles.setLong(tiles.ifd(0), TIFFTAG_TILELENGTH, 1u << 20);
    EXPECT_EQ(setupError(*openByName("TiffSource", fileOf(tiles))).code(), 130);
}

TEST(TiffFailure, DamagedDirectoriesAndStrips) {
    std::vector<uint32_t> rgb;
    const TiffBytes sound = twoLevels(rgb);

    // The second directory points back at the first: two levels, no endless scan.
    TiffBytes loop = sound;
    loop.setNextIfd(loop.ifd(1), loop.ifd(0));
    auto image = openByContent(fileOf(loop));
    ASSERT_TRUE(image->status()) << image->error().message();
    EXPECT_EQ(resolutionsOf(*image).size(), 2u);
    EXPECT_TRUE(samplesMatch(renderRect(*image, {64, 48}, {0, 0, 64, 48}), rgb, 64));

    // A level the library cannot decode is not offered; the rest of the file still is.
    TiffBytes unknown = sound;
    unknown.setLong(unknown.ifd(1), TIFFTAG_COMPRESSION, 34712);
    image = openByContent(fileOf(unknown));
    ASSERT_TRUE(image->status()) << image->error().message();
    EXPECT_EQ(resolutionsOf(*image), (std::vector<ZynResolution>{{64, 48}}));
    // ... and when no directory is usable, the scan's message stands.
    unknown.setLong(unknown.ifd(0), TIFFTAG_COMPRESSION, 34712);
    const std::string none = fileOf(unknown);
    EXPECT_TRUE(isZynError(openByName("TiffSource", none)->error(), 130,
                           "\nTiffError caught in ZynTiffImageSourceOp.Unsupported tiff "
                           "compression scheme 34712 Compression is UNKNOWN." +
                               fileSuffix(none)));

    // Pixels past the end of the file, compressed data cut short, and a strip claiming far more
    // bytes than the file holds: the description stands, the request fails.
    TiffPage lzw = bytePage(64, 48, 3, PHOTOMETRIC_RGB, rgb);
    lzw.compression = COMPRESSION_LZW;
    const TiffBytes compressed(readFileBytes(tiffFile({lzw})));
    const std::tuple<TiffBytes, uint16_t, uint32_t> damages[] = {
        {sound, TIFFTAG_STRIPOFFSETS, 0x7FFFFF00},
        {compressed, TIFFTAG_STRIPBYTECOUNTS, 40},
        {compressed, TIFFTAG_STRIPBYTECOUNTS, 0x3FFFFFFF},
    };
    for (auto [bytes, tag, value] : damages) {
        bytes.setLong(bytes.ifd(0), tag, value);
        const std::string path = fileOf(bytes);
        for (bool keepOpen : {true, false}) {
            image = openByContent(path, keepOpen);
            ASSERT_TRUE(image->status()) << image->error().message();
            const ZynError e = errorOf([&] { renderRect(*image, {64, 48}, {0, 0, 64, 48}); });
            EXPECT_EQ(e.code(), 130) << tag << " " << value;
            EXPECT_TRUE(e.message().starts_with(kRenderFailure)) << e.message();
        }
    }
}

// Deflate chunks decode away from the library when several threads render; damaged ones must
// come out exactly as the library gives them on one thread, failure or pixels.
TEST(TiffFailure, DamagedDeflateEndsAlikeOnOneAndSeveralThreads) {
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
    std::vector<uint8_t> reservedBlock = sound, wrongCheck = sound;
    reservedBlock[2] |= 0x06;
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
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        page.rawStrips = {c.strip};
        const std::string path = tiffFile({page});
        std::string outcomes[2];
        for (uint32_t threads : {1u, 2u}) {
            ScopedValue setting(ZynSettings::get().threads, threads);
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
        if (c.fails) {
            EXPECT_TRUE(outcomes[0].starts_with("error " + kRenderFailure)) << outcomes[0];
        }
        EXPECT_EQ(outcomes[1], outcomes[0]);
    }
}

TEST(TiffFailure, LibraryMessagesStayOffStandardErrorUnlessTracing) {
    std::vector<uint32_t> rgb;
    TiffBytes damaged = twoLevels(rgb);
    damaged.setLong(damaged.ifd(0), TIFFTAG_STRIPOFFSETS, 0x7FFFFF00);
    damaged.setTag(damaged.ifd(1), TIFFTAG_PHOTOMETRIC, 65000);
    const std::string path = fileOf(damaged);
    writeFile(path + ".cut", std::string("MM\0\x2A\0\0\0\x08\0", 9));
    const auto standardErrorOfOpenAndRender = [&] {
        testing::internal::CaptureStderr();
        auto image = openByContent(path);
        EXPECT_THROW(renderRect(*image, {64, 48}, {0, 0, 64, 48}), ZynError);
        openByName("TiffSource", path + ".cut");
        return testing::internal::GetCapturedStderr();
    };
    EXPECT_EQ(standardErrorOfOpenAndRender(), "");
    ScopedValue trace(ZynSettings::get().trace, true);
    EXPECT_NE(standardErrorOfOpenAndRender(), "");
}

// Metadata comes from the first directory; held open, one descriptor serves every level, and
// without keep_open none outlives a call, a failed one included.
TEST(TiffFailure, MetadataOfTheFirstDirectoryAndNoDescriptorLeftOpen) {
    std::vector<uint32_t> rgb;
    TiffPage page = bytePage(20, 10, 3, PHOTOMETRIC_RGB, rgb);
    page.xResolution = 300;
    page.yResolution = 150.5f;
    page.resolutionUnit = RESUNIT_CENTIMETER;
    page.orientation = ORIENTATION_RIGHTTOP;
    page.iccProfile = {1, 2, 3, 250, 0, 9};
    page.description = "a test picture";
    std::vector<uint32_t> small;
    TiffPage reduced = bytePage(10, 5, 3, PHOTOMETRIC_RGB, small);
    reduced.subfileType = FILETYPE_REDUCEDIMAGE;
    reduced.xResolution = 72;
    const std::string path = tiffFile({page, reduced});

    const size_t before = openDescriptorCount();
    for (bool keepOpen : {true, false}) {
        auto image = openByContent(path, keepOpen);
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
        EXPECT_TRUE(samplesMatch(renderRect(*image, {20, 10}, {0, 0, 20, 10}), rgb, 20));
        EXPECT_EQ(openDescriptorCount(), before + keepOpen) << keepOpen;
        image->setAttribute<bool>("keep_open", false);
        renderRect(*image, {10, 5}, {0, 0, 10, 5});
        EXPECT_EQ(openDescriptorCount(), before) << "after keep_open was switched off";
    }
    TiffBytes bytes(readFileBytes(path));
    bytes.setLong(bytes.ifd(1), TIFFTAG_STRIPOFFSETS, 0x7FFFFF00);
    auto damaged = openByContent(fileOf(bytes), false);
    EXPECT_THROW(renderRect(*damaged, {10, 5}, {0, 0, 10, 5}), ZynError);
    EXPECT_EQ(openDescriptorCount(), before) << "after a failed render";

    const CommandResult shown =
        runProgram(ANYIMAGE_EXE, {"meta", path, "ImageContainer.DisplayXResolution"});
    EXPECT_EQ(shown.status, 0) << shown.err;
    EXPECT_EQ(shown.out, "ImageContainer.DisplayXResolution: 300\n");

    auto broken = openByName("TiffSource", testDir() + "/missing.tif");
    VulMetaValue value;
    EXPECT_THROW(broken->readMetadata("ImageContainer.DisplayXResolution", value), ZynError);
}
