#include "ZynPNGImageSource.h"

#include <png.h>

#include <iostream>
#include <utility>

#include "QorString.h"
#include "ZynImageOutputCP.h"
#include "ZynPNGReducedResImageSourceOp.h"
#include "ZynPNGTagImageSourceOp.h"
#include "ZynRecognizeTraced.h"
#include "ZynSettings.h"

namespace {

constexpr int kTagOutput = 1;

constexpr std::pair<const char*, bool PNGReadOptions::*> kOptionAttributes[] = {
    {"png_16to8", &PNGReadOptions::to8Bit},
    {"png_grytoclr", &PNGReadOptions::grayToColor},
    {"png_clrtogry", &PNGReadOptions::colorToGray},
    {"png_noalpha", &PNGReadOptions::noAlpha},
    {"png_alphamode", &PNGReadOptions::invertAlpha},
    {"png_rgbtobgr", &PNGReadOptions::rgbToBgr},
    {"png_prefillpixels", &PNGReadOptions::preFill},
    {"png_postfillpixels", &PNGReadOptions::postFill},
    {"png_rgbatoargb", &PNGReadOptions::alphaFirst},
    {"png_invertmaxmin", &PNGReadOptions::invertGray},
    {"png_changebyteorder", &PNGReadOptions::changeByteOrder},
};

}  // namespace

void ZynPNGImageSource::declare(ZynTransform& source) {
    source.addOutput(std::make_shared<ZynImageOutputCP>("OutTag"));
    for (const auto& [name, member] : kOptionAttributes)
        source.addSimpleAttribute<bool>(name, false);
}

ZynTransformPtr ZynPNGImageSource::recognize(const std::wstring& fileName, FILE* file,
                                             bool keepOpen) {
    return recognizeTraced("ZynPNGImageSource::recognize", [&]() -> ZynTransformPtr {
        png_byte signature[8] = {};
        if (!file) return nullptr;
        std::rewind(file);
        if (std::fread(signature, 1, 8, file) == 8 && png_sig_cmp(signature, 0, 8) == 0)
            return std::make_shared<ZynPNGImageSource>(fileName, keepOpen);
        return nullptr;
    });
}

PNGReadOptions ZynPNGImageSource::options() const {
    PNGReadOptions options;
    for (const auto& [name, member] : kOptionAttributes) options.*member = getAttribute<bool>(name);
    return options;
}

void ZynPNGImageSource::dropOps() {
    op_.reset();
    tagOp_.reset();
    reducedOp_.reset();
}

void ZynPNGImageSource::fileNameChanged() {
    dropOps();
    markForSetup();
}

void ZynPNGImageSource::attributeChanged(ZynAttribute& attribute) {
    if (attribute.name().starts_with("png_")) dropOps();
    ZynImageFileSource::attributeChanged(attribute);
}

std::shared_ptr<ZynXyCoordSpace> ZynPNGImageSource::coordSpace(const ZynOutputInfo& info) const {
    uint32_t x = 0, y = 0;
    if (op_->pixelsPerMeter(x, y))
        return std::make_shared<ZynXyCoordSpace>(ZynValue{double(info.width) / x, ZynUnit::Meter},
                                                 ZynValue{double(info.height) / y, ZynUnit::Meter});
    return std::make_shared<ZynXyCoordSpace>(ZynValue{double(info.width), ZynUnit::Pixel},
                                             ZynValue{double(info.height), ZynUnit::Pixel});
}

void ZynPNGImageSource::setupTransform() {
    ZynOutputInfo info;
    ZynColorSpacePtr colorSpace;
    if (!describeFromOp(mainOp(options()), info, colorSpace)) return;
    auto space = coordSpace(info);
    space->addResolution({info.width, info.height});
    // The tag image has the primary's extent and size only.
    const ZynXyCoordSpace tagSpace = *space;
    if (op_->leadingChunks().hasReducedRes && !addReducedRes(info, *space)) return;
    publishOutput(colorSpace, space, info.dataOrg);
    publishTag(info, tagSpace);
}

