#include <gtest/gtest.h>

#include <cmath>

#include "MemorySource.h"
#include "ZynAffineOp.h"
#include "ZynFpxViewOperation.h"
#include "ZynMatrix.h"
#include "ZynTransformRegistryEntry.h"

namespace {

using Matrix = ZynMatrix<double>;

// A view operation on an RGB image measured like a FlashPix image: its aspect ratio by 1.0.
struct ViewOnImage {
    TestImage<uint8_t> image;
    std::shared_ptr<MemorySource<uint8_t>> source;
    std::shared_ptr<ZynFpxViewOperation> view = std::make_shared<ZynFpxViewOperation>();

    ViewOnImage(uint32_t width, uint32_t height, ZynColorSpacePtr colorSpace = nullptr)
        : image(noisyImage<uint8_t>(width, height, 3)),
          source(std::make_shared<MemorySource<uint8_t>>(
              image, colorSpace ? colorSpace : std::make_shared<ZynRGBColorSpace>())) {
        source->setExtent({static_cast<double>(width) / height, ZynUnit::Arbitrary},
                          {1.0, ZynUnit::Arbitrary});
        view->imageInput(0)->connect(source);
    }
    // The labels of the chain the setup built.
    std::vector<std::string> chain() {
        EXPECT_TRUE(ZynGraph::statusOK(*view)) << view->error().message();
        // Rewiring the chain must not ask for yet another setup.
        EXPECT_FALSE(view->needsSetup());
        std::vector<std::string> labels;
        for (const auto& stage : view->chain()) labels.push_back(stage->label());
        return labels;
    }
    // Which transform feeds a stage's input.
    ZynTransform* feeding(const std::string& label) {
        for (const auto& stage : view->chain())
            if (stage->label() == label) return stage->imageInput(0)->upstreamTransform();
        return nullptr;
    }
    ZynTransform* last() { return view->imageOutput(0)->owner(); }
};

const Matrix kHalfChroma(4, 4, {1, 0, 0, 0, 0, 0.5, 0, 0, 0, 0, 0.5, 0, 0, 0, 0, 1});

}  // namespace

TEST(FpxView, DefaultsOnASquareImagePassItThrough) {
    ViewOnImage g(16, 16);
    EXPECT_EQ(g.view->label(), "FpxViewingParameters");
    EXPECT_EQ(g.chain(), (std::vector<std::string>{"FPX:Noop"}));
    EXPECT_EQ(g.feeding("FPX:Noop"), g.source.get());
    EXPECT_EQ(renderAll<uint8_t>(*g.view, {16, 16}, 3).samples, g.image.samples);
}

TEST(FpxView, AnotherAspectRatioNeedsTheAffineStage) {
    // The output takes the extent 1.0 x 1.0 of the default aspect ratio: a square.
    ViewOnImage g(24, 16);
    EXPECT_EQ(g.chain(), (std::vector<std::string>{"FPX:Affine"}));
    EXPECT_EQ(g.view->imageOutput(0)->coordSpace()->resolutions(),
              (std::vector<ZynResolution>{{16, 16}}));
    const TestImage<uint8_t> out = renderAll<uint8_t>(*g.view, {16, 16}, 3);
    for (int64_t y = 0; y < 16; ++y)
        for (int64_t x = 0; x < 16; ++x) ASSERT_EQ(out.at(x, y, 1), g.image.at(x, y, 1));

    // The image's own aspect ratio needs no affine.
    g.view->setAttribute<double>("FpxAspectRatio", 1.5);
    EXPECT_EQ(g.chain(), (std::vector<std::string>{"FPX:Noop"}));
}

