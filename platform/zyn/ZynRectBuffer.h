#pragma once

#include <cstddef>
#include <memory>

#include "ZynRect.h"
#include "ZynSimpleDataOrg.h"

// A rectangle of an image at one resolution, laid out in memory by a data organisation. The
// organisation's (0, 0) is the rectangle's top-left pixel; the organisation may be larger than
// the rectangle (a whole native tile holding an edge tile's pixels, say).
class ZynRectBuffer {
  public:
    // Allocates zeroed memory for the organisation.
    ZynRectBuffer(const ZynRect& rect, ZynDataOrgPtr org);
    // Refers to memory the caller owns and keeps alive; `origin` is the address of sample
    // (0, 0, offset 0) of the organisation.
    ZynRectBuffer(const ZynRect& rect, ZynDataOrgPtr org, void* origin);

    const ZynRect& rect() const { return rect_; }
    void setRect(const ZynRect& rect) { rect_ = rect; }
    const ZynSimpleDataOrg& org() const { return *org_; }
    const ZynDataOrgPtr& orgPtr() const { return org_; }
    ZynDataType dataType() const { return org_->dataType(); }
    int bands() const { return org_->bands(); }

    // Address of sample (x, y, band) in image coordinates.
    std::byte* at(int64_t x, int64_t y, int band = 0) const {
        const int64_t offset = (x - rect_.x) * org_->pixelStride() +
                               (y - rect_.y) * org_->lineStride() + org_->bandOffset(band);
        return origin_ + offset * static_cast<int64_t>(org_->sampleSize());
    }
    template <class T>
    T* sample(int64_t x, int64_t y, int band = 0) const {
        return reinterpret_cast<T*>(at(x, y, band));
    }
    std::byte* origin() const { return origin_; }
    int64_t lineStrideBytes() const {
        return org_->lineStride() * static_cast<int64_t>(org_->sampleSize());
    }
    int64_t pixelStrideBytes() const {
        return org_->pixelStride() * static_cast<int64_t>(org_->sampleSize());
    }

    // Whether ops may write this buffer's memory directly (false for memory the framework must
    // see written through its own copy).
    bool writableInPlace() const { return writableInPlace_; }
    void setWritableInPlace(bool writable) { writableInPlace_ = writable; }

    // Whether this buffer may be re-pointed at another buffer's memory (see adopt).
    bool canAdopt() const { return canAdopt_; }
    void setCanAdopt(bool can) { canAdopt_ = can; }
    // Makes this buffer a view of `other`'s memory through `org` (same origin), sharing ownership.
    void adopt(const ZynRectBuffer& other, ZynDataOrgPtr org);

    // A buffer over `rect` (inside this one's) that shares this buffer's memory and strides.
    ZynRectBuffer subView(const ZynRect& rect) const;

  private:
    ZynRect rect_;
    ZynDataOrgPtr org_;
    std::shared_ptr<std::byte[]> storage_;
    std::byte* origin_ = nullptr;
    bool writableInPlace_ = true;
    bool canAdopt_ = false;
};
