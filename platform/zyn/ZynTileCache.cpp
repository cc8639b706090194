#include "ZynTileCache.h"

std::shared_ptr<const ZynRectBuffer> ZynTileCache::find(const Key& key) {
    std::lock_guard lock(mutex_);
    const auto found = slots_.find(key);
    if (found == slots_.end()) return nullptr;
    ages_.splice(ages_.begin(), ages_, found->second.age);
    return found->second.tile;
}

void ZynTileCache::insert(const Key& key, std::shared_ptr<const ZynRectBuffer> tile) {
    const size_t bytes = tile->org().bytesNeeded();
    std::lock_guard lock(mutex_);
    if (bytes > budget_ || slots_.count(key)) return;
    while (used_ + bytes > budget_ && !ages_.empty()) {
        const auto oldest = slots_.find(ages_.back());
        used_ -= oldest->second.bytes;
        slots_.erase(oldest);
        ages_.pop_back();
    }
    ages_.push_front(key);
    slots_.emplace(key, Slot{std::move(tile), bytes, ages_.begin()});
    used_ += bytes;
}

void ZynTileCache::clear() {
    std::lock_guard lock(mutex_);
    slots_.clear();
    ages_.clear();
    used_ = 0;
}

size_t ZynTileCache::bytes() const {
    std::lock_guard lock(mutex_);
    return used_;
}
