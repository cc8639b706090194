#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "ZynColorSpace.h"
#include "ZynDataType.h"
#include "ZynSimpleDataOrg.h"
#include "ZynTiffDirectory.h"

// How the image of one TIFF directory is described to the framework (data type, bands, native
// tile) and how the strips or tiles the library decodes become samples of that description.
class ZynTiffLayout {
  public:
    ZynTiffLayout() = default;
    // Throws ZynError, its text ending in the file name, when the directory cannot be described.
    static ZynTiffLayout describe(const ZynTiffDirectory& directory, const std::string& fileName);

    // The colour space and sample range; throws ZynError when the photometric interpretation is
    // missing or not supported.
    ZynColorSpacePtr colorSpace(const ZynTiffDirectory& directory) const;

    uint32_t width() const { return width_; }
    uint32_t height() const { return height_; }
    ZynDataType dataType() const { return dataType_; }
    int bands() const { return bands_; }
    bool tiled() const { return tiled_; }
    // Planes of the file: one per band when bands are stored separately, else one.
    int planes() const { return planar_ ? bands_ : 1; }
    // Depths the description keeps but whose samples cannot be delivered (24-bit and the like).
    bool readable() const { return readable_; }
    const ZynDataOrgPtr& nativeTile() const { return nativeTile_; }

    // One strip (the image width by rows per strip) or one tile of the file.
    uint32_t chunkWidth() const { return chunkWidth_; }
    uint32_t chunkHeight() const { return chunkHeight_; }
    // Decoded bytes of the first `rows` rows of one plane of a strip or tile, and of one row.
    int64_t chunkBytes(uint32_t rows) const;
    int64_t chunkRowBytes() const;
    // Whether decoded rows are already samples of the data type, so they may land in a buffer.
    bool decodesToSamples() const;
    // Converts `columns` pixels of one decoded row, from `column` on, into consecutive samples at
    // `destination` (all bands of each pixel, or the plane's band).
    void convertRow(const std::byte* chunk, uint32_t row, uint32_t column, uint32_t columns,
                    std::byte* destination) const;

  private:
    bool subsampled() const { return subsampleH_ != 1 || subsampleV_ != 1; }
    // The values the samples can take before any sample-range tag narrows them.
    std::pair<double, double> naturalRange() const;
    template <class T>
    void unpackRow(const uint8_t* row, uint64_t firstSample, uint64_t count, T* out) const;
    void expandYCbCrRow(const std::byte* chunk, uint32_t row, uint32_t column, uint32_t columns,
                        std::byte* destination) const;

    uint32_t width_ = 0;
    uint32_t height_ = 0;
    ZynDataType dataType_ = kZynDefaultDataType;
    uint16_t bits_ = 8;
    bool signed_ = false;
    bool readable_ = true;
    int bands_ = 1;
    bool planar_ = false;
    bool tiled_ = false;
    uint32_t chunkWidth_ = 0;
    uint32_t chunkHeight_ = 0;
    uint16_t subsampleH_ = 1;
    uint16_t subsampleV_ = 1;
    ZynDataOrgPtr nativeTile_;
};
