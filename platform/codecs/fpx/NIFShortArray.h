#pragma once

#include "NIFCountedArray.h"

// A count and owned 16-bit values.
class NIFShortArray : public NIFCountedArray<uint16_t> {
  public:
    using NIFCountedArray::NIFCountedArray;
    NIFShortArray() = default;
};
