#pragma once

#include "NIFMatrix4.h"

// The affine transform of a FlashPix image view, as 16 floats.
class NIFAffineMatrix : public NIFMatrix4<float> {
  public:
    NIFAffineMatrix() = default;
    // Diagonal a, e, 1, 1.
    NIFAffineMatrix(float a, float e) : NIFMatrix4(a, 0, 0, 0, e, 0) {}
    NIFAffineMatrix(float a, float b, float d, float e) : NIFMatrix4(a, b, 0, d, e, 0) {}
    NIFAffineMatrix(float a, float b, float c, float d, float e, float f)
        : NIFMatrix4(a, b, c, d, e, f) {}
};
