#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "AnyImageArgs.h"
#include "ImageHandle.h"
#include "ZynRectBuffer.h"

// Reads a rectangle of an image top to bottom in strips of whole native tiles, asking the
// engine for each strip in the organisation the arguments choose, and hands each strip on
// pixel-interleaved with bands in order.
class StripReader {
  public:
    StripReader(ImageHandle& image, const ZynResolution& resolution, const ZynRect& rect,
                const AnyImageArgs& args);

    ZynDataType dataType() const { return dataType_; }
    int bands() const { return bands_; }
    const ZynRect& rect() const { return rect_; }

    // What the caller does with a strip. Writing it out waits on the output, so with several
    // threads the next strips render meanwhile; computing on it takes the core those strips would
    // render on, and rendering ahead then only adds their memory.
    enum class Consumer { Writes, Computes };

    // Calls `consume` with each strip; `progress` with the fraction done after each.
    void run(Consumer consumer, const std::function<void(const ZynRectBuffer& strip)>& consume,
             const std::function<void(double)>& progress = {});

  private:
    // The buffer the engine fills, and the packed copy handed on when its layout differs.
    struct StripBuffers {
        ZynRectBuffer request;
        std::unique_ptr<ZynRectBuffer> packed;
    };

    StripBuffers makeBuffers() const;
    const ZynRectBuffer& renderStrip(StripBuffers& buffers, const ZynRect& strip);

    ImageHandle& image_;
    ZynResolution resolution_;
    ZynRect rect_;
    ZynDataType dataType_;
    int bands_;
    int64_t stripUnit_;
    uint32_t stripHeight_;
    ZynDataOrgPtr requestOrg_;
    ZynDataOrgPtr packedOrg_;
};
