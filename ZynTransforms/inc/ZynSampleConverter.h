#pragma once

#include <cstddef>

#include "ZynDataType.h"
#include "ZynHardwareDesc.h"

// Converters of samples written on one machine into another machine's form, in place: byte
// swaps, and VAX F and G floats to IEEE. Files are read, never written, in VAX form, so IEEE is
// always the form converted to.
using ZynValueConverter = void (*)(void* value);
using ZynBufferConverter = void (*)(void* samples, size_t count);

// Size classes: 0 one byte, 1 two bytes, 2 four-byte integers, 3 single floats, 4 doubles.
int zynSizeClass(ZynDataType type);

// Null where no conversion is needed.
ZynValueConverter zynValueConverter(const ZynHardwareDesc& from, const ZynHardwareDesc& to,
                                    int sizeClass);
ZynBufferConverter zynBufferConverter(const ZynHardwareDesc& from, const ZynHardwareDesc& to,
                                      int sizeClass);
