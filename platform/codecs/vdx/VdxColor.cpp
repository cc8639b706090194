#include "VdxColor.h"

#include <cmath>

namespace {

constexpr double kLumaScale = 1.3584;
constexpr double kC1Scale = 2.2179;
constexpr double kC2Scale = 1.8215;
constexpr double kC1Centre = 156;
constexpr double kC2Centre = 137;
constexpr double kGreenFromC1 = -0.194;
constexpr double kGreenFromC2 = -0.509;

int32_t fixed(double v) {
    return static_cast<int32_t>(std::lround(v * 65536.0));
}

}  // namespace

const VdxYccToRgb& VdxYccToRgb::get() {
    static const VdxYccToRgb tables;
    return tables;
}

VdxYccToRgb::VdxYccToRgb() {
    for (int v = 0; v < 256; ++v) {
        const double c1 = kC1Scale * (v - kC1Centre);
        const double c2 = kC2Scale * (v - kC2Centre);
        luma_[v] = fixed(kLumaScale * v);
        blueC1_[v] = fixed(c1);
        greenC1_[v] = fixed(kGreenFromC1 * c1);
        greenC2_[v] = fixed(kGreenFromC2 * c2);
        redC2_[v] = fixed(c2);
    }
}
