#include <gtest/gtest.h>

#include "MemorySource.h"
#include "ZynNopOperation.h"

namespace {

struct NopOnImage {
    std::shared_ptr<MemorySource<uint8_t>> source;
    std::shared_ptr<ZynNopOperation> nop = std::make_shared<ZynNopOperation>();

    explicit NopOnImage(uint32_t width = 20, uint32_t height = 10) {
        source = std::make_shared<MemorySource<uint8_t>>(smoothImage<uint8_t>(width, height, 3),
                                                         std::make_shared<ZynRGBColorSpace>());
        nop->setLabel("relabel");
        nop->imageInput(0)->connect(source);
    }
    const ZynImageOutputCP& in() { return *source->imageOutput(0); }
    const ZynImageOutputCP& out() { return *nop->imageOutput(0); }
};

}  // namespace

TEST(NopOperation, DefaultsPassTheInputThroughInEveryRespect) {
    NopOnImage g;
    ASSERT_TRUE(ZynGraph::statusOK(*g.nop)) << g.nop->error().message();
    EXPECT_EQ(g.out().colorSpace(), g.in().colorSpace());
    EXPECT_EQ(g.out().coordSpace(), g.in().coordSpace());
    EXPECT_EQ(*g.out().dataOrg(), *g.in().dataOrg());
    const auto image = smoothImage<uint8_t>(20, 10, 3);
    EXPECT_EQ(renderAll<uint8_t>(*g.nop, {20, 10}, 3).samples, image.samples);
    // The input fills the caller's memory directly: one call for the whole request.
    EXPECT_EQ(g.source->op().calls, 1);
}

TEST(NopOperation, ColorSpaceIsReplacedOnlyWithTheSameBandCount) {
    NopOnImage g;
    g.nop->setAttributeText("colorSpace", "Generic[3:0,100]");
    ASSERT_TRUE(ZynGraph::statusOK(*g.nop)) << g.nop->error().message();
    EXPECT_EQ(g.out().colorSpace()->kind(), ZynColorKind::Generic);
    EXPECT_EQ(g.out().colorSpace()->maximum(), 100);
    EXPECT_EQ(renderAll<uint8_t>(*g.nop, {20, 10}, 3).samples,
              smoothImage<uint8_t>(20, 10, 3).samples);
}

TEST(NopOperation, SidesTakenFromTheInputKeepItsCoordinateSpace) {
    NopOnImage g;
    g.nop->setAttribute<ZynValue>("width", {0.0, ZynUnit::Normalized});
    g.nop->setAttribute<ZynValue>("height", {0.0, ZynUnit::Width});
    ASSERT_TRUE(ZynGraph::statusOK(*g.nop));
    EXPECT_EQ(g.out().coordSpace(), g.in().coordSpace());
    // The input's own pixel count is no resampling.
    g.nop->setAttribute<ZynValue>("width", {20.0, ZynUnit::Pixel});
    EXPECT_TRUE(ZynGraph::statusOK(*g.nop));
}

TEST(NopOperation, ExtentInOtherUnits) {
    NopOnImage g;
    // Relative sides are expressed in the input's unit.
    g.nop->setAttribute<ZynValue>("height", {0.5, ZynUnit::Width});
    ASSERT_TRUE(ZynGraph::statusOK(*g.nop)) << g.nop->error().message();
    EXPECT_EQ(g.out().coordSpace()->width(), (ZynValue{20, ZynUnit::Pixel}));
    EXPECT_EQ(g.out().coordSpace()->height(), (ZynValue{10, ZynUnit::Pixel}));
    EXPECT_EQ(g.out().coordSpace()->resolutions(), g.in().coordSpace()->resolutions());

    // 0.0 in a physical unit converts the input's physical extent.
    g.source->setExtent({254, ZynUnit::Millimeter}, {127, ZynUnit::Millimeter});
    g.nop->setAttribute<ZynValue>("width", {0.0, ZynUnit::Inch});
    g.nop->setAttribute<ZynValue>("height", {3.0, ZynUnit::Inch});
    ASSERT_TRUE(ZynGraph::statusOK(*g.nop)) << g.nop->error().message();
    EXPECT_DOUBLE_EQ(g.out().coordSpace()->width().value, 10.0);
    EXPECT_EQ(g.out().coordSpace()->width().unit, ZynUnit::Inch);
    EXPECT_EQ(g.out().coordSpace()->height(), (ZynValue{3.0, ZynUnit::Inch}));
}

TEST(NopOperation, CoordinateSpaceGivenWhole) {
    NopOnImage g;
    // In physical units it takes the input's resolutions.
    g.nop->setAttributeText("coordSpace", "[2 inch,1 inch:]");
    ASSERT_TRUE(ZynGraph::statusOK(*g.nop)) << g.nop->error().message();
    EXPECT_EQ(g.out().coordSpace()->width(), (ZynValue{2, ZynUnit::Inch}));
    EXPECT_EQ(g.out().coordSpace()->resolutions(), (std::vector<ZynResolution>{{20, 10}}));

    // In pixels it must name a resolution of the input.
    g.nop->setAttributeText("coordSpace", "[20 pixel,10 pixel:20x10]");
    EXPECT_TRUE(ZynGraph::statusOK(*g.nop));
}

TEST(NopOperation, WithoutInputTheSetupFails) {
    ZynNopOperation nop;
    EXPECT_FALSE(ZynGraph::statusOK(nop));
}
