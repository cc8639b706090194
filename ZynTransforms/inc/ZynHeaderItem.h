#pragma once

#include <cstdio>

// One field of a fixed-layout file header.
class ZynHeaderItem {
  public:
    virtual ~ZynHeaderItem() = default;

    // Reads the field at `base` plus its offset from the start of the file; false when the
    // file is too short or cannot seek there.
    virtual bool read(FILE* file, long base) = 0;
    virtual bool write(FILE* file, long base) const = 0;
    // Writes the value and a line feed to standard output.
    virtual void print() const = 0;
};
