#include "ZynImageOutputCP.h"

#include "ZynConvert.h"
#include "ZynSettings.h"
#include "ZynTransform.h"

namespace {

std::string rectText(const ZynRect& r) {
    return "(" + std::to_string(r.x) + "," + std::to_string(r.y) +
           ") w=" + std::to_string(r.width) + ", h=" + std::to_string(r.height);
}

}  // namespace

ZynImageOutputCP::ZynImageOutputCP(std::string name)
    : ZynOutputCP(std::move(name)), tiles_(ZynSettings::get().cacheBytes) {}

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
    if (!caching_ && op->canFill(buffer)) return op->genRect(buffer);

    const ZynRect image{0, 0, info.width, info.height};
    if (!image.contains(buffer.rect()))
        throw ZynError(411, "requested " + rectText(buffer.rect()) + " pixels from an image of " +
                                std::to_string(info.width) + "x" + std::to_string(info.height) +
                                " pixels");
    if (!info.dataOrg) throw ZynError(125, "The data org is NULL");
    if (info.dataOrg->dataType() != buffer.dataType())
        throw ZynError(119, std::string("The buffer holds ") + zynDataTypeName(buffer.dataType()) +
                                " samples but the image has " +
                                zynDataTypeName(info.dataOrg->dataType()) + " samples");
    if (info.dataOrg->bands() != buffer.bands())
        throw ZynError(3, "The buffer has " + std::to_string(buffer.bands()) +
                              " bands but the image has " + std::to_string(info.dataOrg->bands()));
    renderTiles(*op, info, resolution, buffer);
}

void ZynImageOutputCP::renderTiles(ZynImageOp& op, const ZynOutputInfo& info,
                                   const ZynResolution& resolution, ZynRectBuffer& buffer) {
    const ZynRect image{0, 0, info.width, info.height};
    const int64_t tileWidth = info.dataOrg->width() ? info.dataOrg->width() : info.width;
    const int64_t tileHeight = info.dataOrg->height() ? info.dataOrg->height() : info.height;
    const ZynRect& want = buffer.rect();
    const int64_t firstColumn = (want.x - info.originX) / tileWidth;
    const int64_t lastColumn = (want.right() - 1 - info.originX) / tileWidth;
    const int64_t firstRow = (want.y - info.originY) / tileHeight;
    const int64_t lastRow = (want.bottom() - 1 - info.originY) / tileHeight;

    std::unique_ptr<ZynRectBuffer> scratch;
    for (int64_t row = firstRow; row <= lastRow; ++row) {
        for (int64_t column = firstColumn; column <= lastColumn; ++column) {
            const ZynRect tileRect = ZynRect{info.originX + column * tileWidth,
                                             info.originY + row * tileHeight, tileWidth, tileHeight}
                                         .intersect(image);
            if (tileRect.empty()) continue;
            const ZynRect part = tileRect.intersect(want);
            if (caching_) {
                auto tile = cachedTile(op, info, resolution, tileRect, column, row);
                zynCopyRegion(*tile, buffer, part);
                continue;
            }
            // A tile that lies wholly inside the request may go straight into its memory.
            if (part == tileRect && buffer.writableInPlace()) {
                ZynRectBuffer view = buffer.subView(tileRect);
                if (op.canFill(view)) {
                    op.genRect(view);
                    continue;
                }
            }
            if (!scratch) scratch = std::make_unique<ZynRectBuffer>(tileRect, info.dataOrg);
            scratch->setRect(tileRect);
            op.genRect(*scratch);
            zynCopyRegion(*scratch, buffer, part);
        }
    }
}

std::shared_ptr<const ZynRectBuffer> ZynImageOutputCP::cachedTile(ZynImageOp& op,
                                                                  const ZynOutputInfo& info,
                                                                  const ZynResolution& resolution,
                                                                  const ZynRect& tileRect,
                                                                  int64_t column, int64_t row) {
    const ZynTileCache::Key key{resolution.width, resolution.height, column, row};
    if (auto tile = tiles_.find(key)) return tile;
    auto tile = std::make_shared<ZynRectBuffer>(tileRect, info.dataOrg);
    op.genRect(*tile);
    tiles_.insert(key, tile);
    return tile;
}
