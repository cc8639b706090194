#pragma once

#include <string>

#include "JpdColorSpace.h"
#include "ZynColorSpace.h"
#include "ZynError.h"

// The decoder colour space a "color_space" attribute names: the first of the known names found
// in the text (longer names before the names they contain); Other when none is.
JpdColorSpace zynJpegColorSpaceFromName(const std::string& name);

// The framework colour space delivered for a decoder colour space, with `components` samples per
// pixel of `precision` bits; null, with the reason in `error`, when there is none.
ZynColorSpacePtr zynJpegColorSpace(JpdColorSpace colorSpace, int components, int precision,
                                   ZynError& error);
