#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "MemorySource.h"

// An operation fed by a memory source of known pixels.
template <class T, class Operation>
struct OperationOnImage {
    TestImage<T> image;
    std::shared_ptr<MemorySource<T>> source;
    std::shared_ptr<Operation> op = std::make_shared<Operation>();

    OperationOnImage(TestImage<T> pixels, ZynColorSpacePtr colorSpace, const std::string& label)
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
};
