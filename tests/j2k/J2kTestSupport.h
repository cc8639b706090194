#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "J2kFixture.h"
#include "QorString.h"
#include "TestSupport.h"
#include "ZynGraph.h"
#include "ZynImageOutputCP.h"
#include "ZynJ2KImageSource.h"

// A J2K source on `path`, set up.
inline std::shared_ptr<ZynJ2KImageSource> openJ2k(const std::string& path, bool keepOpen = true) {
    auto source = std::make_shared<ZynJ2KImageSource>(qorWiden(path), keepOpen);
    ZynGraph::ensureSetup(*source);
    return source;
}

// Whether every sample of the buffer is the planes', whose grid starts at (left, top) of the
// level (the image origin at that level); reports the first difference.
inline ::testing::AssertionResult planesMatch(const ZynRectBuffer& buffer,
                                              const std::vector<J2kPlane>& planes,
                                              uint64_t left = 0, uint64_t top = 0) {
    const ZynRect& r = buffer.rect();
    if (static_cast<size_t>(buffer.bands()) != planes.size())
        return ::testing::AssertionFailure() << buffer.bands() << " bands, not " << planes.size();
    for (int64_t y = r.y; y < r.bottom(); ++y)
        for (int64_t x = r.x; x < r.right(); ++x)
            for (size_t b = 0; b < planes.size(); ++b) {
                const double got = sampleAt(buffer, x, y, static_cast<int>(b));
                const int32_t want =
                    planes[b].at(left + static_cast<uint64_t>(x), top + static_cast<uint64_t>(y));
                if (got != want)
                    return ::testing::AssertionFailure() << "pixel " << x << "," << y << " band "
                                                         << b << ": " << got << ", not " << want;
            }
    return ::testing::AssertionSuccess();
}
