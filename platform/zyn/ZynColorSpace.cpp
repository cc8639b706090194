#include "ZynColorSpace.h"

#include <cstdio>
#include <sstream>

#include "ZynError.h"

namespace {

struct KindInfo {
    ZynColorKind kind;
    const char* name;   // FlashPix spaces share the names of the spaces they mirror
    const char* token;  // unique spelling used by the text form
    int bands;
    bool rgb;
    bool ycc;
};

constexpr KindInfo kKinds[] = {
    {ZynColorKind::RGB, "RGB", "RGB", 3, true, false},
    {ZynColorKind::RGBA, "RGBA", "RGBA", 4, false, false},
    {ZynColorKind::Lum, "Lum", "Lum", 1, false, false},
    {ZynColorKind::LumA, "LumA", "LumA", 2, false, false},
    {ZynColorKind::CMY, "CMY", "CMY", 3, false, false},
    {ZynColorKind::CMYK, "CMYK", "CMYK", 4, false, false},
    {ZynColorKind::YCbCr, "YCbCr", "YCbCr", 3, false, false},
    {ZynColorKind::YCbCrA, "YCbCrA", "YCbCrA", 4, false, false},
    {ZynColorKind::Generic, "Generic", "Generic", 0, false, false},
    {ZynColorKind::AdobeSRGB, "AdobeSRGB", "AdobeSRGB", 3, true, false},
    {ZynColorKind::VDXYCC, "VDXYCC", "VDXYCC", 3, false, true},
    {ZynColorKind::VDXYCCA, "VDXYCCA", "VDXYCCA", 4, false, false},
    {ZynColorKind::VDXRGB, "VDXRGB", "VDXRGB", 3, true, false},
    {ZynColorKind::VDXLum, "VDXLum", "VDXLum", 1, false, false},
    {ZynColorKind::FpxYCC, "VDXYCC", "FpxYCC", 3, false, true},
    {ZynColorKind::FpxYCCA, "VDXYCCA", "FpxYCCA", 4, false, false},
    {ZynColorKind::FpxRGB, "RGB", "FpxRGB", 3, true, false},
    {ZynColorKind::FpxRGBA, "RGBA", "FpxRGBA", 4, false, false},
    {ZynColorKind::FpxLum, "Lum", "FpxLum", 1, false, false},
    {ZynColorKind::FpxLumA, "LumA", "FpxLumA", 2, false, false},
    {ZynColorKind::FpxYCbCr, "YCbCr", "FpxYCbCr", 3, false, false},
    {ZynColorKind::FpxYCbCrA, "YCbCrA", "FpxYCbCrA", 4, false, false},
};

const KindInfo& info(ZynColorKind kind) {
    for (const auto& k : kKinds)
        if (k.kind == kind) return k;
    throw ZynError(133, "Invalid colour space kind");
}

}  // namespace

int zynKindBands(ZynColorKind kind) {
    return info(kind).bands;
}

ZynColorSpace::ZynColorSpace(ZynColorKind kind, int bands, double minimum, double maximum)
    : kind_(kind), bands_(bands), minimum_(minimum), maximum_(maximum) {
    if (bands < 1) throw ZynError(133, "A colour space needs at least one band");
}

std::string ZynColorSpace::name() const {
    return info(kind_).name;
}

bool ZynColorSpace::isRGBKind() const {
    return info(kind_).rgb;
}
bool ZynColorSpace::isYCCKind() const {
    return info(kind_).ycc;
}

std::shared_ptr<ZynColorSpace> ZynColorSpace::withRange(double minimum, double maximum) const {
    auto copy = std::make_shared<ZynColorSpace>(*this);
    copy->minimum_ = minimum;
    copy->maximum_ = maximum;
    return copy;
}

std::string ZynColorSpace::toText() const {
    std::ostringstream out;
    out.precision(17);
    out << info(kind_).token << "[" << bands_ << ":" << minimum_ << "," << maximum_ << "]";
    return out.str();
}

std::shared_ptr<ZynColorSpace> ZynColorSpace::fromText(const std::string& text) {
    const size_t open = text.find('[');
    const std::string token = text.substr(0, open);
    for (const auto& k : kKinds) {
        if (token != k.token) continue;
        int bands = k.bands;
        double minimum = 0.0, maximum = 255.0;
        if (open != std::string::npos) {
            char close = 0;
            if (std::sscanf(text.c_str() + open, "[%d:%lf,%lf%c", &bands, &minimum, &maximum,
                            &close) != 4 ||
                close != ']')
                break;
        }
        if (bands < 1 || (k.bands && bands != k.bands)) break;
        return std::make_shared<ZynColorSpace>(k.kind, bands, minimum, maximum);
    }
    throw ZynError(13, "Illegal value for ZynColorSpace: " + text);
}

bool ZynColorSpace::operator==(const ZynColorSpace& other) const {
    return kind_ == other.kind_ && bands_ == other.bands_ && minimum_ == other.minimum_ &&
           maximum_ == other.maximum_;
}
