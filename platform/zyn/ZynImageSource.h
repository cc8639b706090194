#pragma once

#include "ZynImageOutputCP.h"
#include "ZynTransform.h"

// A transform that produces an image of its own; its output 0 "out" is primary.
class ZynImageSource : public virtual ZynTransform {
  public:
    ZynImageSource();
    ZynImageSource(const ZynImageSource& other) = default;

  protected:
    // Publishes the description of output `index` and marks the setup as done.
    void publishOutput(ZynColorSpacePtr colorSpace, ZynCoordSpacePtr coordSpace,
                       ZynDataOrgPtr dataOrg, int index = 0);
};
