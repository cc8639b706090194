#pragma once

#include <vector>

#include "ZynOperation.h"
#include "ZynTransformAggregate.h"

// Applies a FlashPix image's viewing parameters: a chain, rebuilt at every setup, of the inner
// colour twist ("FPX:ColorTwist", a colour matrix operation), contrast ("FPX:Contrast") and
// affine ("FPX:Affine") operations, in that order, leaving out each stage whose parameters are
// the identity; when all are, the pass-through "FPX:Noop" alone (created the first time it is
// needed). Its input "in" and output "out" are aliases of the chain's ends.
//
// The parameters are attributes standing for the inner ones: "FpxColorTwist" (4 x 4 matrix),
// "FpxContrast", "FpxAffine", "FpxAspectRatio" and "FpxHeight" (the output extent, the affine's
// "width" and "height"), "FpxUnit" (their unit and the translations', by default relative to the
// height) and "FpxResamplingType". The affine stage is needed when the map is not the identity
// or the extent differs from the input's in "FpxUnit" (with the default unit: its aspect ratio
// and 1.0). Tests are exact comparisons. Errors of the stages are the composite's.
class ZynFpxViewOperation : public ZynOperation, public ZynTransformAggregate {
  public:
    ZynFpxViewOperation();
    // A copy has its own inner operations with the same parameters.
    ZynFpxViewOperation(const ZynFpxViewOperation& other);
    ~ZynFpxViewOperation() override;

    ZynTransformPtr clone() const override;
    void setupTransform() override;
    // The stages in use, input side first.
    std::vector<ZynTransform*> innerTransforms() const override;

    // The stages the last setup chained, input side first.
    std::vector<ZynTransformPtr> chain() const;
    // Whether the last setup completed the chain.
    bool ready() const { return ready_; }

  private:
    enum Stage { kColorTwist, kContrast, kAffine, kStages };
    // How a stage is fed.
    enum Connection { kNotInChain, kFromInput, kFromPreviousStage };

    void addStages(ZynTransformPtr colorTwist, ZynTransformPtr contrast, ZynTransformPtr affine);
    void aliasAttribute(const char* name, Stage stage, const char* innerName);
    bool needed(Stage stage) const;
    // The input's extent in the unit of "FpxUnit".
    void measureInput(const ZynImageOutputCP& input);
    void disconnectStages();
    const ZynTransformPtr& passThrough();

    ZynTransformPtr stages_[kStages];
    Connection connections_[kStages] = {kNotInChain, kNotInChain, kNotInChain};
    ZynTransformPtr noop_;
    bool noopInUse_ = false;
    double inputWidth_ = 0;
    double inputHeight_ = 0;
    bool ready_ = false;
};
