#pragma once

#include <string>

#include "ZynMatrix.h"
#include "ZynPointOperation.h"

// Applies the 4 x 4 colour-twist matrix "colorMatrix" to a three-band image. The twist works on
// normalized luminance and chrominance (Y, B - Y, R - Y); the operation wraps it between fixed
// conversions from the input's encoding (RGB kinds or photo YCC kinds) into that space and back,
// so the same twist serves both. Shared by "ColorMatrix" (ZynColorMatrixOperation) and
// "ColorMatrixByte" (ZynColorMatrixOperationT<uint8_t>).
class ZynColorMatrixOperationBase : public ZynPointOperation {
  public:
    explicit ZynColorMatrixOperationBase(
        const ZynMatrix<double>& colorMatrix = ZynMatrix<double>::identity(4));
    ZynColorMatrixOperationBase(const ZynColorMatrixOperationBase& other) = default;

    void setupTransform() override;

    // The matrix applied to pixels: output conversion x twist x input conversion.
    const ZynMatrix<double>& effectiveMatrix() const { return effective_; }

  protected:
    template <class T>
    ZynImageOpPtr makeOpOf(const ZynResolution& resolution) const;

  private:
    // Chooses the conversions for the input's colour space; false with the error recorded.
    bool chooseConversions(const ZynColorSpace& input);

    std::string conversionSpace_;  // name of the colour space the conversions were chosen for
    ZynMatrix<double> inputConversion_;
    ZynMatrix<double> outputConversion_;
    ZynMatrix<double> effective_;
};
