#include <gtest/gtest.h>

#include "MemorySource.h"
#include "ZynChannelSelectOperation.h"

namespace {

std::shared_ptr<MemorySource<uint8_t>> sourceOf(const TestImage<uint8_t>& image) {
    return std::make_shared<MemorySource<uint8_t>>(
        image, std::make_shared<ZynGenericColorSpace>(image.bands, 0, 255));
}

void select(ZynChannelSelectOperation& op, const std::vector<int>& inputs,
            const std::vector<int>& bands, bool alwaysCopy = true) {
    op.setAttribute<bool>("allBands", false);
    op.setAttribute<std::vector<int>>("inputs", inputs);
    op.setAttribute<std::vector<int>>("bands", bands);
    op.setAttribute<bool>("AlwaysCopy", alwaysCopy);
}

// The samples of the chosen bands of an image, pixel-interleaved in the order chosen.
std::vector<uint8_t> bandsOf(const TestImage<uint8_t>& image, const std::vector<int>& bands) {
    std::vector<uint8_t> samples;
    for (uint32_t y = 0; y < image.height; ++y)
        for (uint32_t x = 0; x < image.width; ++x)
            for (int b : bands) samples.push_back(image.at(x, y, b));
    return samples;
}

}  // namespace

// Into buffers that may adopt memory: with "AlwaysCopy" off the bands of one input are a view of
// the very samples the source wrote. Buffers that cannot adopt get copies (AnyImageRender's
// AlwaysCopy=false render).
TEST(ChannelSelect, BandsOfOneInputAreAViewUnlessAlwaysCopy) {
    struct Case {
        const char* name;
        int bands;
        std::vector<int> chosen;  // empty: the defaults, which copy every band
        ZynColorSpacePtr colorSpace;
    };
    const Case cases[] = {
        {"defaults", 3, {}, nullptr},
        {"reversed", 3, {2, 1, 0}, nullptr},
        {"alpha dropped", 4, {0, 1, 2}, std::make_shared<ZynRGBColorSpace>()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const TestImage<uint8_t> image = noisyImage<uint8_t>(12, 7, c.bands);
        auto source = sourceOf(image);
        auto op = std::make_shared<ZynChannelSelectOperation>(source);
        if (!c.chosen.empty()) select(*op, {0, 0, 0}, c.chosen, false);
        if (c.colorSpace) op->setAttribute<ZynColorSpacePtr>("colorSpace", c.colorSpace);
        ASSERT_TRUE(ZynGraph::statusOK(*op)) << op->error().message();
        const std::vector<int> chosen = c.chosen.empty() ? std::vector<int>{0, 1, 2} : c.chosen;
        EXPECT_EQ(op->imageOutput(0)->colorSpace()->kind(),
                  c.colorSpace ? ZynColorKind::RGB : ZynColorKind::Generic);

        ZynRectBuffer buffer({0, 0, 12, 7},
                             std::make_shared<ZynSimpleDataOrg>(12, 7, ZynDataType::UInt8, 3));
        buffer.setCanAdopt(true);
        const std::byte* own = buffer.origin();
        ZynGraph::render(*op, 0, {12, 7}, buffer);
        if (c.chosen.empty()) {
            EXPECT_EQ(buffer.origin(), own);
        } else {
            const std::vector<int64_t> offsets(chosen.begin(), chosen.end());
            EXPECT_EQ(op->imageOutput(0)->dataOrg()->bandOffsets(), offsets);
            EXPECT_EQ(buffer.org().bandOffsets(), offsets);
            EXPECT_EQ(buffer.at(0, 0), source->op().lastOrigin + chosen[0]);
            EXPECT_EQ(buffer.org().pixelStride(), c.bands);
            EXPECT_EQ(source->op().calls, 1);
        }
        EXPECT_TRUE(samplesMatch(buffer, bandsOf(image, chosen), 12));
    }
    auto alpha =
        std::make_shared<ZynChannelSelectOperation>(sourceOf(noisyImage<uint8_t>(9, 5, 4)));
    select(*alpha, {0, 0, 0}, {0, 1, 2}, false);
    alpha->setAttribute<ZynColorSpacePtr>("colorSpace", std::make_shared<ZynRGBAColorSpace>());
    EXPECT_TRUE(isZynError(setupError(*alpha), 153,
                           "Specified color space has the wrong number of bands for the inputs"));
}

TEST(ChannelSelect, AllBandsOfSeveralInputs) {
    const TestImage<uint8_t> two = noisyImage<uint8_t>(6, 4, 2);
    const TestImage<uint8_t> three = smoothImage<uint8_t>(6, 4, 3);
    auto first = std::make_shared<MemorySource<uint8_t>>(
        two, std::make_shared<ZynGenericColorSpace>(2, 10, 200));
    auto second = std::make_shared<MemorySource<uint8_t>>(
        three, std::make_shared<ZynGenericColorSpace>(3, 0, 180));
    auto op = std::make_shared<ZynChannelSelectOperation>(first, second);
    ASSERT_TRUE(ZynGraph::statusOK(*op)) << op->error().message();
    EXPECT_EQ(op->getAttribute<std::vector<int>>("inputs"), (std::vector<int>{0, 0, 1, 1, 1}));
    EXPECT_EQ(op->getAttribute<std::vector<int>>("bands"), (std::vector<int>{0, 1, 0, 1, 2}));
    // Setup rewrote the lists without asking for another setup.
    EXPECT_FALSE(op->needsSetup());
    // The output range is the one the inputs share.
    EXPECT_EQ(*op->imageOutput(0)->colorSpace(), ZynGenericColorSpace(5, 10, 180));
    const TestImage<uint8_t> out = renderAll<uint8_t>(*op, {6, 4}, 5);
    EXPECT_EQ(bandsOf(out, {0, 1}), two.samples);
    EXPECT_EQ(bandsOf(out, {2, 3, 4}), three.samples);

    // Chosen bands from both, in any order.
    select(*op, {1, 0, 1}, {2, 0, 0});
    const TestImage<uint8_t> mixed = renderAll<uint8_t>(*op, {6, 4}, 3);
    EXPECT_EQ(bandsOf(mixed, {0, 2}), bandsOf(three, {2, 0}));
    EXPECT_EQ(bandsOf(mixed, {1}), bandsOf(two, {0}));
}

TEST(ChannelSelect, SelectionErrors) {
    const std::string pick = "transform pick(ZynChannelSelectOperation)";
    const std::tuple<std::vector<int>, std::vector<int>, std::string> cases[] = {
        {{0},
         {3},
         "Band value 0 is out of range: value is 3, input number is 0, number of bands for that "
         "input is 3; " +
             pick},
        {{}, {}, "No bands are selected in " + pick},
        {{0, 4},
         {0, 0},
         "Band selection includes an invalid input CP number 4 for 4 connection points in " + pick},
        {{0, 2}, {0, 0}, "The band selection names input 2, which is not connected; " + pick},
        {{0, 0}, {1}, "No band is given for output band 1; " + pick},
    };
    auto op = std::make_shared<ZynChannelSelectOperation>(sourceOf(noisyImage<uint8_t>(6, 4, 3)));
    op->setLabel("pick");
    for (const auto& [inputs, bands, message] : cases) {
        select(*op, inputs, bands);
        EXPECT_TRUE(isZynError(setupError(*op), 600, message));
    }
    // Longer band lists are cut to the inputs.
    select(*op, {0}, {1, 2});
    EXPECT_TRUE(ZynGraph::statusOK(*op));
    EXPECT_EQ(renderAll<uint8_t>(*op, {6, 4}, 1).samples.size(), 24u);
}

TEST(ChannelSelect, InputsMustAgree) {
    const auto bytes = [](uint32_t w, uint32_t h) {
        return sourceOf(noisyImage<uint8_t>(w, h, 1));
    };
    const std::tuple<ZynTransformPtr, std::string> cases[] = {
        {bytes(5, 4), "Image widths are not consistent: 6 vs. 5 for input 1"},
        {bytes(6, 5), "Image heights are not consistent: 4 vs. 5 for input 1"},
        {std::make_shared<MemorySource<int16_t>>(noisyImage<int16_t>(6, 4, 1)),
         "Data types are not consistent: uint8 vs. int16 for input 1"},
    };
    for (const auto& [second, message] : cases) {
        auto op = std::make_shared<ZynChannelSelectOperation>(bytes(6, 4), second);
        EXPECT_TRUE(isZynError(setupError(*op), 600, message));
    }
    auto narrow = std::make_shared<ZynChannelSelectOperation>(bytes(6, 4), bytes(5, 4));
    narrow->setAttribute<bool>("ignoreSize", true);
    ASSERT_TRUE(ZynGraph::statusOK(*narrow));
    EXPECT_EQ(narrow->imageOutput(0)->coordSpace()->resolutions().front(), (ZynResolution{6, 4}));
}
