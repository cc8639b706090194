#include "ZynRectBuffer.h"

#include <algorithm>
#include <cstdlib>
#include <new>

#include "ZynError.h"

namespace {

void freeMemory(std::byte* memory) {
    std::free(memory);
}

}  // namespace

ZynRectBuffer::ZynRectBuffer(const ZynRect& rect, ZynDataOrgPtr org)
    : rect_(rect), org_(std::move(org)) {
    if (!org_) throw ZynError(3, "A rectangle buffer needs a data organisation");
    const size_t bytes = org_->bytesNeeded();
    // Large blocks come zeroed from fresh pages, so a buffer is not swept once before it is filled.
    void* memory = std::calloc(std::max<size_t>(bytes, 1), 1);
    if (!memory) throw std::bad_alloc();
    storage_ = std::shared_ptr<std::byte[]>(static_cast<std::byte*>(memory), &freeMemory);
    const int64_t below = std::max<int64_t>(-org_->minOffset(), 0);
    origin_ = storage_.get() + below * static_cast<int64_t>(org_->sampleSize());
}

ZynRectBuffer::ZynRectBuffer(const ZynRect& rect, ZynDataOrgPtr org, void* origin)
    : rect_(rect), org_(std::move(org)), origin_(static_cast<std::byte*>(origin)) {
    if (!org_) throw ZynError(3, "A rectangle buffer needs a data organisation");
}

void ZynRectBuffer::adopt(const ZynRectBuffer& other, ZynDataOrgPtr org) {
    if (!canAdopt_) throw ZynError(3, "This rectangle buffer cannot refer to another's memory");
    org_ = std::move(org);
    storage_ = other.storage_;
    origin_ = other.origin_;
    rect_ = other.rect_;
}

ZynRectBuffer ZynRectBuffer::subView(const ZynRect& rect) const {
    if (!rect_.contains(rect)) throw ZynError(3, "A sub-view must lie inside its buffer");
    ZynRectBuffer view = *this;
    view.org_ = std::make_shared<const ZynSimpleDataOrg>(
        org_->withSize(static_cast<uint32_t>(rect.width), static_cast<uint32_t>(rect.height)));
    view.origin_ = at(rect.x, rect.y);
    // at() includes band 0's offset; the view's origin must not.
    view.origin_ -= org_->bandOffset(0) * static_cast<int64_t>(org_->sampleSize());
    view.rect_ = rect;
    return view;
}
