#include "ZynPNGImageSourceOpBase.h"

#include <algorithm>

#include "ZynConvert.h"
#include "ZynSettings.h"

namespace {

ZynTileCache::Key stripKey(uint32_t strip) {
    return {0, 0, 0, strip};
}

}  // namespace

ZynPNGImageSourceOpBase::ZynPNGImageSourceOpBase(const std::wstring& fileName, bool keepOpen)
    : ZynFile(fileName, keepOpen), strips_(ZynSettings::get().cacheBytes) {}

ZynColorSpacePtr ZynPNGImageSourceOpBase::colorSpaceFor(int channels, int bitDepth) {
    const double maximum = bitDepth == 16 ? 32760.0 : 255.0;
    switch (channels) {
        case 1:
            return std::make_shared<ZynLumColorSpace>(0.0, maximum);
        case 2:
            return std::make_shared<ZynLumAColorSpace>(0.0, maximum);
        case 3:
            return std::make_shared<ZynRGBColorSpace>(0.0, maximum);
        case 4:
            return std::make_shared<ZynRGBAColorSpace>(0.0, maximum);
        default:
            return nullptr;
    }
}

void ZynPNGImageSourceOpBase::describe(uint32_t width, uint32_t height, int bands, ZynDataType type,
                                       uint32_t stripHeight, ZynColorSpacePtr colorSpace) {
    width_ = width;
    height_ = height;
    bands_ = bands;
    type_ = type;
    stripHeight_ = std::clamp<uint32_t>(stripHeight, 1, std::max<uint32_t>(height, 1));
    colorSpace_ = std::move(colorSpace);
    stripOrg_ = std::make_shared<ZynSimpleDataOrg>(width, stripHeight_, type, bands);
}

void ZynPNGImageSourceOpBase::decoderStarted(int passes) {
    started_ = true;
    passes_ = passes;
    nextRow_ = 0;
}

bool ZynPNGImageSourceOpBase::outputInfo(ZynOutputInfo& info) {
    if (!valid()) return false;
    info.width = width_;
    info.height = height_;
    info.originX = info.originY = 0;
    info.dataOrg = stripOrg_;
    return true;
}

bool ZynPNGImageSourceOpBase::rowsFillable(const ZynRectBuffer& buffer) const {
    const ZynSimpleDataOrg& org = buffer.org();
    const ZynRect& r = buffer.rect();
    if (org.dataType() != type_ || org.bands() != bands_ || org.pixelStride() != bands_)
        return false;
    for (int b = 0; b < bands_; ++b)
        if (org.bandOffset(b) != b) return false;
    const int64_t row = int64_t{width_} * bands_;
    return (org.lineStride() >= row || org.lineStride() <= -row) && r.x == 0 && r.width == width_ &&
           r.y >= 0 && r.height > 0 && r.bottom() <= height_;
}

bool ZynPNGImageSourceOpBase::canFill(const ZynRectBuffer& buffer) {
    return valid() && rowsFillable(buffer);
}

ZynError ZynPNGImageSourceOpBase::refusal(const ZynRect& r) const {
    return ZynError(3, bufferRequirements() + "Requested (" + std::to_string(r.x) + "," +
                           std::to_string(r.y) + ") w=" + std::to_string(r.width) +
                           ", h=" + std::to_string(r.height) + " pixels from PNG image which is " +
                           std::to_string(width_) + "x" + std::to_string(height_) + " pixels");
}

void ZynPNGImageSourceOpBase::genRect(ZynRectBuffer& buffer) {
    if (!rowsFillable(buffer)) throw refusal(buffer.rect());
    std::lock_guard lock(mutex_);
    if (copyCached(buffer)) return;
    try {
        if (!started_) restart();
        if (passes_ > 1)
            decodeInterlaced(buffer);
        else
            decodeSequential(buffer);
    } catch (...) {
        started_ = false;
        throw;
    }
}

void ZynPNGImageSourceOpBase::close() {
    std::lock_guard lock(mutex_);
    closeFile();
}

void ZynPNGImageSourceOpBase::restart() {
    started_ = false;
    restartDecoder();
}

void ZynPNGImageSourceOpBase::finish() {
    started_ = false;
    finishDecoding();
}

ZynRect ZynPNGImageSourceOpBase::stripRect(uint32_t strip) const {
    const int64_t top = int64_t{strip} * stripHeight_;
    return {0, top, width_, std::min<int64_t>(stripHeight_, height_ - top)};
}

std::shared_ptr<ZynRectBuffer> ZynPNGImageSourceOpBase::newStrip(uint32_t strip) const {
    return std::make_shared<ZynRectBuffer>(stripRect(strip), stripOrg_);
}

