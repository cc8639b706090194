#pragma once

#include <memory>
#include <mutex>
#include <optional>

#include "ZynColorSpace.h"
#include "ZynError.h"
#include "ZynOp.h"
#include "ZynOutputCP.h"
#include "ZynRectBuffer.h"
#include "ZynSimpleDataOrg.h"
#include "ZynTileCache.h"
#include "ZynVectorTileContainer.h"
#include "ZynXyCoordSpace.h"

// An image output: its description (colour space, coordinate space, data organisation) and the
// rendering engine that serves rectangles of it.
class ZynImageOutputCP : public ZynOutputCP {
  public:
    explicit ZynImageOutputCP(std::string name);

    ZynImageOutputCP* target() override { return this; }
    std::shared_ptr<ZynOutputCP> cloneDeclaration() const override;

    // Description, published by the owner's setup.
    void setDescription(ZynColorSpacePtr colorSpace, ZynCoordSpacePtr coordSpace,
                        ZynDataOrgPtr dataOrg);
    void clearDescription();
    const ZynColorSpacePtr& colorSpace() const { return colorSpace_; }
    const ZynCoordSpacePtr& coordSpace() const { return coordSpace_; }
    const ZynDataOrgPtr& dataOrg() const { return dataOrg_; }
    bool hasDescription() const { return colorSpace_ && coordSpace_ && dataOrg_; }

    // An error carried by this output alone (the owner may be fine); rendering throws it.
    void setError(const ZynError& error) { error_ = error; }
    void clearError() { error_.reset(); }
    const std::optional<ZynError>& error() const { return error_; }

    // Whether rendered native tiles are kept for later requests.
    bool caching() const { return caching_; }
    void setCaching(bool caching);

    ZynVectorTileContainer& tileContainer() { return ops_; }
    ZynTileCache& tileCache() { return tiles_; }
    // Drops the ops and tiles handed out for the current description.
    void invalidate();
    // Drops the tiles the pass's parallel items shared.
    void endPass() { pulled_.clear(); }

    // The op serving `resolution`, asked of the owner once and then kept.
    ZynImageOpPtr opFor(const ZynResolution& resolution);

    // Fills `buffer` with its rectangle of this output at `resolution`. The op fills the buffer
    // itself when it can; otherwise the request is split into native tiles, rendered in the
    // op's own organisation and converted into the buffer's.
    void renderRect(const ZynResolution& resolution, ZynRectBuffer& buffer);

  private:
    // A native tile of the grid, clipped to the image.
    struct NativeTile {
        ZynRect rect;
        int64_t column;
        int64_t row;
    };

    // Renders the request tile by tile, on `threads` threads of the worker pool when more than
    // one.
    void renderTiles(ZynImageOp& op, const ZynOutputInfo& info, const ZynResolution& resolution,
                     ZynRectBuffer& buffer, size_t threads, ZynTileCache* cache);
    // The cache shared by the items of a parallel request that pull this rectangle, if any.
    ZynTileCache* pulledTiles(const ZynImageOp& op, const ZynOutputInfo& info, const ZynRect& want);
    // Renders one tile into its part of the buffer, through `scratch` when the op cannot write
    // the buffer's memory itself.
    void renderTile(ZynImageOp& op, const ZynOutputInfo& info, const ZynResolution& resolution,
                    ZynRectBuffer& buffer, const NativeTile& tile, ZynTileCache* cache,
                    std::unique_ptr<ZynRectBuffer>& scratch);
    std::shared_ptr<const ZynRectBuffer> cachedTile(ZynTileCache& cache, ZynImageOp& op,
                                                    const ZynOutputInfo& info,
                                                    const ZynResolution& resolution,
                                                    const ZynRect& tileRect, int64_t column,
                                                    int64_t row);

    ZynColorSpacePtr colorSpace_;
    ZynCoordSpacePtr coordSpace_;
    ZynDataOrgPtr dataOrg_;
    std::optional<ZynError> error_;
    bool caching_ = false;
    ZynVectorTileContainer ops_;
    ZynTileCache tiles_;
    // Tiles that items of parallel requests pulled from here during the pass: an operation's
    // neighbouring tiles read overlapping input.
    ZynTileCache pulled_;
};
