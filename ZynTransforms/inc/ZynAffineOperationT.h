#pragma once

#include "ZynAffineOpT.h"
#include "ZynAffineOperationBase.h"

// The affine operation for one sample type only ("AffineByte" is the 8-bit one): its op is
// always ZynAffineOpT<T>, which refuses inputs of other types in its output information.
template <class T>
class ZynAffineOperationT : public ZynAffineOperationBase {
  public:
    using ZynAffineOperationBase::ZynAffineOperationBase;
    ZynAffineOperationT(const ZynAffineOperationT& other) = default;
    ~ZynAffineOperationT() override = default;

    ZynTransformPtr clone() const override { return std::make_shared<ZynAffineOperationT>(*this); }

  protected:
    ZynImageOpPtr makeOp(int, const ZynResolution& resolution) override {
        return std::make_shared<ZynAffineOpT<T>>(opParameters(resolution));
    }
    int unsupportedResolutionCode() const override { return 600; }
};
