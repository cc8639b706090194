#pragma once

#include <atomic>
#include <memory>

#include "ZynImageSource.h"
#include "ZynImageSourceOp.h"

// Sample (x, y, b) of the fake image, whatever the resolution.
inline uint8_t fakeSample(int64_t x, int64_t y, int b) {
    return static_cast<uint8_t>(x * 7 + y * 13 + b * 101);
}

// An op that fills exactly one native tile (or, when allowed, any buffer) with fakeSample and
// counts its calls.
class FakeOp : public ZynImageSourceOp {
  public:
    FakeOp(uint32_t width, uint32_t height, uint32_t tileWidth, uint32_t tileHeight, int bands,
           bool acceptsAny)
        : width_(width),
          height_(height),
          tile_(
              std::make_shared<ZynSimpleDataOrg>(tileWidth, tileHeight, ZynDataType::UInt8, bands)),
          acceptsAny_(acceptsAny) {}

    bool outputInfo(ZynOutputInfo& info) override {
        info.width = width_;
        info.height = height_;
        info.dataOrg = tile_;
        return true;
    }
    bool canFill(const ZynRectBuffer& buffer) override {
        return acceptsAny_ && buffer.org().isPackedPixelInterleaved();
    }
    void genRect(ZynRectBuffer& buffer) override {
        ++calls;
        const ZynRect& r = buffer.rect();
        if (!acceptsAny_ && !(buffer.org() == *tile_))
            throw ZynError(3, "FakeOp got a buffer that is not its native tile");
        for (int64_t y = r.y; y < r.bottom(); ++y)
            for (int64_t x = r.x; x < r.right(); ++x)
                for (int b = 0; b < buffer.bands(); ++b)
                    *buffer.sample<uint8_t>(x, y, b) = fakeSample(x, y, b);
    }

    std::atomic<int> calls{0};

  private:
    uint32_t width_, height_;
    ZynDataOrgPtr tile_;
    bool acceptsAny_;
};

// A source of the fake image with one resolution; counts its setups and postRenders.
class FakeSource : public ZynImageSource {
  public:
    FakeSource(uint32_t width = 37, uint32_t height = 23, uint32_t tileWidth = 16,
               uint32_t tileHeight = 10, int bands = 3, bool acceptsAny = false)
        : op_(std::make_shared<FakeOp>(width, height, tileWidth, tileHeight, bands, acceptsAny)),
          width_(width),
          height_(height),
          bands_(bands) {
        addSimpleAttribute<int>("value", 0);
    }

    ZynTransformPtr clone() const override { throw ZynError(3, "FakeSource is not copied"); }
    void setupTransform() override {
        ++setups;
        auto space = std::make_shared<ZynXyCoordSpace>(ZynValue{double(width_), ZynUnit::Pixel},
                                                       ZynValue{double(height_), ZynUnit::Pixel});
        space->addResolution({width_, height_});
        ZynOutputInfo info;
        op_->outputInfo(info);
        publishOutput(std::make_shared<ZynGenericColorSpace>(bands_), space, info.dataOrg);
    }
    ZynImageOpPtr opForResolution(int, const ZynResolution& r) override {
        if (r.width != width_ || r.height != height_) throw ZynError(3, "Unsupported resolution");
        return op_;
    }
    void postRender() override { ++postRenders; }

    FakeOp& op() { return *op_; }
    std::atomic<int> setups{0};
    std::atomic<int> postRenders{0};

  private:
    std::shared_ptr<FakeOp> op_;
    uint32_t width_, height_;
    int bands_;
};
