// The floor for TIFF work, libtiff alone on a tiled file:
//   floor_tiff FILE LEVEL                 decode every tile of directory LEVEL and take each
//                                         band's minimum, maximum and mean (8 or 16 bits)
//   floor_tiff FILE LEVEL X Y W H OUT     decode the tiles under a rectangle, write it as PPM

#include <tiffio.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <vector>

namespace {

struct Image {
    TIFF* tif;
    uint32_t width, height, tileWidth, tileHeight;
    uint16_t bands, bits;
    std::vector<uint8_t> tile;
};

bool openLevel(const char* path, int level, Image& image) {
    image.tif = TIFFOpen(path, "r");
    if (!image.tif || !TIFFSetDirectory(image.tif, static_cast<tdir_t>(level))) return false;
    TIFFGetField(image.tif, TIFFTAG_IMAGEWIDTH, &image.width);
    TIFFGetField(image.tif, TIFFTAG_IMAGELENGTH, &image.height);
    TIFFGetField(image.tif, TIFFTAG_TILEWIDTH, &image.tileWidth);
    TIFFGetField(image.tif, TIFFTAG_TILELENGTH, &image.tileHeight);
    TIFFGetFieldDefaulted(image.tif, TIFFTAG_SAMPLESPERPIXEL, &image.bands);
    TIFFGetFieldDefaulted(image.tif, TIFFTAG_BITSPERSAMPLE, &image.bits);
    image.tile.resize(static_cast<size_t>(TIFFTileSize(image.tif)));
    return image.tileWidth > 0 && image.tileHeight > 0;
}

bool readTile(Image& image, uint32_t x, uint32_t y, void* into) {
    return TIFFReadEncodedTile(image.tif, TIFFComputeTile(image.tif, x, y, 0, 0), into,
                               static_cast<tmsize_t>(image.tile.size())) >= 0;
}

// Samples are folded into 16 * Bands lanes, one band each, so the loop vectorises as the
// component's own statistics do; the 32-bit lane sums are flushed after every row, long before
// they could overflow.
template <class T, size_t Bands>
int statistics(Image& image) {
    constexpr size_t lanes = 16 * Bands;
    uint32_t sum[lanes] = {};
    uint64_t total[lanes] = {};
    T low[lanes], high[lanes] = {};
    std::fill(std::begin(low), std::end(low), std::numeric_limits<T>::max());
    std::vector<T> samples(image.tile.size() / sizeof(T));
    for (uint32_t y = 0; y < image.height; y += image.tileHeight)
        for (uint32_t x = 0; x < image.width; x += image.tileWidth) {
            if (!readTile(image, x, y, samples.data())) return 1;
            const size_t rowSamples = std::min(image.tileWidth, image.width - x) * Bands;
            for (uint32_t r = 0; r < std::min(image.tileHeight, image.height - y); ++r) {
                const T* row = &samples[size_t{r} * image.tileWidth * Bands];
                size_t i = 0;
                for (; i + lanes <= rowSamples; i += lanes)
                    for (size_t k = 0; k < lanes; ++k) {
                        const T v = row[i + k];
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
                for (size_t k = 0; k < lanes; ++k) total[k] += sum[k], sum[k] = 0;
            }
        }
    const double pixels = double(image.width) * image.height;
    for (size_t b = 0; b < Bands; ++b) {
        uint64_t all = 0;
        T lo = std::numeric_limits<T>::max(), hi = 0;
        for (size_t k = b; k < lanes; k += Bands)
            all += total[k], lo = std::min(lo, low[k]), hi = std::max(hi, high[k]);
        std::printf("band %zu: min %d max %d mean %g\n", b, int{lo}, int{hi}, double(all) / pixels);
    }
    return 0;
}

template <class T>
int statisticsOf(Image& image) {
    switch (image.bands) {
        case 1:
            return statistics<T, 1>(image);
        case 2:
            return statistics<T, 2>(image);
        case 3:
            return statistics<T, 3>(image);
        case 4:
            return statistics<T, 4>(image);
        default:
            return 1;
    }
}

int rectangle(Image& image, uint32_t x0, uint32_t y0, uint32_t w, uint32_t h, const char* out) {
    const size_t bands = image.bands;
    std::vector<uint8_t> pixels(size_t{w} * h * bands);
    for (uint32_t ty = y0 / image.tileHeight * image.tileHeight; ty < y0 + h;
         ty += image.tileHeight)
        for (uint32_t tx = x0 / image.tileWidth * image.tileWidth; tx < x0 + w;
             tx += image.tileWidth) {
            if (!readTile(image, tx, ty, image.tile.data())) return 1;
            const uint32_t left = std::max(tx, x0), right = std::min(tx + image.tileWidth, x0 + w);
            for (uint32_t y = std::max(ty, y0); y < std::min(ty + image.tileHeight, y0 + h); ++y)
                std::copy_n(&image.tile[((y - ty) * size_t{image.tileWidth} + left - tx) * bands],
                            (right - left) * bands,
                            &pixels[((y - y0) * size_t{w} + left - x0) * bands]);
        }
    FILE* file = std::fopen(out, "wb");
    if (!file) return 1;
    std::fprintf(file, "P6\n%u %u\n255\n", w, h);
    std::fwrite(pixels.data(), 1, pixels.size(), file);
    return std::fclose(file) == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3 && argc != 8) return 2;
    Image image{};
    if (!openLevel(argv[1], std::atoi(argv[2]), image)) return 1;
    const int status = argc == 3 ? (image.bits == 16 ? statisticsOf<uint16_t>(image)
                                                     : statisticsOf<uint8_t>(image))
                                 : rectangle(image, static_cast<uint32_t>(std::atol(argv[3])),
                                             static_cast<uint32_t>(std::atol(argv[4])),
                                             static_cast<uint32_t>(std::atol(argv[5])),
                                             static_cast<uint32_t>(std::atol(argv[6])), argv[7]);
    TIFFClose(image.tif);
    return status;
}
