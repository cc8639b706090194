#include "ZynContrastOperation.h"

#include "ZynOpForSampleType.h"

ZynContrastOperation::~ZynContrastOperation() = default;

ZynTransformPtr ZynContrastOperation::clone() const {
    return std::make_shared<ZynContrastOperation>(*this);
}

ZynImageOpPtr ZynContrastOperation::makeOp(int, const ZynResolution& resolution) {
    const ZynDataType type = imageInput(0)->upstreamOutput()->dataOrg()->dataType();
    return zynOpForSampleType(*this, type, [&]<class T>() { return makeOpOf<T>(resolution); });
}
