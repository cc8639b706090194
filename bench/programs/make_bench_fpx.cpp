// Writes a large JPEG-tiled FlashPix file for the benchmarks, and next to it the JPEG tables and
// tile streams of its full resolution for the floor:
//   make_bench_fpx WIDTH HEIGHT OUT.fpx OUT.tiles
// Bench programs link only the codec libraries, so the fixtures' writer is compiled in.

#include <cstdio>
#include <cstdlib>

#include "../../tests/fixtures/FpxFixture.cpp"
#include "../../tests/fixtures/JpegFixture.cpp"
#include "../../tests/fixtures/PpmFixture.cpp"

namespace {

// Each stream as a 32-bit little-endian length and its bytes; the tables come first.
void writeStreams(const std::string& path, const FpxFixture& fixture) {
    std::string out;
    auto add = [&](const std::string& bytes) {
        out += littleEndian(bytes.size(), 4);
        out += bytes;
    };
    add(fixture.jpegTables);
    for (const std::string& tile : fixture.levels[0].jpegTiles) add(tile);
    writeFile(path, out);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 5) return 2;
    FpxFixtureRecipe recipe;
    recipe.width = static_cast<uint32_t>(std::atol(argv[1]));
    recipe.height = static_cast<uint32_t>(std::atol(argv[2]));
    recipe.tiles = FpxFixtureTiles::JpegSharedTables;
    recipe.photographic = true;
    recipe.jpegSubsampled = true;
    if (recipe.width == 0 || recipe.height == 0) return 1;
    writeStreams(argv[4], writeFpx(argv[3], recipe));
    return 0;
}
