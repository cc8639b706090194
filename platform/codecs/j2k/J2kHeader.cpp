#include "J2kHeader.h"

uint32_t J2kHeader::levelWidth(uint32_t level) const {
    return static_cast<uint32_t>(j2kCeilShift(x1, level) - j2kCeilShift(x0, level));
}

uint32_t J2kHeader::levelHeight(uint32_t level) const {
    return static_cast<uint32_t>(j2kCeilShift(y1, level) - j2kCeilShift(y0, level));
}