bool ZynPNGImageSourceOpBase::copyCached(ZynRectBuffer& buffer) {
    const ZynRect& r = buffer.rect();
    std::vector<std::shared_ptr<const ZynRectBuffer>> found;
    for (auto s = static_cast<uint32_t>(r.y / stripHeight_); s * int64_t{stripHeight_} < r.bottom();
         ++s) {
        found.push_back(strips_.find(stripKey(s)));
        if (!found.back()) return false;
    }
    for (const auto& strip : found) zynCopyRegion(*strip, buffer, strip->rect().intersect(r));
    return true;
}

void ZynPNGImageSourceOpBase::decodeInto(std::vector<uint8_t*>& rows) {
    decodeRows(rows.data(), static_cast<uint32_t>(rows.size()));
    nextRow_ += static_cast<uint32_t>(rows.size());
}

void ZynPNGImageSourceOpBase::decodeSequential(ZynRectBuffer& buffer) {
    const ZynRect& r = buffer.rect();
    std::vector<uint8_t*> rows;
    for (auto y = static_cast<uint32_t>(r.y); y < r.bottom();) {
        const uint32_t strip = y / stripHeight_;
        const auto end = static_cast<uint32_t>(std::min(r.bottom(), stripRect(strip).bottom()));
        const ZynRect part{0, y, width_, end - y};
        if (auto cached = strips_.find(stripKey(strip))) {
            zynCopyRegion(*cached, buffer, part);
        } else {
            if (!started_ || nextRow_ > y) restart();
            advanceTo(y);
            rows.clear();
            for (uint32_t row = y; row < end; ++row)
                rows.push_back(reinterpret_cast<uint8_t*>(buffer.at(0, row)));
            decodeInto(rows);
            if (nextRow_ == height_) finish();
        }
        y = end;
    }
}

void ZynPNGImageSourceOpBase::advanceTo(uint32_t row) {
    std::vector<uint8_t*> rows;
    const bool keepStrips = stripOrg_->bytesNeeded() <= ZynSettings::get().cacheBytes;
    while (nextRow_ < row) {
        const uint32_t strip = nextRow_ / stripHeight_;
        const ZynRect whole = stripRect(strip);
        rows.clear();
        if (keepStrips && nextRow_ == whole.y && whole.bottom() <= row) {
            auto kept = newStrip(strip);
            for (int64_t y = whole.y; y < whole.bottom(); ++y)
                rows.push_back(reinterpret_cast<uint8_t*>(kept->at(0, y)));
            decodeInto(rows);
            strips_.insert(stripKey(strip), kept);
            continue;
        }
        // Rows of a strip that is not wholly passed over are not kept.
        scratchRow_.resize(stripOrg_->sampleSize() * width_ * bands_);
        const auto end = static_cast<uint32_t>(std::min<int64_t>(whole.bottom(), row));
        rows.assign(end - nextRow_, scratchRow_.data());
        decodeInto(rows);
    }
}

void ZynPNGImageSourceOpBase::decodeInterlaced(ZynRectBuffer& buffer) {
    if (nextRow_ != 0) restart();
    const ZynRect& r = buffer.rect();
    const uint32_t count = (height_ + stripHeight_ - 1) / stripHeight_;
    // Every pass runs over every row, so when the request is not the whole image the whole image
    // is kept if it fits the cache; otherwise rows outside the request share one scratch row.
    const bool keep =
        r.height < height_ && stripOrg_->bytesNeeded() * count <= ZynSettings::get().cacheBytes;
    std::vector<std::shared_ptr<ZynRectBuffer>> kept;
    std::vector<uint8_t*> rows(height_);
    scratchRow_.resize(keep ? 0 : stripOrg_->sampleSize() * width_ * bands_);
    for (uint32_t y = 0; y < height_; ++y) {
        if (keep) {
            if (y % stripHeight_ == 0) kept.push_back(newStrip(y / stripHeight_));
            rows[y] = reinterpret_cast<uint8_t*>(kept.back()->at(0, y));
        } else {
            rows[y] = y >= r.y && y < r.bottom() ? reinterpret_cast<uint8_t*>(buffer.at(0, y))
                                                 : scratchRow_.data();
        }
    }
    decodeInto(rows);
    finish();
    for (uint32_t s = 0; s < kept.size(); ++s) {
        zynCopyRegion(*kept[s], buffer, kept[s]->rect().intersect(r));
        strips_.insert(stripKey(s), kept[s]);
    }
}
