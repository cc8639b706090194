// The floor for statistics of 16-bit TIFF samples, libtiff alone: floor_tiff16 FILE
// decodes every tile of the first directory and takes each band's minimum, maximum and mean.

#include <tiffio.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

// Samples are folded into 16 * bands lanes, one band each, so the loop vectorises; the 32-bit
// lane sums are moved to 64-bit totals after every tile row, long before they could overflow.
int statistics(TIFF* tif) {
    uint32_t width = 0, height = 0, tileWidth = 0, tileHeight = 0;
    uint16_t bands = 1, bits = 0;
    TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &width);
    TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &height);
    TIFFGetField(tif, TIFFTAG_TILEWIDTH, &tileWidth);
    TIFFGetField(tif, TIFFTAG_TILELENGTH, &tileHeight);
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &bands);
    TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &bits);
    if (!tileWidth || !tileHeight || bits != 16) return 1;
    std::vector<uint16_t> tile(static_cast<size_t>(TIFFTileSize(tif)) / 2);
    const size_t lanes = 16 * size_t{bands};
    std::vector<uint32_t> sum(lanes, 0);
    std::vector<uint64_t> total(lanes, 0);
    std::vector<uint16_t> low(lanes, 65535), high(lanes, 0);
    for (uint32_t y = 0; y < height; y += tileHeight)
        for (uint32_t x = 0; x < width; x += tileWidth) {
            if (TIFFReadEncodedTile(tif, TIFFComputeTile(tif, x, y, 0, 0), tile.data(),
                                    static_cast<tmsize_t>(tile.size() * 2)) < 0)
                return 1;
            const size_t rowSamples = std::min(tileWidth, width - x) * size_t{bands};
            for (uint32_t r = 0; r < std::min(tileHeight, height - y); ++r) {
                const uint16_t* row = &tile[size_t{r} * tileWidth * bands];
                size_t i = 0;
                for (; i + lanes <= rowSamples; i += lanes)
                    for (size_t k = 0; k < lanes; ++k) {
                        const uint16_t v = row[i + k];
                        sum[k] += v;
                        low[k] = std::min(low[k], v);
                        high[k] = std::max(high[k], v);
                    }
                for (; i < rowSamples; ++i) {
                    const size_t k = i % lanes;
                    sum[k] += row[i];
                    low[k] = std::min(low[k], row[i]);
                    high[k] = std::max(high[k], row[i]);
                }
            }
            for (size_t k = 0; k < lanes; ++k) total[k] += sum[k], sum[k] = 0;
        }
    const double pixels = double(width) * height;
    for (size_t b = 0; b < bands; ++b) {
        uint64_t all = 0;
        uint16_t lo = 65535, hi = 0;
        for (size_t k = b; k < lanes; k += bands)
            all += total[k], lo = std::min(lo, low[k]), hi = std::max(hi, high[k]);
        std::printf("band %zu: min %d max %d mean %g\n", b, lo, hi, double(all) / pixels);
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    TIFF* tif = TIFFOpen(argv[1], "r");
    if (!tif) return 1;
    const int status = statistics(tif);
    TIFFClose(tif);
    return status;
}
