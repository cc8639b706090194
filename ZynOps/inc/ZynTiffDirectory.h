#pragma once

#include <cstdint>
#include <optional>

class TiffFile;

// The tags of one TIFF directory that describe its image, read once when the file is scanned so
// that descriptions never need the file again.
struct ZynTiffDirectory {
    uint32_t index = 0;  // position in the file's chain of directories
    uint32_t width = 0;
    uint32_t height = 0;
    uint16_t compression = 1;
    bool tiled = false;
    std::optional<uint32_t> subfileType;
    std::optional<uint16_t> bitsPerSample;
    std::optional<uint16_t> sampleFormat;
    std::optional<uint16_t> samplesPerPixel;
    uint16_t planarConfig = 1;
    std::optional<uint32_t> rowsPerStrip;
    std::optional<uint32_t> tileWidth;
    std::optional<uint32_t> tileLength;
    std::optional<uint16_t> photometric;
    // SMINSAMPLEVALUE, else MINSAMPLEVALUE; likewise for the maximum.
    std::optional<double> minSampleValue;
    std::optional<double> maxSampleValue;
    uint16_t firstExtraSample = 0;
    uint16_t ycbcrHorizontal = 1;
    uint16_t ycbcrVertical = 1;
    // Decoded size of one full strip or tile, as the library computes it.
    int64_t libraryChunkBytes = 0;

    // Reads the current directory of `file`; throws TiffError when the library cannot decode it.
    static ZynTiffDirectory read(const TiffFile& file, uint32_t index);
};
