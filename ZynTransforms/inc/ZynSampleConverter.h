#pragma once

#include <cstddef>

#include "ZynDataType.h"
#include "ZynHardwareDesc.h"

// Converters of samples written on one machine into another machine's form, in place. Both
// tables are indexed alike:
//   0 none; 1 swap 2 bytes; 2 reverse 4 bytes; 3 reverse 8 bytes;
//   4, 5 VAX F to IEEE single, result big- or little-endian;
//   6, 7 VAX G to IEEE double, result big- or little-endian;
//   8, 9 IEEE single, big- or little-endian, to VAX F;
//   10, 11 IEEE double, big- or little-endian, to VAX G.
using ZynValueConverter = void (*)(void* value);
using ZynBufferConverter = void (*)(void* samples, size_t count);

// Size classes: 0 one byte, 1 two bytes, 2 four-byte integers, 3 single floats, 4 doubles.
int zynSizeClass(ZynDataType type);

int zynConverterIndex(const ZynHardwareDesc& from, const ZynHardwareDesc& to, int sizeClass);
// Null where no conversion is needed.
ZynValueConverter zynValueConverter(const ZynHardwareDesc& from, const ZynHardwareDesc& to,
                                    int sizeClass);
ZynBufferConverter zynBufferConverter(const ZynHardwareDesc& from, const ZynHardwareDesc& to,
                                      int sizeClass);
