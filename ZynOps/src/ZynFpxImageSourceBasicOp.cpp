#include "ZynFpxImageSourceBasicOp.h"

#include <algorithm>

namespace {

constexpr uint32_t kYcc = 0x20000102, kYccAlpha = 0x20017FFE, kRgb = 0x30000102,
                   kRgbAlpha = 0x30017FFE, kLum = 0x10000000, kLumAlpha = 0x10007FFE,
                   kYCbCr = 0x90000102, kYCbCrAlpha = 0x90017FFE;

const char* const kUnsupportedColorSpace = "The file ColorSpace is not yet supported.";

}  // namespace

ZynFpxImageSourceBasicOp::ZynFpxImageSourceBasicOp(const std::wstring& fileName, bool keepOpen) {
    try {
        coordinator_ = std::make_shared<ZynFpxCoordinator>(fileName, keepOpen);
    } catch (const ZynError& e) {
        recordError(e);
        return;
    }
    std::lock_guard lock(coordinator_->mutex());
    if (!coordinator_->open()) {
        recordError(coordinator_->error());
        return;
    }
    if (describeImage(coordinator_->info()) && describeChannels()) {
        const FpxResolutionInfo& levels = coordinator_->levels();
        for (size_t k = 0; k < levels.size(); ++k) {
            if (!levels[k].present) continue;
            addResolution(levels[k].width, levels[k].height);
            levels_.push_back(static_cast<int>(k));
        }
        setImageSize(coordinator_->width(), coordinator_->height());
        readViewingParameters(coordinator_->image());
    }
    if (!keepOpen) coordinator_->close();
}

std::shared_ptr<ZynFpxImageSourceBasicOp> ZynFpxImageSourceBasicOp::forResolution(int index) const {
    auto op = std::make_shared<ZynFpxImageSourceBasicOp>(*this);
    op->selectResolution(static_cast<int16_t>(index));
    return op;
}

// The colour space and the pixel-format word follow from the toolkit's colour space and the
// channel count.
bool ZynFpxImageSourceBasicOp::describeImage(const FpxImageInfo& info) {
    channels_ = info.numChannels;
    const bool three = channels_ == 3;
    switch (info.colorSpace) {
        case kFpxPhotoYcc:
            colorSpace_ = three ? ZynColorSpacePtr(std::make_shared<ZynFpxYCCColorSpace>())
                                : std::make_shared<ZynFpxYCCAColorSpace>();
            pixelFormat_ = three ? kYcc : kYccAlpha;
            break;
        case kFpxRgb:
            colorSpace_ = three ? ZynColorSpacePtr(std::make_shared<ZynFpxRGBColorSpace>())
                                : std::make_shared<ZynFpxRGBAColorSpace>();
            pixelFormat_ = three ? kRgb : kRgbAlpha;
            break;
        case kFpxMonochrome:
            colorSpace_ = channels_ == 1 ? ZynColorSpacePtr(std::make_shared<ZynFpxLumColorSpace>())
                                         : std::make_shared<ZynFpxLumAColorSpace>();
            pixelFormat_ = channels_ == 1 ? kLum : kLumAlpha;
            break;
        case kFpxYCbCr:
            colorSpace_ = three ? ZynColorSpacePtr(std::make_shared<ZynFpxYCbCrColorSpace>())
                                : std::make_shared<ZynFpxYCbCrAColorSpace>();
            pixelFormat_ = three ? kYCbCr : kYCbCrAlpha;
            break;
        default:
            recordError(ZynError(9, kUnsupportedColorSpace));
            return false;
    }
    switch (info.sampleKind) {
        case FpxSampleKind::UInt8:
            dataType_ = ZynDataType::UInt8;
            break;
    }
    return true;
}

// The toolkit's channel codes for the pixel-format word; the YCbCr words have none.
bool ZynFpxImageSourceBasicOp::describeChannels() {
    int first;
    switch (pixelFormat_ & 0xF0000000) {
        case kYcc & 0xF0000000:
            first = kFpxChannelY;
            break;
        case kRgb & 0xF0000000:
            first = kFpxChannelRed;
            break;
        case kLum & 0xF0000000:
            first = kFpxChannelMonochrome;
            break;
        default:
            recordError(ZynError(9, kUnsupportedColorSpace));
            return false;
    }
    const int colors = channels_ - (hasAlpha() ? 1 : 0);
    for (int k = 0; k < colors; ++k) channelCodes_[k] = first + k;
    if (hasAlpha()) channelCodes_[colors] = kFpxChannelAlpha;
    return true;
}

