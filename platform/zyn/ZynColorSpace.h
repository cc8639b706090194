#pragma once

#include <memory>
#include <string>

enum class ZynColorKind {
    RGB,
    RGBA,
    Lum,
    LumA,
    CMY,
    CMYK,
    YCbCr,
    YCbCrA,
    Generic,
    AdobeSRGB,
    VDXYCC,
    VDXYCCA,
    VDXRGB,
    VDXLum,
    FpxYCC,
    FpxYCCA,
    FpxRGB,
    FpxRGBA,
    FpxLum,
    FpxLumA,
    FpxYCbCr,
    FpxYCbCrA,
};

// Interpretation of the bands of an image: a kind, a band count and the range of sample values.
class ZynColorSpace {
  public:
    ZynColorSpace(ZynColorKind kind, int bands, double minimum, double maximum);
    virtual ~ZynColorSpace() = default;

    ZynColorKind kind() const { return kind_; }
    std::string name() const;
    int bands() const { return bands_; }
    double minimum() const { return minimum_; }
    double maximum() const { return maximum_; }

    bool isRGBKind() const;
    bool isYCCKind() const;

    // A copy of this space with another sample range.
    std::shared_ptr<ZynColorSpace> withRange(double minimum, double maximum) const;

    // "<name>[<bands>:<min>,<max>]"
    std::string toText() const;
    // Parses toText's form; throws ZynError 13 on anything else.
    static std::shared_ptr<ZynColorSpace> fromText(const std::string& text);

    bool operator==(const ZynColorSpace& other) const;

  private:
    ZynColorKind kind_;
    int bands_;
    double minimum_;
    double maximum_;
};

using ZynColorSpacePtr = std::shared_ptr<const ZynColorSpace>;

// The band count a kind always has, or 0 for the generic kind.
int zynKindBands(ZynColorKind kind);

template <ZynColorKind K>
class ZynColorSpaceOf : public ZynColorSpace {
  public:
    explicit ZynColorSpaceOf(double minimum = 0.0, double maximum = 255.0)
        : ZynColorSpace(K, zynKindBands(K), minimum, maximum) {}
};

// A generic space carries any number of bands.
class ZynGenericColorSpace : public ZynColorSpace {
  public:
    explicit ZynGenericColorSpace(int bands, double minimum = 0.0, double maximum = 255.0)
        : ZynColorSpace(ZynColorKind::Generic, bands, minimum, maximum) {}
};

using ZynRGBColorSpace = ZynColorSpaceOf<ZynColorKind::RGB>;
using ZynRGBAColorSpace = ZynColorSpaceOf<ZynColorKind::RGBA>;
using ZynLumColorSpace = ZynColorSpaceOf<ZynColorKind::Lum>;
using ZynLumAColorSpace = ZynColorSpaceOf<ZynColorKind::LumA>;
using ZynCMYColorSpace = ZynColorSpaceOf<ZynColorKind::CMY>;
using ZynCMYKColorSpace = ZynColorSpaceOf<ZynColorKind::CMYK>;
using ZynYCbCrColorSpace = ZynColorSpaceOf<ZynColorKind::YCbCr>;
using ZynYCbCrAColorSpace = ZynColorSpaceOf<ZynColorKind::YCbCrA>;
using ZynAdobeSRGBColorSpace = ZynColorSpaceOf<ZynColorKind::AdobeSRGB>;
using ZynVDXYCCColorSpace = ZynColorSpaceOf<ZynColorKind::VDXYCC>;
using ZynVDXYCCAColorSpace = ZynColorSpaceOf<ZynColorKind::VDXYCCA>;
using ZynVDXRGBColorSpace = ZynColorSpaceOf<ZynColorKind::VDXRGB>;
using ZynVDXLumColorSpace = ZynColorSpaceOf<ZynColorKind::VDXLum>;
using ZynFpxYCCColorSpace = ZynColorSpaceOf<ZynColorKind::FpxYCC>;
using ZynFpxYCCAColorSpace = ZynColorSpaceOf<ZynColorKind::FpxYCCA>;
using ZynFpxRGBColorSpace = ZynColorSpaceOf<ZynColorKind::FpxRGB>;
using ZynFpxRGBAColorSpace = ZynColorSpaceOf<ZynColorKind::FpxRGBA>;
using ZynFpxLumColorSpace = ZynColorSpaceOf<ZynColorKind::FpxLum>;
using ZynFpxLumAColorSpace = ZynColorSpaceOf<ZynColorKind::FpxLumA>;
using ZynFpxYCbCrColorSpace = ZynColorSpaceOf<ZynColorKind::FpxYCbCr>;
using ZynFpxYCbCrAColorSpace = ZynColorSpaceOf<ZynColorKind::FpxYCbCrA>;
