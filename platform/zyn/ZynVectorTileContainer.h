#pragma once

#include <mutex>
#include <vector>

#include "ZynOp.h"
#include "ZynRect.h"

// The ops an output has handed out, one per resolution, kept until the output's description
// changes. Sources walk it after rendering to close the files their ops hold.
class ZynVectorTileContainer {
  public:
    struct Entry {
        ZynResolution resolution;
        ZynImageOpPtr op;
    };

    ZynImageOpPtr find(const ZynResolution& resolution) const;
    // Keeps `op` for the resolution unless one is there already; returns the one kept.
    ZynImageOpPtr insert(const ZynResolution& resolution, ZynImageOpPtr op);
    std::vector<Entry> entries() const;
    void clear();

  private:
    mutable std::mutex mutex_;
    std::vector<Entry> entries_;
};
