#pragma once

#include "ZynMatrix.h"
#include "ZynOp.h"
#include "ZynUpstream.h"

// Applies a 4 x 4 matrix E to each pixel of a three-band image: output band k is
// E[k][0] s0 + E[k][1] s1 + E[k][2] s2 + E[k][3], rounded to the nearest integer (halves upward)
// and limited to the type's range for integer samples; floats are not limited.
template <class T>
class ZynColorMatrixOpT : public ZynImageOp {
  public:
    ZynColorMatrixOpT(ZynUpstream input, ZynMatrix<double> matrix);
    ~ZynColorMatrixOpT() override;

    bool outputInfo(ZynOutputInfo& info) override;
    bool canFill(const ZynRectBuffer& buffer) override;
    // Pieces of a request pull their input out of order: only an input that takes that well
    // gains.
    bool gainsFromConcurrentRequests() const override { return input_.takesConcurrentRequests(); }
    void genRect(ZynRectBuffer& buffer) override;

    // One output sample from its value before conversion.
    static T convert(double v);

  private:
    ZynUpstream input_;
    ZynMatrix<double> matrix_;
};

extern template class ZynColorMatrixOpT<uint8_t>;
extern template class ZynColorMatrixOpT<int16_t>;
extern template class ZynColorMatrixOpT<float>;
