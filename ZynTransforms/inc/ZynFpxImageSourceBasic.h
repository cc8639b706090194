#pragma once

#include <memory>

#include "ZynFpxImageSourceBasicOp.h"
#include "ZynImageFileSource.h"

// Delivers the stored pixels of a FlashPix image: every resolution the file holds, in the
// image's own colour space, alpha included.
class ZynFpxImageSourceBasic : public ZynImageFileSource {
  public:
    ZynFpxImageSourceBasic() = default;
    ZynFpxImageSourceBasic(const std::wstring& fileName, bool keepOpen);
    ZynFpxImageSourceBasic(const ZynFpxImageSourceBasic& other);
    ~ZynFpxImageSourceBasic() override;

    ZynTransformPtr clone() const override;
    void fileNameChanged() override;
    void setupTransform() override;
    ZynImageOpPtr opForResolution(int outputIndex, const ZynResolution& resolution) override;
    void postRender() override;

    void closeFile();
    // The image as the last setup read it (null before the first setup).
    const std::shared_ptr<ZynFpxImageSourceBasicOp>& op() const { return op_; }

  private:
    std::shared_ptr<ZynFpxImageSourceBasicOp> op_;
};
