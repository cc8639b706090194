#pragma once

#include "ZynContrastOperationBase.h"

// The contrast operation for one sample type only ("ContrastByte" is the 8-bit one); its op
// refuses inputs of other types in its output information.
template <class T>
class ZynContrastOperationT : public ZynContrastOperationBase {
  public:
    using ZynContrastOperationBase::ZynContrastOperationBase;
    ZynContrastOperationT(const ZynContrastOperationT& other) = default;
    ~ZynContrastOperationT() override = default;

    ZynTransformPtr clone() const override {
        return std::make_shared<ZynContrastOperationT>(*this);
    }

  protected:
    ZynImageOpPtr makeOp(int, const ZynResolution& resolution) override {
        return makeOpOf<T>(resolution);
    }
};
