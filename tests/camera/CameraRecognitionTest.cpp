#include <cstdio>

#include "BmpFixture.h"
#include "CameraTestSupport.h"
#include "ExifFixture.h"
#include "FpxFixture.h"
#include "ImpsFixture.h"
#include "J2kFixture.h"
#include "JpegFixture.h"
#include "PngFixture.h"
#include "PpmFixture.h"
#include "TestSupport.h"
#include "TiffFixture.h"
#include "VdxFixture.h"
#include "ZynAnyImageSource.h"
#include "ZynRecognizer.h"
#include "ZynSettings.h"

TEST(CameraRecognition, FilesOfOtherFormatsGoToTheirOwnSources) {
    const std::string dir = testDir();
    const auto rgb = fixturePattern(97, 61, 3);
    writePpm(dir + "/image.ppm", 97, 61, rgb);
    writeJpeg(dir + "/image.jpg", JpegFixtureOptions());
    writeExifJpeg(dir + "/exif.jpg", ExifFixtureOptions());
    writeJ2kSample(dir + "/image.jp2");
    writeBmp(dir + "/image24.bmp", 97, 61, 24, rgb);
    writeBmp(dir + "/image8.bmp", 97, 61, 8, fixturePattern(97, 61, 1), colourPalette());
    writeSampleTiff(dir + "/sample.tif");
    TiffPage page{
        .width = 300, .height = 200, .bitsPerSample = 16, .tileWidth = 64, .tileHeight = 64};
    page.data = packTiffSamples(tiffPattern(300, 200, 1, 16), 300, 16);
    writeTiff(dir + "/tiled16.tif", {page}, true);
    writeFpx(dir + "/image.fpx", {});
    writeVdxSample(dir + "/pack.vdx");
    const auto grey = fixturePattern(1024, 768, 1);
    writeImpsSet(dir, "dump", ImpsKind::Lum, {.width = 1024, .height = 768},
                 std::vector<uint32_t>(grey.begin(), grey.end()));
    std::vector<std::pair<std::string, std::string>> files = {
        {"image.ppm", "ZynPpmImageSource"},
        {"image.jpg", "ZynJpegImageSource"},
        // The JPEG recogniser comes before the EXIF one and takes EXIF files too.
        {"exif.jpg", "ZynJpegImageSource"},
        {"image.jp2", "ZynJ2KImageSource"},
        {"image24.bmp", "ZynBMPImageSource"},
        {"image8.bmp", "ZynBMPImageSource"},
        {"sample.tif", "ZynTiffImageSource"},
        {"tiled16.tif", "ZynTiffImageSource"},
        {"image.fpx", "ZynFpxImageSource"},
        // Base resolutions only: 384 sectors, a size LibRaw knows from a camera's headerless dumps.
        {"pack.vdx", "ZynVDXImageSource"},
        // 1024 x 768 bytes, the same size.
        {"dump.lum", "ZynIMPSImageSource"}};
    for (const auto& [name, image] : pngSamples()) {
        writePng(dir + "/" + name, image);
        files.push_back({name, "ZynPNGImageSource"});
    }
    for (const auto& [name, source] : files) {
        SCOPED_TRACE(name);
        const std::string path = dir + "/" + name;
        FILE* handle = std::fopen(path.c_str(), "rb");
        ASSERT_TRUE(handle);
        EXPECT_FALSE(ZynRVQImageSource::recognize(qorWiden(path), handle, false));
        std::fclose(handle);
        ZynTransformPtr opened = zynOpenByRecognition(qorWiden(path), false);
        ASSERT_TRUE(opened);
        EXPECT_EQ(opened->typeName(), source);
    }
    // Under trace the recogniser says what it rejects.
    ScopedValue trace(ZynSettings::get().trace, true);
    const std::string ppm = dir + "/image.ppm";
    EXPECT_EQ(printedBy([&] { ZynRVQImageSource::recognize(qorWiden(ppm), nullptr, false); }),
              "Not a rvq file: " + ppm + "\n");
}
