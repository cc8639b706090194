#include "ZynFpxViewOperation.h"

#include <cmath>
#include <limits>

#include "ZynAffineOperation.h"
#include "ZynColorMatrixOperation.h"
#include "ZynContrastOperation.h"
#include "ZynGraph.h"
#include "ZynNopOperation.h"

ZynFpxViewOperation::ZynFpxViewOperation() {
    setLabel("FpxViewingParameters");
    addInput(std::make_shared<ZynInputAliasCP>("in"));
    setPrimaryOutput(addOutput(std::make_shared<ZynAliasCP>("out")));
    addStages(std::make_shared<ZynColorMatrixOperation>(), std::make_shared<ZynContrastOperation>(),
              std::make_shared<ZynAffineOperation>(ZynAffineOp::Affines{}, 1.0, 1.0,
                                                   static_cast<unsigned>(ZynUnit::Height),
                                                   ZynResamplingType::NEAREST));
}

ZynFpxViewOperation::ZynFpxViewOperation(const ZynFpxViewOperation& other)
    : ZynTransform(other), ZynOperation(other), ZynTransformAggregate(other) {
    addStages(other.stages_[kColorTwist]->clone(), other.stages_[kContrast]->clone(),
              other.stages_[kAffine]->clone());
}

ZynFpxViewOperation::~ZynFpxViewOperation() = default;

ZynTransformPtr ZynFpxViewOperation::clone() const {
    return std::make_shared<ZynFpxViewOperation>(*this);
}

void ZynFpxViewOperation::addStages(ZynTransformPtr colorTwist, ZynTransformPtr contrast,
                                    ZynTransformPtr affine) {
    stages_[kColorTwist] = std::move(colorTwist);
    stages_[kContrast] = std::move(contrast);
    stages_[kAffine] = std::move(affine);
    stages_[kColorTwist]->setLabel("FPX:ColorTwist");
    stages_[kContrast]->setLabel("FPX:Contrast");
    stages_[kAffine]->setLabel("FPX:Affine");
    for (const auto& stage : stages_) addTransform(stage, false);
    // Until a setup builds the chain, a host connects to the first stage.
    static_cast<ZynInputAliasCP&>(input(0)).alias(stages_[kColorTwist], 0);
    aliasAttribute("FpxAspectRatio", kAffine, "width");
    aliasAttribute("FpxHeight", kAffine, "height");
    aliasAttribute("FpxUnit", kAffine, "unit");
    aliasAttribute("FpxAffine", kAffine, "affines");
    aliasAttribute("FpxResamplingType", kAffine, "resamplingType");
    aliasAttribute("FpxContrast", kContrast, "contrast");
    aliasAttribute("FpxColorTwist", kColorTwist, "colorMatrix");
}

void ZynFpxViewOperation::aliasAttribute(const char* name, Stage stage, const char* innerName) {
    auto alias = std::make_shared<ZynAttributeAlias>(name, stages_[stage]->attributePtr(innerName));
    addAttribute(alias);
    // A changed parameter may add or remove a stage, so it marks the composite for setup too.
    alias->setOwner(this);
}

bool ZynFpxViewOperation::needed(Stage stage) const {
    switch (stage) {
        case kColorTwist:
            return getAttribute<ZynMatrix<double>>("FpxColorTwist") !=
                   ZynMatrix<double>::identity(4);
        case kContrast:
            return getAttribute<double>("FpxContrast") != 1.0;
        default:
            return getAttribute<double>("FpxAspectRatio") != inputWidth_ ||
                   getAttribute<double>("FpxHeight") != inputHeight_ ||
                   !(getAttribute<ZynAffineOp::Affines>("FpxAffine") == ZynAffineOp::Affines{});
    }
}

