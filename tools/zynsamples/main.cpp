// Writes a small sample image of every format the component reads into the given folder.

#include <cstdio>
#include <filesystem>
#include <string>

#include "BmpFixture.h"
#include "DngFixture.h"
#include "ExifFixture.h"
#include "FpxFixture.h"
#include "ImpsFixture.h"
#include "J2kFixture.h"
#include "JpegFixture.h"
#include "PngFixture.h"
#include "PpmFixture.h"
#include "TiffFixture.h"
#include "VdxFixture.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: zynsamples FOLDER\n");
        return 2;
    }
    const std::filesystem::path folder = argv[1];
    std::filesystem::create_directories(folder);
    writePpm((folder / "sample.ppm").string(), 97, 61, fixturePattern(97, 61, 3));
    writeBmp((folder / "sample24.bmp").string(), 97, 61, 24, fixturePattern(97, 61, 3));
    writeBmp((folder / "sample8.bmp").string(), 97, 61, 8, fixturePattern(97, 61, 1),
             colourPalette());
    const auto grey = fixturePattern(97, 61, 1);
    ImpsSet imps;
    imps.width = 97;
    imps.height = 61;
    writeImpsSet(folder.string(), "imps_sample", ImpsKind::Lum, imps,
                 std::vector<uint32_t>(grey.begin(), grey.end()));
    JpegFixtureOptions jpeg;
    jpeg.width = 97;
    jpeg.height = 61;
    writeJpeg((folder / "sample_jpeg.jpg").string(), jpeg);
    ExifFixtureOptions exif;
    exif.image.width = 97;
    exif.image.height = 61;
    exif.screenNail = true;
    writeExifJpeg((folder / "sample_exif.jpg").string(), exif);
    writeJ2kSample((folder / "sample.jp2").string());
    writeSampleTiff((folder / "sample.tif").string());
    for (const auto& [name, image] : pngSamples()) writePng((folder / name).string(), image);
    writeVdxSample((folder / "sample_vdx.vdx").string());
    FpxFixtureRecipe fpx;
    fpx.width = 150;
    fpx.height = 100;
    fpx.tiles = FpxFixtureTiles::JpegSharedTables;
    fpx.summary = true;
    writeFpx((folder / "sample.fpx").string(), fpx);
    writeDng((folder / "sample_camera.dng").string());
    writeDng((folder / "sample_camera_lossy.dng").string(),
             {.lossy = true, .preview = DngFixtureOptions::Preview::Jpeg});
    return 0;
}
