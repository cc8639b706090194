#include "ZynAffineOperation.h"

#include "ZynAffineOpT.h"
#include "ZynUnsupportedDataType.h"

ZynAffineOperation::~ZynAffineOperation() = default;

ZynTransformPtr ZynAffineOperation::clone() const {
    return std::make_shared<ZynAffineOperation>(*this);
}

ZynImageOpPtr ZynAffineOperation::makeOp(int, const ZynResolution& resolution) {
    ZynAffineOp::Parameters parameters = opParameters(resolution);
    const ZynDataType type = imageInput(0)->upstreamOutput()->dataOrg()->dataType();
    switch (type) {
        case ZynDataType::UInt8:
            return std::make_shared<ZynAffineOpT<uint8_t>>(std::move(parameters));
        case ZynDataType::Int16:
            return std::make_shared<ZynAffineOpT<int16_t>>(std::move(parameters));
        case ZynDataType::Float32:
            return std::make_shared<ZynAffineOpT<float>>(std::move(parameters));
        default:
            throw zynUnsupportedDataType(*this, type);
    }
}
