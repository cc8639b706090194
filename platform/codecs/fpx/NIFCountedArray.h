#pragma once

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string_view>
#include <utility>

// A count and an owned array of that many items. Copies own a copy of the items. One
// value-initialised item follows the last, so text is always terminated.
template <class T>
class NIFCountedArray {
  public:
    NIFCountedArray() = default;
    NIFCountedArray(const T* items, uint32_t count)
        : length(count), ptr(count ? std::make_unique<T[]>(size_t{count} + 1) : nullptr) {
        if (count) std::copy(items, items + count, ptr.get());
    }
    NIFCountedArray(const NIFCountedArray& other)
        : NIFCountedArray(other.ptr.get(), other.length) {}
    NIFCountedArray(NIFCountedArray&& other) noexcept
        : length(std::exchange(other.length, 0)), ptr(std::move(other.ptr)) {}
    NIFCountedArray& operator=(const NIFCountedArray& other) {
        if (this != &other) *this = NIFCountedArray(other);
        return *this;
    }
    NIFCountedArray& operator=(NIFCountedArray&& other) noexcept {
        length = std::exchange(other.length, 0);
        ptr = std::move(other.ptr);
        return *this;
    }
    ~NIFCountedArray() { clear(); }

    // Frees the items and zeroes both fields.
    void clear() {
        ptr.reset();
        length = 0;
    }
    T* begin() const { return ptr.get(); }
    T* end() const { return ptr.get() + length; }

    uint32_t length = 0;
    std::unique_ptr<T[]> ptr;
};

// Text as a count and owned, terminated characters.
template <class Char>
class NIFText : public NIFCountedArray<Char> {
  public:
    using NIFCountedArray<Char>::NIFCountedArray;
    NIFText() = default;
    explicit NIFText(std::basic_string_view<Char> text)
        : NIFCountedArray<Char>(text.data(), static_cast<uint32_t>(text.size())) {}

    std::basic_string_view<Char> view() const {
        return this->ptr ? std::basic_string_view<Char>(this->ptr.get(), this->length)
                         : std::basic_string_view<Char>();
    }
};
