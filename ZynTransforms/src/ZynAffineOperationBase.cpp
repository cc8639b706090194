#include "ZynAffineOperationBase.h"

#include <algorithm>
#include <cmath>

#include "ZynColor.h"

namespace {

const char* const kSourceFile = "ZynAffineOperation";

// A pixel count from a size in pixels; 0 (refused by the op) for sizes below half a pixel.
uint32_t pixelCount(double v) {
    if (!(v >= 0.5)) return 0;
    return static_cast<uint32_t>(std::min(std::round(v), 2147483647.0));
}

// `pixels` of an input side of extent `input`, scaled to an output side of extent `output`.
uint32_t scaledPixels(uint32_t pixels, const ZynValue& output, const ZynValue& input) {
    double v = 0;
    if (input.value <= 0 || !zynConvertUnit(output.value, output.unit, input.unit, v))
        return pixels;
    return pixelCount(pixels * v / input.value);
}

}  // namespace

ZynAffineOperationBase::ZynAffineOperationBase(const ZynAffineOp::Affines& affines, double width,
                                               double height, unsigned unit,
                                               ZynResamplingType::Enum resampling,
                                               const ZynTransformPtr& affinesSource) {
    addInput(std::make_shared<ZynImageInputCP>("in"));
    addInput(std::make_shared<ZynAffineOp::AffinesInput>("in2"));
    setPrimaryOutput(addOutput(std::make_shared<ZynImageOutputCP>("out")));
    addSimpleAttribute<ZynAffineOp::Affines>("affines", affines);
    addSimpleAttribute<double>("width", width);
    addSimpleAttribute<double>("height", height);
    addSimpleAttribute<unsigned>("unit", unit);
    addSimpleAttribute<ZynColor>("fillColor", ZynColor{});
    addSimpleAttribute<ZynResamplingType::Enum>("resamplingType", resampling);
    if (!affinesSource) return;
    for (int i = 0; i < affinesSource->numOutputs(); ++i) {
        if (dynamic_cast<ZynSimpleOutputCP<ZynAffineOp::Affines>*>(&affinesSource->output(i))) {
            affinesInput().connect(affinesSource, i);
            break;
        }
    }
}

ZynAffineOperationBase::~ZynAffineOperationBase() = default;

ZynAffineOp::AffinesInput& ZynAffineOperationBase::affinesInput() const {
    return static_cast<ZynAffineOp::AffinesInput&>(input(1));
}

void ZynAffineOperationBase::filterMetadataKeys(std::vector<std::string>& keys) const {
    std::erase(keys, "ImageContainer.Orientation");
}

void ZynAffineOperationBase::setupTransform() {
    defaultSetup();
    if (!status()) return;
    streamAffines_ = affinesInput().upstreamOutput() != nullptr;
    const ZynImageOutputCP& source = *imageInput(0)->upstreamOutput();
    const ZynXyCoordSpace& in = *source.coordSpace();
    if (static_cast<ZynUnit>(getAttribute<unsigned>("unit")) == ZynUnit::Pixel &&
        in.resolutions().size() > 1) {
        setError(ZynError(600,
                          "Cannot specify affine parameters in pixels when multiple resolutions "
                          "are available",
                          kSourceFile));
        return;
    }
    const ZynCoordSpacePtr space = outputCoordSpace(in);
    if (!space) return;
    const int bands = source.dataOrg()->bands();
    const size_t fillCount = getAttribute<ZynColor>("fillColor").values.size();
    if (fillCount >= 2 && fillCount != static_cast<size_t>(bands)) {
        setError(ZynError(600,
                          "Fill color has the wrong number of bands: " + std::to_string(fillCount) +
                              " vs. " + std::to_string(bands),
                          kSourceFile));
        return;
    }
    // The op's tiles depend on the resolution; this describes their kind.
    const ZynResolution full =
        space->resolutions().empty()
            ? ZynResolution{1, 1}
            : space->resolutions()[static_cast<size_t>(space->defaultResolution())];
    auto tile = std::make_shared<ZynSimpleDataOrg>(std::clamp<uint32_t>(full.width, 1, 256),
                                                   std::clamp<uint32_t>(full.height, 1, 256),
                                                   source.dataOrg()->dataType(), bands);
    imageOutput(primaryOutputIndex())->setDescription(source.colorSpace(), space, tile);
    changed(-1);
}

