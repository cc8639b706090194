#pragma once

#include "ComPlatform.h"
#include "VulMetaValue.h"

// Writes a metadata value into `out` (not cleared first: it is an out-parameter): nothing as
// VT_EMPTY, integers as VT_I4 when they fit and VT_I8 otherwise, reals as VT_R8, text (UTF-8)
// as VT_BSTR, byte, 16-bit and real vectors as arrays of VT_UI1, VT_UI2 and VT_R8.
HRESULT TevMetaValueToVariant(const VulMetaValue& value, VARIANT* out);
