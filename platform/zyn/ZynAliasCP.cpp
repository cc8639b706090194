#include "ZynAliasCP.h"

ZynImageOutputCP* ZynAliasCP::target() {
    return transform_ ? transform_->imageOutput(outputIndex_) : nullptr;
}

void ZynAliasCP::alias(const ZynTransformPtr& transform, int outputIndex) {
    transform_ = transform;
    outputIndex_ = outputIndex;
}

void ZynAliasCP::unalias() {
    transform_.reset();
    outputIndex_ = -1;
}
