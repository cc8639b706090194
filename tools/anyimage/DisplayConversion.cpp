#include "DisplayConversion.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "VdxColor.h"

namespace {

using Routine = DisplayConversion::Routine;

struct KindRoutine {
    ZynColorKind kind;
    Routine routine;
    int bands;  // the bands the routine reads
};

// Spaces the file formats deliver, and how each becomes a picture; generic spaces go by their
// band count.
constexpr KindRoutine kKindRoutines[] = {
    {ZynColorKind::Lum, Routine::Grey, 1},          {ZynColorKind::VDXLum, Routine::Grey, 1},
    {ZynColorKind::FpxLum, Routine::Grey, 1},       {ZynColorKind::LumA, Routine::GreyAlpha, 2},
    {ZynColorKind::FpxLumA, Routine::GreyAlpha, 2}, {ZynColorKind::RGB, Routine::Rgb, 3},
    {ZynColorKind::AdobeSRGB, Routine::Rgb, 3},     {ZynColorKind::VDXRGB, Routine::Rgb, 3},
    {ZynColorKind::FpxRGB, Routine::Rgb, 3},        {ZynColorKind::RGBA, Routine::Rgba, 4},
    {ZynColorKind::FpxRGBA, Routine::Rgba, 4},      {ZynColorKind::YCbCr, Routine::YCbCr, 3},
    {ZynColorKind::FpxYCbCr, Routine::YCbCr, 3},    {ZynColorKind::YCbCrA, Routine::YCbCrA, 4},
    {ZynColorKind::FpxYCbCrA, Routine::YCbCrA, 4},  {ZynColorKind::CMY, Routine::Cmy, 3},
    {ZynColorKind::CMYK, Routine::Cmyk, 4},         {ZynColorKind::VDXYCC, Routine::PhotoYcc, 3},
    {ZynColorKind::FpxYCC, Routine::PhotoYcc, 3},   {ZynColorKind::VDXYCCA, Routine::PhotoYccA, 4},
    {ZynColorKind::FpxYCCA, Routine::PhotoYccA, 4},
};

int outBandsOf(Routine routine) {
    switch (routine) {
        case Routine::Grey:
            return 1;
        case Routine::GreyAlpha:
            return 2;
        case Routine::Rgba:
        case Routine::YCbCrA:
        case Routine::PhotoYccA:
            return 4;
        default:
            return 3;
    }
}

Routine routineFor(const ZynColorSpace& space, int bands, bool invertedInks) {
    for (const KindRoutine& entry : kKindRoutines) {
        if (entry.kind != space.kind() || entry.bands > bands) continue;
        return entry.routine == Routine::Cmyk && invertedInks ? Routine::InvertedCmyk
                                                              : entry.routine;
    }
    return bands >= 3 ? Routine::Rgb : Routine::Grey;
}

bool isInteger(ZynDataType type) {
    return type != ZynDataType::Float32 && type != ZynDataType::Float64;
}

template <class T>
double valueAt(const std::byte* p) {
    T v;
    std::memcpy(&v, p, sizeof v);
    return static_cast<double>(v);
}

// Full-range ITU-R BT.601, as JPEG, TIFF and JPEG 2000 files use.
constexpr double kRedFromCr = 1.402;
constexpr double kGreenFromCb = -0.344136;
constexpr double kGreenFromCr = -0.714136;
constexpr double kBlueFromCb = 1.772;

}  // namespace

DisplayConversion::DisplayConversion(Routine routine, ZynDataType type, int bands, double minimum,
                                     double maximum)
    : routine_(routine),
      type_(type),
      bands_(bands),
      minimum_(minimum),
      halfSpan_(maximum > minimum ? maximum / 2 - minimum / 2 : 0.5),
      centre_(isInteger(type) ? std::floor((minimum + maximum + 1) / 2) : minimum + halfSpan_),
      outBands_(outBandsOf(routine)),
      outBits_(isInteger(type) && halfSpan_ <= 127.5 ? 8 : 16) {}

DisplayConversion DisplayConversion::picture(const ZynColorSpace& space, ZynDataType type,
                                             int bands, bool invertedInks) {
    DisplayConversion c(routineFor(space, bands, invertedInks), type, bands, space.minimum(),
                        space.maximum());
    const bool display = c.routine_ == Routine::Grey || c.routine_ == Routine::GreyAlpha ||
                         c.routine_ == Routine::Rgb || c.routine_ == Routine::Rgba;
    const bool fullRange =
        space.minimum() == zynNaturalMin(type) && space.maximum() == zynNaturalMax(type);
    const bool unsignedType = type == ZynDataType::UInt8 || type == ZynDataType::UInt16;
    c.unchanged_ = display && unsignedType && fullRange;
    return c;
}

DisplayConversion DisplayConversion::samples(const ZynColorSpace& space, ZynDataType type,
                                             int bands) {
    DisplayConversion c(Routine::Samples, type, bands, space.minimum(), space.maximum());
    c.outBands_ = bands > 4 ? 3 : bands;
    c.outBits_ = type == ZynDataType::UInt8 ? 8 : 16;
    c.unchanged_ = type == ZynDataType::UInt8 || type == ZynDataType::UInt16;
    return c;
}

