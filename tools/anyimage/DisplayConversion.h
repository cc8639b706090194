#pragma once

#include <cstddef>
#include <cstdint>

#include "ZynColorSpace.h"
#include "ZynDataType.h"

// What render writes for the samples of one pixel-interleaved image: a picture (grey or RGB,
// with the image's alpha, scaled from the colour space's range to 8 or 16 bits), or the samples
// as they are delivered.
class DisplayConversion {
  public:
    // `invertedInks`: CMYK samples stored complemented, as JPEG files with an Adobe marker do.
    static DisplayConversion picture(const ZynColorSpace& space, ZynDataType type, int bands,
                                     bool invertedInks = false);
    // 8-bit and unsigned 16-bit samples as they are, other types scaled from the colour space's
    // range onto 16 bits; more than four bands are cut to the first three.
    static DisplayConversion samples(const ZynColorSpace& space, ZynDataType type, int bands);

    int outBands() const { return outBands_; }
    int outBits() const { return outBits_; }
    bool hasAlpha() const { return outBands_ == 2 || outBands_ == 4; }
    // The values are the image's own bytes: 8-bit samples of every band, as they are.
    bool keepsBytes() const {
        return unchanged_ && type_ == ZynDataType::UInt8 && outBands_ == bands_;
    }

    // Converts `width` pixels of the image into outBands() values each, 0 to 2^outBits() - 1.
    void convert(const std::byte* in, uint32_t width, uint16_t* out) const;

    enum class Routine {
        Samples,
        Grey,
        GreyAlpha,
        Rgb,
        Rgba,
        YCbCr,
        YCbCrA,
        Cmy,
        Cmyk,
        InvertedCmyk,
        PhotoYcc,
        PhotoYccA
    };

  private:
    DisplayConversion(Routine routine, ZynDataType type, int bands, double minimum, double maximum);

    double sample(const std::byte* pixel, int band) const;
    // (value - from) as a fraction of the range.
    double fraction(double value, double from) const;
    // `pixel`'s value of `band` from the range onto 0..1.
    double unit(const std::byte* pixel, int band) const;
    uint16_t quantise(double unit) const;
    void convertPixel(const std::byte* pixel, uint16_t* out) const;
    // The first outBands() samples of each pixel, as they are.
    template <class T>
    void copyLeading(const T* in, uint32_t width, uint16_t* out) const;

    Routine routine_;
    ZynDataType type_;
    int bands_;
    double minimum_;
    // Half the range, so that the full range of float64 stays finite.
    double halfSpan_;
    // The chroma samples' zero: the middle of the range.
    double centre_;
    int outBands_;
    int outBits_;
    // The values are the samples themselves: 8 or 16 bits over the type's whole range.
    bool unchanged_ = false;
};
