#pragma once

#include "ZynContrastOperationBase.h"

// The contrast operation for inputs of unsigned 8-bit, signed 16-bit or 32-bit float samples
// (registered as "Contrast").
class ZynContrastOperation : public ZynContrastOperationBase {
  public:
    using ZynContrastOperationBase::ZynContrastOperationBase;
    ZynContrastOperation(const ZynContrastOperation& other) = default;
    ~ZynContrastOperation() override;

    ZynTransformPtr clone() const override;

  protected:
    ZynImageOpPtr makeOp(int outputIndex, const ZynResolution& resolution) override;
};
