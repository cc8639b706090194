#include <gtest/gtest.h>

#include "FakeSource.h"
#include "ZynAliasCP.h"
#include "ZynGraph.h"
#include "ZynTransformAggregate.h"

namespace {

// Builds a new inner source at every setup, as the any-image source does.
class Rebuilding : public ZynTransformAggregate {
  public:
    Rebuilding() { setPrimaryOutput(addOutput(std::make_shared<ZynAliasCP>("out"))); }
    ZynTransformPtr clone() const override { return std::make_shared<Rebuilding>(*this); }
    void setupTransform() override {
        dropTransforms();
        inner = std::make_shared<FakeSource>();
        addTransform(inner, true);
        aliasOutput(0, inner, 0);
        setSetupDone();
    }
    ZynAliasCP& out() { return static_cast<ZynAliasCP&>(output(0)); }
    std::shared_ptr<FakeSource> inner;
};

}  // namespace

TEST(ZynAliasCaching, AWishSetBeforeSetupReachesEveryRebuiltTarget) {
    Rebuilding outer;
    outer.out().setCaching(true);
    ZynGraph::ensureSetup(outer);
    EXPECT_TRUE(outer.inner->imageOutput(0)->caching());

    const auto first = outer.inner;
    outer.markForSetup();
    ZynGraph::ensureSetup(outer);
    ASSERT_NE(outer.inner, first);
    EXPECT_TRUE(outer.inner->imageOutput(0)->caching());

    outer.out().setCaching(false);
    EXPECT_FALSE(outer.inner->imageOutput(0)->caching());
    EXPECT_FALSE(outer.out().caching());
}

TEST(ZynAliasCaching, WithoutAWishTheTargetKeepsItsOwnAndNestedAliasesPassItOn) {
    Rebuilding outer;
    ZynGraph::ensureSetup(outer);
    outer.inner->imageOutput(0)->setCaching(true);
    EXPECT_TRUE(outer.out().caching());

    // An aggregate inside an aggregate: the wish travels through both aliases.
    auto nested = std::make_shared<Rebuilding>();
    ZynGraph::ensureSetup(*nested);
    ZynAliasCP top("top");
    top.setCaching(true);
    top.alias(nested, 0);
    EXPECT_TRUE(nested->out().caching());
    nested->markForSetup();
    ZynGraph::ensureSetup(*nested);
    EXPECT_TRUE(nested->inner->imageOutput(0)->caching());

    auto copy = std::static_pointer_cast<ZynAliasCP>(top.cloneDeclaration());
    EXPECT_TRUE(copy->caching());
}
