#include "StripReader.h"

#include <algorithm>
#include <deque>
#include <future>
#include <numeric>

#include "ZynConvert.h"
#include "ZynSettings.h"

namespace {

// Strips of at least this many samples keep per-request overhead out of the picture.
constexpr uint64_t kStripSamples = 1u << 20;
// Strips rendered while the consumer writes one: two keep the render threads busy through the
// consumer's longer strips.
constexpr size_t kStripsAhead = 2;

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
    // At least a tile for each rendering thread, so that every request keeps them all busy; no
    // more rows than that, or strips outgrow the caches while the work per tile stays the same.
    const uint64_t tileWidth = std::max<uint32_t>(
        info.dataOrg->width() ? info.dataOrg->width() : static_cast<uint32_t>(info.width), 1);
    const uint64_t tilesAcross = (static_cast<uint64_t>(rect.width) + tileWidth - 1) / tileWidth;
    const uint64_t rowsForThreads = (ZynSettings::get().threads + tilesAcross - 1) / tilesAcross;
    const uint64_t tilesPerStrip =
        std::max<uint64_t>({1, kStripSamples / (rowSamples * tile), rowsForThreads});
    stripUnit_ = tile * tilesPerStrip;
    stripHeight_ =
        static_cast<uint32_t>(std::min<uint64_t>(stripUnit_, static_cast<uint64_t>(rect.height)));
    const auto width = static_cast<uint32_t>(rect.width);
    requestOrg_ = requestOrg(width, stripHeight_, dataType_, bands_, args);
    if (!requestOrg_->isPackedPixelInterleaved())
        packedOrg_ = std::make_shared<ZynSimpleDataOrg>(width, stripHeight_, dataType_, bands_);
}

StripReader::StripBuffers StripReader::makeBuffers() const {
    StripBuffers buffers{ZynRectBuffer({rect_.x, rect_.y, rect_.width, 0}, requestOrg_), nullptr};
    if (packedOrg_)
        buffers.packed = std::make_unique<ZynRectBuffer>(buffers.request.rect(), packedOrg_);
    return buffers;
}

const ZynRectBuffer& StripReader::renderStrip(StripBuffers& buffers, const ZynRect& strip) {
    buffers.request.setRect(strip);
    image_.render(resolution_, buffers.request);
    if (!buffers.packed) return buffers.request;
    buffers.packed->setRect(strip);
    zynCopyRegion(buffers.request, *buffers.packed, strip);
    return *buffers.packed;
}

void StripReader::run(Consumer consumer,
                      const std::function<void(const ZynRectBuffer& strip)>& consume,
                      const std::function<void(double)>& progress) {
    // Strips start on native tile rows of the image so that none is decoded twice.
    std::vector<ZynRect> strips;
    for (int64_t y = rect_.y; y < rect_.bottom();) {
        const int64_t boundary = (y / stripUnit_ + 1) * stripUnit_;
        const int64_t rows = std::min<int64_t>(boundary, rect_.bottom()) - y;
        strips.push_back({rect_.x, y, rect_.width, rows});
        y += rows;
    }
    const size_t ahead =
        consumer == Consumer::Writes && ZynSettings::get().threads > 1 && strips.size() > 1
            ? std::min(kStripsAhead, strips.size() - 1)
            : 0;
    std::vector<StripBuffers> buffers;
    for (size_t b = 0; b <= ahead; ++b) buffers.push_back(makeBuffers());
    const auto render = [&](size_t i) {
        return &renderStrip(buffers[i % buffers.size()], strips[i]);
    };
    std::deque<std::future<const ZynRectBuffer*>> rendering;
    const auto startRendering = [&](size_t i) {
        rendering.push_back(std::async(std::launch::async, render, i));
    };
    for (size_t i = 0; i < ahead; ++i) startRendering(i);
    for (size_t i = 0; i < strips.size(); ++i) {
        const ZynRectBuffer* strip = ahead ? rendering.front().get() : render(i);
        if (ahead) {
            rendering.pop_front();
            // Into the buffer of the strip consumed last.
            if (i + ahead < strips.size()) startRendering(i + ahead);
        }
        consume(*strip);
        if (progress) progress(static_cast<double>(strips[i].bottom() - rect_.y) / rect_.height);
    }
}
