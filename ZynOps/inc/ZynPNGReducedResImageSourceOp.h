#pragma once

#include "ZynPNGEmbeddedImageSourceOp.h"

// Renders the reduced-resolution image of a PNG file ("rrIm" chunks), decoded with the primary
// image's transformations so that both resolutions have the same bands and samples.
class ZynPNGReducedResImageSourceOp : public ZynPNGEmbeddedImageSourceOp {
  public:
    ZynPNGReducedResImageSourceOp(const std::wstring& fileName, bool keepOpen,
                                  const PNGReadOptions& options);
};
