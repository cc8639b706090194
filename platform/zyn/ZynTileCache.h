#pragma once

#include <cstddef>
#include <list>
#include <map>
#include <memory>
#include <mutex>
#include <tuple>

#include "ZynRect.h"
#include "ZynRectBuffer.h"

// Rendered native tiles of one output, least recently used first out, within a byte budget.
class ZynTileCache {
  public:
    using Key = std::tuple<uint32_t, uint32_t, int64_t, int64_t>;  // resolution, tile column, row

    explicit ZynTileCache(size_t budgetBytes) : budget_(budgetBytes) {}

    std::shared_ptr<const ZynRectBuffer> find(const Key& key);
    void insert(const Key& key, std::shared_ptr<const ZynRectBuffer> tile);
    void clear();
    size_t bytes() const;

  private:
    struct Slot {
        std::shared_ptr<const ZynRectBuffer> tile;
        size_t bytes;
        std::list<Key>::iterator age;
    };

    mutable std::mutex mutex_;
    size_t budget_;
    size_t used_ = 0;
    std::list<Key> ages_;  // most recent first
    std::map<Key, Slot> slots_;
};