double DisplayConversion::sample(const std::byte* pixel, int band) const {
    const std::byte* p = pixel + zynSampleSize(type_) * static_cast<size_t>(band);
    switch (type_) {
        case ZynDataType::UInt8:
            return std::to_integer<uint8_t>(*p);
        case ZynDataType::Int16:
            return valueAt<int16_t>(p);
        case ZynDataType::UInt16:
            return valueAt<uint16_t>(p);
        case ZynDataType::Int32:
            return valueAt<int32_t>(p);
        case ZynDataType::UInt32:
            return valueAt<uint32_t>(p);
        case ZynDataType::Float32:
            return valueAt<float>(p);
        case ZynDataType::Float64:
            return valueAt<double>(p);
    }
    return 0.0;
}

double DisplayConversion::fraction(double value, double from) const {
    return (value / 2 - from / 2) / halfSpan_;
}

double DisplayConversion::unit(const std::byte* pixel, int band) const {
    return fraction(sample(pixel, band), minimum_);
}

uint16_t DisplayConversion::quantise(double unit) const {
    const double top = outBits_ == 8 ? 255.0 : 65535.0;
    // NaN samples show as black rather than as whatever rounding makes of them.
    if (std::isnan(unit)) return 0;
    return static_cast<uint16_t>(std::lround(std::clamp(unit, 0.0, 1.0) * top));
}

void DisplayConversion::convertPixel(const std::byte* pixel, uint16_t* out) const {
    switch (routine_) {
        case Routine::Samples:
            for (int b = 0; b < outBands_; ++b) {
                const double v = sample(pixel, b);
                out[b] = type_ == ZynDataType::UInt8 || type_ == ZynDataType::UInt16
                             ? static_cast<uint16_t>(v)
                             : quantise(fraction(v, minimum_));
            }
            return;
        case Routine::Grey:
        case Routine::GreyAlpha:
        case Routine::Rgb:
        case Routine::Rgba:
            for (int b = 0; b < outBands_; ++b) out[b] = quantise(unit(pixel, b));
            return;
        case Routine::YCbCrA:
            out[3] = quantise(unit(pixel, 3));
            [[fallthrough]];
        case Routine::YCbCr: {
            const double y = unit(pixel, 0);
            const double cb = fraction(sample(pixel, 1), centre_);
            const double cr = fraction(sample(pixel, 2), centre_);
            out[0] = quantise(y + kRedFromCr * cr);
            out[1] = quantise(y + kGreenFromCb * cb + kGreenFromCr * cr);
            out[2] = quantise(y + kBlueFromCb * cb);
            return;
        }
        case Routine::Cmy:
            for (int b = 0; b < 3; ++b) out[b] = quantise(1.0 - unit(pixel, b));
            return;
        case Routine::Cmyk: {
            const double white = 1.0 - unit(pixel, 3);
            for (int b = 0; b < 3; ++b) out[b] = quantise((1.0 - unit(pixel, b)) * white);
            return;
        }
        case Routine::InvertedCmyk:
            for (int b = 0; b < 3; ++b) out[b] = quantise(unit(pixel, b) * unit(pixel, 3));
            return;
        case Routine::PhotoYccA:
            out[3] = quantise(unit(pixel, 3));
            [[fallthrough]];
        case Routine::PhotoYcc: {
            // The photo YCC formula is defined on 8-bit samples.
            uint8_t ycc[3], bgr[3];
            for (int b = 0; b < 3; ++b)
                ycc[b] =
                    static_cast<uint8_t>(std::lround(std::clamp(unit(pixel, b), 0.0, 1.0) * 255.0));
            VdxYccToRgb::get().convert(ycc[0], ycc[1], ycc[2], bgr);
            for (int b = 0; b < 3; ++b) out[b] = quantise(bgr[2 - b] / 255.0);
            return;
        }
    }
}

template <class T>
void DisplayConversion::copyLeading(const T* in, uint32_t width, uint16_t* out) const {
    if (outBands_ == bands_) {
        std::copy(in, in + static_cast<size_t>(width) * bands_, out);
        return;
    }
    for (uint32_t x = 0; x < width; ++x, in += bands_, out += outBands_)
        std::copy(in, in + outBands_, out);
}

void DisplayConversion::convert(const std::byte* in, uint32_t width, uint16_t* out) const {
    const size_t pixelBytes = zynSampleSize(type_) * static_cast<size_t>(bands_);
    if (unchanged_ && type_ == ZynDataType::UInt8)
        return copyLeading(reinterpret_cast<const uint8_t*>(in), width, out);
    if (unchanged_) return copyLeading(reinterpret_cast<const uint16_t*>(in), width, out);
    for (uint32_t x = 0; x < width; ++x, in += pixelBytes, out += outBands_) convertPixel(in, out);
}
