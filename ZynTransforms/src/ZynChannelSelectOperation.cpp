#include "ZynChannelSelectOperation.h"

#include <algorithm>

#include "ZynChannelSelectOp.h"

namespace {

const char* const kSourceFile = "ZynChannelSelectOperation";

// The pixel size of an image at its default resolution.
ZynResolution fullSize(const ZynImageOutputCP& output) {
    const ZynXyCoordSpace& space = *output.coordSpace();
    if (space.resolutions().empty()) return {};
    return space.resolutions()[static_cast<size_t>(space.defaultResolution())];
}

}  // namespace

ZynChannelSelectOperation::ZynChannelSelectOperation(const ZynTransformPtr& in1,
                                                     const ZynTransformPtr& in2,
                                                     const ZynTransformPtr& in3,
                                                     const ZynTransformPtr& in4) {
    const ZynTransformPtr sources[] = {in1, in2, in3, in4};
    for (int i = 0; i < 4; ++i) {
        addInput(std::make_shared<ZynImageInputCP>("in" + std::to_string(i + 1)));
        if (sources[i]) imageInput(i)->connect(sources[i]);
    }
    setPrimaryOutput(addOutput(std::make_shared<ZynImageOutputCP>("out")));
    addSimpleAttribute<bool>("copy", false);
    addSimpleAttribute<bool>("allBands", true);
    addSimpleAttribute<bool>("ignoreSize", false);
    addSimpleAttribute<ZynColorSpacePtr>("colorSpace", nullptr);
    addSimpleAttribute<std::vector<int>>("bands", {});
    addSimpleAttribute<std::vector<int>>("inputs", {});
    addSimpleAttribute<bool>("AlwaysCopy", true);
}

ZynChannelSelectOperation::~ZynChannelSelectOperation() = default;

ZynTransformPtr ZynChannelSelectOperation::clone() const {
    return std::make_shared<ZynChannelSelectOperation>(*this);
}

std::string ZynChannelSelectOperation::selectionError(const std::string& what) const {
    return what + "; transform " + describe();
}

void ZynChannelSelectOperation::setupTransform() {
    if (!dynamic_cast<ZynImageOutputCP*>(&primaryOutput()))
        throw ZynError(3,
                       "default implementation of ZynOperation::setupTransform requires that the "
                       "primary output be an ZynImageOutputCP",
                       kSourceFile);
    setStatus(true);
    if (getAttribute<bool>("allBands") && !selectAllBands()) return;
    if (checkSelection()) setSetupDone();
}

bool ZynChannelSelectOperation::selectAllBands() {
    std::vector<int> inputs, bands;
    for (int i = 0; i < numInputs(); ++i) {
        const ZynImageInputCP* in = imageInput(i);
        if (!in || !in->isConnected()) continue;
        if (!in->isGood()) {
            setError(in->upstreamTransform()->error());
            return false;
        }
        for (int b = 0; b < in->upstreamOutput()->dataOrg()->bands(); ++b) {
            bands.push_back(b);
            inputs.push_back(i);
        }
    }
    // Rewritten quietly: setup must not mark the transform for another setup.
    static_cast<ZynSimpleAttribute<std::vector<int>>&>(attribute("inputs")).assignQuietly(inputs);
    static_cast<ZynSimpleAttribute<std::vector<int>>&>(attribute("bands")).assignQuietly(bands);
    return true;
}

