#pragma once

#include <atomic>
#include <cmath>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "TestSupport.h"
#include "ZynGraph.h"
#include "ZynImageSource.h"
#include "ZynImageSourceOp.h"

// Pixels held in memory: width x height pixels of `bands` samples, pixel-interleaved.
template <class T>
struct TestImage {
    uint32_t width = 0;
    uint32_t height = 0;
    int bands = 0;
    std::vector<T> samples;

    T at(int64_t x, int64_t y, int b) const {
        return samples[(static_cast<size_t>(y) * width + static_cast<size_t>(x)) * bands + b];
    }
};

// Samples of a smooth image (a few levels per pixel) and of a noisy one, to be resampled.
template <class T>
TestImage<T> smoothImage(uint32_t width, uint32_t height, int bands, double scale = 1.0) {
    TestImage<T> image{width, height, bands, {}};
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x)
            for (int b = 0; b < bands; ++b)
                image.samples.push_back(
                    static_cast<T>(scale * (127.5 + 100 * std::sin(0.07 * x + 0.05 * y + b) +
                                            20 * std::cos(0.11 * y - 0.03 * x * b))));
    return image;
}

template <class T>
TestImage<T> noisyImage(uint32_t width, uint32_t height, int bands, double scale = 1.0,
                        double offset = 0.0) {
    TestImage<T> image{width, height, bands, {}};
    uint32_t state = 12345;
    for (size_t i = 0; i < size_t{width} * height * static_cast<size_t>(bands); ++i) {
        state = state * 1103515245u + 12345u;
        image.samples.push_back(static_cast<T>(offset + scale * ((state >> 16) % 256)));
    }
    return image;
}

// Fills native tiles (or, when `acceptsAny`, any buffer of its sample type) of one level from
// memory; remembers where it wrote last.
template <class T>
class MemoryOp : public ZynImageSourceOp {
  public:
    MemoryOp(const TestImage<T>& image, uint32_t tileWidth, uint32_t tileHeight, bool acceptsAny)
        : image_(image),
          tile_(std::make_shared<ZynSimpleDataOrg>(tileWidth, tileHeight, ZynDataTypeOf<T>::value,
                                                   image.bands)),
          acceptsAny_(acceptsAny) {}

    bool outputInfo(ZynOutputInfo& info) override {
        info.width = image_.width;
        info.height = image_.height;
        info.dataOrg = tile_;
        return true;
    }
    bool canFill(const ZynRectBuffer& buffer) override {
        return acceptsAny_ && buffer.dataType() == ZynDataTypeOf<T>::value;
    }
    void genRect(ZynRectBuffer& buffer) override {
        ++calls;
        const ZynRect& r = buffer.rect();
        if (!acceptsAny_ && !(buffer.org() == *tile_))
            throw ZynError(3, "MemoryOp got a buffer that is not its native tile");
        if (!ZynRect{0, 0, image_.width, image_.height}.contains(r))
            throw ZynError(411, "MemoryOp asked for pixels outside the image");
        for (int64_t y = r.y; y < r.bottom(); ++y)
            for (int64_t x = r.x; x < r.right(); ++x)
                for (int b = 0; b < image_.bands; ++b)
                    *buffer.sample<T>(x, y, b) = image_.at(x, y, b);
        std::lock_guard lock(mutex_);
        lastOrigin = buffer.at(r.x, r.y);
    }

    std::atomic<int> calls{0};
    const std::byte* lastOrigin = nullptr;

  private:
    TestImage<T> image_;
    ZynDataOrgPtr tile_;
    bool acceptsAny_;
    std::mutex mutex_;
};

// A source whose resolutions are the given images (full size first), measured as `width` x
// `height` (by default the pixel size of the first image); counts its setups and postRenders and
// has one plain attribute, "value", for the engine's own tests.
template <class T>
class MemorySource : public ZynImageSource {
  public:
    explicit MemorySource(std::vector<TestImage<T>> levels, ZynColorSpacePtr colorSpace = nullptr,
                          uint32_t tileWidth = 16, uint32_t tileHeight = 8, bool acceptsAny = true)
        : colorSpace_(colorSpace ? colorSpace
                                 : std::make_shared<ZynGenericColorSpace>(levels.at(0).bands)) {
        for (const auto& level : levels) {
            ops_.push_back(std::make_shared<MemoryOp<T>>(level, std::min(tileWidth, level.width),
                                                         std::min(tileHeight, level.height),
                                                         acceptsAny));
            resolutions_.push_back({level.width, level.height});
        }
        width_ = {static_cast<double>(levels[0].width), ZynUnit::Pixel};
        height_ = {static_cast<double>(levels[0].height), ZynUnit::Pixel};
        addSimpleAttribute<int>("value", 0);
    }
    explicit MemorySource(const TestImage<T>& image, ZynColorSpacePtr colorSpace = nullptr)
        : MemorySource(std::vector<TestImage<T>>{image}, std::move(colorSpace)) {}

    void setExtent(ZynValue width, ZynValue height) {
        width_ = width;
        height_ = height;
        markForSetup();
    }

    ZynTransformPtr clone() const override { throw ZynError(3, "MemorySource is not copied"); }
    void setupTransform() override {
        ++setups;
        auto space = std::make_shared<ZynXyCoordSpace>(width_, height_);
        space->setResolutions(resolutions_);
        ZynOutputInfo info;
        ops_[0]->outputInfo(info);
        publishOutput(colorSpace_, space, info.dataOrg);
    }
    ZynImageOpPtr opForResolution(int, const ZynResolution& r) override {
        for (size_t i = 0; i < resolutions_.size(); ++i)
            if (resolutions_[i] == r) return ops_[i];
        throw ZynError(3, "Unsupported resolution");
    }

    void postRender() override { ++postRenders; }

    MemoryOp<T>& op(size_t level = 0) { return *ops_[level]; }
    std::atomic<int> setups{0};
    std::atomic<int> postRenders{0};

  private:
    ZynColorSpacePtr colorSpace_;
    std::vector<std::shared_ptr<MemoryOp<T>>> ops_;
    std::vector<ZynResolution> resolutions_;
    ZynValue width_, height_;
};

// The whole image of `t` at resolution `r`, read pixel-interleaved.
template <class T>
TestImage<T> renderAll(ZynTransform& t, const ZynResolution& r, int bands) {
    TestImage<T> image{r.width, r.height, bands, {}};
    image.samples.resize(size_t{r.width} * r.height * static_cast<size_t>(bands));
    ZynRectBuffer buffer(
        {0, 0, r.width, r.height},
        std::make_shared<ZynSimpleDataOrg>(r.width, r.height, ZynDataTypeOf<T>::value, bands),
        image.samples.data());
    ZynGraph::render(t, t.primaryOutputIndex(), r, buffer);
    return image;
}
