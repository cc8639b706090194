#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

#include "ZynDataType.h"
#include "ZynOutputInfo.h"
#include "ZynRectBuffer.h"

// What the point operations' ops (contrast, colour matrix) share.

// Whether each row of the organisation holds its samples without gaps or repeats, in any band
// order; then `first` is the offset of the lowest band relative to band 0.
inline bool zynRowsArePacked(const ZynSimpleDataOrg& org, int64_t& first) {
    std::vector<int64_t> offsets = org.bandOffsets();
    std::sort(offsets.begin(), offsets.end());
    for (size_t i = 0; i < offsets.size(); ++i)
        if (offsets[i] != offsets[0] + static_cast<int64_t>(i)) return false;
    first = offsets[0] - org.bandOffset(0);
    return org.pixelStride() == org.bands();
}

// Applies `f` to every sample of the buffer's rectangle in place.
template <class T, class F>
void zynTransformSamples(ZynRectBuffer& buffer, F&& f) {
    const ZynRect& r = buffer.rect();
    const ZynSimpleDataOrg& org = buffer.org();
    const int bands = org.bands();
    int64_t first = 0;
    if (zynRowsArePacked(org, first)) {
        const int64_t count = r.width * bands;
        for (int64_t y = r.y; y < r.bottom(); ++y) {
            T* row = buffer.sample<T>(r.x, y) + first;
            for (int64_t i = 0; i < count; ++i) row[i] = f(row[i]);
        }
        return;
    }
    const int64_t step = org.pixelStride();
    for (int64_t y = r.y; y < r.bottom(); ++y)
        for (int b = 0; b < bands; ++b) {
            T* s = buffer.sample<T>(r.x, y, b);
            for (int64_t x = 0; x < r.width; ++x, s += step) *s = f(*s);
        }
}

// Renders the input into the caller's memory itself (never into memory the input would hand
// over instead), so that a point op may then work on the samples in place.
template <class Upstream>
void zynRenderInPlace(const Upstream& input, ZynRectBuffer& buffer) {
    ZynRectBuffer target = buffer.subView(buffer.rect());
    target.setCanAdopt(false);
    input.render(target);
}

// Whether the input's information describes samples of type T; records error 603 otherwise.
template <class T>
bool zynInputTypeIs(ZynOutputInfo& info) {
    if (info.dataOrg && info.dataOrg->dataType() == ZynDataTypeOf<T>::value) return true;
    info.error = ZynError(603, "Input data type does not match expected type");
    return false;
}
