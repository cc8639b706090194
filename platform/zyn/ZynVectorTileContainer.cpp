#include "ZynVectorTileContainer.h"

ZynImageOpPtr ZynVectorTileContainer::find(const ZynResolution& resolution) const {
    std::lock_guard lock(mutex_);
    for (const auto& e : entries_)
        if (e.resolution == resolution) return e.op;
    return nullptr;
}

ZynImageOpPtr ZynVectorTileContainer::insert(const ZynResolution& resolution, ZynImageOpPtr op) {
    std::lock_guard lock(mutex_);
    for (const auto& e : entries_)
        if (e.resolution == resolution) return e.op;
    entries_.push_back({resolution, op});
    return op;
}

std::vector<ZynVectorTileContainer::Entry> ZynVectorTileContainer::entries() const {
    std::lock_guard lock(mutex_);
    return entries_;
}

void ZynVectorTileContainer::clear() {
    std::lock_guard lock(mutex_);
    entries_.clear();
}
