#include "ZynColorMatrixOperation.h"

#include "ZynOpForSampleType.h"

ZynColorMatrixOperation::~ZynColorMatrixOperation() = default;

ZynTransformPtr ZynColorMatrixOperation::clone() const {
    return std::make_shared<ZynColorMatrixOperation>(*this);
}

ZynImageOpPtr ZynColorMatrixOperation::makeOp(int, const ZynResolution& resolution) {
    const ZynDataType type = imageInput(0)->upstreamOutput()->dataOrg()->dataType();
    return zynOpForSampleType(*this, type, [&]<class T>() { return makeOpOf<T>(resolution); });
}
