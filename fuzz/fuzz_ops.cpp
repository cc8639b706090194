// The operations on a small image held in memory, every parameter taken from the input: sample
// type, size, bands and pixels; the operation and its attributes, NaN, infinities and huge
// values included; then a bounded part of every resolution of the result is rendered, and the
// attribute text parsers read the remaining bytes. Any input is meaningful, so any seed will do.
#include <cmath>
#include <cstring>
#include <limits>

#include "../tests/ops/MemorySource.h"
#include "FuzzImage.h"
#include "ZynAffineOperation.h"
#include "ZynChannelSelectOperation.h"
#include "ZynColorMatrixOperation.h"
#include "ZynContrastOperation.h"
#include "ZynFpxViewOperation.h"
#include "ZynMatrix.h"
#include "ZynNopOperation.h"

namespace {

class Reader {
  public:
    Reader(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    uint8_t byte() { return at_ < size_ ? data_[at_++] : 0; }
    // Mostly small multiples of 1/8; sometimes any bit pattern or a value at an edge.
    double number() {
        const uint8_t tag = byte();
        if (tag < 200) return static_cast<int8_t>(byte()) / 8.0;
        if (tag < 230) {
            double v = 0;
            for (size_t i = 0; i < sizeof v; ++i) reinterpret_cast<uint8_t*>(&v)[i] = byte();
            return v;
        }
        constexpr double kInfinity = std::numeric_limits<double>::infinity();
        static const double kEdges[] = {0.0,       -0.0,         1e300,           -1e300,
                                        kInfinity, std::nan(""), 1099511627776.0, 65536.5};
        return kEdges[tag % 8];
    }
    std::vector<int> list() {
        std::vector<int> v(byte() % 6);
        for (int& i : v) i = static_cast<int>(byte() % 7) - 1;
        return v;
    }
    std::string rest() {
        const std::string text(reinterpret_cast<const char*>(data_ + at_), size_ - at_);
        at_ = size_;
        return text;
    }

  private:
    const uint8_t* data_;
    size_t size_;
    size_t at_ = 0;
};

template <class T>
ZynTransformPtr sourceOf(Reader& in) {
    TestImage<T> image{1u + in.byte() % 40, 1u + in.byte() % 40, 1 + in.byte() % 4, {}};
    for (size_t i = 0; i < size_t{image.width} * image.height * image.bands; ++i)
        image.samples.push_back(static_cast<T>(static_cast<int8_t>(in.byte()) * 3));
    ZynColorSpacePtr colorSpace;
    if (image.bands == 3 && in.byte() % 2)
        colorSpace = std::make_shared<ZynRGBColorSpace>();
    else
        colorSpace = std::make_shared<ZynGenericColorSpace>(image.bands, in.number(), in.number());
    return std::make_shared<MemorySource<T>>(image, colorSpace);
}

ZynTransformPtr operationOf(Reader& in) {
    switch (in.byte() % 6) {
        case 0: {
            auto op = std::make_shared<ZynAffineOperation>(
                ZynAffineOp::Affines{in.number(), in.number(), in.number(), in.number(),
                                     in.number(), in.number()},
                in.number(), in.number(), in.byte() % 14,
                static_cast<ZynResamplingType::Enum>(in.byte() % 4));
            ZynColor fill;
            for (int i = in.byte() % 5; i > 0; --i) fill.values.push_back(in.number());
            op->setAttribute<ZynColor>("fillColor", fill);
            return op;
        }
        case 1:
            return std::make_shared<ZynContrastOperation>(in.number());
        case 2: {
            const int rows = 3 + in.byte() % 2;
            std::vector<double> values(static_cast<size_t>(rows) * 4);
            for (double& v : values) v = in.number();
            return std::make_shared<ZynColorMatrixOperation>(ZynMatrix<double>(rows, 4, values));
        }
        case 3: {
            auto op = std::make_shared<ZynChannelSelectOperation>();
            op->setAttribute<bool>("allBands", in.byte() % 2);
            op->setAttribute<std::vector<int>>("inputs", in.list());
            op->setAttribute<std::vector<int>>("bands", in.list());
            op->setAttribute<bool>("AlwaysCopy", in.byte() % 2);
            return op;
        }
        case 4: {
            auto op = std::make_shared<ZynNopOperation>();
            op->setAttribute<ZynValue>("width",
                                       {in.number(), static_cast<ZynUnit>(in.byte() % 14)});
            op->setAttribute<ZynValue>("height",
                                       {in.number(), static_cast<ZynUnit>(in.byte() % 14)});
            return op;
        }
        default: {
            auto op = std::make_shared<ZynFpxViewOperation>();
            op->setAttribute<double>("FpxContrast", in.byte() % 2 ? 1.0 : in.number());
            op->setAttribute<double>("FpxAspectRatio", in.number());
            op->setAttribute<ZynAffineOp::Affines>(
                "FpxAffine", {1, in.number(), in.number(), in.number(), 1, in.number()});
            op->setAttribute<unsigned>("FpxUnit", in.byte() % 14);
            return op;
        }
    }
}

void parseTexts(const std::string& text) {
    quietly([&] { ZynAffineOp::Affines::fromText(text); });
    quietly([&] { ZynMatrix<double>::fromText(text); });
    quietly([&] { ZynColor::fromText(text); });
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Reader in(data, size);
    static ZynTransformPtr (*const kSources[])(Reader&) = {sourceOf<uint8_t>, sourceOf<int16_t>,
                                                           sourceOf<float>};
    quietly([&] {
        ZynTransformPtr source = kSources[in.byte() % 3](in);
        ZynTransformPtr op = operationOf(in);
        op->imageInput(0)->connect(source);
        const bool adoptable = in.byte() % 2;
        if (ZynGraph::statusOK(*op))
            fuzzRenderOutput(*op, op->primaryOutputIndex(), false, adoptable);
    });
    parseTexts(in.rest());
    return 0;
}
