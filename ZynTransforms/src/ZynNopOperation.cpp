#include "ZynNopOperation.h"

#include <algorithm>

#include "ZynNopOp.h"

namespace {

const char* const kSourceFile = "ZynNopOperation";

}  // namespace

ZynNopOperation::ZynNopOperation() {
    addInput(std::make_shared<ZynImageInputCP>("in"));
    setPrimaryOutput(addOutput(std::make_shared<ZynImageOutputCP>("out")));
    addSimpleAttribute<ZynColorSpacePtr>("colorSpace", nullptr);
    addSimpleAttribute<ZynCoordSpacePtr>("coordSpace", nullptr);
    addSimpleAttribute<ZynValue>("width", ZynValue{0.0, ZynUnit::Normalized});
    addSimpleAttribute<ZynValue>("height", ZynValue{0.0, ZynUnit::Normalized});
}

ZynNopOperation::~ZynNopOperation() = default;

ZynTransformPtr ZynNopOperation::clone() const {
    return std::make_shared<ZynNopOperation>(*this);
}

ZynImageOpPtr ZynNopOperation::makeOp(int, const ZynResolution& resolution) {
    return std::make_shared<ZynNopOp>(imageInput(0)->upstream(resolution));
}

void ZynNopOperation::setupTransform() {
    defaultSetup();
    if (!status()) return;
    const ZynImageOutputCP& source = *imageInput(0)->upstreamOutput();
    const ZynColorSpacePtr colorSpace = outputColorSpace(source.colorSpace());
    if (!colorSpace) return;
    const ZynCoordSpacePtr coordSpace = outputCoordSpace(source.coordSpace());
    if (!coordSpace) return;
    imageOutput(primaryOutputIndex())->setDescription(colorSpace, coordSpace, source.dataOrg());
}

ZynColorSpacePtr ZynNopOperation::outputColorSpace(const ZynColorSpacePtr& input) {
    const ZynColorSpacePtr& given = getAttribute<ZynColorSpacePtr>("colorSpace");
    if (!given) return input;
    if (given->bands() != input->bands()) {
        setError(ZynError(153,
                          "Nop operation labelled " + label() + " has an input with " +
                              std::to_string(input->bands()) + " bands, but its color space has " +
                              std::to_string(given->bands()) + " bands",
                          kSourceFile));
        return nullptr;
    }
    return given;
}

ZynCoordSpacePtr ZynNopOperation::outputCoordSpace(const ZynCoordSpacePtr& input) {
    if (const ZynCoordSpacePtr& given = getAttribute<ZynCoordSpacePtr>("coordSpace"))
        return givenCoordSpace(*given, *input);
    return extentCoordSpace(input);
}

void ZynNopOperation::noResolutions() {
    setError(ZynError(153, "There are no available resolutions", kSourceFile));
}

ZynCoordSpacePtr ZynNopOperation::givenCoordSpace(const ZynXyCoordSpace& given,
                                                  const ZynXyCoordSpace& input) {
    auto space = std::make_shared<ZynXyCoordSpace>(given);
    const bool pixelWidth = given.width().unit == ZynUnit::Pixel;
    const bool pixelHeight = given.height().unit == ZynUnit::Pixel;
    if (pixelWidth || pixelHeight) {
        // A size in pixels names one of the input's resolutions.
        const bool offered =
            std::any_of(input.resolutions().begin(), input.resolutions().end(), [&](auto& r) {
                return (!pixelWidth || r.width == given.width().value) &&
                       (!pixelHeight || r.height == given.height().value);
            });
        if (!offered) {
            noResolutions();
            return nullptr;
        }
    } else {
        space->setResolutions(input.resolutions());
        if (input.defaultResolution() < static_cast<int>(input.resolutions().size()))
            space->setDefaultResolution(input.defaultResolution());
    }
    if (space->resolutions().empty()) {
        noResolutions();
        return nullptr;
    }
    return space;
}

bool ZynNopOperation::resolveSide(const ZynValue& wanted, const ZynValue& inputSide, bool isWidth,
                                  const ZynXyCoordSpace& input, ZynValue& side, bool& taken) {
    taken = false;
    side = wanted;
    if (wanted.value == 0.0 && (wanted.unit == inputSide.unit || zynIsRelativeUnit(wanted.unit))) {
        side = inputSide;
        taken = true;
    } else if (zynIsRelativeUnit(wanted.unit)) {
        side = isWidth ? input.relativeWidthToAbsolute(wanted)
                       : input.relativeHeightToAbsolute(wanted);
    } else if (wanted.value == 0.0 &&
               !zynConvertUnit(inputSide.value, inputSide.unit, wanted.unit, side.value)) {
        setError(ZynError(153,
                          "Invalid unit conversion in ZynNopOperation: " +
                              zynUnitName(inputSide.unit) + " to " + zynUnitName(wanted.unit),
                          kSourceFile));
        return false;
    }
    return true;
}

ZynCoordSpacePtr ZynNopOperation::extentCoordSpace(const ZynCoordSpacePtr& input) {
    ZynValue width, height;
    bool widthTaken = false, heightTaken = false;
    if (!resolveSide(getAttribute<ZynValue>("width"), input->width(), true, *input, width,
                     widthTaken) ||
        !resolveSide(getAttribute<ZynValue>("height"), input->height(), false, *input, height,
                     heightTaken))
        return nullptr;
    if (widthTaken && heightTaken) return input;
    const auto differentPixels = [](const ZynValue& side, const ZynValue& inputSide) {
        return side.unit == ZynUnit::Pixel && inputSide.unit == ZynUnit::Pixel &&
               side.value != inputSide.value;
    };
    if (differentPixels(width, input->width()) || differentPixels(height, input->height())) {
        noResolutions();
        return nullptr;
    }
    auto space = std::make_shared<ZynXyCoordSpace>(input->withSize(width, height));
    if (space->resolutions().empty()) {
        noResolutions();
        return nullptr;
    }
    return space;
}
