#pragma once

#include <array>
#include <cstdint>

// Photo YCC to RGB. Luma keeps highlight headroom (Y 188 is white, scaled by 1.3584) and chroma
// is centred on 156 (C1) and 137 (C2), with Rec. 601 weights:
//   R = L + c2,  G = L - 0.194 c1 - 0.509 c2,  B = L + c1
// where L = 1.3584 Y, c1 = 2.2179 (C1 - 156), c2 = 1.8215 (C2 - 137). Results are rounded and
// clamped to 0..255 (highlights above white clip rather than being compressed).
class VdxYccToRgb {
  public:
    static const VdxYccToRgb& get();

    // Writes blue, green and red, in that order, to out[0..2].
    void convert(uint8_t y, uint8_t c1, uint8_t c2, uint8_t* out) const {
        const int32_t l = luma_[y];
        out[0] = clamp(l + blueC1_[c1]);
        out[1] = clamp(l + greenC1_[c1] + greenC2_[c2]);
        out[2] = clamp(l + redC2_[c2]);
    }

  private:
    VdxYccToRgb();

    // The terms are kept in 16.16 fixed point.
    static uint8_t clamp(int32_t fixed) {
        const int32_t v = (fixed + (1 << 15)) >> 16;
        return static_cast<uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v);
    }

    std::array<int32_t, 256> luma_;
    std::array<int32_t, 256> blueC1_;
    std::array<int32_t, 256> greenC1_;
    std::array<int32_t, 256> greenC2_;
    std::array<int32_t, 256> redC2_;
};