void ZynFpxImageSourceBasicOp::readViewingParameters(const FpxImage* image) {
    NIFAffineMatrix affine;
    NIFColorTwistMatrix twist;
    float value;
    if (fpxGetImageAffineMatrix(image, affine) == FpxStatus::Ok) view_.affine = affine;
    if (fpxGetImageResultAspectRatio(image, value) == FpxStatus::Ok) view_.aspectRatio = value;
    if (fpxGetImageContrastAdjustment(image, value) == FpxStatus::Ok) view_.contrast = value;
    if (fpxGetImageColorTwistMatrix(image, twist) == FpxStatus::Ok) view_.colorTwist = twist;
}

bool ZynFpxImageSourceBasicOp::outputInfo(ZynOutputInfo& info) {
    if (!valid()) return false;
    const ZynResolution size = selectedSize();
    info.width = size.width;
    info.height = size.height;
    info.originX = info.originY = 0;
    info.dataOrg = std::make_shared<ZynSimpleDataOrg>(std::min(size.width, kFpxTileSide),
                                                      std::min(size.height, kFpxTileSide),
                                                      dataType_, channels_);
    return true;
}

bool ZynFpxImageSourceBasicOp::compatible(const ZynSimpleDataOrg& org) const {
    return org.bands() == channels_ && org.dataType() == dataType_ &&
           org.interleave() == ZynInterleave::Pixel;
}

bool ZynFpxImageSourceBasicOp::canFill(const ZynRectBuffer& buffer) {
    const ZynResolution size = selectedSize();
    return valid() && compatible(buffer.org()) &&
           ZynRect{0, 0, size.width, size.height}.contains(buffer.rect());
}

void ZynFpxImageSourceBasicOp::genRect(ZynRectBuffer& buffer) {
    if (!valid()) throw error();
    if (!compatible(buffer.org()))
        throw ZynError(131, "Supplied ZynRectBuffer is not compatible with image.");
    const ZynRect& r = buffer.rect();
    const ZynResolution size = selectedSize();
    if (r.empty()) return;
    if (!ZynRect{0, 0, size.width, size.height}.contains(r))
        throw ZynError(411, "requested (" + std::to_string(r.x) + "," + std::to_string(r.y) +
                                ") w=" + std::to_string(r.width) +
                                ", h=" + std::to_string(r.height) + " pixels from an image of " +
                                std::to_string(size.width) + "x" + std::to_string(size.height) +
                                " pixels");

    FpxImageDesc desc;
    desc.numChannels = channels_;
    for (int k = 0; k < channels_; ++k)
        desc.channels[k] = {channelCodes_[k], FpxSampleKind::UInt8, buffer.pixelStrideBytes(),
                            buffer.lineStrideBytes(),
                            reinterpret_cast<uint8_t*>(buffer.at(r.x, r.y, k))};
    const auto x0 = static_cast<uint32_t>(r.x), y0 = static_cast<uint32_t>(r.y);
    const auto x1 = static_cast<uint32_t>(r.right() - 1),
               y1 = static_cast<uint32_t>(r.bottom() - 1);

    std::lock_guard lock(coordinator_->mutex());
    if (!coordinator_->open()) throw coordinator_->error();
    if (fpxReadImageRectangle(coordinator_->image(), x0, y0, x1, y1, level(), desc) !=
        FpxStatus::Ok)
        throw ZynError(130, "Couldn't read image resolution " + std::to_string(level()) +
                                "for region (" + std::to_string(x0) + "," + std::to_string(y0) +
                                ") (" + std::to_string(x1) + "," + std::to_string(y1) + ")");
}

void ZynFpxImageSourceBasicOp::close() {
    if (!coordinator_) return;
    std::lock_guard lock(coordinator_->mutex());
    coordinator_->close();
}
