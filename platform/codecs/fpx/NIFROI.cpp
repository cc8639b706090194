#include "NIFROI.h"

#include <cmath>

bool NIFROI::isZero() const {
    return std::abs(left) <= 1e-6f && std::abs(top) <= 1e-6f && std::abs(width) <= 1e-6f &&
           std::abs(height) <= 1e-6f;
}

void NIFROI::setHuge() {
    left = top = 0;
    width = height = HUGE_VALF;
}

bool NIFROI::isHuge() const {
    return left == 0 && top == 0 && width == HUGE_VALF && height == HUGE_VALF;
}
