#pragma once

#include <algorithm>
#include <cstdint>

struct ZynRect {
    int64_t x = 0;
    int64_t y = 0;
    int64_t width = 0;
    int64_t height = 0;

    bool empty() const { return width <= 0 || height <= 0; }
    int64_t right() const { return x + width; }
    int64_t bottom() const { return y + height; }

    bool contains(const ZynRect& other) const {
        return other.x >= x && other.y >= y && other.right() <= right() &&
               other.bottom() <= bottom();
    }

    ZynRect intersect(const ZynRect& other) const {
        const int64_t left = std::max(x, other.x);
        const int64_t top = std::max(y, other.y);
        const int64_t r = std::min(right(), other.right());
        const int64_t b = std::min(bottom(), other.bottom());
        if (r <= left || b <= top) return {left, top, 0, 0};
        return {left, top, r - left, b - top};
    }

    bool operator==(const ZynRect&) const = default;
};

// A resolution is named by its exact pixel size.
struct ZynResolution {
    uint32_t width = 0;
    uint32_t height = 0;

    auto operator<=>(const ZynResolution&) const = default;
};
