#pragma once

#include <cstdint>

// One EXIF tag as the toolkit's interface records it.
struct ExifTagEntry {
    int32_t tagId = -1;
    int32_t ifdId = -1;
    char format[5] = {};  // short name of the value format, terminated
    uint32_t count = 0;
    uint32_t valueOffset = 0;
};
