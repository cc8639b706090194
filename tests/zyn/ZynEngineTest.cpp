#include <gtest/gtest.h>

#include "FakeSource.h"
#include "TestSupport.h"
#include "ZynAliasCP.h"
#include "ZynGraph.h"
#include "ZynImageInputCP.h"
#include "ZynOperation.h"
#include "ZynTransformAggregate.h"

namespace {

ZynDataOrgPtr org(uint32_t w, uint32_t h, ZynInterleave interleave = ZynInterleave::Pixel,
                  bool reversed = false) {
    ZynSimpleDataOrg o(w, h, ZynDataType::UInt8, 3, interleave);
    if (!reversed) return std::make_shared<ZynSimpleDataOrg>(o);
    std::vector<int64_t> offsets(o.bandOffsets().rbegin(), o.bandOffsets().rend());
    return std::make_shared<ZynSimpleDataOrg>(w, h, ZynDataType::UInt8, interleave, offsets,
                                              o.pixelStride(), o.lineStride());
}

void expectFake(const ZynRectBuffer& buffer) {
    const ZynRect& r = buffer.rect();
    for (int64_t y = r.y; y < r.bottom(); ++y)
        for (int64_t x = r.x; x < r.right(); ++x)
            for (int b = 0; b < buffer.bands(); ++b)
                ASSERT_EQ(*buffer.sample<uint8_t>(x, y, b), fakeSample(x, y, b))
                    << "at " << x << "," << y << " band " << b;
}

// An operation that passes its input through; counts its setups.
class PassOp : public ZynImageOp {
  public:
    explicit PassOp(ZynUpstream in) : in_(std::move(in)) {}
    bool outputInfo(ZynOutputInfo& info) override { return in_.outputInfo(info); }
    bool canFill(const ZynRectBuffer&) override { return true; }
    void genRect(ZynRectBuffer& buffer) override { in_.render(buffer); }

  private:
    ZynUpstream in_;
};

class PassOperation : public ZynOperation {
  public:
    PassOperation() {
        addInput(std::make_shared<ZynImageInputCP>("in"));
        setPrimaryOutput(addOutput(std::make_shared<ZynImageOutputCP>("out")));
    }
    ZynTransformPtr clone() const override { return std::make_shared<PassOperation>(*this); }
    void setupTransform() override {
        ++setups;
        defaultSetup();
    }
    int setups = 0;

  protected:
    ZynImageOpPtr makeOp(int, const ZynResolution& r) override {
        return std::make_shared<PassOp>(imageInput(0)->upstream(inputResolution(0, r)));
    }
};

class Aggregate : public ZynTransformAggregate {
  public:
    Aggregate() { setPrimaryOutput(addOutput(std::make_shared<ZynAliasCP>("out"))); }
    ZynTransformPtr clone() const override { return std::make_shared<Aggregate>(*this); }
    void setupTransform() override {
        dropTransforms();
        inner = std::make_shared<FakeSource>();
        addTransform(inner, true);
        aliasOutput(0, inner, 0);
        setSetupDone();
    }
    std::shared_ptr<FakeSource> inner;
};

const ZynResolution kFull{37, 23};

ZynAliasCP& aliasOf(ZynTransform& t) {
    return static_cast<ZynAliasCP&>(t.output(0));
}

}  // namespace

TEST(ZynEngine, SplitsRequestsIntoNativeTilesAtTheEdges) {
    auto source = std::make_shared<FakeSource>();
    // Crosses four tiles and touches the right and bottom edges (tiles there are clipped).
    ZynRectBuffer buffer({14, 8, 23, 15}, org(23, 15));
    ZynGraph::render(*source, 0, kFull, buffer);
    expectFake(buffer);
    EXPECT_EQ(source->op().calls, 3 * 3);

    ZynRectBuffer whole({0, 0, 37, 23}, org(37, 23));
    ZynGraph::render(*source, 0, kFull, whole);
    expectFake(whole);
}

