#pragma once

#include "ZynColorMatrixOperationBase.h"

// The colour matrix operation for one sample type only ("ColorMatrixByte" is the 8-bit one);
// its op refuses inputs of other types in its output information.
template <class T>
class ZynColorMatrixOperationT : public ZynColorMatrixOperationBase {
  public:
    using ZynColorMatrixOperationBase::ZynColorMatrixOperationBase;
    ZynColorMatrixOperationT(const ZynColorMatrixOperationT& other) = default;
    ~ZynColorMatrixOperationT() override = default;

    ZynTransformPtr clone() const override {
        return std::make_shared<ZynColorMatrixOperationT>(*this);
    }

  protected:
    ZynImageOpPtr makeOp(int, const ZynResolution& resolution) override {
        return makeOpOf<T>(resolution);
    }
};
