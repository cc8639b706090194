#include "ZynImageInputCP.h"

#include "ZynImageOutputCP.h"

bool ZynUpstream::outputInfo(ZynOutputInfo& info) const {
    return output_->opFor(resolution_)->outputInfoBase(info);
}

void ZynImageInputCP::connect(const ZynTransformPtr& upstream, int outputIndex) {
    upstream_ = upstream;
    outputIndex_ = outputIndex;
    if (owner()) owner()->markForSetup();
}

void ZynImageInputCP::disconnect() {
    upstream_.reset();
    outputIndex_ = 0;
    if (owner()) owner()->markForSetup();
}

ZynImageOutputCP* ZynImageInputCP::upstreamOutput() const {
    return upstream_ ? upstream_->imageOutput(outputIndex_) : nullptr;
}

bool ZynImageInputCP::isGood() const {
    const ZynImageOutputCP* output = upstreamOutput();
    return output && upstream_->status() && output->hasDescription() && !output->error();
}

ZynUpstream ZynImageInputCP::upstream(const ZynResolution& resolution) const {
    ZynImageOutputCP* output = upstreamOutput();
    if (!output) return {};
    return ZynUpstream(upstream_, output, resolution);
}

ZynImageInputCP* ZynInputAliasCP::target() {
    return inner_ ? inner_->imageInput(inputIndex_) : nullptr;
}

ZynTransform* ZynInputAliasCP::upstreamTransform() const {
    const ZynImageInputCP* in = inner_ ? inner_->imageInput(inputIndex_) : nullptr;
    return in ? in->upstreamTransform() : nullptr;
}

void ZynInputAliasCP::alias(const ZynTransformPtr& inner, int inputIndex, bool fromSetup) {
    inner_ = inner;
    inputIndex_ = inputIndex;
    if (owner() && !fromSetup) owner()->markForSetup();
}

void ZynInputAliasCP::unalias() {
    inner_.reset();
    inputIndex_ = -1;
}
