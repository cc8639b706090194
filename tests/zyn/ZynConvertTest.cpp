#include <gtest/gtest.h>

#include "LayoutSupport.h"
#include "TestSupport.h"
#include "ZynConvert.h"
#include "ZynError.h"

namespace {

uint8_t value(int64_t x, int64_t y, int b) {
    return static_cast<uint8_t>(x * 31 + y * 1009 + b * 7919 + 3);
}

}  // namespace

// Three and four bands of bytes take every path of the copy.
TEST(ZynConvert, EveryLayoutPairKeepsEverySample) {
    for (int bands : {3, 4}) {
        const ZynRect rect{5, 7, 13, 9};
        for (const Layout& from : kLayouts) {
            ZynRectBuffer source(rect, makeOrg(from, 13, 9, ZynDataType::UInt8, bands));
            for (int64_t y = rect.y; y < rect.bottom(); ++y)
                for (int64_t x = rect.x; x < rect.right(); ++x)
                    for (int b = 0; b < bands; ++b)
                        *source.sample<uint8_t>(x, y, b) = value(x, y, b);
            for (const Layout& to : kLayouts) {
                // The target is larger than the region copied; samples outside it stay zero.
                ZynRectBuffer target({3, 6, 20, 12},
                                     makeOrg(to, 20, 12, ZynDataType::UInt8, bands));
                const ZynRect region{6, 8, 10, 6};
                zynCopyRegion(source, target, region);
                for (int64_t y = 6; y < 18; ++y)
                    for (int64_t x = 3; x < 23; ++x)
                        for (int b = 0; b < bands; ++b) {
                            const bool inside = region.contains({x, y, 1, 1});
                            ASSERT_EQ(*target.sample<uint8_t>(x, y, b), inside ? value(x, y, b) : 0)
                                << from.name << " -> " << to.name << " at " << x << "," << y
                                << " band " << b;
                        }
            }
        }
    }
}

TEST(ZynConvert, RefusesOtherTypesAndBandCounts) {
    const auto buffer = [](ZynDataType type, int bands) {
        return ZynRectBuffer({0, 0, 4, 4}, std::make_shared<ZynSimpleDataOrg>(4, 4, type, bands));
    };
    ZynRectBuffer bytes = buffer(ZynDataType::UInt8, 3), shorts = buffer(ZynDataType::Int16, 3),
                  grey = buffer(ZynDataType::UInt8, 1);
    EXPECT_EQ(errorOf([&] { zynCopyRegion(bytes, shorts, {0, 0, 4, 4}); }).code(), 119);
    EXPECT_EQ(errorOf([&] { zynCopyRegion(bytes, grey, {0, 0, 4, 4}); }).code(), 3);
}
