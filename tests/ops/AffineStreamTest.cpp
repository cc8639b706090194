#include <gtest/gtest.h>

#include "AffineReference.h"
#include "MemorySource.h"
#include "ZynAffineOperation.h"
#include "ZynSimpleInputCP.h"

namespace {

using Affines = ZynAffineOp::Affines;

// A transform whose output "affines" yields its current map for each request.
class AffinesProducer : public ZynTransform, public ZynValueProducer<Affines> {
  public:
    AffinesProducer() { addOutput(std::make_shared<ZynSimpleOutputCP<Affines>>("affines")); }
    ZynTransformPtr clone() const override { throw ZynError(3, "not copied"); }
    void setupTransform() override {
        ++setups;
        setSetupDone();
    }
    Affines produceValue(int) override {
        ++requests;
        return map;
    }
    ZynSimpleOutputCP<Affines>& affines() {
        return static_cast<ZynSimpleOutputCP<Affines>&>(output(0));
    }

    Affines map;
    int setups = 0;
    int requests = 0;
};

struct StreamedAffine {
    TestImage<uint8_t> image = noisyImage<uint8_t>(40, 20, 1);
    std::shared_ptr<MemorySource<uint8_t>> source = std::make_shared<MemorySource<uint8_t>>(image);
    std::shared_ptr<AffinesProducer> producer = std::make_shared<AffinesProducer>();
    std::shared_ptr<ZynAffineOperation> affine;

    StreamedAffine() {
        affine = std::make_shared<ZynAffineOperation>(Affines{}, 1.0, 1.0, 4,
                                                      ZynResamplingType::NEAREST, producer);
        affine->imageInput(0)->connect(source);
    }
    ZynAffineOp::AffinesInput& in2() {
        return static_cast<ZynAffineOp::AffinesInput&>(affine->input("in2"));
    }
    // The streamed map is normalized: translations are fractions of the width and height.
    std::vector<uint8_t> expected(const Affines& pixelMap) {
        return AffineReference<uint8_t>(image, AffineReference<uint8_t>::fromPixels(pixelMap),
                                        ZynResamplingType::NEAREST, {0})
            .render(40, 20)
            .samples;
    }
};

void expectStreamError(const std::function<void()>& call, const std::string& message) {
    expectZynError(call, 3, message);
}

}  // namespace

TEST(AffineStream, TheMapComesFromTheStreamOncePerOp) {
    StreamedAffine g;
    g.producer->map = {1, 0, 0.25, 0, 1, -0.5};
    ASSERT_TRUE(ZynGraph::statusOK(*g.affine)) << g.affine->error().message();
    EXPECT_TRUE(g.affine->streamAffines());
    // The stream's transform is set up before the operation it feeds.
    EXPECT_EQ(g.producer->setups, 1);
    EXPECT_EQ(renderAll<uint8_t>(*g.affine, {40, 20}, 1).samples,
              g.expected({1, 0, 10, 0, 1, -10}));
    renderAll<uint8_t>(*g.affine, {40, 20}, 1);
    EXPECT_EQ(g.producer->requests, 1);
    EXPECT_EQ(g.affine->inputRegion(0, {3, 3, 2, 2}, {40, 20}), (ZynRect{0, 0, 40, 20}));

    // A new setup of the stream's transform makes new ops, which fetch the new map.
    g.producer->map = {1, 0, 0, 0, 1, 0};
    g.producer->markForSetup();
    EXPECT_EQ(renderAll<uint8_t>(*g.affine, {40, 20}, 1).samples, g.image.samples);
    EXPECT_EQ(g.producer->setups, 2);
    EXPECT_EQ(g.producer->requests, 2);

    g.in2().disconnect();
    ASSERT_TRUE(ZynGraph::statusOK(*g.affine));
    EXPECT_FALSE(g.affine->streamAffines());
}

TEST(AffineStream, InconsistentConnectionsAreReported) {
    StreamedAffine g;
    ASSERT_TRUE(ZynGraph::statusOK(*g.affine));
    const ZynRenderedItemPtr<Affines> item = g.in2().renderedItem();
    ASSERT_TRUE(item);
    EXPECT_EQ(g.in2().value(item.get()), Affines{});

    expectStreamError([&] { g.in2().value(nullptr); }, "(setValue) No Rendered item in in2");
    const ZynRenderedItem<Affines> orphan(g.producer, nullptr);
    expectStreamError([&] { g.in2().value(&orphan); },
                      "Internal Logic Error: Rendered item does not belong to any output "
                      "connection point");

    g.producer->affines().setError(ZynError(130, "broken"));
    expectStreamError([&] { g.in2().value(item.get()); },
                      "Internal Logic Error: Output Connection Point has bad status: affines");
    g.producer->affines().clearError();
    g.producer->setError(ZynError(130, "broken"));
    expectStreamError([&] { g.in2().value(item.get()); }, "Status is NOT OK");

    // The input now draws from another stream than the item the op took.
    g.in2().connect(std::make_shared<AffinesProducer>());
    expectStreamError([&] { g.in2().value(item.get()); },
                      "Internal Logic Error: Rendered item does not belong to Output Connection "
                      "Point: affines");
}
