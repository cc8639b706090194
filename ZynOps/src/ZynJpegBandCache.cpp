#include "ZynJpegBandCache.h"

#include "ZynConvert.h"

int ZynJpegBandCache::bandOf(const ZynRect& request, uint32_t bandHeight, uint32_t height) {
    if (request.y < 0 || request.y % bandHeight != 0) return -1;
    const bool whole =
        request.height == bandHeight || (request.bottom() == height && request.height < bandHeight);
    return whole ? static_cast<int>(request.y / bandHeight) : -1;
}

ZynRect ZynJpegBandCache::bandRect(int index, uint32_t width, uint32_t height) const {
    const int64_t top = int64_t{index} * bandHeight_;
    return ZynRect{0, top, width, std::min<int64_t>(bandHeight_, int64_t{height} - top)};
}

void ZynJpegBandCache::create(uint32_t height) {
    slots_.clear();
    slots_.resize((height + bandHeight_ - 1) / bandHeight_);
}

bool ZynJpegBandCache::holds(int index) const {
    return index >= 0 && index < static_cast<int>(slots_.size()) && slots_[index];
}

bool ZynJpegBandCache::serve(int index, ZynRectBuffer& buffer) {
    if (!holds(index)) return false;
    std::unique_ptr<ZynRectBuffer> band = std::move(slots_[index]);
    zynCopyRegion(*band, buffer, band->rect().intersect(buffer.rect()));
    return true;
}

void ZynJpegBandCache::store(int index, std::unique_ptr<ZynRectBuffer> band) {
    if (index >= 0 && index < static_cast<int>(slots_.size())) slots_[index] = std::move(band);
}
