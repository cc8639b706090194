#include "ZynAliasCP.h"

#include "ZynImageOutputCP.h"

ZynImageOutputCP* ZynAliasCP::target() {
    return transform_ ? transform_->imageOutput(outputIndex_) : nullptr;
}

std::shared_ptr<ZynOutputCP> ZynAliasCP::cloneDeclaration() const {
    auto copy = std::make_shared<ZynAliasCP>(name());
    copy->caching_ = caching_;
    return copy;
}

void ZynAliasCP::alias(const ZynTransformPtr& transform, int outputIndex) {
    transform_ = transform;
    outputIndex_ = outputIndex;
    handOnCaching();
}

void ZynAliasCP::unalias() {
    transform_.reset();
    outputIndex_ = -1;
}

bool ZynAliasCP::caching() {
    if (caching_) return *caching_;
    const ZynImageOutputCP* out = target();
    return out && out->caching();
}

void ZynAliasCP::setCaching(bool caching) {
    caching_ = caching;
    handOnCaching();
}

void ZynAliasCP::handOnCaching() {
    if (!caching_ || !transform_ || outputIndex_ < 0 || outputIndex_ >= transform_->numOutputs())
        return;
    // Through nested aliases, so that each level keeps the wish across its own rebuilds.
    ZynOutputCP& next = transform_->output(outputIndex_);
    if (auto* alias = dynamic_cast<ZynAliasCP*>(&next))
        alias->setCaching(*caching_);
    else if (auto* image = dynamic_cast<ZynImageOutputCP*>(&next))
        image->setCaching(*caching_);
}
