#pragma once

#include "NIFCountedArray.h"
#include "NIFStr.h"

// A count and owned strings; destruction frees every string, then the array.
class NIFStrArray : public NIFCountedArray<NIFStr> {
  public:
    using NIFCountedArray::NIFCountedArray;
    NIFStrArray() = default;
};
