#include "ZynUnsupportedDataType.h"

#include "ZynTransform.h"

ZynError zynUnsupportedDataType(const ZynTransform& transform, ZynDataType type) {
    return ZynError(135, std::string("Data type ") + zynDataTypeName(type) +
                             " is not supported by transform " + transform.describe());
}
