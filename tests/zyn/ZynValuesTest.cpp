#include <gtest/gtest.h>

#include <sstream>

#include "../ops/MemorySource.h"
#include "ZynColorSpace.h"
#include "ZynTransformDescription.h"
#include "ZynValue.h"
#include "ZynXyCoordSpace.h"

// Conversions between units, and the scaling of spaces, show in the extents of
// NopOperation.ExtentsItAcceptsKeepThePixels and AffineOperation.OutputResolutionsFollowTheInputs.
TEST(ZynValues, RelativeSidesInTheOtherSidesUnits) {
    ZynXyCoordSpace space({400, ZynUnit::Pixel}, {300, ZynUnit::Pixel});
    EXPECT_EQ(space.relativeWidthToAbsolute({0.5, ZynUnit::Normalized}),
              (ZynValue{200, ZynUnit::Pixel}));
    EXPECT_EQ(space.relativeWidthToAbsolute({2, ZynUnit::Height}), (ZynValue{600, ZynUnit::Pixel}));
    EXPECT_EQ(space.relativeHeightToAbsolute({0.5, ZynUnit::Width}),
              (ZynValue{200, ZynUnit::Pixel}));
    EXPECT_EQ(space.relativeHeightToAbsolute({7, ZynUnit::Inch}), (ZynValue{7, ZynUnit::Inch}));
}

TEST(ZynValues, TextFormsRoundTrip) {
    const ZynValue v{0.25, ZynUnit::Centimeter};
    EXPECT_EQ(ZynValue::fromText(v.toText()), v);
    EXPECT_THROW(ZynValue::fromText("abc"), ZynError);

    ZynXyCoordSpace space({1.5, ZynUnit::Arbitrary}, {1, ZynUnit::Arbitrary});
    space.setResolutions({{30, 20}, {15, 10}});
    EXPECT_EQ(*ZynXyCoordSpace::fromText(space.toText()), space);

    const ZynFpxRGBColorSpace fpx(0, 255);
    const auto parsed = ZynColorSpace::fromText(fpx.toText());
    EXPECT_EQ(parsed->kind(), ZynColorKind::FpxRGB);
    EXPECT_EQ(parsed->name(), "RGB");
    EXPECT_TRUE(parsed->isRGBKind());
    EXPECT_EQ(ZynGenericColorSpace(5, -1, 1).toText(), "Generic[5:-1,1]");
    EXPECT_THROW(ZynColorSpace::fromText("RGB[4:0,255]"), ZynError);
    EXPECT_EQ(ZynLumColorSpace().withRange(0, 4095)->maximum(), 4095);
}

namespace {

MemorySource<uint8_t> smallSource() {
    return MemorySource<uint8_t>(noisyImage<uint8_t>(4, 3, 1));
}

}  // namespace

TEST(ZynDescription, SaveAndLoadRoundTrip) {
    auto source = smallSource();
    source.setLabel("first");
    source.setAttribute<int>("value", 42);
    std::ostringstream saved;
    zynSaveTransform(source, saved);
    EXPECT_EQ(saved.str(), "{\nlabel = \"first\"\n\tvalue = 42 ;\n}\n");

    auto loaded = smallSource();
    std::istringstream in("junk\n" + saved.str());
    loaded.loadDescription(in);
    EXPECT_EQ(loaded.label(), "first");
    EXPECT_EQ(loaded.getAttribute<int>("value"), 42);
}

TEST(ZynDescription, AnUnknownNameEndsTheReading) {
    auto loaded = smallSource();
    std::istringstream in("{\n\tcolour = 3 ;\n\tvalue = 7 ;\n}\n\tvalue = 9 ;\n");
    loaded.loadDescription(in);
    EXPECT_EQ(loaded.getAttribute<int>("value"), 0);
}
