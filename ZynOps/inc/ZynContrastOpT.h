#pragma once

#include <array>
#include <cstdint>

#include "ZynOp.h"
#include "ZynUpstream.h"

// The contrast curve v = K (s / K)^c, limited to at most 255, pivoting about the mid-grey level
// K (the single-precision 110.08), converted to the sample type.
template <class T>
class ZynContrastOpT : public ZynImageOp {
  public:
    static constexpr double kPivot = static_cast<double>(110.08f);

    ZynContrastOpT(ZynUpstream input, double contrast);
    ~ZynContrastOpT() override;

    bool outputInfo(ZynOutputInfo& info) override;
    bool canFill(const ZynRectBuffer& buffer) override;
    // Pieces of a request pull their input out of order: only an input that takes that well
    // gains.
    bool gainsFromConcurrentRequests() const override { return input_.takesConcurrentRequests(); }
    void genRect(ZynRectBuffer& buffer) override;

    // The curve for one sample. Integers are rounded half away from zero; where the power is
    // undefined (a negative sample and a non-integer exponent) the result is 0.
    static T apply(double sample, double contrast);

  private:
    ZynUpstream input_;
    double contrast_;
    std::array<uint8_t, 256> table_{};  // the 8-bit op's curve
};

extern template class ZynContrastOpT<uint8_t>;
extern template class ZynContrastOpT<int16_t>;
extern template class ZynContrastOpT<float>;
