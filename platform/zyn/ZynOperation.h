#pragma once

#include "ZynImageInputCP.h"
#include "ZynImageOutputCP.h"
#include "ZynTransform.h"

// A transform with inputs whose output is computed from them.
class ZynOperation : public virtual ZynTransform {
  public:
    ZynOperation() = default;
    ZynOperation(const ZynOperation& other) = default;

    // Checks the requested resolution against the output's coordinate space ("Unsupported
    // resolution", code 3), then asks makeOp.
    ZynImageOpPtr opForResolution(int outputIndex, const ZynResolution& resolution) override;

  protected:
    // The op factory.
    virtual ZynImageOpPtr makeOp(int outputIndex, const ZynResolution& resolution);

    // The default setup: the primary output takes input 0's colour space, coordinate space and
    // data organisation. Records the input's error when it is not usable.
    void defaultSetup();

    // The resolution of input `inputIndex` that serves `resolution` of the primary output: the
    // one at the same place in the input's list, else the same pixel size.
    ZynResolution inputResolution(int inputIndex, const ZynResolution& resolution) const;
};
