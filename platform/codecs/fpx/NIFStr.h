#pragma once

#include <string_view>

#include "NIFCountedArray.h"

// Narrow text of the toolkit's interface: a length and owned, terminated characters.
class NIFStr : public NIFCountedArray<char> {
  public:
    using NIFCountedArray::NIFCountedArray;
    NIFStr() = default;
    explicit NIFStr(std::string_view text)
        : NIFCountedArray(text.data(), static_cast<uint32_t>(text.size())) {}

    std::string_view view() const { return {ptr.get() ? ptr.get() : "", length}; }
};
