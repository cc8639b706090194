#include <gtest/gtest.h>

#include "OperationOnImage.h"
#include "ZynFpxViewOperation.h"
#include "ZynMatrix.h"

namespace {

// A view operation on an RGB image measured like a FlashPix image: its aspect ratio by 1.0.
struct ViewOnImage : OperationOnImage<uint8_t, ZynFpxViewOperation> {
    ViewOnImage(uint32_t width, uint32_t height)
        : OperationOnImage(noisyImage<uint8_t>(width, height, 3)) {
        source->setExtent({static_cast<double>(width) / height, ZynUnit::Arbitrary},
                          {1.0, ZynUnit::Arbitrary});
    }
    // The labels of the chain the setup built, each stage fed by the one before it.
    std::vector<std::string> chain() {
        EXPECT_TRUE(ZynGraph::statusOK(*op)) << op->error().message();
        // Rewiring the chain must not ask for yet another setup.
        EXPECT_FALSE(op->needsSetup());
        std::vector<std::string> labels;
        const ZynTransform* feeding = source.get();
        for (const auto& stage : op->chain()) {
            labels.push_back(stage->label());
            EXPECT_EQ(stage->imageInput(0)->upstreamTransform(), feeding) << stage->label();
            feeding = stage.get();
        }
        EXPECT_EQ(op->imageOutput(0)->owner(), feeding);
        return labels;
    }
};

using Chain = std::vector<std::string>;
const std::string kHalfChroma = "ZynMatrix<float64>[4,4:1,0,0,0;0,0.5,0,0;0,0,0.5,0;0,0,0,1]";

}  // namespace

TEST(FpxView, TheChainHoldsTheStagesTheParametersNeedInOrder) {
    struct Case {
        uint32_t width, height;
        Attributes parameters;
        Chain chain;
    };
    const std::string shift = "[1,0,0.25,0,1,0]";
    const Case cases[] = {
        // Another aspect ratio than the default one needs the affine stage.
        {24, 16, Attributes{}, Chain{"FPX:Affine"}},
        {8, 8, Attributes{{"FpxContrast", "1.2"}}, Chain{"FPX:Contrast"}},
        {8, 8, Attributes{{"FpxColorTwist", kHalfChroma}, {"FpxAffine", shift}},
         Chain{"FPX:ColorTwist", "FPX:Affine"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.chain.back() + " of " + std::to_string(c.parameters.size()));
        ViewOnImage g(c.width, c.height);
        for (const auto& [name, text] : c.parameters) g.op->setAttributeText(name, text);
        EXPECT_EQ(g.chain(), c.chain);
    }
}

// The output takes the extent 1.0 x 1.0 of the default aspect ratio.
TEST(FpxView, TheDefaultAspectRatioCropsToASquare) {
    ViewOnImage wide(24, 16);
    ASSERT_TRUE(ZynGraph::statusOK(*wide.op));
    EXPECT_EQ(wide.op->imageOutput(0)->coordSpace()->resolutions(),
              (std::vector<ZynResolution>{{16, 16}}));
    const TestImage<uint8_t> cropped = wide.render();
    for (int64_t y = 0; y < 16; ++y)
        for (int64_t x = 0; x < 16; ++x) ASSERT_EQ(cropped.at(x, y, 1), wide.image.at(x, y, 1));
}

// The parameters reach the inner operations: FpxAggregate's views, which set them.
TEST(FpxView, ACopyCarriesTheParametersToInnerOperationsOfItsOwn) {
    ViewOnImage g(8, 8);
    g.op->setAttribute<double>("FpxHeight", 0.5);
    auto copy = std::dynamic_pointer_cast<ZynFpxViewOperation>(g.op->clone());
    EXPECT_EQ(copy->getAttribute<double>("FpxHeight"), 0.5);
    copy->setAttribute<double>("FpxHeight", 1.0);
    EXPECT_EQ(g.op->getAttribute<double>("FpxHeight"), 0.5);

    auto lonely = std::make_shared<ZynFpxViewOperation>();
    EXPECT_EQ(setupError(*lonely).code(), 3);
}
