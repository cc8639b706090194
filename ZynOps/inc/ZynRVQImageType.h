#pragma once

#include <string>

#include "HctSdk.h"
#include "ZynAttributeText.h"

// The camera image types by the names the "image_type" attribute uses; values outside the
// enumeration read as "DEFAULT_COLOR_IMAGE_TYPE".
struct ZynRVQImageType {
    static std::string name(DCImageType type);
    // Throws ZynError 414 for a name that is none of the types'.
    static DCImageType fromName(const std::string& name);
};

template <>
struct ZynAttributeText<DCImageType> {
    static std::string name() { return "DCImageType"; }
    static std::string toText(DCImageType v) { return ZynRVQImageType::name(v); }
    static DCImageType fromText(const std::string& text) { return ZynRVQImageType::fromName(text); }
};
