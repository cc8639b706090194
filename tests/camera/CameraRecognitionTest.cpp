#include <cstdio>
#include <functional>

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

namespace {

struct ForeignFile {
    std::string name;
    // The class of the source that must open it by recognition.
    std::string source;
    std::function<void(const std::string& path)> write;
};

std::vector<ForeignFile> foreignFiles(const std::string& dir) {
    const auto rgb = fixturePattern(97, 61, 3);
    const auto grey = fixturePattern(1024, 768, 1);
    return {
        {"image.ppm", "ZynPpmImageSource",
         [rgb](const std::string& path) { writePpm(path, 97, 61, rgb); }},
        {"image.jpg", "ZynJpegImageSource",
         [](const std::string& path) { writeJpeg(path, JpegFixtureOptions()); }},
        // The JPEG recogniser comes before the EXIF one and takes EXIF files too.
        {"exif.jpg", "ZynJpegImageSource",
         [](const std::string& path) { writeExifJpeg(path, ExifFixtureOptions()); }},
        {"image.jp2", "ZynJ2KImageSource", writeJ2kSample},
        {"image24.bmp", "ZynBMPImageSource",
         [rgb](const std::string& path) { writeBmp(path, 97, 61, 24, rgb); }},
        {"image8.bmp", "ZynBMPImageSource",
         [](const std::string& path) {
             writeBmp(path, 97, 61, 8, fixturePattern(97, 61, 1), colourPalette());
         }},
        {"sample.tif", "ZynTiffImageSource", writeSampleTiff},
        {"tiled16.tif", "ZynTiffImageSource",
         [](const std::string& path) {
             TiffPage page{.width = 300,
                           .height = 200,
                           .bitsPerSample = 16,
                           .tileWidth = 64,
                           .tileHeight = 64};
             page.data = packTiffSamples(tiffPattern(300, 200, 1, 16), 300, 16);
             writeTiff(path, {page}, true);
         }},
        {"image.fpx", "ZynFpxImageSource", [](const std::string& path) { writeFpx(path, {}); }},
        // Base resolutions only: 384 sectors, a size LibRaw knows from a camera's headerless dumps.
        {"pack.vdx", "ZynVDXImageSource", writeVdxSample},
        // 1024 x 768 bytes, the same size.
        {"dump.lum", "ZynIMPSImageSource",
         [grey, dir](const std::string&) {
             writeImpsSet(dir, "dump", ImpsKind::Lum, {.width = 1024, .height = 768},
                          std::vector<uint32_t>(grey.begin(), grey.end()));
         }},
    };
}

}  // namespace

TEST(CameraRecognition, FilesOfOtherFormatsGoToTheirOwnSources) {
    const std::string dir = testDir();
    std::vector<ForeignFile> files = foreignFiles(dir);
    for (const auto& [name, image] : pngSamples())
        files.push_back({name, "ZynPNGImageSource",
                         [image](const std::string& path) { writePng(path, image); }});
    for (const ForeignFile& file : files) {
        SCOPED_TRACE(file.name);
        const std::string path = dir + "/" + file.name;
        file.write(path);
        FILE* handle = std::fopen(path.c_str(), "rb");
        ASSERT_TRUE(handle);
        EXPECT_FALSE(ZynRVQImageSource::recognize(qorWiden(path), handle, false));
        std::fclose(handle);
        ZynTransformPtr source = zynOpenByRecognition(qorWiden(path), false);
        ASSERT_TRUE(source);
        EXPECT_EQ(source->typeName(), file.source);
    }
}

TEST(CameraRecognition, UnderTraceTheRecogniserSaysWhatItRejects) {
    const std::string path = testDir() + "/image.ppm";
    writePpm(path, 4, 4, fixturePattern(4, 4, 3));
    ZynSettings::get().trace = true;
    OutputCapture capture;
    ZynRVQImageSource::recognize(qorWiden(path), nullptr, false);
    const std::string said = capture.finish();
    ZynSettings::get().trace = false;
    EXPECT_EQ(said, "Not a rvq file: " + path + "\n");
}
