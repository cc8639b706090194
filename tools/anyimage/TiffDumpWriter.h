#pragma once

#include <tiffio.h>

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "ZynColorSpace.h"
#include "ZynRectBuffer.h"

// Writes strips of a pixel-interleaved image to a TIFF file with its samples exactly as they
// are: any data type and band count, the photometric interpretation of the colour space where
// TIFF has one (else grey with extra samples), the sample range as SMin/SMaxSampleValue, in
// 256 x 256 Deflate tiles.
class TiffDumpWriter {
  public:
    TiffDumpWriter(const std::string& path, uint32_t width, uint32_t height, ZynDataType type,
                   int bands, const ZynColorSpace& colorSpace);

    void write(const ZynRectBuffer& strip);
    // Completes the file; throws when anything could not be written.
    void finish();

  private:
    static constexpr uint32_t kTile = 256;

    void describe(ZynDataType type, int bands, const ZynColorSpace& colorSpace);
    void writeTileRow();
    [[noreturn]] void fail() const;

    std::string path_;
    std::unique_ptr<TIFF, void (*)(TIFF*)> tif_;
    uint32_t width_;
    uint32_t height_;
    size_t pixelBytes_;
    // The rows of the tile row being gathered, and how many it holds.
    std::vector<std::byte> rows_;
    uint32_t rowsHeld_ = 0;
    uint32_t tileRowTop_ = 0;
    std::vector<std::byte> tile_;
};
