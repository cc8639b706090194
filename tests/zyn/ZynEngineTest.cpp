#include <gtest/gtest.h>

#include "../ops/MemorySource.h"
#include "LayoutSupport.h"
#include "TestSupport.h"
#include "ZynAliasCP.h"
#include "ZynGraph.h"
#include "ZynImageInputCP.h"
#include "ZynNopOperation.h"
#include "ZynTransformAggregate.h"

namespace {

// Three bands over 3 x 3 native tiles of 16 x 10, those at the right and bottom clipped.
const TestImage<uint8_t> kImage = noisyImage<uint8_t>(37, 23, 3);
const ZynResolution kFull{37, 23};

std::shared_ptr<MemorySource<uint8_t>> tiledSource(bool acceptsAny = false) {
    return std::make_shared<MemorySource<uint8_t>>(std::vector{kImage}, nullptr, 16, 10,
                                                   acceptsAny);
}

ZynDataOrgPtr org(uint32_t w, uint32_t h, const Layout& layout = kLayouts[0]) {
    return makeOrg(layout, w, h, ZynDataType::UInt8, 3);
}

// `rect` of `t` rendered into a buffer of `org`, checked against the image.
void expectRendered(ZynTransform& t, const ZynRect& rect, const ZynDataOrgPtr& org) {
    ZynRectBuffer buffer(rect, org);
    ZynGraph::render(t, 0, kFull, buffer);
    EXPECT_TRUE(samplesMatch(buffer, kImage.samples, kImage.width));
}

class Aggregate : public ZynTransformAggregate {
  public:
    Aggregate() { setPrimaryOutput(addOutput(std::make_shared<ZynAliasCP>("out"))); }
    ZynTransformPtr clone() const override { return std::make_shared<Aggregate>(*this); }
    void setupTransform() override {
        dropTransforms();
        inner = tiledSource();
        addTransform(inner, true);
        aliasOutput(0, inner, 0);
        setSetupDone();
    }
    std::shared_ptr<MemorySource<uint8_t>> inner;
};

ZynAliasCP& aliasOf(ZynTransform& t) {
    return static_cast<ZynAliasCP&>(t.output(0));
}

}  // namespace

// Ops that accept the caller's buffer fill it in one call.
TEST(ZynEngine, SplitsRequestsIntoNativeTilesAndConvertsIntoTheCallersOrganisation) {
    auto source = tiledSource(), accepting = tiledSource(true);
    // Crosses all nine tiles and touches the right and bottom edges.
    expectRendered(*source, {14, 8, 23, 15}, org(23, 15));
    expectRendered(*accepting, {14, 8, 23, 15}, org(23, 15));
    EXPECT_EQ(source->op().calls, 3 * 3);
    EXPECT_EQ(accepting->op().calls, 1);
    for (const Layout& layout : kLayouts) {
        SCOPED_TRACE(layout.name);
        expectRendered(*source, {3, 4, 34, 19}, org(34, 19, layout));
    }

    // A caching output renders each tile once for any number of requests.
    auto cached = tiledSource();
    ZynGraph::ensureSetup(*cached);
    cached->imageOutput(0)->setCaching(true);
    expectRendered(*cached, {0, 0, 37, 23}, org(37, 23));
    expectRendered(*cached, {0, 0, 37, 23}, org(37, 23));
    EXPECT_EQ(cached->op().calls, 3 * 3);
}

// Whether the operation sets up only once is AffineStream.TheMapComesFromTheStreamOncePerOp's.
TEST(ZynEngine, SetsUpAgainOnlyAfterAChange) {
    auto source = tiledSource();
    auto pass = std::make_shared<ZynNopOperation>();
    pass->imageInput(0)->connect(source);
    expectRendered(*pass, {0, 0, 37, 23}, org(37, 23));
    expectRendered(*pass, {0, 0, 37, 23}, org(37, 23));
    EXPECT_EQ(source->setups, 1);

    // A value of another type is refused and changes nothing.
    EXPECT_EQ(errorOf([&] { source->setAttribute<double>("value", 1.0); }).code(), 13);
    EXPECT_FALSE(source->needsSetup());
    source->setAttribute<int>("value", 5);
    EXPECT_TRUE(source->needsSetup());
    expectRendered(*pass, {0, 0, 37, 23}, org(37, 23));
    EXPECT_EQ(source->setups, 2);
    // The downstream operation follows its input's new setup: it passes on the new space.
    EXPECT_EQ(pass->imageOutput(0)->coordSpace(), source->imageOutput(0)->coordSpace());
    EXPECT_EQ(source->postRenders, 3);
}

TEST(ZynEngine, AGraphCycleIsAnErrorNotAHang) {
    auto a = std::make_shared<ZynNopOperation>();
    auto b = std::make_shared<ZynNopOperation>();
    a->imageInput(0)->connect(b);
    b->imageInput(0)->connect(a);
    EXPECT_THROW(ZynGraph::ensureSetup(*a), ZynError);
    b->imageInput(0)->disconnect();
}

TEST(ZynAliasCaching, AWishSetBeforeSetupReachesEveryRebuiltTarget) {
    Aggregate outer;
    aliasOf(outer).setCaching(true);
    ZynGraph::ensureSetup(outer);
    EXPECT_TRUE(outer.inner->imageOutput(0)->caching());

    const auto first = outer.inner;
    outer.markForSetup();
    ZynGraph::ensureSetup(outer);
    ASSERT_NE(outer.inner, first);
    EXPECT_TRUE(outer.inner->imageOutput(0)->caching());

    aliasOf(outer).setCaching(false);
    EXPECT_FALSE(outer.inner->imageOutput(0)->caching());
    EXPECT_FALSE(aliasOf(outer).caching());
}

TEST(ZynAliasCaching, WithoutAWishTheTargetKeepsItsOwnAndNestedAliasesPassItOn) {
    Aggregate outer;
    ZynGraph::ensureSetup(outer);
    outer.inner->imageOutput(0)->setCaching(true);
    EXPECT_TRUE(aliasOf(outer).caching());

    // An aggregate inside an aggregate: the wish travels through both aliases.
    auto nested = std::make_shared<Aggregate>();
    ZynGraph::ensureSetup(*nested);
    ZynAliasCP top("top");
    top.setCaching(true);
    top.alias(nested, 0);
    EXPECT_TRUE(aliasOf(*nested).caching());
    nested->markForSetup();
    ZynGraph::ensureSetup(*nested);
    EXPECT_TRUE(nested->inner->imageOutput(0)->caching());
}
