#pragma once

#include "ZynImageOutputCP.h"
#include "ZynTransform.h"

// A transform that produces an image of its own; its output 0 "out" is primary.
class ZynImageSource : public virtual ZynTransform {
  public:
    ZynImageSource();
    ZynImageSource(const ZynImageSource& other) = default;

  protected:
    // Reads what a setup publishes from the op: its output information and colour space.
    // Records the op's error, or 125 for a missing colour space or data organisation, and
    // returns false when something is missing.
    bool describeFromOp(ZynImageOp& op, ZynOutputInfo& info, ZynColorSpacePtr& colorSpace);

    // Publishes the description of output `index` and marks the setup as done.
    void publishOutput(ZynColorSpacePtr colorSpace, ZynCoordSpacePtr coordSpace,
                       ZynDataOrgPtr dataOrg, int index = 0);
};
