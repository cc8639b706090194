#pragma once

#include <string>

#include "ZynAttributeText.h"

// How the affine operation samples its input between pixel centres.
struct ZynResamplingType {
    enum Enum { NEAREST = 0, BILINEAR = 1, BICUBIC = 2 };

    // "NEAREST", "BILINEAR", "BICUBIC"; any other value is ZynError 414.
    static const char* name(Enum value);
    // A name, or the value in digits; anything else is ZynError 414.
    static Enum fromName(const std::string& name);
};

template <>
struct ZynAttributeText<ZynResamplingType::Enum> {
    static std::string name() { return "ZynResamplingType::Enum"; }
    static std::string toText(ZynResamplingType::Enum v) { return ZynResamplingType::name(v); }
    static ZynResamplingType::Enum fromText(const std::string& text) {
        return ZynResamplingType::fromName(text);
    }
};