bool ZynChannelSelectOperation::checkSelection() {
    const std::vector<int>& inputs = getAttribute<std::vector<int>>("inputs");
    const std::vector<int>& bands = getAttribute<std::vector<int>>("bands");
    if (inputs.empty()) {
        setError(ZynError(600, "No bands are selected in transform " + describe(), kSourceFile));
        return false;
    }
    for (int i : inputs) {
        if (i < 0 || i >= numInputs()) {
            setError(ZynError(600,
                              "Band selection includes an invalid input CP number " +
                                  std::to_string(i) + " for " + std::to_string(numInputs()) +
                                  " connection points in transform " + describe(),
                              kSourceFile));
            return false;
        }
    }
    const bool singleInput =
        std::all_of(inputs.begin(), inputs.end(), [&](int i) { return i == inputs.front(); });
    const ZynImageOutputCP* reference = nullptr;
    double minimum = 0, maximum = 0;
    for (int i = 0; i < numInputs(); ++i) {
        if (std::find(inputs.begin(), inputs.end(), i) == inputs.end()) continue;
        const ZynImageInputCP* in = imageInput(i);
        if (!in->isConnected()) {
            setError(ZynError(600,
                              selectionError("The band selection names input " + std::to_string(i) +
                                             ", which is not connected"),
                              kSourceFile));
            return false;
        }
        if (!in->isGood()) {
            setError(in->upstreamTransform()->error());
            return false;
        }
        const ZynImageOutputCP& source = *in->upstreamOutput();
        const int count = source.dataOrg()->bands();
        for (size_t k = 0; k < inputs.size(); ++k) {
            if (inputs[k] != i) continue;
            if (k >= bands.size()) {
                setError(ZynError(
                    600, selectionError("No band is given for output band " + std::to_string(k)),
                    kSourceFile));
                return false;
            }
            if (bands[k] < 0 || bands[k] >= count) {
                setError(ZynError(600,
                                  "Band value " + std::to_string(k) +
                                      " is out of range: value is " + std::to_string(bands[k]) +
                                      ", input number is " + std::to_string(i) +
                                      ", number of bands for that input is " +
                                      std::to_string(count) + "; transform " + describe(),
                                  kSourceFile));
                return false;
            }
        }
        if (!reference) {
            reference = &source;
            minimum = source.colorSpace()->minimum();
            maximum = source.colorSpace()->maximum();
            continue;
        }
        const ZynDataType referenceType = reference->dataOrg()->dataType();
        const ZynDataType type = source.dataOrg()->dataType();
        if (type != referenceType) {
            setError(ZynError(600,
                              std::string("Data types are not consistent: ") +
                                  zynDataTypeName(referenceType) + " vs. " + zynDataTypeName(type) +
                                  " for input " + std::to_string(i),
                              kSourceFile));
            return false;
        }
        const ZynResolution want = fullSize(*reference), have = fullSize(source);
        if (!getAttribute<bool>("ignoreSize")) {
            if (have.width != want.width) {
                setError(ZynError(600,
                                  "Image widths are not consistent: " + std::to_string(want.width) +
                                      " vs. " + std::to_string(have.width) + " for input " +
                                      std::to_string(i),
                                  kSourceFile));
                return false;
            }
            if (have.height != want.height) {
                setError(ZynError(
                    600,
                    "Image heights are not consistent: " + std::to_string(want.height) + " vs. " +
                        std::to_string(have.height) + " for input " + std::to_string(i),
                    kSourceFile));
                return false;
            }
        }
        minimum = std::max(minimum, source.colorSpace()->minimum());
        maximum = std::min(maximum, source.colorSpace()->maximum());
    }
    publish(*reference, minimum, maximum, singleInput);
    return status();
}

void ZynChannelSelectOperation::publish(const ZynImageOutputCP& reference, double minimum,
                                        double maximum, bool singleInput) {
    const std::vector<int>& inputs = getAttribute<std::vector<int>>("inputs");
    const std::vector<int>& bands = getAttribute<std::vector<int>>("bands");
    const int outputBands = static_cast<int>(inputs.size());
    const ZynSimpleDataOrg& org = *reference.dataOrg();
    ZynDataOrgPtr dataOrg;
    if (singleInput && org.bands() >= outputBands && !getAttribute<bool>("AlwaysCopy")) {
        dataOrg = std::make_shared<ZynSimpleDataOrg>(
            org.selectBands(std::vector<int>(bands.begin(), bands.begin() + outputBands)));
    } else {
        dataOrg = std::make_shared<ZynSimpleDataOrg>(org.width(), org.height(), org.dataType(),
                                                     outputBands, org.interleave());
    }
    ZynColorSpacePtr colorSpace = getAttribute<ZynColorSpacePtr>("colorSpace");
    if (colorSpace && colorSpace->bands() != outputBands) {
        setError(ZynError(153, "Specified color space has the wrong number of bands for the inputs",
                          kSourceFile));
        return;
    }
    if (!colorSpace)
        colorSpace = std::make_shared<ZynGenericColorSpace>(outputBands, minimum, maximum);
    imageOutput(primaryOutputIndex())->setDescription(colorSpace, reference.coordSpace(), dataOrg);
}

ZynImageOpPtr ZynChannelSelectOperation::makeOp(int, const ZynResolution& resolution) {
    const std::vector<int>& inputs = getAttribute<std::vector<int>>("inputs");
    std::vector<ZynUpstream> upstreams(static_cast<size_t>(numInputs()));
    for (int i = 0; i < numInputs(); ++i) {
        const ZynImageInputCP* in = imageInput(i);
        const bool named = i == 0 || std::find(inputs.begin(), inputs.end(), i) != inputs.end();
        if (named && in->isGood())
            upstreams[static_cast<size_t>(i)] = in->upstream(inputResolution(i, resolution));
    }
    // Bands beyond the last output band are not part of the selection.
    std::vector<int> bands = getAttribute<std::vector<int>>("bands");
    bands.resize(inputs.size());
    return std::make_shared<ZynChannelSelectOp>(std::move(upstreams), inputs, std::move(bands),
                                                getAttribute<bool>("AlwaysCopy"));
}
