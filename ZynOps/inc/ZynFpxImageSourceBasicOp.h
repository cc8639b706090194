#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "NIFAffineMatrix.h"
#include "NIFColorTwistMatrix.h"
#include "ZynFpxCoordinator.h"
#include "ZynImageSourceOp.h"

// The viewing parameters a FlashPix file holds; a query that failed leaves its value empty.
struct ZynFpxViewingParameters {
    std::optional<NIFAffineMatrix> affine;
    std::optional<float> aspectRatio;
    std::optional<float> contrast;
    std::optional<NIFColorTwistMatrix> colorTwist;
};

// Renders one resolution of a FlashPix image through the toolkit. The ops of one source share
// its coordinator (the open file and its lock); each serves the level of its resolution.
class ZynFpxImageSourceBasicOp : public ZynImageSourceOp {
  public:
    ZynFpxImageSourceBasicOp(const std::wstring& fileName, bool keepOpen);

    // An op for resolution `index` (of resolutions()) that shares this op's file.
    std::shared_ptr<ZynFpxImageSourceBasicOp> forResolution(int index) const;

    bool outputInfo(ZynOutputInfo& info) override;
    bool canFill(const ZynRectBuffer& buffer) override;
    void genRect(ZynRectBuffer& buffer) override;
    ZynColorSpacePtr getColorSpace() override { return colorSpace_; }

    uint32_t pixelFormat() const { return pixelFormat_; }
    int channels() const { return channels_; }
    bool hasAlpha() const { return (pixelFormat_ & 0xFFFF) == 0x7FFE; }
    ZynDataType dataType() const { return dataType_; }
    const ZynFpxViewingParameters& viewingParameters() const { return view_; }
    int osErrorNumber() const { return coordinator_ ? coordinator_->osErrorNumber() : 0; }

    void close();

  private:
    bool describeImage(const FpxImageInfo& info);
    bool describeChannels();
    void readViewingParameters(const FpxImage* image);
    // Whether the buffer's samples are laid out as the image's: bands, sample type, interleave.
    bool compatible(const ZynSimpleDataOrg& org) const;
    int level() const { return levels_[static_cast<size_t>(selectedResolution())]; }

    std::shared_ptr<ZynFpxCoordinator> coordinator_;
    ZynColorSpacePtr colorSpace_;
    uint32_t pixelFormat_ = 0;
    int channels_ = 0;
    int channelCodes_[kFpxMaxChannels] = {};
    ZynDataType dataType_ = ZynDataType::UInt8;
    std::vector<int> levels_;  // the toolkit level of each resolution
    ZynFpxViewingParameters view_;
};
