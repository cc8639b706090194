#pragma once

#include <cstdio>

// One field of a fixed-layout file header.
class ZynHeaderItem {
  public:
    virtual ~ZynHeaderItem() = default;

    // Reads the field at `base` plus its offset from the start of the file; false when the
    // file is too short or cannot seek there.
    virtual bool read(FILE* file, long base) = 0;
};
