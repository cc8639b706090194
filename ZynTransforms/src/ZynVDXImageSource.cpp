#include "ZynVDXImageSource.h"

#include <iostream>

#include "QorString.h"
#include "VdxImage.h"
#include "VdxLayout.h"
#include "ZynRecognizeTraced.h"
#include "ZynSettings.h"
#include "ZynVDXImageSourceOp.h"

namespace {

int formatNamed(const std::string& name) {
    if (name == "VDXLum") return kVdxLuminance;
    if (name == "VDXRGB") return kVdxRGB;
    if (name == "VDXYCC") return kVdxYCC;
    throw ZynError(133, name + " is an unknown or invalid color space.");
}

ZynColorSpacePtr colorSpaceFor(int format) {
    switch (format) {
        case kVdxLuminance:
            return std::make_shared<ZynVDXLumColorSpace>(0.0, 255.0);
        case kVdxRGB:
            return std::make_shared<ZynVDXRGBColorSpace>(0.0, 255.0);
        case kVdxYCC:
            return std::make_shared<ZynVDXYCCColorSpace>(0.0, 255.0);
        default:
            throw ZynError(9, "The file's ColorSpace is not yet supported.");
    }
}

// Where each band lies in a pixel as the library delivers it: RGB comes blue first.
std::vector<int64_t> bandOffsetsFor(int format) {
    switch (format) {
        case kVdxLuminance:
            return {0};
        case kVdxRGB:
            return {2, 1, 0};
        default:
            return {0, 1, 2};
    }
}

}  // namespace

void ZynVDXImageSource::declare(ZynTransform& source) {
    source.addSimpleAttribute<std::string>("color_space", "");
}

ZynTransformPtr ZynVDXImageSource::recognize(const std::wstring& fileName, FILE* file,
                                             bool keepOpen) {
    const bool trace = ZynSettings::get().trace;
    const auto test = [&]() -> ZynTransformPtr {
        if (!file) {
            if (trace) std::cout << "Not a vdx file " << qorNarrow(fileName) << std::endl;
            return nullptr;
        }
        uint8_t magic[kVdxSignatureSize] = {};
        const bool read = std::fseek(file, kVdxSignatureOffset, SEEK_SET) == 0 &&
                          std::fread(magic, 1, sizeof magic, file) == sizeof magic;
        // The next recogniser reads from the start.
        std::rewind(file);
        if (!read || !vdxHasSignature(magic, sizeof magic)) {
            if (trace) {
                std::cout << qorNarrow(fileName) << " Not vdx: magic number is ";
                for (uint8_t byte : magic) std::cout << static_cast<char>(byte) << " ";
                std::cout << std::endl;
            }
            return nullptr;
        }
        if (trace) std::cout << qorNarrow(fileName) << " Has a VDX magic number " << std::endl;
        return std::make_shared<ZynVDXImageSource>(fileName, keepOpen);
    };
    return recognizeTraced("recognizeVdx", test, ZynErrorTrace::Printout,
                           "     But it wouldn't open");
}

void ZynVDXImageSource::setupTransform() {
    levels_.clear();
    // A fresh handle: the library's colour format and resolution start from the attributes.
    op_ = std::make_shared<ZynVDXFile>(fileName(), keepOpen());
    try {
        auto lock = op_->lock();
        if (!op_->openLocked()) throw op_->status();
        describeOutput(op_->library());
    } catch (const ZynError& e) {
        setError(e);
    }
    if (!keepOpen()) op_->close();
}

void ZynVDXImageSource::describeOutput(VdxImage& library) {
    applyColorSpaceAttribute(library);
    VdxConfig config;
    if (library.config(config) != kVdxOk)
        throw ZynError(130, "ZynVDXImageSource can't get config info on file.");
    format_ = config.format;
    colorSpace_ = colorSpaceFor(format_);
    if (config.planes != kVdxInterleaved) throw ZynError(9, "Unsupported VDX file type.");
    bandOffsets_ = bandOffsetsFor(format_);
    listLevels(library);

    // Largest first, as the other sources list them; the largest is the default.
    const ZynResolution full = levels_.back().size;
    auto coordSpace = std::make_shared<ZynXyCoordSpace>(
        ZynValue{static_cast<double>(full.width), ZynUnit::Pixel},
        ZynValue{static_cast<double>(full.height), ZynUnit::Pixel});
    for (auto level = levels_.rbegin(); level != levels_.rend(); ++level)
        coordSpace->addResolution(level->size);
    publishOutput(colorSpace_, coordSpace,
                  std::make_shared<ZynSimpleDataOrg>(full.width, full.height, ZynDataType::UInt8,
                                                     colorSpace_->bands()));
}

void ZynVDXImageSource::applyColorSpaceAttribute(VdxImage& library) {
    const std::string& name = getAttribute<std::string>("color_space");
    if (name.empty()) return;
    if (library.setColorFormat(formatNamed(name)) != kVdxOk)
        throw ZynError(133, name + " is an unknown or invalid color space.");
}

void ZynVDXImageSource::listLevels(VdxImage& library) {
    const bool swapped = library.orientationFlags() & kVdxSwapped;
    const auto levelOf = [&](int index) {
        uint16_t width = 0, height = 0;
        library.resolutionSize(index, width, height);
        if (swapped) std::swap(width, height);
        return Level{index, {width, height}};
    };
    uint32_t mask = 0;
    int count = 0;
    library.availableResolutions(mask, count);
    levels_.reserve(static_cast<size_t>(count));
    for (int index = 0; index < 32; ++index)
        if (mask & (1u << index)) levels_.push_back(levelOf(index));
    fallback_ = levelOf(kVdxBaseLevel);
}

const ZynVDXImageSource::Level& ZynVDXImageSource::levelFor(const ZynResolution& resolution) const {
    for (const Level& level : levels_)
        if (level.size == resolution) return level;
    return fallback_;
}

ZynImageOpPtr ZynVDXImageSource::opForResolution(int, const ZynResolution& resolution) {
    if (!op_ || levels_.empty()) throw ZynError(3, "Unsupported resolution");
    const Level& level = levelFor(resolution);
    return std::make_shared<ZynVDXImageSourceOp>(op_, level.index, level.size, format_, colorSpace_,
                                                 bandOffsets_);
}
