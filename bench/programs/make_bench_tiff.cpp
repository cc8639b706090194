// Writes tiled RGB images for the benchmarks:
//   make_bench_tiff OUT SIZE      an 8-bit pyramid in Deflate-coded 256 x 256 tiles; each level
//                                 halves the previous one down to under 512 pixels, marked as a
//                                 reduced-resolution image
//   make_bench_tiff OUT SIZE 16   one 16-bit level in uncompressed 256 x 256 tiles

#include <tiffio.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

// Smooth gradients with a little noise, so tiles compress as photographs roughly do; 16-bit
// ones span the whole range.
template <class T>
void fillTile(std::vector<T>& tile, uint32_t tx, uint32_t ty, uint32_t size) {
    constexpr bool wide = sizeof(T) > 1;
    constexpr uint64_t scale = wide ? 65000 : 255;
    uint32_t state = tx * 2654435761u ^ ty * 40503u;
    for (uint32_t y = 0; y < 256; ++y)
        for (uint32_t x = 0; x < 256; ++x) {
            state = state * 1103515245u + 12345u;
            const uint64_t gx = tx + x, gy = ty + y, noise = state >> (wide ? 24 : 28);
            T* p = &tile[(y * 256 + x) * 3];
            p[0] = static_cast<T>(gx * scale / size + noise);
            p[1] = static_cast<T>(gy * scale / size + noise);
            p[2] = static_cast<T>((wide ? (gx + gy) * 32000 / size : (gx + gy) >> 3) + noise);
        }
}

template <class T>
bool writeLevel(TIFF* tif, uint32_t size, bool reduced, uint16_t compression) {
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, size);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, size);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, static_cast<uint16_t>(8 * sizeof(T)));
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 3);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, compression);
    if (compression == COMPRESSION_ADOBE_DEFLATE) TIFFSetField(tif, TIFFTAG_ZIPQUALITY, 1);
    TIFFSetField(tif, TIFFTAG_TILEWIDTH, 256);
    TIFFSetField(tif, TIFFTAG_TILELENGTH, 256);
    if (reduced) TIFFSetField(tif, TIFFTAG_SUBFILETYPE, FILETYPE_REDUCEDIMAGE);
    std::vector<T> tile(256 * 256 * 3);
    for (uint32_t ty = 0; ty < size; ty += 256)
        for (uint32_t tx = 0; tx < size; tx += 256) {
            fillTile(tile, tx, ty, size);
            if (TIFFWriteEncodedTile(tif, TIFFComputeTile(tif, tx, ty, 0, 0), tile.data(),
                                     static_cast<tmsize_t>(tile.size() * sizeof(T))) < 0)
                return false;
        }
    return TIFFWriteDirectory(tif) != 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3 && !(argc == 4 && std::strcmp(argv[3], "16") == 0)) return 2;
    const long size = std::atol(argv[2]);
    TIFF* tif = TIFFOpen(argv[1], "w");
    if (!tif || size <= 0) return 1;
    bool ok = true;
    if (argc == 4) {
        ok = writeLevel<uint16_t>(tif, static_cast<uint32_t>(size), false, COMPRESSION_NONE);
    } else {
        for (uint32_t s = static_cast<uint32_t>(size); ok; s /= 2) {
            ok = writeLevel<uint8_t>(tif, s, s != static_cast<uint32_t>(size),
                                     COMPRESSION_ADOBE_DEFLATE);
            if (s < 512) break;
        }
    }
    TIFFClose(tif);
    return ok ? 0 : 1;
}
