#pragma once

#include <memory>

#include "ZynImageSourceOp.h"
#include "ZynRVQImageInfo.h"

// Serves one level of a camera file, developed image or thumbnail, from the developed data.
class ZynRVQImageSourceOp : public ZynImageSourceOp {
  public:
    ZynRVQImageSourceOp(std::shared_ptr<ZynRVQImageInfo> info, ZynRVQImageInfo::Level level,
                        ZynColorSpacePtr colorSpace);

    bool outputInfo(ZynOutputInfo& info) override;
    bool canFill(const ZynRectBuffer& buffer) override;
    void genRect(ZynRectBuffer& buffer) override;
    ZynColorSpacePtr getColorSpace() override { return colorSpace_; }
    bool wordsOutsideRequests() const override { return true; }

    // The layout of developed samples of `type`, over a width x height image.
    static ZynSimpleDataOrg layoutOf(DCImageType type, uint32_t width, uint32_t height);

  private:
    bool holdsSamples(const ZynSimpleDataOrg& org) const;

    std::shared_ptr<ZynRVQImageInfo> info_;
    ZynRVQImageInfo::Level level_;
    ZynColorSpacePtr colorSpace_;
    DCImageType type_;
    uint32_t width_;
    uint32_t height_;
};
