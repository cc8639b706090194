#pragma once

#include <string_view>

#include "NIFCountedArray.h"

// UTF-16 text of the toolkit's interface: a length and owned, terminated characters.
class NIFWideStr : public NIFCountedArray<char16_t> {
  public:
    using NIFCountedArray::NIFCountedArray;
    NIFWideStr() = default;
    explicit NIFWideStr(std::u16string_view text)
        : NIFCountedArray(text.data(), static_cast<uint32_t>(text.size())) {}

    std::u16string_view view() const { return {ptr.get() ? ptr.get() : u"", length}; }
};
