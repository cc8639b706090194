#pragma once

#include <cstdint>
#include <type_traits>
#include <vector>

#include "ZynAffineOp.h"
#include "ZynDataType.h"

// The affine op for one sample type (unsigned 8-bit, signed 16-bit, 32-bit float): resamples
// the input through the map by nearest neighbour, bilinear or bicubic interpolation and paints
// the output pixels whose sources lie outside the input with the fill colour.
template <class T>
class ZynAffineOpT : public ZynAffineOp {
  public:
    // Integer samples interpolate in 16.16 fixed point, floats in float.
    using Acc =
        std::conditional_t<std::is_same_v<T, float>, float,
                           std::conditional_t<std::is_same_v<T, uint8_t>, int32_t, int64_t>>;

    explicit ZynAffineOpT(Parameters parameters);
    ~ZynAffineOpT() override;

    bool outputInfo(ZynOutputInfo& info) override;
    bool canFill(const ZynRectBuffer& buffer) override;
    // Resampling costs far more than reading, whatever the input.
    bool gainsFromConcurrentRequests() const override { return true; }
    void genRect(ZynRectBuffer& buffer) override;

    // The fill value of each band as stored in a sample.
    const std::vector<T>& fillValues() const { return fill_; }

  private:
    // The input samples read for one request, with replicated edges.
    struct Source {
        const T* origin;  // sample (x0, y0, band 0)
        int64_t stride;   // samples per row
        int64_t x0;
        int64_t y0;

        // Band 0 of the sample at the integer part of a 16.16 position.
        const T* at(int64_t px, int64_t py, int bands) const {
            return origin + ((py >> 16) - y0) * stride + ((px >> 16) - x0) * bands;
        }
    };
    // One output row: the first pixel's band 0, the pixel step and the band offsets.
    struct Target {
        T* pixel;
        int64_t step;
        const int64_t* offsets;
    };

    ZynRectBuffer readSource(const ZynRect& held, const ZynRect& inside) const;
    void replicateEdges(ZynRectBuffer& source, const ZynRect& inside) const;
    void fillPixels(const Target& target, int64_t begin, int64_t end) const;
    template <int Bands>
    void renderRows(const Source& source, ZynRectBuffer& buffer) const;
    template <int Bands>
    void nearestRun(const Source& source, Target target, int64_t px, int64_t py, int64_t n) const;
    template <int Bands>
    void bilinearRun(const Source& source, Target target, int64_t px, int64_t py, int64_t n) const;
    template <int Bands>
    void bicubicRun(const Source& source, Target target, int64_t px, int64_t py, int64_t n) const;
    // The same for 8-bit pixels of three or four bands, all bands at once.
    template <int Bands>
    void bicubicByteRun(const Source& source, Target target, int64_t px, int64_t py,
                        int64_t n) const;
    Acc reduce(Acc sum) const;

    int bands_;
    bool lanes_;  // whether 8-bit pixels of 3 or 4 bands use the vector path (QOR_OPTIMIZE)
    std::vector<T> fill_;
    // The permitted sample range: 16.16 for integer samples.
    Acc minimum_;
    Acc maximum_;
};

extern template class ZynAffineOpT<uint8_t>;
extern template class ZynAffineOpT<int16_t>;
extern template class ZynAffineOpT<float>;
