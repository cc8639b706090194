#include "ZynExifImageSourceOp.h"

#include "ZynJpegBandCache.h"

ZynExifImageSourceOp::ZynExifImageSourceOp(const ZynResolution& size, ZynColorSpacePtr colorSpace,
                                           uint32_t bandHeight, TileRequest request)
    : size_(size),
      colorSpace_(std::move(colorSpace)),
      bandHeight_(bandHeight),
      request_(std::move(request)) {
    addResolution(size.width, size.height);
}

bool ZynExifImageSourceOp::outputInfo(ZynOutputInfo& info) {
    info.width = size_.width;
    info.height = size_.height;
    info.originX = info.originY = 0;
    const uint32_t tileHeight = bandHeight_ ? std::min(bandHeight_, size_.height) : size_.height;
    info.dataOrg = std::make_shared<ZynSimpleDataOrg>(size_.width, tileHeight, ZynDataType::UInt8,
                                                      colorSpace_->bands());
    return true;
}

bool ZynExifImageSourceOp::canFill(const ZynRectBuffer& buffer) {
    const ZynSimpleDataOrg& org = buffer.org();
    const ZynRect& r = buffer.rect();
    if (org.dataType() != ZynDataType::UInt8 || org.bands() != colorSpace_->bands() ||
        org.width() < r.width || org.height() < r.height || r.x > 0 || r.right() < size_.width)
        return false;
    const ZynRect clipped = r.intersect({0, 0, size_.width, size_.height});
    if (clipped.empty()) return false;
    if (bandHeight_ == 0) return r.y <= 0 && r.bottom() >= size_.height;
    return ZynJpegBandCache::bandOf(clipped, bandHeight_, size_.height) >= 0;
}

void ZynExifImageSourceOp::genRect(ZynRectBuffer& buffer) {
    if (!canFill(buffer)) {
        const ZynRect& r = buffer.rect();
        throw ZynError(3, "ZynExifImageSourceOp::genRect() can not fill requested rect =" +
                              std::to_string(r.x) + ", " + std::to_string(r.y) + ", " +
                              std::to_string(r.width) + ", " + std::to_string(r.height));
    }
    request_(size_, buffer);
}
