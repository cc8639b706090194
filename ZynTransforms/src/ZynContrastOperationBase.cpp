#include "ZynContrastOperationBase.h"

#include "ZynContrastOpT.h"

namespace {

const char* const kSourceFile = "ZynContrastOperation";

}  // namespace

ZynContrastOperationBase::ZynContrastOperationBase(double contrast) {
    addInput(std::make_shared<ZynImageInputCP>("in"));
    setPrimaryOutput(addOutput(std::make_shared<ZynImageOutputCP>("out")));
    addSimpleAttribute<double>("contrast", contrast);
}

void ZynContrastOperationBase::setupTransform() {
    if (!preliminarySetup()) return;
    const ZynImageInputCP* in = imageInput(0);
    if (in && in->isGood() && !in->upstreamOutput()->colorSpace()->isRGBKind()) {
        setError(ZynError(600,
                          "The color space must be RGB (or VDXRGB) for transform " + describe(),
                          kSourceFile));
        return;
    }
    defaultSetup();
    if (status()) changed(-1);
}

template <class T>
ZynImageOpPtr ZynContrastOperationBase::makeOpOf(const ZynResolution& resolution) const {
    return std::make_shared<ZynContrastOpT<T>>(
        imageInput(0)->upstream(inputResolution(0, resolution)), getAttribute<double>("contrast"));
}

template ZynImageOpPtr ZynContrastOperationBase::makeOpOf<uint8_t>(const ZynResolution&) const;
template ZynImageOpPtr ZynContrastOperationBase::makeOpOf<int16_t>(const ZynResolution&) const;
template ZynImageOpPtr ZynContrastOperationBase::makeOpOf<float>(const ZynResolution&) const;