ZynCoordSpacePtr ZynAffineOperationBase::outputCoordSpace(const ZynXyCoordSpace& in) {
    const double width = getAttribute<double>("width");
    const double height = getAttribute<double>("height");
    if (width == 0.0 && height == 0.0) return std::make_shared<ZynXyCoordSpace>(in);
    const ZynValue& iw = in.width();
    const ZynValue& ih = in.height();
    const auto unit = static_cast<ZynUnit>(getAttribute<unsigned>("unit"));
    // A side of 0.0 stands for the input's extent, in every unit.
    ZynValue w = iw, h = ih;
    switch (unit) {
        case ZynUnit::Width:
            if (width != 0.0) w = {width * iw.value, iw.unit};
            if (height != 0.0) h = {height * iw.value, iw.unit};
            break;
        case ZynUnit::Height:
            if (width != 0.0) w = {width * ih.value, ih.unit};
            if (height != 0.0) h = {height * ih.value, ih.unit};
            break;
        case ZynUnit::Normalized:
            if (width != 0.0) w = {width * iw.value, iw.unit};
            if (height != 0.0) h = {height * ih.value, ih.unit};
            break;
        case ZynUnit::Pixel:
            if (width != 0.0) w = {width, ZynUnit::Pixel};
            if (height != 0.0) h = {height, ZynUnit::Pixel};
            break;
        default:
            if (iw.unit == ZynUnit::Pixel) {
                setError(ZynError(
                    600, "Cannot convert affine parameters in non-pixel units into pixel units",
                    kSourceFile));
                return nullptr;
            }
            if (width != 0.0) w = {width, unit};
            if (height != 0.0) h = {height, unit};
    }
    auto space = std::make_shared<ZynXyCoordSpace>(in.withSize(w, h));
    std::vector<ZynResolution> resolutions;
    if (unit == ZynUnit::Pixel) {
        const ZynResolution one = in.resolutions().empty() ? ZynResolution{} : in.resolutions()[0];
        resolutions.push_back({width != 0.0 ? pixelCount(width) : one.width,
                               height != 0.0 ? pixelCount(height) : one.height});
    } else {
        for (const ZynResolution& r : in.resolutions())
            resolutions.push_back({scaledPixels(r.width, w, iw), scaledPixels(r.height, h, ih)});
    }
    space->setResolutions(std::move(resolutions));
    return space;
}

ZynImageOpPtr ZynAffineOperationBase::opForResolution(int outputIndex,
                                                      const ZynResolution& resolution) {
    const ZynImageOutputCP* out = imageOutput(outputIndex);
    if (!out || !out->coordSpace() || !out->coordSpace()->hasResolution(resolution))
        throw ZynError(unsupportedResolutionCode(), "Unsupported resolution");
    return makeOp(outputIndex, resolution);
}

ZynRect ZynAffineOperationBase::inputRegion(int, const ZynRect& outputRect,
                                            const ZynResolution& resolution) {
    if (streamAffines_) {
        const ZynResolution in = inputResolution(0, resolution);
        return {0, 0, in.width, in.height};
    }
    auto op = std::dynamic_pointer_cast<ZynAffineOp>(
        imageOutput(primaryOutputIndex())->opFor(resolution));
    if (!op) throw ZynError(3, describe() + " has no affine op for the resolution");
    return op->inputRect(outputRect);
}

ZynAffineOp::Affines ZynAffineOperationBase::normalizedMap(const ZynResolution& resolution,
                                                           const ZynXyCoordSpace& input) const {
    ZynAffineOp::Affines map = getAttribute<ZynAffineOp::Affines>("affines");
    const double wp = resolution.width, hp = resolution.height;
    const auto unit = static_cast<ZynUnit>(getAttribute<unsigned>("unit"));
    switch (unit) {
        case ZynUnit::Pixel:
            map.c /= wp;
            map.f /= hp;
            break;
        case ZynUnit::Width:
            map.f *= wp / hp;
            break;
        case ZynUnit::Height:
            map.c *= hp / wp;
            break;
        case ZynUnit::Normalized:
            break;
        default: {
            // Physical translations are measured against the input's extent; a unit that does not
            // convert is taken to be the input's own.
            double c = map.c, f = map.f;
            zynConvertUnit(map.c, unit, input.width().unit, c);
            zynConvertUnit(map.f, unit, input.height().unit, f);
            map.c = c / input.width().value;
            map.f = f / input.height().value;
        }
    }
    return map;
}

std::vector<double> ZynAffineOperationBase::fillValues(int bands) const {
    const std::vector<double>& values = getAttribute<ZynColor>("fillColor").values;
    if (values.size() == 1) return std::vector<double>(static_cast<size_t>(bands), values[0]);
    std::vector<double> fill = values;
    fill.resize(static_cast<size_t>(bands), 0.0);
    return fill;
}

ZynAffineOp::Parameters ZynAffineOperationBase::opParameters(
    const ZynResolution& resolution) const {
    const ZynImageOutputCP& source = *imageInput(0)->upstreamOutput();
    ZynAffineOp::Parameters p;
    p.input = imageInput(0)->upstream(inputResolution(0, resolution));
    p.width = resolution.width;
    p.height = resolution.height;
    p.resampling = getAttribute<ZynResamplingType::Enum>("resamplingType");
    p.fill = fillValues(source.dataOrg()->bands());
    p.minimum = source.colorSpace()->minimum();
    p.maximum = source.colorSpace()->maximum();
    if (streamAffines_) {
        p.stream = &affinesInput();
        p.item = p.stream->renderedItem();
        return p;
    }
    // Pixel centres sit at integer positions; the linear part keeps its meaning.
    ZynAffineOp::Affines map = normalizedMap(resolution, *source.coordSpace());
    map.c = (map.a + map.b - 1) / 2 + resolution.width * map.c;
    map.f = (map.d + map.e - 1) / 2 + resolution.height * map.f;
    p.map = map;
    return p;
}
