#pragma once

#include "NIFMatrix4.h"

// An affine transform in double precision, with the constructors of NIFAffineMatrix.
class NIFInverseAffine : public NIFAffine4<double> {
  public:
    using NIFAffine4::NIFAffine4;
};
