#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "ZynRectBuffer.h"

// Full-width bands of a sequentially decoded image that were decoded on the way to a later
// request. Each is kept until it is asked for once.
class ZynJpegBandCache {
  public:
    explicit ZynJpegBandCache(uint32_t bandHeight) : bandHeight_(bandHeight) {}

    uint32_t bandHeight() const { return bandHeight_; }
    // The band a request is, when it is exactly one band of an image `height` lines high (the last
    // band may be shorter); -1 otherwise.
    int bandOf(const ZynRect& request, uint32_t height) const {
        return bandOf(request, bandHeight_, height);
    }
    static int bandOf(const ZynRect& request, uint32_t bandHeight, uint32_t height);
    // The rectangle of band `index` of a `width` x `height` image.
    ZynRect bandRect(int index, uint32_t width, uint32_t height) const;

    bool exists() const { return !slots_.empty(); }
    // Empty slots for every band of an image `height` lines high.
    void create(uint32_t height);
    void clear() { slots_.clear(); }
    bool holds(int index) const;
    // Copies band `index` into `buffer` and forgets it; false when it is not held.
    bool serve(int index, ZynRectBuffer& buffer);
    void store(int index, std::unique_ptr<ZynRectBuffer> band);

  private:
    uint32_t bandHeight_;
    std::vector<std::unique_ptr<ZynRectBuffer>> slots_;
};
