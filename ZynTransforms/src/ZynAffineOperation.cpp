#include "ZynAffineOperation.h"

#include "ZynAffineOpT.h"
#include "ZynOpForSampleType.h"

ZynAffineOperation::~ZynAffineOperation() = default;

ZynTransformPtr ZynAffineOperation::clone() const {
    return std::make_shared<ZynAffineOperation>(*this);
}

ZynImageOpPtr ZynAffineOperation::makeOp(int, const ZynResolution& resolution) {
    const ZynDataType type = imageInput(0)->upstreamOutput()->dataOrg()->dataType();
    return zynOpForSampleType(*this, type, [&]<class T>() -> ZynImageOpPtr {
        return std::make_shared<ZynAffineOpT<T>>(opParameters(resolution));
    });
}
