// Writes the camera benchmark files: make_bench_camera WIDTH HEIGHT RAW.dng PLAIN.tif
// RAW.dng: a DNG of a 12-bit RGGB mosaic with a colour matrix and an RGB preview of an eighth of
// its size, as converters write them. PLAIN.tif: an RGB TIFF of the same size in one-row strips,
// the largest directories a non-raw file commonly has, for the recogniser to look through.

#include <tiffio.h>

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

namespace {

using Tiff = std::unique_ptr<TIFF, void (*)(TIFF*)>;

void imageTags(TIFF* tiff, uint32_t subfile, uint32_t width, uint32_t height, uint16_t bits,
               uint16_t samples, uint16_t photometric, uint32_t rowsPerStrip) {
    TIFFSetField(tiff, TIFFTAG_SUBFILETYPE, subfile);
    TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, width);
    TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, height);
    TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, bits);
    TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, samples);
    TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, photometric);
    TIFFSetField(tiff, TIFFTAG_COMPRESSION, COMPRESSION_NONE);
    TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, rowsPerStrip);
}

bool writeRgb(TIFF* tiff, uint32_t width, uint32_t height) {
    std::vector<uint8_t> row(size_t{width} * 3);
    for (uint32_t y = 0; y < height; ++y) {
        for (uint32_t x = 0; x < width; ++x) {
            row[x * 3] = static_cast<uint8_t>(x * 255 / width);
            row[x * 3 + 1] = static_cast<uint8_t>(y * 255 / height);
            row[x * 3 + 2] = static_cast<uint8_t>((x + y) & 0xFF);
        }
        if (TIFFWriteScanline(tiff, row.data(), y, 0) < 0) return false;
    }
    return true;
}

bool writeDng(const char* path, uint32_t width, uint32_t height) {
    Tiff tiff(TIFFOpen(path, "w"), TIFFClose);
    if (!tiff) return false;
    static const uint8_t version[4] = {1, 4, 0, 0};
    static const float matrix[9] = {0.6722f, -0.0635f, -0.0963f, -0.4287f, 1.2460f,
                                    0.2028f, -0.0908f, 0.2162f,  0.5668f};
    static const float neutral[3] = {0.5f, 1.0f, 0.6f};
    const uint32_t previewWidth = width / 8, previewHeight = height / 8;
    imageTags(tiff.get(), 1, previewWidth, previewHeight, 8, 3, PHOTOMETRIC_RGB, previewHeight);
    TIFFSetField(tiff.get(), TIFFTAG_DNGVERSION, version);
    TIFFSetField(tiff.get(), TIFFTAG_MAKE, "Benchcam");
    TIFFSetField(tiff.get(), TIFFTAG_MODEL, "Mosaic Twelve");
    TIFFSetField(tiff.get(), TIFFTAG_COLORMATRIX1, 9, matrix);
    TIFFSetField(tiff.get(), TIFFTAG_CALIBRATIONILLUMINANT1, uint16_t{21});
    TIFFSetField(tiff.get(), TIFFTAG_ASSHOTNEUTRAL, 3, neutral);
    uint64_t subIfd = 0;
    TIFFSetField(tiff.get(), TIFFTAG_SUBIFD, 1, &subIfd);
    if (!writeRgb(tiff.get(), previewWidth, previewHeight) || !TIFFWriteDirectory(tiff.get()))
        return false;

    imageTags(tiff.get(), 0, width, height, 16, 1, PHOTOMETRIC_CFA, 64);
    static const uint16_t repeat[2] = {2, 2};
    static const uint8_t rggb[4] = {0, 1, 1, 2};
    const uint32_t white = 4095;
    TIFFSetField(tiff.get(), TIFFTAG_CFAREPEATPATTERNDIM, repeat);
    TIFFSetField(tiff.get(), TIFFTAG_CFAPATTERN, 4, rggb);
    TIFFSetField(tiff.get(), TIFFTAG_WHITELEVEL, 1, &white);
    std::vector<uint16_t> row(width);
    for (uint32_t y = 0; y < height; ++y) {
        for (uint32_t x = 0; x < width; ++x)
            row[x] = static_cast<uint16_t>(
                (x * 4095 / width + y * 1024 / height + (x * 7 + y * 13) % 31) & 0xFFF);
        if (TIFFWriteScanline(tiff.get(), row.data(), y, 0) < 0) return false;
    }
    return TIFFWriteDirectory(tiff.get()) != 0;
}

bool writePlainTiff(const char* path, uint32_t width, uint32_t height) {
    Tiff tiff(TIFFOpen(path, "w"), TIFFClose);
    if (!tiff) return false;
    imageTags(tiff.get(), 0, width, height, 8, 3, PHOTOMETRIC_RGB, 1);
    return writeRgb(tiff.get(), width, height) && TIFFWriteDirectory(tiff.get());
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 5) return 2;
    const long width = std::atol(argv[1]), height = std::atol(argv[2]);
    if (width < 64 || height < 64) return 1;
    const auto w = static_cast<uint32_t>(width), h = static_cast<uint32_t>(height);
    return writeDng(argv[3], w, h) && writePlainTiff(argv[4], w, h) ? 0 : 1;
}
