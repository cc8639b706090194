#include "ZynContrastOperation.h"

#include "ZynUnsupportedDataType.h"

ZynContrastOperation::~ZynContrastOperation() = default;

ZynTransformPtr ZynContrastOperation::clone() const {
    return std::make_shared<ZynContrastOperation>(*this);
}

ZynImageOpPtr ZynContrastOperation::makeOp(int, const ZynResolution& resolution) {
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
