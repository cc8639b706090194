#pragma once

#include "NIFMatrix4.h"

// An affine transform in double precision, with the constructors of NIFAffineMatrix.
class NIFInverseAffine : public NIFMatrix4<double> {
  public:
    NIFInverseAffine() = default;
    NIFInverseAffine(double a, double e) : NIFMatrix4(a, 0, 0, 0, e, 0) {}
    NIFInverseAffine(double a, double b, double d, double e) : NIFMatrix4(a, b, 0, d, e, 0) {}
    NIFInverseAffine(double a, double b, double c, double d, double e, double f)
        : NIFMatrix4(a, b, c, d, e, f) {}
};
