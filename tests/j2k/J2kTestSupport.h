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
// level (the image origin at that level).
inline ::testing::AssertionResult planesMatch(const ZynRectBuffer& buffer,
                                              const std::vector<J2kPlane>& planes,
                                              uint64_t left = 0, uint64_t top = 0) {
    if (static_cast<size_t>(buffer.bands()) != planes.size())
        return ::testing::AssertionFailure() << buffer.bands() << " bands, not " << planes.size();
    const auto width = static_cast<uint64_t>(buffer.rect().right());
    std::vector<int32_t> expected;
    for (uint64_t y = 0; y < static_cast<uint64_t>(buffer.rect().bottom()); ++y)
        for (uint64_t x = 0; x < width; ++x)
            for (const J2kPlane& plane : planes) expected.push_back(plane.at(left + x, top + y));
    return samplesMatch(buffer, expected, static_cast<uint32_t>(width));
}
