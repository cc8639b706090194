#pragma once

#include "ZynColorMatrixOperationBase.h"

// The colour matrix operation for inputs of unsigned 8-bit, signed 16-bit or 32-bit float
// samples (registered as "ColorMatrix").
class ZynColorMatrixOperation : public ZynColorMatrixOperationBase {
  public:
    using ZynColorMatrixOperationBase::ZynColorMatrixOperationBase;
    ZynColorMatrixOperation(const ZynColorMatrixOperation& other) = default;
    ~ZynColorMatrixOperation() override;

    ZynTransformPtr clone() const override;

  protected:
    ZynImageOpPtr makeOp(int outputIndex, const ZynResolution& resolution) override;
};
