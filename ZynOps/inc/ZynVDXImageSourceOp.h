#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "ZynImageSourceOp.h"
#include "ZynVDXFile.h"

// Renders one resolution of a photo disc file. The library writes pixel-interleaved 8-bit
// samples in its own band order (blue, green, red for RGB), so the op fills buffers whose band
// offsets are that order, straight in; its native tile is the whole resolution in that order.
class ZynVDXImageSourceOp : public ZynImageSourceOp {
  public:
    // `bandOffsets` gives where each band of the colour space lies in a delivered pixel.
    ZynVDXImageSourceOp(std::shared_ptr<ZynVDXFile> file, int index, const ZynResolution& size,
                        int format, ZynColorSpacePtr colorSpace, std::vector<int64_t> bandOffsets);

    bool outputInfo(ZynOutputInfo& info) override;
    bool canFill(const ZynRectBuffer& buffer) override;
    void genRect(ZynRectBuffer& buffer) override;
    ZynColorSpacePtr getColorSpace() override { return colorSpace_; }

  private:
    std::shared_ptr<ZynVDXFile> file_;
    int index_;
    ZynResolution size_;
    int format_;
    ZynColorSpacePtr colorSpace_;
    ZynDataOrgPtr delivered_;
    // The band whose samples come first in a delivered pixel.
    int firstBand_;
};
