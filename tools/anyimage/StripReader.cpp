#include "StripReader.h"

#include <algorithm>
#include <numeric>

#include "ZynConvert.h"
#include "ZynSettings.h"

namespace {

// Strips of at least this many samples keep per-request overhead out of the picture.
constexpr uint64_t kStripSamples = 1u << 20;

ZynDataOrgPtr requestOrg(uint32_t width, uint32_t height, ZynDataType type, int bands,
                         const AnyImageArgs& args) {
    ZynSimpleDataOrg org(width, height, type, bands, args.interleave);
    if (!args.reverseBands) return std::make_shared<ZynSimpleDataOrg>(org);
    std::vector<int64_t> offsets(org.bandOffsets().rbegin(), org.bandOffsets().rend());
    return std::make_shared<ZynSimpleDataOrg>(width, height, type, args.interleave, offsets,
                                              org.pixelStride(), org.lineStride());
}

}  // namespace

StripReader::StripReader(ImageHandle& image, const ZynResolution& resolution, const ZynRect& rect,
                         const AnyImageArgs& args)
    : image_(image), resolution_(resolution), rect_(rect) {
    const ZynOutputInfo info = image.outputInfo(resolution);
    dataType_ = info.dataOrg->dataType();
    bands_ = info.dataOrg->bands();
    const uint64_t tile = std::max<uint32_t>(info.dataOrg->height(), 1);
    const uint64_t rowSamples = static_cast<uint64_t>(rect.width) * bands_;
    // A row of tiles for each rendering thread, so that every request keeps them all busy.
    const uint64_t tilesPerStrip =
        std::max<uint64_t>(1, kStripSamples / (rowSamples * tile)) * ZynSettings::get().threads;
    stripUnit_ = tile * tilesPerStrip;
    stripHeight_ =
        static_cast<uint32_t>(std::min<uint64_t>(stripUnit_, static_cast<uint64_t>(rect.height)));
    const auto width = static_cast<uint32_t>(rect.width);
    requestOrg_ = requestOrg(width, stripHeight_, dataType_, bands_, args);
    if (!requestOrg_->isPackedPixelInterleaved())
        packedOrg_ = std::make_shared<ZynSimpleDataOrg>(width, stripHeight_, dataType_, bands_);
}

void StripReader::run(const std::function<void(const ZynRectBuffer& strip)>& consume,
                      const std::function<void(double)>& progress) {
    // Strips start on native tile rows of the image so that none is decoded twice.
    ZynRectBuffer request({rect_.x, rect_.y, rect_.width, 0}, requestOrg_);
    std::unique_ptr<ZynRectBuffer> packed;
    if (packedOrg_) packed = std::make_unique<ZynRectBuffer>(request.rect(), packedOrg_);
    for (int64_t y = rect_.y; y < rect_.bottom();) {
        const int64_t boundary = (y / stripUnit_ + 1) * stripUnit_;
        const int64_t rows = std::min<int64_t>(boundary, rect_.bottom()) - y;
        const ZynRect strip{rect_.x, y, rect_.width, rows};
        request.setRect(strip);
        image_.render(resolution_, request);
        if (packed) {
            packed->setRect(strip);
            zynCopyRegion(request, *packed, strip);
            consume(*packed);
        } else {
            consume(request);
        }
        y += rows;
        if (progress) progress(static_cast<double>(y - rect_.y) / rect_.height);
    }
}
