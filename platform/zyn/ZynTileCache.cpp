#include "ZynTileCache.h"

// Marks a tile as being made for as long as its maker runs, failures included.
class ZynTileCache::Making {
  public:
    Making(ZynTileCache& cache, const Key& key) : cache_(cache), key_(key) {
        cache_.making_.insert(key_);
    }
    Making(const Making&) = delete;
    Making& operator=(const Making&) = delete;
    ~Making() {
        {
            std::lock_guard lock(cache_.mutex_);
            cache_.making_.erase(key_);
            if (tile_) cache_.insertLocked(key_, std::move(tile_));
        }
        cache_.made_.notify_all();
    }
    void done(std::shared_ptr<const ZynRectBuffer> tile) { tile_ = std::move(tile); }

  private:
    ZynTileCache& cache_;
    Key key_;
    std::shared_ptr<const ZynRectBuffer> tile_;
};

std::shared_ptr<const ZynRectBuffer> ZynTileCache::find(const Key& key) {
    std::lock_guard lock(mutex_);
    return findLocked(key);
}

void ZynTileCache::insert(const Key& key, std::shared_ptr<const ZynRectBuffer> tile) {
    std::lock_guard lock(mutex_);
    insertLocked(key, std::move(tile));
}

std::shared_ptr<const ZynRectBuffer> ZynTileCache::obtain(const Key& key, const Maker& make) {
    std::unique_lock lock(mutex_);
    made_.wait(lock, [&] { return !making_.count(key); });
    if (auto tile = findLocked(key)) return tile;
    Making making(*this, key);
    lock.unlock();
    std::shared_ptr<const ZynRectBuffer> tile = make();
    making.done(tile);
    return tile;
}

std::shared_ptr<const ZynRectBuffer> ZynTileCache::findLocked(const Key& key) {
    const auto found = slots_.find(key);
    if (found == slots_.end()) return nullptr;
    ages_.splice(ages_.begin(), ages_, found->second.age);
    return found->second.tile;
}

void ZynTileCache::insertLocked(const Key& key, std::shared_ptr<const ZynRectBuffer> tile) {
    const size_t bytes = tile->org().bytesNeeded();
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

void ZynTileCache::setBudget(size_t budgetBytes) {
    std::lock_guard lock(mutex_);
    budget_ = budgetBytes;
}

size_t ZynTileCache::bytes() const {
    std::lock_guard lock(mutex_);
    return used_;
}
