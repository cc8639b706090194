#pragma once

#include "ComAutomation.h"

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
