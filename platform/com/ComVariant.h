#pragma once

#include "ComPlatform.h"

// An owned VARIANT, cleared when it goes.
class ComVariant : public VARIANT {
  public:
    ComVariant() { VariantInit(this); }
    ComVariant(const ComVariant& other) : ComVariant() { VariantCopy(this, &other); }
    ComVariant& operator=(const ComVariant& other) {
        VariantCopy(this, &other);
        return *this;
    }
    ~ComVariant() { VariantClear(this); }
};

// Bytes of the value of a fixed-size scalar type (VT_I1 to VT_UI8, VT_R4, VT_R8, VT_CY,
// VT_DATE, VT_BOOL, VT_ERROR, VT_INT, VT_UINT), 0 for every other type. Not a platform function.
ULONG ComScalarSize(VARTYPE vt);
