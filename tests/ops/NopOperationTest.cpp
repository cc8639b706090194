#include <gtest/gtest.h>

#include "OperationOnImage.h"
#include "ZynNopOperation.h"

namespace {

struct NopOnImage : OperationOnImage<uint8_t, ZynNopOperation> {
    NopOnImage()
        : OperationOnImage(smoothImage<uint8_t>(20, 10, 3), std::make_shared<ZynRGBColorSpace>(),
                           "relabel") {}
    const ZynImageOutputCP& in() { return *source->imageOutput(0); }
    const ZynImageOutputCP& out() { return *op->imageOutput(0); }
};

}  // namespace

TEST(NopOperation, DefaultsPassTheInputThroughInEveryRespect) {
    NopOnImage g;
    EXPECT_EQ(g.render().samples, g.image.samples);
    EXPECT_EQ(g.out().colorSpace(), g.in().colorSpace());
    EXPECT_EQ(g.out().coordSpace(), g.in().coordSpace());
    EXPECT_EQ(*g.out().dataOrg(), *g.in().dataOrg());
    // The input fills the caller's memory directly: one call for the whole request.
    EXPECT_EQ(g.source->op().calls, 1);

    ZynNopOperation alone;
    EXPECT_FALSE(ZynGraph::statusOK(alone));
}

// Every extent the operation accepts keeps the input's pixels and its single resolution; the
// input measures 20 x 10 pixels, or 254 x 127 mm where given.
TEST(NopOperation, ExtentsItAcceptsKeepThePixels) {
    struct Case {
        Attributes attributes;
        bool inMillimeters;
        ZynValue width, height;
    };
    const ZynValue twenty{20, ZynUnit::Pixel}, ten{10, ZynUnit::Pixel};
    const Case cases[] = {
        {{{"width", "0 normalized"}, {"height", "0 width"}}, false, twenty, ten},
        // The input's own pixel count is no resampling.
        {{{"width", "20 pixel"}}, false, twenty, ten},
        // Relative sides are expressed in the input's unit.
        {{{"height", "0.5 width"}}, false, twenty, ten},
        {{{"width", "2 height"}}, false, twenty, ten},
        // 0.0 in a physical unit converts the input's physical extent.
        {{{"width", "0 inch"}, {"height", "3 inch"}},
         true,
         {10, ZynUnit::Inch},
         {3, ZynUnit::Inch}},
        // A whole space in physical units takes the input's resolutions; in pixels it must name
        // one of them.
        {{{"coordSpace", "[2 inch,1 inch:]"}}, false, {2, ZynUnit::Inch}, {1, ZynUnit::Inch}},
        {{{"coordSpace", "[20 pixel,10 pixel:20x10]"}}, false, twenty, ten},
    };
    for (const Case& c : cases) {
        NopOnImage g;
        SCOPED_TRACE(c.attributes.front().first + " " + c.attributes.front().second);
        if (c.inMillimeters)
            g.source->setExtent({254, ZynUnit::Millimeter}, {127, ZynUnit::Millimeter});
        for (const auto& [name, text] : c.attributes) g.op->setAttributeText(name, text);
        EXPECT_EQ(g.render().samples, g.image.samples);
        const ZynXyCoordSpace& space = *g.out().coordSpace();
        EXPECT_DOUBLE_EQ(space.width().value, c.width.value);
        EXPECT_EQ(space.width().unit, c.width.unit);
        EXPECT_EQ(space.height(), c.height);
        EXPECT_EQ(space.resolutions(), (std::vector<ZynResolution>{{20, 10}}));
    }
}

// Another band count is refused (Operations.SetupErrorsNameTheTransformAndWhatItRefused).
TEST(NopOperation, ColorSpaceOfTheSameBandCountReplacesTheInputs) {
    NopOnImage g;
    g.op->setAttributeText("colorSpace", "Generic[3:0,100]");
    EXPECT_EQ(g.render().samples, g.image.samples);
    EXPECT_EQ(g.out().colorSpace()->kind(), ZynColorKind::Generic);
    EXPECT_EQ(g.out().colorSpace()->maximum(), 100);
    EXPECT_THROW(g.op->setAttributeText("colorSpace", "RGB[4:0,255]"), ZynError);
}
