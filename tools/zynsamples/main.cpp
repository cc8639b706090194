// Writes a small sample image of every format the component reads into the given folder.

#include <cstdio>
#include <filesystem>
#include <string>

#include "FpxFixture.h"
#include "PpmFixture.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: zynsamples FOLDER\n");
        return 2;
    }
    const std::filesystem::path folder = argv[1];
    std::filesystem::create_directories(folder);
    writePpm((folder / "sample.ppm").string(), 97, 61, fixturePattern(97, 61, 3));
    FpxFixtureSpec fpx;
    fpx.width = 150;
    fpx.height = 100;
    fpx.tiles = FpxFixtureTiles::JpegSharedTables;
    fpx.summary = true;
    writeFpx((folder / "sample.fpx").string(), fpx);
    return 0;
}
