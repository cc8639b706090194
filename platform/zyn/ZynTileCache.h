#pragma once

#include <condition_variable>
#include <cstddef>
#include <functional>
#include <list>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <tuple>

#include "ZynRect.h"
#include "ZynRectBuffer.h"

// Rendered native tiles of one output, least recently used first out, within a byte budget.
class ZynTileCache {
  public:
    using Key = std::tuple<uint32_t, uint32_t, int64_t, int64_t>;  // resolution, tile column, row
    using Maker = std::function<std::shared_ptr<const ZynRectBuffer>()>;

    explicit ZynTileCache(size_t budgetBytes) : budget_(budgetBytes) {}

    std::shared_ptr<const ZynRectBuffer> find(const Key& key);
    void insert(const Key& key, std::shared_ptr<const ZynRectBuffer> tile);
    // The tile under `key`, made when missing; a thread that finds another making it waits for
    // that tile instead of making it a second time.
    std::shared_ptr<const ZynRectBuffer> obtain(const Key& key, const Maker& make);
    void clear();
    // Takes effect at the next insertion.
    void setBudget(size_t budgetBytes);
    size_t bytes() const;

  private:
    struct Slot {
        std::shared_ptr<const ZynRectBuffer> tile;
        size_t bytes;
        std::list<Key>::iterator age;
    };
    class Making;

    std::shared_ptr<const ZynRectBuffer> findLocked(const Key& key);
    void insertLocked(const Key& key, std::shared_ptr<const ZynRectBuffer> tile);

    mutable std::mutex mutex_;
    std::condition_variable made_;  // a tile being made is done, or failed
    size_t budget_;
    size_t used_ = 0;
    std::list<Key> ages_;  // most recent first
    std::map<Key, Slot> slots_;
    std::set<Key> making_;
};