bool ZynPNGImageSource::addReducedRes(const ZynOutputInfo& primary, ZynXyCoordSpace& space) {
    if (!reducedOp_)
        reducedOp_ =
            std::make_shared<ZynPNGReducedResImageSourceOp>(fileName(), keepOpen(), options());
    ZynOutputInfo info;
    if (!reducedOp_->outputInfoBase(info)) {
        setError(info.error);
        return false;
    }
    if (!reducedOp_->getColorSpace()) {
        setError(ZynError(125, "The reduced res image color space is NULL"));
        return false;
    }
    if (!info.dataOrg) {
        setError(ZynError(125, "The reduced res image data org is NULL"));
        return false;
    }
    const PNGLeadingChunks& leading = op_->leadingChunks();
    if (info.width != leading.reducedWidth || info.height != leading.reducedHeight ||
        info.dataOrg->bands() != primary.dataOrg->bands() ||
        info.dataOrg->dataType() != primary.dataOrg->dataType()) {
        setError(ZynError(203,
                          "The reduced res image width, height, number of bands, and/or datatype "
                          "is not consistent with the primary image information"));
        return false;
    }
    space.addResolution({info.width, info.height});
    return true;
}

void ZynPNGImageSource::publishTag(const ZynOutputInfo& primary, const ZynXyCoordSpace& space) {
    ZynImageOutputCP* out = imageOutput(kTagOutput);
    out->clearError();
    auto tagSpace = std::make_shared<ZynXyCoordSpace>(space);
    auto placeholder = [&](const ZynError& error) {
        publishOutput(std::make_shared<ZynLumColorSpace>(), tagSpace,
                      std::make_shared<ZynSimpleDataOrg>(primary.width, primary.height,
                                                         ZynDataType::UInt8, 1),
                      kTagOutput);
        out->setError(error);
    };
    if (!op_->leadingChunks().hasTag)
        return placeholder(ZynError(1, "There is no chroma key tag image available"));
    if (!tagOp_) tagOp_ = std::make_shared<ZynPNGTagImageSourceOp>(fileName(), keepOpen());
    ZynOutputInfo info;
    // The primary image stays usable when the tag image is not.
    if (!tagOp_->outputInfoBase(info)) return placeholder(info.error);
    if (!tagOp_->getColorSpace())
        return setError(ZynError(125, "The tag image color space is NULL"));
    if (!info.dataOrg) return setError(ZynError(125, "The tag data org is NULL"));
    publishOutput(tagOp_->getColorSpace(), tagSpace, info.dataOrg, kTagOutput);
}

ZynImageOpPtr ZynPNGImageSource::opForResolution(int outputIndex, const ZynResolution& resolution) {
    std::shared_ptr<ZynImageSourceOp> op;
    if (outputIndex == primaryOutputIndex()) {
        const bool reduced = reducedOp_ && op_ && op_->leadingChunks().hasReducedRes &&
                             resolution.width == op_->leadingChunks().reducedWidth &&
                             resolution.height == op_->leadingChunks().reducedHeight;
        op = reduced ? std::static_pointer_cast<ZynImageSourceOp>(reducedOp_) : op_;
    } else if (outputIndex == kTagOutput) {
        op = tagOp_;
    } else {
        throw ZynError(3, "invalid output connection point index");
    }
    const ZynImageOutputCP* out = imageOutput(outputIndex);
    if (!op || !out || !out->coordSpace() || !out->coordSpace()->hasResolution(resolution) ||
        op->resolutionIndex(resolution) < 0)
        throw ZynError(3, "Unsupported resolution");
    return op;
}

void ZynPNGImageSource::postRender() {
    if (keepOpen()) return;
    if (op_) op_->close();
    if (tagOp_) tagOp_->close();
    if (reducedOp_) reducedOp_->close();
}
