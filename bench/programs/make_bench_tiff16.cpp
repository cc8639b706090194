// Writes an uncompressed tiled 16-bit RGB image for the benchmarks: make_bench_tiff16 OUT SIZE
// 256 x 256 tiles of smooth gradients with a little noise, over the whole 16-bit range.

#include <tiffio.h>

#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

void fillTile(std::vector<uint16_t>& tile, uint32_t tx, uint32_t ty, uint32_t size) {
    uint32_t state = tx * 2654435761u ^ ty * 40503u;
    for (uint32_t y = 0; y < 256; ++y)
        for (uint32_t x = 0; x < 256; ++x) {
            state = state * 1103515245u + 12345u;
            const uint64_t gx = tx + x, gy = ty + y, noise = state >> 24;
            uint16_t* p = &tile[(y * 256 + x) * 3];
            p[0] = static_cast<uint16_t>(gx * 65000 / size + noise);
            p[1] = static_cast<uint16_t>(gy * 65000 / size + noise);
            p[2] = static_cast<uint16_t>(((gx + gy) * 32000 / size) + noise);
        }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) return 2;
    const long size = std::atol(argv[2]);
    TIFF* tif = TIFFOpen(argv[1], "w");
    if (!tif || size <= 0) return 1;
    const auto s = static_cast<uint32_t>(size);
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, s);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, s);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 16);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 3);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_NONE);
    TIFFSetField(tif, TIFFTAG_TILEWIDTH, 256);
    TIFFSetField(tif, TIFFTAG_TILELENGTH, 256);
    std::vector<uint16_t> tile(256 * 256 * 3);
    bool ok = true;
    for (uint32_t ty = 0; ok && ty < s; ty += 256)
        for (uint32_t tx = 0; ok && tx < s; tx += 256) {
            fillTile(tile, tx, ty, s);
            ok = TIFFWriteEncodedTile(tif, TIFFComputeTile(tif, tx, ty, 0, 0), tile.data(),
                                      static_cast<tmsize_t>(tile.size() * 2)) >= 0;
        }
    ok = ok && TIFFWriteDirectory(tif);
    TIFFClose(tif);
    return ok ? 0 : 1;
}
