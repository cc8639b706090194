#pragma once

#include "ZynAffineOperationBase.h"

// The affine operation for inputs of unsigned 8-bit, signed 16-bit or 32-bit float samples
// (registered as "Affine").
class ZynAffineOperation : public ZynAffineOperationBase {
  public:
    using ZynAffineOperationBase::ZynAffineOperationBase;
    ZynAffineOperation(const ZynAffineOperation& other) = default;
    ~ZynAffineOperation() override;

    ZynTransformPtr clone() const override;

  protected:
    ZynImageOpPtr makeOp(int outputIndex, const ZynResolution& resolution) override;
    int unsupportedResolutionCode() const override { return 409; }
};