void ZynFpxViewOperation::measureInput(const ZynImageOutputCP& input) {
    const ZynXyCoordSpace& space = *input.coordSpace();
    const ZynValue& w = space.width();
    const ZynValue& h = space.height();
    // One side in the other's unit (as it is when the units do not convert).
    const auto inUnitOf = [](const ZynValue& v, const ZynValue& of) {
        double converted = v.value;
        zynConvertUnit(v.value, v.unit, of.unit, converted);
        return converted;
    };
    const ZynResolution full =
        space.resolutions().empty()
            ? ZynResolution{}
            : space.resolutions()[static_cast<size_t>(space.defaultResolution())];
    const double notComparable = std::numeric_limits<double>::quiet_NaN();
    switch (static_cast<ZynUnit>(getAttribute<unsigned>("FpxUnit"))) {
        case ZynUnit::Height:
            inputWidth_ = inUnitOf(w, h) / h.value;
            inputHeight_ = 1.0;
            break;
        case ZynUnit::Width:
            inputWidth_ = 1.0;
            inputHeight_ = inUnitOf(h, w) / w.value;
            break;
        case ZynUnit::Normalized:
            inputWidth_ = inputHeight_ = 1.0;
            break;
        case ZynUnit::Pixel:
            inputWidth_ = full.width;
            inputHeight_ = full.height;
            break;
        default: {
            const auto unit = static_cast<ZynUnit>(getAttribute<unsigned>("FpxUnit"));
            if (!zynConvertUnit(w.value, w.unit, unit, inputWidth_)) inputWidth_ = notComparable;
            if (!zynConvertUnit(h.value, h.unit, unit, inputHeight_)) inputHeight_ = notComparable;
        }
    }
}

void ZynFpxViewOperation::disconnectStages() {
    for (int s = 0; s < kStages; ++s) {
        if (connections_[s] != kNotInChain) stages_[s]->imageInput(0)->disconnect();
        connections_[s] = kNotInChain;
    }
    if (noopInUse_) noop_->imageInput(0)->disconnect();
    noopInUse_ = false;
}

const ZynTransformPtr& ZynFpxViewOperation::passThrough() {
    if (!noop_) {
        noop_ = std::make_shared<ZynNopOperation>();
        noop_->setLabel("FPX:Noop");
        addTransform(noop_, false);
    }
    return noop_;
}

void ZynFpxViewOperation::setupTransform() {
    ready_ = false;
    // The host connected "in" to whichever stage it targeted; that connection feeds the new chain.
    const ZynImageInputCP* in = imageInput(0);
    if (!in || !in->isConnected()) {
        setError(ZynError(3, "The input of " + describe() + " is not connected"));
        return;
    }
    if (!in->isGood()) {
        const ZynError error = in->upstreamTransform()->error();
        setError(error.message().empty()
                     ? ZynError(125, "The input of " + describe() + " has no image description")
                     : error);
        return;
    }
    const ZynTransformPtr upstream = in->upstreamTransform()->shared_from_this();
    const int upstreamOutput = in->upstreamOutputIndex();
    measureInput(*in->upstreamOutput());
    disconnectStages();

    auto& inputAlias = static_cast<ZynInputAliasCP&>(input(0));
    ZynTransformPtr previous;
    for (int s = 0; s < kStages; ++s) {
        if (!needed(static_cast<Stage>(s))) continue;
        ZynImageInputCP* stageInput = stages_[s]->imageInput(0);
        if (previous) {
            stageInput->connect(previous, 0);
            connections_[s] = kFromPreviousStage;
        } else {
            stageInput->connect(upstream, upstreamOutput);
            inputAlias.alias(stages_[s], 0, true);
            connections_[s] = kFromInput;
        }
        previous = stages_[s];
    }
    if (!previous) {
        previous = passThrough();
        previous->imageInput(0)->connect(upstream, upstreamOutput);
        inputAlias.alias(previous, 0, true);
        noopInUse_ = true;
    }
    aliasOutput(0, previous, 0);

    // The stages are set up now so that their errors become the composite's.
    for (const ZynTransformPtr& stage : chain()) {
        ZynGraph::ensureSetup(*stage);
        if (!stage->status()) {
            setError(stage->error());
            return;
        }
    }
    setSetupDone();
    ready_ = true;
}

std::vector<ZynTransformPtr> ZynFpxViewOperation::chain() const {
    std::vector<ZynTransformPtr> stages;
    for (int s = 0; s < kStages; ++s)
        if (connections_[s] != kNotInChain) stages.push_back(stages_[s]);
    if (noopInUse_) stages.push_back(noop_);
    return stages;
}

std::vector<ZynTransform*> ZynFpxViewOperation::innerTransforms() const {
    std::vector<ZynTransform*> inner;
    for (const ZynTransformPtr& stage : chain()) inner.push_back(stage.get());
    return inner;
}
