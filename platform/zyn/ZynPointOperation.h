#pragma once

#include "ZynOperation.h"

// An operation whose output pixel depends only on the input pixels at the same place: the
// output has the input's size and resolutions.
class ZynPointOperation : public ZynOperation {
  public:
    ZynPointOperation() = default;
    ZynPointOperation(const ZynPointOperation& other) = default;

  protected:
    // Every connected input must be usable; records the first input error otherwise.
    // Returns the status.
    bool preliminarySetup();
};
