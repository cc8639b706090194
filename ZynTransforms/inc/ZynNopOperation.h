#pragma once

#include "ZynPointOperation.h"

// Passes its input's pixels through unchanged and restates what they are: "colorSpace" (same
// band count, another interpretation) and the coordinate space, given whole ("coordSpace") or
// as an extent ("width", "height", each a ZynValue; 0.0 in the input's unit or in a relative
// unit keeps the input's side). It never resamples: an extent that would need other pixels
// than the input has is refused.
class ZynNopOperation : public ZynPointOperation {
  public:
    ZynNopOperation();
    ZynNopOperation(const ZynNopOperation& other) = default;
    ~ZynNopOperation() override;

    ZynTransformPtr clone() const override;
    void setupTransform() override;

  protected:
    ZynImageOpPtr makeOp(int outputIndex, const ZynResolution& resolution) override;

  private:
    // The output colour space, or null with the error recorded.
    ZynColorSpacePtr outputColorSpace(const ZynColorSpacePtr& input);
    // The output coordinate space, or null with the error recorded.
    ZynCoordSpacePtr outputCoordSpace(const ZynCoordSpacePtr& input);
    ZynCoordSpacePtr givenCoordSpace(const ZynXyCoordSpace& given, const ZynXyCoordSpace& input);
    ZynCoordSpacePtr extentCoordSpace(const ZynCoordSpacePtr& input);
    // One side of the extent; false with the error recorded. `taken` tells whether the input's
    // side was kept as it is.
    bool resolveSide(const ZynValue& wanted, const ZynValue& inputSide, bool isWidth,
                     const ZynXyCoordSpace& input, ZynValue& side, bool& taken);
    void noResolutions();
};
