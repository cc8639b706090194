#pragma once

#include <functional>

#include "ZynImageSourceOp.h"

// The op of one resolution of an EXIF source. The source does the reading (its readers are shared
// by all resolutions and serialised together); the op says what it can fill and hands requests
// on. The main image comes in full-width bands, the thumbnail and extended image whole.
class ZynExifImageSourceOp : public ZynImageSourceOp {
  public:
    using TileRequest = std::function<void(const ZynResolution&, ZynRectBuffer&)>;

    // `bandHeight` 0 serves the image whole.
    ZynExifImageSourceOp(const ZynResolution& size, ZynColorSpacePtr colorSpace,
                         uint32_t bandHeight, TileRequest request);

    bool outputInfo(ZynOutputInfo& info) override;
    bool canFill(const ZynRectBuffer& buffer) override;
    void genRect(ZynRectBuffer& buffer) override;
    ZynColorSpacePtr getColorSpace() override { return colorSpace_; }

  private:
    ZynResolution size_;
    ZynColorSpacePtr colorSpace_;
    uint32_t bandHeight_;
    TileRequest request_;
};
