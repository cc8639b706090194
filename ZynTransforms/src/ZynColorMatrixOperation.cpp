#include "ZynColorMatrixOperation.h"

#include "ZynUnsupportedDataType.h"

ZynColorMatrixOperation::~ZynColorMatrixOperation() = default;

ZynTransformPtr ZynColorMatrixOperation::clone() const {
    return std::make_shared<ZynColorMatrixOperation>(*this);
}

ZynImageOpPtr ZynColorMatrixOperation::makeOp(int, const ZynResolution& resolution) {
    const ZynDataType type = imageInput(0)->upstreamOutput()->dataOrg()->dataType();
    switch (type) {
        case ZynDataType::UInt8:
            return makeOpOf<uint8_t>(resolution);
        case ZynDataType::Int16:
            return makeOpOf<int16_t>(resolution);
        case ZynDataType::Float32:
            return makeOpOf<float>(resolution);
        default:
            throw zynUnsupportedDataType(*this, type);
    }
}
