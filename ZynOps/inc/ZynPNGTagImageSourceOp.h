#pragma once

#include "ZynPNGEmbeddedImageSourceOp.h"

// Renders the chroma-key tag image of a PNG file ("ckTg" chunks): one 8-bit band of the primary
// image's size.
class ZynPNGTagImageSourceOp : public ZynPNGEmbeddedImageSourceOp {
  public:
    ZynPNGTagImageSourceOp(const std::wstring& fileName, bool keepOpen);
};
