#include "ZynJ2KImageSourceOp.h"

#include "QorString.h"
#include "ZynDecodeBudget.h"
#include "ZynSettings.h"
#include "ZynWorkerPool.h"

#include <algorithm>

#include "J2kDecoder.h"

namespace {

// Native tiles of untiled or hugely tiled files are cut to this many samples, so that hosts
// reading whole tiles and tile caches stay within memory; whole rows are kept for speed.
constexpr uint64_t kMaxTileSamples = uint64_t{1} << 26;
// Cut tiles keep whole code-block rows.
constexpr uint64_t kTileRowStep = 64;

J2kSampleType sampleType(ZynDataType type) {
    switch (type) {
        case ZynDataType::UInt16:
            return J2kSampleType::UInt16;
        case ZynDataType::Int16:
            return J2kSampleType::Int16;
        default:
            return J2kSampleType::UInt8;
    }
}

}  // namespace

ZynJ2KImageSourceOp::ZynJ2KImageSourceOp(std::shared_ptr<ZynJ2KFile> file, uint32_t level,
                                         uint32_t layers, ZynColorSpacePtr colorSpace,
                                         ZynDataType dataType)
    : file_(std::move(file)),
      level_(level),
      layers_(layers),
      colorSpace_(std::move(colorSpace)),
      dataType_(dataType),
      width_(file_->header().levelWidth(level)),
      height_(file_->header().levelHeight(level)) {
    addResolution(width_, height_);
    setImageSize(file_->header().levelWidth(0), file_->header().levelHeight(0));
}

bool ZynJ2KImageSourceOp::outputInfo(ZynOutputInfo& info) {
    const J2kHeader& header = file_->header();
    info.width = width_;
    info.height = height_;
    // The grid of native tiles follows the codestream's tiles, whose first may start left of
    // and above the image.
    info.originX = static_cast<int64_t>(header.levelColumn(header.tileX0, level_)) -
                   static_cast<int64_t>(header.levelColumn(header.x0, level_));
    info.originY = static_cast<int64_t>(header.levelRow(header.tileY0, level_)) -
                   static_cast<int64_t>(header.levelRow(header.y0, level_));
    info.dataOrg = nativeTile();
    return true;
}

ZynDataOrgPtr ZynJ2KImageSourceOp::nativeTile() const {
    const J2kHeader& header = file_->header();
    const uint64_t bands = header.components.size();
    const uint64_t width = std::min<uint64_t>(header.levelColumn(header.tileWidth, level_), width_);
    uint64_t height = std::min<uint64_t>(header.levelRow(header.tileHeight, level_), height_);
    if (width * height * bands > kMaxTileSamples) {
        const uint64_t rows = std::max<uint64_t>(kMaxTileSamples / (width * bands), 1);
        height = rows >= kTileRowStep ? rows / kTileRowStep * kTileRowStep : rows;
    }
    return std::make_shared<ZynSimpleDataOrg>(static_cast<uint32_t>(width),
                                              static_cast<uint32_t>(height), dataType_,
                                              static_cast<int>(bands));
}

bool ZynJ2KImageSourceOp::holdsSamples(const ZynSimpleDataOrg& org) const {
    return org.dataType() == dataType_ &&
           static_cast<size_t>(org.bands()) == file_->header().components.size();
}

bool ZynJ2KImageSourceOp::insideLevel(const ZynRect& rect) const {
    return ZynRect{0, 0, width_, height_}.contains(rect);
}

bool ZynJ2KImageSourceOp::canFill(const ZynRectBuffer& buffer) {
    return buffer.writableInPlace() && holdsSamples(buffer.org()) && insideLevel(buffer.rect());
}

void ZynJ2KImageSourceOp::genRect(ZynRectBuffer& buffer) {
    const size_t bands = file_->header().components.size();
    if (!holdsSamples(buffer.org()))
        throw ZynError(3, std::string("ZynJ2KImageSourceOp::genRect() can only fill rect buffers "
                                      "of ") +
                              zynDataTypeName(dataType_) + " samples with " +
                              std::to_string(bands) + " bands");
    const ZynRect& r = buffer.rect();
    if (!insideLevel(r))
        throw ZynError(411, "requested (" + std::to_string(r.x) + "," + std::to_string(r.y) +
                                ") w=" + std::to_string(r.width) + ", h=" +
                                std::to_string(r.height) + " pixels from J2K image which is " +
                                std::to_string(width_) + "x" + std::to_string(height_) + " pixels");
    if (r.empty()) return;

    ZynDecodeBudget::require(qorNarrow(file_->fileName()), "decoding a JPEG 2000 region",
                             file_->header().decodeBytes(r.width, r.height));
    const std::shared_ptr<const QorStream> stream = file_->stream();
    J2kTarget target{
        sampleType(dataType_), {}, buffer.org().pixelStride(), buffer.org().lineStride()};
    for (size_t b = 0; b < bands; ++b)
        target.bands.push_back(buffer.at(r.x, r.y, static_cast<int>(b)));
    // The library spreads one region's code-blocks over the request's threads, which costs
    // nothing twice; a request that is one of several on the pool keeps to its own thread.
    J2kDecoder decoder(*stream, ZynWorkerPool::insideBatch() ? 1 : ZynSettings::get().threads);
    if (!decoder.decode(file_->header(), {level_, layers_, r.x, r.y, r.width, r.height}, target))
        throw ZynError(130, decoder.errorText());
}
