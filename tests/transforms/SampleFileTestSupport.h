#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "QorString.h"
#include "ZynAnyImageSource.h"
#include "ZynGraph.h"
#include "ZynImageOutputCP.h"
#include "ZynTransform.h"

// Helpers of the tests of the sources that read sample files themselves.

template <class T>
ZynRectBuffer renderAs(ZynTransform& t, const ZynRect& rect, int bands,
                       ZynInterleave interleave = ZynInterleave::Pixel) {
    const ZynImageOutputCP* out = t.imageOutput(t.primaryOutputIndex());
    EXPECT_TRUE(out && out->coordSpace());
    const ZynResolution full = out->coordSpace()->resolutions().at(0);
    ZynRectBuffer buffer(
        rect, std::make_shared<ZynSimpleDataOrg>(static_cast<uint32_t>(rect.width),
                                                 static_cast<uint32_t>(rect.height),
                                                 ZynDataTypeOf<T>::value, bands, interleave));
    ZynGraph::render(t, t.primaryOutputIndex(), full, buffer);
    return buffer;
}

// Compares every sample of the buffer with expected(x, y, band); stops at the first mismatch.
template <class T>
void expectSamples(const ZynRectBuffer& buffer,
                   const std::function<T(int64_t, int64_t, int)>& expected) {
    const ZynRect& r = buffer.rect();
    for (int64_t y = r.y; y < r.bottom(); ++y)
        for (int64_t x = r.x; x < r.right(); ++x)
            for (int b = 0; b < buffer.bands(); ++b)
                ASSERT_EQ(*buffer.sample<T>(x, y, b), expected(x, y, b))
                    << "at " << x << "," << y << " band " << b;
}

template <class F>
ZynError thrownBy(F&& f) {
    try {
        f();
    } catch (const ZynError& e) {
        return e;
    }
    ADD_FAILURE() << "no ZynError was thrown";
    return ZynError();
}

inline void setName(ZynTransform& t, const std::string& path) {
    t.setAttribute<std::wstring>("wfile_name", qorWiden(path));
}
