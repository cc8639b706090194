#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "MemorySource.h"
#include "ZynImageInputCP.h"
#include "ZynTransformRegistryEntry.h"

// The contrast curve as written down: K (s / K)^c limited to 255, K the single-precision 110.08.
inline double contrastCurve(double s, double c) {
    const double k = static_cast<double>(110.08f);
    return std::min(k * std::pow(s / k, c), 255.0);
}

using Attributes = std::vector<std::pair<std::string, std::string>>;

// An operation from its registry name and attribute texts, fed by `input`.
inline ZynTransformPtr operation(const std::string& name, const Attributes& attributes,
                                 const ZynTransformPtr& input) {
    ZynTransformPtr op = ZynTransformRegistry::create(name);
    for (const auto& [attribute, text] : attributes) op->setAttributeText(attribute, text);
    op->imageInput(0)->connect(input, input->primaryOutputIndex());
    return op;
}

// An operation fed by a memory source of known pixels.
template <class T, class Operation>
struct OperationOnImage {
    TestImage<T> image;
    std::shared_ptr<MemorySource<T>> source;
    std::shared_ptr<Operation> op = std::make_shared<Operation>();

    explicit OperationOnImage(TestImage<T> pixels,
                              ZynColorSpacePtr colorSpace = std::make_shared<ZynRGBColorSpace>(),
                              const std::string& label = "op")
        : image(std::move(pixels)),
          source(std::make_shared<MemorySource<T>>(image, std::move(colorSpace))) {
        op->setLabel(label);
        op->imageInput(0)->connect(source);
    }

    // The whole output at its first resolution, after a setup that must succeed.
    TestImage<T> render() {
        EXPECT_TRUE(ZynGraph::statusOK(*op)) << op->error().message();
        const ZynResolution r = op->imageOutput(0)->coordSpace()->resolutions().at(0);
        return renderAll<T>(*op, r, image.bands);
    }
    // The same after `attribute` was set to `value`.
    template <class V>
    TestImage<T> render(const std::string& attribute, const V& value) {
        op->template setAttribute<V>(attribute, value);
        return render();
    }
};
