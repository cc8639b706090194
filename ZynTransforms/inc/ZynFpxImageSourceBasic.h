#pragma once

#include <memory>

#include "ZynFpxImageSourceBasicOp.h"
#include "ZynMainOpSource.h"

// Delivers the stored pixels of a FlashPix image: every resolution the file holds, in the
// image's own colour space, alpha included.
class ZynFpxImageSourceBasic
    : public ZynMainOpSource<ZynFpxImageSourceBasic, ZynFpxImageSourceBasicOp> {
  public:
    using ZynMainOpSource::ZynMainOpSource;

    void setupTransform() override;

    void closeFile();
    // The image as the last setup read it (null before the first setup).
    const std::shared_ptr<ZynFpxImageSourceBasicOp>& op() const { return op_; }
};
