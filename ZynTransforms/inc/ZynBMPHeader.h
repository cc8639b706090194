#pragma once

#include <array>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <vector>

#include "ZynBufferInfo.h"
#include "ZynHeaderItem.h"

// The header of an uncompressed Windows 3.x bitmap (8 or 24 bits per pixel), its palette, and
// the two layouts a source reads it with.
class ZynBMPHeader {
  public:
    ZynBMPHeader();
    ZynBMPHeader(const ZynBMPHeader&) = delete;
    ZynBMPHeader& operator=(const ZynBMPHeader&) = delete;
    ~ZynBMPHeader();

    // Fills and validates the fields and builds the layouts; throws ZynError 130.
    void read(FILE* file);
    void reset();

    uint16_t fileType = 0;
    uint32_t fileSize = 0;
    uint32_t dataOffset = 0;
    uint32_t infoSize = 0;
    int32_t width = 0;
    int32_t height = 0;  // negative for rows stored top-down
    uint16_t planes = 0;
    uint16_t bitCount = 0;
    uint32_t compression = 0;
    uint32_t imageSize = 0;
    uint32_t xPixelsPerMeter = 0;
    uint32_t yPixelsPerMeter = 0;
    uint32_t colorsUsed = 0;
    uint32_t colorsImportant = 0;

    // 256 entries of blue, green, red, reserved; null unless the file is colour-mapped.
    std::unique_ptr<uint8_t[]> palette;
    bool hasPalette = false;
    bool isGrey = false;
    // For a grey palette that is not the identity ramp: the grey of each index; empty otherwise.
    std::vector<uint8_t> greyLevels;

    ZynBufferInfoPtr fileLayout;
    ZynBufferInfoPtr outputLayout;

    uint32_t imageHeight() const {
        return height < 0 ? 0u - static_cast<uint32_t>(height) : height;
    }
    bool topDown() const { return height < 0; }
    // Bytes of pixels in one row, and the same padded to 4 bytes as rows are stored.
    int64_t rowBytes() const { return int64_t{width} * (bitCount / 8); }
    int64_t fileStride() const { return (rowBytes() + 3) & ~int64_t{3}; }

  private:
    void validate(bool complete) const;
    void readPalette(FILE* file);
    void takeGreyPalette();
    void buildLayouts();

    std::vector<std::unique_ptr<ZynHeaderItem>> items_;
};
