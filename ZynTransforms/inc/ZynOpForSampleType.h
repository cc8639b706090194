#pragma once

#include <cstdint>

#include "ZynOp.h"
#include "ZynTransform.h"
#include "ZynUnsupportedDataType.h"

// The op an operation makes for its input's sample type: `make.template operator()<T>()` for
// the types the operations serve (unsigned 8-bit, signed 16-bit, 32-bit float); any other type
// is the unsupported-data-type report naming the operation.
template <class Make>
ZynImageOpPtr zynOpForSampleType(const ZynTransform& operation, ZynDataType type, Make&& make) {
    switch (type) {
        case ZynDataType::UInt8:
            return make.template operator()<uint8_t>();
        case ZynDataType::Int16:
            return make.template operator()<int16_t>();
        case ZynDataType::Float32:
            return make.template operator()<float>();
        default:
            throw zynUnsupportedDataType(operation, type);
    }
}