TEST(ZynEngine, ConvertsIntoTheCallersOrganisation) {
    for (auto interleave : {ZynInterleave::Pixel, ZynInterleave::Line, ZynInterleave::Band})
        for (bool reversed : {false, true}) {
            auto source = std::make_shared<FakeSource>();
            ZynRectBuffer buffer({3, 4, 30, 17}, org(30, 17, interleave, reversed));
            ZynGraph::render(*source, 0, kFull, buffer);
            expectFake(buffer);
        }
}

TEST(ZynEngine, OpsThatAcceptTheBufferFillItDirectly) {
    auto source = std::make_shared<FakeSource>(37, 23, 16, 10, 3, true);
    ZynRectBuffer buffer({1, 2, 30, 17}, org(30, 17));
    ZynGraph::render(*source, 0, kFull, buffer);
    expectFake(buffer);
    EXPECT_EQ(source->op().calls, 1);
}

TEST(ZynEngine, RefusesRectanglesOutsideTheImage) {
    auto source = std::make_shared<FakeSource>();
    ZynRectBuffer buffer({30, 0, 10, 5}, org(10, 5));
    EXPECT_EQ(errorOf([&] { ZynGraph::render(*source, 0, kFull, buffer); }).code(), 411);
    ZynRectBuffer other({0, 0, 5, 5}, org(5, 5));
    EXPECT_THROW(ZynGraph::render(*source, 0, {10, 10}, other), ZynError);
}

TEST(ZynEngine, SetsUpAgainOnlyAfterAChange) {
    auto source = std::make_shared<FakeSource>();
    auto pass = std::make_shared<PassOperation>();
    pass->imageInput(0)->connect(source);
    ZynRectBuffer buffer({0, 0, 37, 23}, org(37, 23));
    ZynGraph::render(*pass, 0, kFull, buffer);
    ZynGraph::render(*pass, 0, kFull, buffer);
    EXPECT_EQ(source->setups, 1);
    EXPECT_EQ(pass->setups, 1);

    source->setAttribute<int>("value", 5);
    EXPECT_TRUE(source->needsSetup());
    ZynGraph::render(*pass, 0, kFull, buffer);
    expectFake(buffer);
    EXPECT_EQ(source->setups, 2);
    // The downstream operation follows its input's new setup.
    EXPECT_EQ(pass->setups, 2);
    EXPECT_EQ(source->postRenders, 3);
}

TEST(ZynEngine, AttributeErrors) {
    FakeSource source;
    EXPECT_EQ(errorOf([&] { source.setAttribute<double>("value", 1.0); }).code(), 13);
    source.attribute("value").setReadOnly(true);
    expectZynError([&] { source.setAttributeText("value", "3"); }, 21, "value");
}

TEST(ZynEngine, AggregatesForwardThroughTheirAlias) {
    auto aggregate = std::make_shared<Aggregate>();
    ZynRectBuffer buffer({0, 0, 37, 23}, org(37, 23, ZynInterleave::Band));
    ZynGraph::render(*aggregate, 0, kFull, buffer);
    expectFake(buffer);
    EXPECT_EQ(aggregate->inner->postRenders, 1);
    EXPECT_EQ(aggregate->imageOutput(0), aggregate->inner->imageOutput(0));
}

TEST(ZynEngine, CachingOutputsRenderEachTileOnce) {
    auto source = std::make_shared<FakeSource>();
    ZynGraph::ensureSetup(*source);
    source->imageOutput(0)->setCaching(true);
    ZynRectBuffer buffer({0, 0, 37, 23}, org(37, 23));
    ZynGraph::render(*source, 0, kFull, buffer);
    ZynGraph::render(*source, 0, kFull, buffer);
    expectFake(buffer);
    EXPECT_EQ(source->op().calls, 3 * 3);
}

TEST(ZynEngine, AGraphCycleIsAnErrorNotAHang) {
    auto a = std::make_shared<PassOperation>();
    auto b = std::make_shared<PassOperation>();
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

    auto copy = std::static_pointer_cast<ZynAliasCP>(top.cloneDeclaration());
    EXPECT_TRUE(copy->caching());
}
