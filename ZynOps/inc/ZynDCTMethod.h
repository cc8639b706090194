#pragma once

#include <string>

#include "ZynAttributeText.h"

// The inverse-DCT methods of the JPEG decoders, by the names the "dctMethod" attributes use.
struct ZynDCTMethod {
    enum dctMethod { DCT_ISLOW = 0, DCT_IFAST = 1, DCT_FLOAT = 2 };

    static std::string name(dctMethod method);
    // Throws ZynError 13 for any other name.
    static dctMethod fromName(const std::string& name);
    // The decoder's number for the method; throws ZynError 13 for a value outside the enumeration.
    static int decoderMethod(dctMethod method);
};

template <>
struct ZynAttributeText<ZynDCTMethod::dctMethod> {
    static std::string name() { return "ZynDCTMethod::dctMethod"; }
    static std::string toText(ZynDCTMethod::dctMethod v) { return ZynDCTMethod::name(v); }
    static ZynDCTMethod::dctMethod fromText(const std::string& text) {
        return ZynDCTMethod::fromName(text);
    }
};
