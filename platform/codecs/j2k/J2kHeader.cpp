#include "J2kHeader.h"

namespace {

uint64_t ceilDiv(uint64_t value, uint32_t step) {
    return (value + step - 1) / step;
}

}  // namespace

uint64_t J2kHeader::levelColumn(uint64_t referenceX, uint32_t level) const {
    return j2kCeilShift(ceilDiv(referenceX, stepX()), level);
}

uint64_t J2kHeader::levelRow(uint64_t referenceY, uint32_t level) const {
    return j2kCeilShift(ceilDiv(referenceY, stepY()), level);
}

uint32_t J2kHeader::levelWidth(uint32_t level) const {
    return static_cast<uint32_t>(levelColumn(x1, level) - levelColumn(x0, level));
}

uint32_t J2kHeader::levelHeight(uint32_t level) const {
    return static_cast<uint32_t>(levelRow(y1, level) - levelRow(y0, level));
}
