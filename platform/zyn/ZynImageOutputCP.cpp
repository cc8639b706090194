#include "ZynImageOutputCP.h"

#include "ZynConvert.h"
#include "ZynSettings.h"
#include "ZynTransform.h"
#include "ZynWorkerPool.h"

namespace {

std::string rectText(const ZynRect& r) {
    return "(" + std::to_string(r.x) + "," + std::to_string(r.y) +
           ") w=" + std::to_string(r.width) + ", h=" + std::to_string(r.height);
}

// The columns and rows of the native tile grid that a rectangle inside the image touches.
struct TileSpan {
    int64_t tileWidth;
    int64_t tileHeight;
    int64_t firstColumn;
    int64_t lastColumn;
    int64_t firstRow;
    int64_t lastRow;

    int64_t count() const { return (lastColumn - firstColumn + 1) * (lastRow - firstRow + 1); }
};

// A parallel item's pull touches a few tiles, and the neighbours in flight share them.
constexpr size_t kPulledTilesPerThread = 8;

TileSpan tileSpan(const ZynOutputInfo& info, const ZynRect& want) {
    const int64_t tileWidth = info.dataOrg->width() ? info.dataOrg->width() : info.width;
    const int64_t tileHeight = info.dataOrg->height() ? info.dataOrg->height() : info.height;
    return {tileWidth,
            tileHeight,
            (want.x - info.originX) / tileWidth,
            (want.right() - 1 - info.originX) / tileWidth,
            (want.y - info.originY) / tileHeight,
            (want.bottom() - 1 - info.originY) / tileHeight};
}

// One thread unless the op gains from concurrent requests and the request spans several of its
// native tiles; so a request of one tile never starts the pool. A request made while rendering
// an item of the pool (an operation reading its input) stays on its thread: the items already
// keep every thread busy, and waiting on another thread's share would only stall this one.
size_t threadsFor(const ZynImageOp& op, const ZynOutputInfo& info, const ZynRect& want) {
    const size_t threads = ZynSettings::get().threads;
    if (threads <= 1 || !info.dataOrg || ZynWorkerPool::insideBatch() ||
        !op.gainsFromConcurrentRequests())
        return 1;
    return tileSpan(info, want).count() > 1 ? threads : 1;
}

ZynRect nativeTileRect(const ZynOutputInfo& info, const TileSpan& span, int64_t column,
                       int64_t row) {
    return ZynRect{info.originX + column * span.tileWidth, info.originY + row * span.tileHeight,
                   span.tileWidth, span.tileHeight}
        .intersect(ZynRect{0, 0, info.width, info.height});
}

}  // namespace

ZynImageOutputCP::ZynImageOutputCP(std::string name)
    : ZynOutputCP(std::move(name)), tiles_(ZynSettings::get().cacheBytes), pulled_(0) {}

std::shared_ptr<ZynOutputCP> ZynImageOutputCP::cloneDeclaration() const {
    auto copy = std::make_shared<ZynImageOutputCP>(name());
    copy->caching_ = caching_;
    return copy;
}

void ZynImageOutputCP::setDescription(ZynColorSpacePtr colorSpace, ZynCoordSpacePtr coordSpace,
                                      ZynDataOrgPtr dataOrg) {
    colorSpace_ = std::move(colorSpace);
    coordSpace_ = std::move(coordSpace);
    dataOrg_ = std::move(dataOrg);
    invalidate();
}

void ZynImageOutputCP::clearDescription() {
    colorSpace_.reset();
    coordSpace_.reset();
    dataOrg_.reset();
    error_.reset();
    invalidate();
}

void ZynImageOutputCP::setCaching(bool caching) {
    caching_ = caching;
    if (!caching) tiles_.clear();
}

void ZynImageOutputCP::invalidate() {
    ops_.clear();
    tiles_.clear();
    pulled_.clear();
}

ZynImageOpPtr ZynImageOutputCP::opFor(const ZynResolution& resolution) {
    if (ZynImageOpPtr op = ops_.find(resolution)) return op;
    if (!owner()) throw ZynError(3, "Output \"" + name() + "\" belongs to no transform");
    ZynImageOpPtr op = owner()->opForResolution(index(), resolution);
    if (!op) throw ZynError(3, "Unsupported resolution");
    return ops_.insert(resolution, std::move(op));
}

