#pragma once

#include "ZynPointOperation.h"

// Applies the contrast curve of exponent "contrast" to every sample of an RGB-kind image (see
// ZynContrastOpT). Shared by "Contrast" (ZynContrastOperation) and "ContrastByte"
// (ZynContrastOperationT<uint8_t>).
class ZynContrastOperationBase : public ZynPointOperation {
  public:
    explicit ZynContrastOperationBase(double contrast = 1.0);
    ZynContrastOperationBase(const ZynContrastOperationBase& other) = default;

    void setupTransform() override;

  protected:
    // The op of sample type T for an output resolution.
    template <class T>
    ZynImageOpPtr makeOpOf(const ZynResolution& resolution) const;
};
