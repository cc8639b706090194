#include "ZynRVQImageSourceOp.h"

#include <algorithm>

#include "ZynConvert.h"
#include "ZynRectSourceOp.h"

namespace {

constexpr uint32_t kTileHeight = 64;

}  // namespace

ZynRVQImageSourceOp::ZynRVQImageSourceOp(std::shared_ptr<ZynRVQImageInfo> info,
                                         ZynRVQImageInfo::Level level, ZynColorSpacePtr colorSpace)
    : info_(std::move(info)),
      level_(level),
      colorSpace_(std::move(colorSpace)),
      type_(info_->imageType()),
      width_(info_->width(level)),
      height_(info_->height(level)) {
    addResolution(width_, height_);
    setImageSize(info_->width(ZynRVQImageInfo::Full), info_->height(ZynRVQImageInfo::Full));
}

ZynSimpleDataOrg ZynRVQImageSourceOp::layoutOf(DCImageType type, uint32_t width, uint32_t height) {
    const HctLayout layout = hctLayout(type);
    const ZynDataType dataType =
        layout.bytesPerSample == 2 ? ZynDataType::UInt16 : ZynDataType::UInt8;
    std::vector<int64_t> offsets;
    for (int b = 0; b < layout.bands; ++b) offsets.push_back(b);
    // Blue is stored first: band 0 (red) sits at the third sample.
    if (layout.bgr) std::swap(offsets[0], offsets[2]);
    return ZynSimpleDataOrg(width, height, dataType, ZynInterleave::Pixel, offsets, layout.bands,
                            int64_t{layout.bands} * width);
}

bool ZynRVQImageSourceOp::outputInfo(ZynOutputInfo& info) {
    info.width = width_;
    info.height = height_;
    info.originX = info.originY = 0;
    info.dataOrg =
        std::make_shared<ZynSimpleDataOrg>(layoutOf(type_, width_, std::min(height_, kTileHeight)));
    return true;
}

bool ZynRVQImageSourceOp::holdsSamples(const ZynSimpleDataOrg& org) const {
    const HctLayout layout = hctLayout(type_);
    const ZynDataType dataType =
        layout.bytesPerSample == 2 ? ZynDataType::UInt16 : ZynDataType::UInt8;
    return org.dataType() == dataType && org.bands() == layout.bands;
}

bool ZynRVQImageSourceOp::canFill(const ZynRectBuffer& buffer) {
    return buffer.writableInPlace() && holdsSamples(buffer.org()) &&
           ZynRect{0, 0, width_, height_}.contains(buffer.rect());
}

void ZynRVQImageSourceOp::genRect(ZynRectBuffer& buffer) {
    if (!holdsSamples(buffer.org()))
        throw ZynError(3,
                       "ZynRVQImageSourceOp::genRect() can only fill rect buffers of the "
                       "developed image's sample type and band count");
    const ZynRect& r = buffer.rect();
    if (!ZynRect{0, 0, width_, height_}.contains(r))
        throw zynRectOutsideImage(r, "RVQ", width_, height_);
    if (r.empty()) return;

    std::lock_guard lock(ZynRVQImageInfo::processLock());
    const HctImageData& developed = info_->image(level_);
    if (developed.width != width_ || developed.height != height_ || developed.type != type_)
        throw ZynError(3, "the developed image no longer matches the published one");
    auto org = std::make_shared<ZynSimpleDataOrg>(layoutOf(type_, width_, height_));
    const ZynRectBuffer source({0, 0, width_, height_}, org,
                               const_cast<uint8_t*>(developed.samples.data()));
    zynCopyRegion(source, buffer, r);
}
