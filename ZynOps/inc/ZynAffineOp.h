#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "QorInt128.h"
#include "ZynAttributeText.h"
#include "ZynOp.h"
#include "ZynResamplingType.h"
#include "ZynSimpleInputCP.h"
#include "ZynUpstream.h"

// The op of the affine operation, less what depends on the sample type: the map from output
// pixels to input positions in 16.16 fixed point, the input samples an output rectangle touches,
// the clipping of output rows into runs whose sources lie in the input, and the one-time fetch of
// a map that comes from a value stream.
//
// Positions are exact integers in 1/65536 pixel: pixel (x, y) maps to c + x·a + y·b (and
// f + x·d + y·e), so every tiling of a request gives the same samples, and stepping along a row
// by adding a and d reproduces them without drift.
class ZynAffineOp : public ZynImageOp {
  public:
    // Maps an output position (x, y) to the input position (a·x + b·y + c, d·x + e·y + f).
    struct Affines {
        double a = 1, b = 0, c = 0, d = 0, e = 1, f = 0;

        bool operator==(const Affines&) const = default;
        // "[a,b,c,d,e,f]"
        std::string toText() const;
        // Skips the first character, then reads six numbers, each followed by one separator
        // character; "]" ends the list early. ZynError 13 when fewer than six numbers parse.
        static Affines fromText(const std::string& text);
    };
    using AffinesInput = ZynSimpleInputCP<Affines>;

    // What an op is made from; the operation fills it for one output resolution.
    struct Parameters {
        ZynUpstream input;
        uint32_t width = 0;  // output size in pixels
        uint32_t height = 0;
        // The map in pixel-index form (pixel centres at integer positions); for a streamed map,
        // unused until the stream's value is fetched.
        Affines map;
        ZynResamplingType::Enum resampling = ZynResamplingType::NEAREST;
        std::vector<double> fill;  // one value per band
        double minimum = 0;        // sample range of the input's colour space
        double maximum = 255;
        // A map drawn from a value stream at the first request, in normalized units.
        const AffinesInput* stream = nullptr;
        ZynRenderedItemPtr<Affines> item;
    };

    explicit ZynAffineOp(Parameters parameters);

    // The input rectangle an output rectangle needs: its mapped corners widened by 2 pixels (1
    // for bilinear). ZynError 600 for an unknown resampling type.
    ZynRect inputRect(const ZynRect& outputRect);

  protected:
    using Wide = QorInt128;
    struct FixedMap {
        int64_t a, b, c, d, e, f;
    };
    // The output pixels [begin, end) of a row whose sources lie in the input; the rest is filled.
    struct Run {
        int64_t begin;
        int64_t end;
    };

    // Fetches a streamed map on the first call; later calls return at once.
    void ensureMap();
    // The input samples that the output rectangle's sources and their interpolation taps touch.
    ZynRect tapRect(const ZynRect& outputRect) const;
    // The output pixels x0 .. x0 + count - 1 of row y whose sources are valid.
    Run validRun(int64_t x0, int64_t y, int64_t count) const;
    // Input position of output pixel (x, y) in 16.16, including the nearest-neighbour rounding.
    Wide sourceX(int64_t x, int64_t y) const;
    Wide sourceY(int64_t x, int64_t y) const;
    // The native tile: whole rows for maps that keep rows horizontal (their input is a band of
    // whole rows too), else squares, so that the input read for a rotated tile stays close to
    // its size. Requests larger than a tile are split by the engine.
    ZynDataOrgPtr nativeTile(ZynDataType type, int bands) const;
    bool fitsNativeTile(const ZynRect& rect) const;

    const Parameters& parameters() const { return parameters_; }
    const FixedMap& fixedMap() const { return fixed_; }
    ZynRect inputBounds() const;
    bool interpolating() const { return parameters_.resampling != ZynResamplingType::NEAREST; }

  private:
    void prepareMap(const Affines& map);

    Parameters parameters_;
    Affines map_;
    FixedMap fixed_{};
    std::mutex streamMutex_;
    bool fetched_ = false;
};

template <>
struct ZynAttributeText<ZynAffineOp::Affines> {
    static std::string name() { return "ZynAffineOp::Affines"; }
    static std::string toText(const ZynAffineOp::Affines& v) { return v.toText(); }
    static ZynAffineOp::Affines fromText(const std::string& text) {
        return ZynAffineOp::Affines::fromText(text);
    }
};
