#pragma once

#include "ZynRect.h"
#include "ZynRectBuffer.h"

// Copies `region` (inside both rectangles) from one buffer into another of the same data type
// and band count, whatever their organisations. Throws ZynError 119 for another data type and 3
// for another band count.
void zynCopyRegion(const ZynRectBuffer& from, ZynRectBuffer& to, const ZynRect& region);
