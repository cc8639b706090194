#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "ZynDataType.h"

// Interleave kinds, numbered as the raw-file descriptions number them.
enum class ZynInterleave : int { Pixel = 0, Line = 1, Band = 2 };

// Layout of samples in memory: sample (x, y, b) sits at
// (x * pixelStride + y * lineStride + bandOffset[b]) samples from the origin.
class ZynSimpleDataOrg {
  public:
    // A compact layout of the given kind.
    ZynSimpleDataOrg(uint32_t width, uint32_t height, ZynDataType type, int bands,
                     ZynInterleave interleave = ZynInterleave::Pixel);
    // A layout given by explicit band offsets and strides (in samples).
    ZynSimpleDataOrg(uint32_t width, uint32_t height, ZynDataType type, ZynInterleave interleave,
                     std::vector<int64_t> bandOffsets, int64_t pixelStride, int64_t lineStride);

    uint32_t width() const { return width_; }
    uint32_t height() const { return height_; }
    ZynDataType dataType() const { return type_; }
    int bands() const { return static_cast<int>(bandOffsets_.size()); }
    ZynInterleave interleave() const { return interleave_; }
    bool hasExplicitOffsets() const { return explicit_; }
    int64_t bandOffset(int band) const { return bandOffsets_[static_cast<size_t>(band)]; }
    const std::vector<int64_t>& bandOffsets() const { return bandOffsets_; }
    int64_t pixelStride() const { return pixelStride_; }
    int64_t lineStride() const { return lineStride_; }
    size_t sampleSize() const { return zynSampleSize(type_); }

    // Smallest and largest sample offset of the layout, and the bytes a buffer needs for it.
    int64_t minOffset() const;
    int64_t maxOffset() const;
    size_t bytesNeeded() const;

    // Pixel-interleaved with offsets 0, 1, 2, ... and pixel stride = bands: rows are contiguous.
    bool isPackedPixelInterleaved() const;

    // The same strides and offsets over another size.
    ZynSimpleDataOrg withSize(uint32_t width, uint32_t height) const;
    // The same layout with a compact line stride recomputed for another size.
    ZynSimpleDataOrg resized(uint32_t width, uint32_t height) const;
    // A layout of the listed bands of this one, in the listed order, over the same memory.
    ZynSimpleDataOrg selectBands(const std::vector<int>& bands) const;

    std::string toText() const;

    bool operator==(const ZynSimpleDataOrg& other) const;

  private:
    uint32_t width_;
    uint32_t height_;
    ZynDataType type_;
    ZynInterleave interleave_;
    bool explicit_;
    std::vector<int64_t> bandOffsets_;
    int64_t pixelStride_;
    int64_t lineStride_;
};

using ZynDataOrgPtr = std::shared_ptr<const ZynSimpleDataOrg>;
