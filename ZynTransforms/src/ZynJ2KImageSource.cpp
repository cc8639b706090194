#include "ZynJ2KImageSource.h"

#include <iostream>

#include "J2kBoxes.h"
#include "QorString.h"
#include "ZynJ2KImageSourceOp.h"
#include "ZynRecognizeTraced.h"
#include "ZynSettings.h"

namespace {

const char* const kIccProfileKey = "DigitalProcess.ICCProfile";

// Enumerated colour spaces of the JP2 colour box the source shows.
constexpr uint32_t kSRGB = 16;
constexpr uint32_t kGreyscale = 17;
constexpr uint32_t kSYCC = 18;

void checkRequestedColorSpace(const std::string& name) {
    if (name.empty()) return;
    for (const char* known : {"RGB", "YCbCr", "YCC", "Lum"})
        if (name.find(known) != std::string::npos) return;
    throw ZynError(133, "Unsupported ZYN color space: " + name);
}

uint32_t qualityLayers(int requested, uint32_t available) {
    if (requested == 0) return available;
    if (requested < 0 || static_cast<uint32_t>(requested) > available)
        throw ZynError(13, "Invalid Quality Layer Value: Value = " + std::to_string(requested) +
                               ", Max Available = " + std::to_string(available));
    return static_cast<uint32_t>(requested);
}

// Signed samples keep their values: they need a signed type, whatever their precision.
ZynDataType dataTypeFor(const J2kComponent& component) {
    const uint32_t precision = component.precision;
    if (precision != 8 && precision != 12 && precision != 16)
        throw ZynError(
            133, "Unknown or invalid bit precision from J2K file: " + std::to_string(precision));
    if (component.isSigned) return ZynDataType::Int16;
    return precision == 8 ? ZynDataType::UInt8 : ZynDataType::UInt16;
}

// The colour space of `bands` bands, its alpha variant for one band more.
template <class Plain, class WithAlpha>
ZynColorSpacePtr colorSpaceOf(size_t bands, size_t components, uint32_t id, double minimum,
                              double maximum) {
    if (components == bands) return std::make_shared<Plain>(minimum, maximum);
    if (components == bands + 1) return std::make_shared<WithAlpha>(minimum, maximum);
    throw ZynError(133,
                   "Unsupported number of components in J2K file: " + std::to_string(components) +
                       " for color space id " + std::to_string(id));
}

ZynColorSpacePtr colorSpaceFor(const J2kHeader& header) {
    const J2kComponent& first = header.components.front();
    const double half = static_cast<double>(uint32_t{1} << (first.precision - 1));
    const double minimum = first.isSigned ? -half : 0.0;
    const double maximum = first.isSigned ? half - 1 : 2 * half - 1;
    const size_t components = header.components.size();
    const uint32_t id = header.color.enumerated;
    switch (id) {
        case kSRGB:
        case kJ2kIccRgb:
            return colorSpaceOf<ZynRGBColorSpace, ZynRGBAColorSpace>(3, components, id, minimum,
                                                                     maximum);
        case kGreyscale:
        case kJ2kIccLuminance:
            return colorSpaceOf<ZynLumColorSpace, ZynLumAColorSpace>(1, components, id, minimum,
                                                                     maximum);
        case kSYCC:
            return colorSpaceOf<ZynYCbCrColorSpace, ZynYCbCrAColorSpace>(3, components, id, minimum,
                                                                         maximum);
        default:
            throw ZynError(
                133, "Unknown or invalid color space id from J2K file: " + std::to_string(id));
    }
}

}  // namespace

void ZynJ2KImageSource::declare(ZynTransform& source) {
    source.addSimpleAttribute<std::string>("color_space", "");
    source.addSimpleAttribute<int>("qualityLayer", 0);
}

ZynTransformPtr ZynJ2KImageSource::recognize(const std::wstring& fileName, FILE* file,
                                             bool keepOpen) {
    if (!file) return nullptr;
    const bool trace = ZynSettings::get().trace;
    uint8_t magic[kJ2kSignatureSize] = {};
    std::rewind(file);
    const size_t got = std::fread(magic, 1, sizeof magic, file);
    std::rewind(file);
    if (!j2kHasSignature(magic, got)) {
        if (trace) std::cout << qorNarrow(fileName) << " Not J2K file" << std::endl;
        return nullptr;
    }
    if (trace)
        std::cout << "Found a J2K file by its magic number " << qorNarrow(fileName) << std::endl;
    return recognizeTraced(
        "ZynJ2KImageSource::recognize",
        [&]() -> ZynTransformPtr {
            return std::make_shared<ZynJ2KImageSource>(fileName, keepOpen);
        },
        ZynErrorTrace::Printout, "  But it wouldn't open");
}

void ZynJ2KImageSource::fileNameChanged() {
    ops_.clear();
    ZynMainOpSource::fileNameChanged();
}

void ZynJ2KImageSource::setupTransform() {
    ops_.clear();
    if (fileName().empty()) {
        setError(ZynError(130, "No File Name Specified"));
        return;
    }
    try {
        describeOutput();
    } catch (const ZynError& e) {
        setError(e);
    }
    if (op_ && !keepOpen()) op_->close();
}

void ZynJ2KImageSource::describeOutput() {
    checkRequestedColorSpace(getAttribute<std::string>("color_space"));
    ZynJ2KFile& file = mainOp();
    if (!file.valid()) throw file.error();
    const J2kHeader& header = file.header();
    const uint32_t layers = qualityLayers(getAttribute<int>("qualityLayer"), header.layers);
    const ZynDataType type = dataTypeFor(header.components.front());
    const ZynColorSpacePtr colorSpace = colorSpaceFor(header);

    auto coordSpace = std::make_shared<ZynXyCoordSpace>(
        ZynValue{static_cast<double>(header.levelWidth(0)), ZynUnit::Pixel},
        ZynValue{static_cast<double>(header.levelHeight(0)), ZynUnit::Pixel});
    for (uint32_t level = 0; level < header.levels; ++level) {
        coordSpace->addResolution({header.levelWidth(level), header.levelHeight(level)});
        ops_.push_back(std::make_shared<ZynJ2KImageSourceOp>(op_, level, layers, colorSpace, type));
    }
    ZynOutputInfo info;
    ops_.front()->outputInfo(info);
    publishOutput(colorSpace, coordSpace, info.dataOrg);
}

ZynImageOpPtr ZynJ2KImageSource::opForResolution(int, const ZynResolution& resolution) {
    // Levels that round to the same size are served by the smallest.
    for (auto op = ops_.rbegin(); op != ops_.rend(); ++op)
        if ((*op)->resolutions().front() == resolution) return *op;
    throw ZynError(3, "Unsupported resolution requested: " + std::to_string(resolution.width) +
                          " " + std::to_string(resolution.height));
}

bool ZynJ2KImageSource::readMetadata(const std::string& key, VulMetaValue& value) {
    if (key != kIccProfileKey || !op_ || !op_->valid() || op_->header().color.iccProfile.empty())
        return false;
    value = op_->header().color.iccProfile;
    return true;
}
