#include "ZynSimpleDataOrg.h"

#include <algorithm>
#include <sstream>

#include "ZynError.h"

ZynSimpleDataOrg::ZynSimpleDataOrg(uint32_t width, uint32_t height, ZynDataType type, int bands,
                                   ZynInterleave interleave)
    : width_(width), height_(height), type_(type), interleave_(interleave), explicit_(false) {
    if (bands < 1) throw ZynError(13, "A data organisation needs at least one band");
    const auto w = static_cast<int64_t>(width);
    const auto h = static_cast<int64_t>(height);
    bandOffsets_.resize(static_cast<size_t>(bands));
    switch (interleave) {
        case ZynInterleave::Pixel:
            pixelStride_ = bands;
            lineStride_ = w * bands;
            for (int b = 0; b < bands; ++b) bandOffsets_[static_cast<size_t>(b)] = b;
            break;
        case ZynInterleave::Line:
            pixelStride_ = 1;
            lineStride_ = w * bands;
            for (int b = 0; b < bands; ++b) bandOffsets_[static_cast<size_t>(b)] = b * w;
            break;
        case ZynInterleave::Band:
            pixelStride_ = 1;
            lineStride_ = w;
            for (int b = 0; b < bands; ++b) bandOffsets_[static_cast<size_t>(b)] = b * w * h;
            break;
        default:
            throw ZynError(414, "Unknown ZynInterleave value");
    }
}

ZynSimpleDataOrg::ZynSimpleDataOrg(uint32_t width, uint32_t height, ZynDataType type,
                                   ZynInterleave interleave, std::vector<int64_t> bandOffsets,
                                   int64_t pixelStride, int64_t lineStride)
    : width_(width),
      height_(height),
      type_(type),
      interleave_(interleave),
      explicit_(true),
      bandOffsets_(std::move(bandOffsets)),
      pixelStride_(pixelStride),
      lineStride_(lineStride) {
    if (bandOffsets_.empty()) throw ZynError(13, "A data organisation needs at least one band");
}

int64_t ZynSimpleDataOrg::minOffset() const {
    int64_t low = *std::min_element(bandOffsets_.begin(), bandOffsets_.end());
    if (width_ > 1 && pixelStride_ < 0) low += (width_ - 1) * pixelStride_;
    if (height_ > 1 && lineStride_ < 0) low += (height_ - 1) * lineStride_;
    return low;
}

int64_t ZynSimpleDataOrg::maxOffset() const {
    int64_t high = *std::max_element(bandOffsets_.begin(), bandOffsets_.end());
    if (width_ > 1 && pixelStride_ > 0) high += (width_ - 1) * pixelStride_;
    if (height_ > 1 && lineStride_ > 0) high += (height_ - 1) * lineStride_;
    return high;
}

size_t ZynSimpleDataOrg::bytesNeeded() const {
    if (width_ == 0 || height_ == 0) return 0;
    return static_cast<size_t>(maxOffset() - std::min<int64_t>(minOffset(), 0) + 1) * sampleSize();
}

bool ZynSimpleDataOrg::isPackedPixelInterleaved() const {
    if (pixelStride_ != bands()) return false;
    for (int b = 0; b < bands(); ++b)
        if (bandOffsets_[static_cast<size_t>(b)] != b) return false;
    return true;
}

ZynSimpleDataOrg ZynSimpleDataOrg::withSize(uint32_t width, uint32_t height) const {
    ZynSimpleDataOrg org = *this;
    org.width_ = width;
    org.height_ = height;
    return org;
}

ZynSimpleDataOrg ZynSimpleDataOrg::resized(uint32_t width, uint32_t height) const {
    if (!explicit_) return ZynSimpleDataOrg(width, height, type_, bands(), interleave_);
    return withSize(width, height);
}

ZynSimpleDataOrg ZynSimpleDataOrg::selectBands(const std::vector<int>& bands) const {
    std::vector<int64_t> offsets;
    offsets.reserve(bands.size());
    for (int b : bands) {
        if (b < 0 || b >= this->bands())
            throw ZynError(13, "Band " + std::to_string(b) + " is not in a data organisation of " +
                                   std::to_string(this->bands()) + " bands");
        offsets.push_back(bandOffsets_[static_cast<size_t>(b)]);
    }
    return ZynSimpleDataOrg(width_, height_, type_, interleave_, std::move(offsets), pixelStride_,
                            lineStride_);
}

std::string ZynSimpleDataOrg::toText() const {
    static const char* const kKinds[] = {"pixel", "line", "band"};
    std::ostringstream out;
    out << width_ << "x" << height_ << " " << zynDataTypeName(type_) << " " << bands() << " band"
        << (bands() == 1 ? "" : "s") << " " << kKinds[static_cast<int>(interleave_)]
        << "-interleaved offsets [";
    for (size_t b = 0; b < bandOffsets_.size(); ++b) out << (b ? "," : "") << bandOffsets_[b];
    out << "] strides " << pixelStride_ << "," << lineStride_;
    return out.str();
}

bool ZynSimpleDataOrg::operator==(const ZynSimpleDataOrg& other) const {
    return width_ == other.width_ && height_ == other.height_ && type_ == other.type_ &&
           interleave_ == other.interleave_ && bandOffsets_ == other.bandOffsets_ &&
           pixelStride_ == other.pixelStride_ && lineStride_ == other.lineStride_;
}