void ZynImageOutputCP::renderRect(const ZynResolution& resolution, ZynRectBuffer& buffer) {
    if (error_) throw *error_;
    if (buffer.rect().empty()) return;
    ZynImageOpPtr op = opFor(resolution);
    ZynOutputInfo info;
    if (!op->outputInfoBase(info)) throw info.error;
    const ZynRect image{0, 0, info.width, info.height};
    const bool inside = image.contains(buffer.rect());
    const size_t threads = inside ? threadsFor(*op, info, buffer.rect()) : 1;
    ZynTileCache* cache = caching_ ? &tiles_
                          : inside ? pulledTiles(*op, info, buffer.rect())
                                   : nullptr;
    if (!cache && threads == 1 && op->canFill(buffer)) return op->genRect(buffer);

    if (!inside) {
        if (op->wordsOutsideRequests()) return op->genRect(buffer);
        throw ZynError(411, "requested " + rectText(buffer.rect()) + " pixels from an image of " +
                                std::to_string(info.width) + "x" + std::to_string(info.height) +
                                " pixels");
    }
    if (!info.dataOrg) throw ZynError(125, "The data org is NULL");
    if (info.dataOrg->dataType() != buffer.dataType())
        throw ZynError(119, std::string("The buffer holds ") + zynDataTypeName(buffer.dataType()) +
                                " samples but the image has " +
                                zynDataTypeName(info.dataOrg->dataType()) + " samples");
    if (info.dataOrg->bands() != buffer.bands())
        throw ZynError(3, "The buffer has " + std::to_string(buffer.bands()) +
                              " bands but the image has " + std::to_string(info.dataOrg->bands()));
    renderTiles(*op, info, resolution, buffer, threads, cache);
}

ZynTileCache* ZynImageOutputCP::pulledTiles(const ZynImageOp& op, const ZynOutputInfo& info,
                                            const ZynRect& want) {
    if (!ZynWorkerPool::insideBatch() || !info.dataOrg || !op.decodesWholeTiles()) return nullptr;
    const TileSpan span = tileSpan(info, want);
    // A whole tile goes straight to its one caller.
    if (span.count() == 1 && nativeTileRect(info, span, span.firstColumn, span.firstRow) == want)
        return nullptr;
    pulled_.setBudget(kPulledTilesPerThread * ZynSettings::get().threads *
                      info.dataOrg->bytesNeeded());
    return &pulled_;
}

void ZynImageOutputCP::renderTiles(ZynImageOp& op, const ZynOutputInfo& info,
                                   const ZynResolution& resolution, ZynRectBuffer& buffer,
                                   size_t threads, ZynTileCache* cache) {
    const TileSpan span = tileSpan(info, buffer.rect());
    std::vector<NativeTile> tiles;
    for (int64_t row = span.firstRow; row <= span.lastRow; ++row) {
        for (int64_t column = span.firstColumn; column <= span.lastColumn; ++column) {
            const ZynRect tileRect = nativeTileRect(info, span, column, row);
            if (!tileRect.empty()) tiles.push_back({tileRect, column, row});
        }
    }
    // A scratch tile per thread at most: memory stays in proportion to threads x native tile.
    std::vector<std::unique_ptr<ZynRectBuffer>> scratch(threads);
    const auto render = [&](size_t index, size_t slot) {
        renderTile(op, info, resolution, buffer, tiles[index], cache, scratch[slot]);
    };
    if (threads == 1) {
        for (size_t i = 0; i < tiles.size(); ++i) render(i, 0);
        return;
    }
    ZynWorkerPool::shared().forEach(tiles.size(), threads, render);
}

void ZynImageOutputCP::renderTile(ZynImageOp& op, const ZynOutputInfo& info,
                                  const ZynResolution& resolution, ZynRectBuffer& buffer,
                                  const NativeTile& tile, ZynTileCache* cache,
                                  std::unique_ptr<ZynRectBuffer>& scratch) {
    const ZynRect part = tile.rect.intersect(buffer.rect());
    if (cache) {
        auto cached = cachedTile(*cache, op, info, resolution, tile.rect, tile.column, tile.row);
        zynCopyRegion(*cached, buffer, part);
        return;
    }
    // The request's part of the tile may go straight into its memory, without a scratch tile
    // as large as the native one.
    if (buffer.writableInPlace()) {
        ZynRectBuffer view = buffer.subView(part);
        // A view re-pointed at other memory would leave the caller's unwritten.
        view.setCanAdopt(false);
        if (op.canFill(view)) {
            op.genRect(view);
            return;
        }
    }
    if (!scratch) scratch = std::make_unique<ZynRectBuffer>(tile.rect, info.dataOrg);
    scratch->setRect(tile.rect);
    op.genRect(*scratch);
    zynCopyRegion(*scratch, buffer, part);
}

std::shared_ptr<const ZynRectBuffer> ZynImageOutputCP::cachedTile(
    ZynTileCache& cache, ZynImageOp& op, const ZynOutputInfo& info, const ZynResolution& resolution,
    const ZynRect& tileRect, int64_t column, int64_t row) {
    const ZynTileCache::Key key{resolution.width, resolution.height, column, row};
    return cache.obtain(key, [&] {
        auto tile = std::make_shared<ZynRectBuffer>(tileRect, info.dataOrg);
        op.genRect(*tile);
        return tile;
    });
}
