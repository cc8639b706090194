#include "ZynVDXImageSourceOp.h"

#include <algorithm>

ZynVDXImageSourceOp::ZynVDXImageSourceOp(std::shared_ptr<ZynVDXFile> file, int index,
                                         const ZynResolution& size, int format,
                                         ZynColorSpacePtr colorSpace,
                                         std::vector<int64_t> bandOffsets)
    : file_(std::move(file)),
      index_(index),
      size_(size),
      format_(format),
      colorSpace_(std::move(colorSpace)),
      firstBand_(static_cast<int>(std::min_element(bandOffsets.begin(), bandOffsets.end()) -
                                  bandOffsets.begin())) {
    const auto bands = static_cast<int64_t>(bandOffsets.size());
    delivered_ = std::make_shared<ZynSimpleDataOrg>(size.width, size.height, ZynDataType::UInt8,
                                                    ZynInterleave::Pixel, std::move(bandOffsets),
                                                    bands, bands * size.width);
    addResolution(size.width, size.height);
}

bool ZynVDXImageSourceOp::outputInfo(ZynOutputInfo& info) {
    info.width = size_.width;
    info.height = size_.height;
    info.originX = info.originY = 0;
    info.dataOrg = delivered_;
    return true;
}

bool ZynVDXImageSourceOp::canFill(const ZynRectBuffer& buffer) {
    const ZynSimpleDataOrg& org = buffer.org();
    const ZynRect& r = buffer.rect();
    return buffer.writableInPlace() && org.dataType() == ZynDataType::UInt8 &&
           org.bandOffsets() == delivered_->bandOffsets() && org.pixelStride() >= org.bands() &&
           org.lineStride() >= org.pixelStride() * r.width && !r.empty() &&
           ZynRect{0, 0, size_.width, size_.height}.contains(r);
}

void ZynVDXImageSourceOp::genRect(ZynRectBuffer& buffer) {
    if (!canFill(buffer))
        throw ZynError(3, std::string("ZynVDXImageSourceOp::genRect() can only fill rect buffers "
                                      "inside the image, of 8-bit samples, pixel-interleaved in "
                                      "the band order the library delivers"));
    const ZynRect& r = buffer.rect();
    file_->read(index_, format_, buffer, buffer.at(r.x, r.y, firstBand_));
}
