#pragma once

#include <array>
#include <cstdint>

#include "NIFCountedArray.h"
#include "NIFWideStr.h"

// One extension of a FlashPix object: its name and class id.
struct NIFExtensionEntry {
    NIFWideStr name;
    std::array<uint8_t, 16> classId{};
};

// A count and owned extension entries; destruction frees the array with its entries.
class NIFExtensionArray : public NIFCountedArray<NIFExtensionEntry> {
  public:
    using NIFCountedArray::NIFCountedArray;
    NIFExtensionArray() = default;
};