TEST(FpxView, ContrastAloneSitsBetweenInputAndOutput) {
    ViewOnImage g(8, 8);
    g.view->setAttribute<double>("FpxContrast", 1.2);
    EXPECT_EQ(g.chain(), (std::vector<std::string>{"FPX:Contrast"}));
    EXPECT_EQ(g.feeding("FPX:Contrast"), g.source.get());
    EXPECT_EQ(g.last()->label(), "FPX:Contrast");
    const TestImage<uint8_t> out = renderAll<uint8_t>(*g.view, {8, 8}, 3);
    const double k = static_cast<double>(110.08f);
    for (size_t i = 0; i < out.samples.size(); ++i)
        ASSERT_EQ(out.samples[i],
                  std::lround(std::min(255.0, k * std::pow(g.image.samples[i] / k, 1.2))));

    // Back to 1.0, the next setup drops the stage.
    g.view->setAttribute<double>("FpxContrast", 1.0);
    EXPECT_EQ(g.chain(), (std::vector<std::string>{"FPX:Noop"}));
    EXPECT_EQ(renderAll<uint8_t>(*g.view, {8, 8}, 3).samples, g.image.samples);
}

TEST(FpxView, StagesChainInOrder) {
    ViewOnImage g(8, 8);
    g.view->setAttribute<Matrix>("FpxColorTwist", kHalfChroma);
    g.view->setAttributeText("FpxAffine", "[1,0,0.25,0,1,0]");
    EXPECT_EQ(g.chain(), (std::vector<std::string>{"FPX:ColorTwist", "FPX:Affine"}));
    EXPECT_EQ(g.feeding("FPX:ColorTwist"), g.source.get());
    EXPECT_EQ(g.feeding("FPX:Affine")->label(), "FPX:ColorTwist");
    EXPECT_EQ(g.last()->label(), "FPX:Affine");

    g.view->setAttribute<double>("FpxContrast", 0.8);
    EXPECT_EQ(g.chain(),
              (std::vector<std::string>{"FPX:ColorTwist", "FPX:Contrast", "FPX:Affine"}));
    EXPECT_EQ(g.feeding("FPX:Contrast")->label(), "FPX:ColorTwist");
    EXPECT_EQ(g.feeding("FPX:Affine")->label(), "FPX:Contrast");

    // The translation is a quarter of the height: two pixels, filled with black on the right.
    const TestImage<uint8_t> out = renderAll<uint8_t>(*g.view, {8, 8}, 3);
    EXPECT_EQ(out.at(7, 3, 0), 0);
    EXPECT_EQ(out.at(6, 3, 0), 0);
}

TEST(FpxView, ParametersStandForTheInnerAttributes) {
    ViewOnImage g(8, 8);
    g.view->setAttributeText("FpxResamplingType", "BICUBIC");
    g.view->setAttribute<unsigned>("FpxUnit", 4);
    ASSERT_TRUE(ZynGraph::statusOK(*g.view));
    g.view->setAttribute<double>("FpxHeight", 0.5);
    EXPECT_EQ(g.chain(), (std::vector<std::string>{"FPX:Affine"}));
    const ZynTransform& affine = *g.last();
    EXPECT_EQ(affine.getAttribute<ZynResamplingType::Enum>("resamplingType"),
              ZynResamplingType::BICUBIC);
    EXPECT_EQ(affine.getAttribute<double>("height"), 0.5);
    EXPECT_EQ(g.view->imageOutput(0)->coordSpace()->resolutions().front(), (ZynResolution{8, 4}));

    // A copy carries the parameters to inner operations of its own.
    auto copy = std::dynamic_pointer_cast<ZynFpxViewOperation>(g.view->clone());
    EXPECT_EQ(copy->getAttribute<double>("FpxHeight"), 0.5);
    copy->setAttribute<double>("FpxHeight", 1.0);
    EXPECT_EQ(g.view->getAttribute<double>("FpxHeight"), 0.5);
}

TEST(FpxView, WithoutAnInputTheSetupFails) {
    auto lonely = std::make_shared<ZynFpxViewOperation>();
    EXPECT_EQ(setupError(*lonely).code(), 3);
    auto byName = ZynTransformRegistry::create("Fpx View");
    EXPECT_TRUE(byName->hasAttribute("FpxColorTwist"));
}
