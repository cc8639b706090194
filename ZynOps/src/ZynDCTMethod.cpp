#include "ZynDCTMethod.h"

#include "ZynError.h"

namespace {

const char* const kNames[] = {"DCT_ISLOW", "DCT_IFAST", "DCT_FLOAT"};

ZynError unhandled() {
    return ZynError(13, "Unhandled ZynDCTMethod::dctMethod value");
}

}  // namespace

std::string ZynDCTMethod::name(dctMethod method) {
    if (method < DCT_ISLOW || method > DCT_FLOAT) throw unhandled();
    return kNames[method];
}

ZynDCTMethod::dctMethod ZynDCTMethod::fromName(const std::string& name) {
    for (int m = DCT_ISLOW; m <= DCT_FLOAT; ++m)
        if (name == kNames[m]) return static_cast<dctMethod>(m);
    throw ZynError(13, "Unknown ZynDCTMethod::dctMethod");
}

int ZynDCTMethod::decoderMethod(dctMethod method) {
    // The decoder numbers its methods as this enumeration does.
    if (method < DCT_ISLOW || method > DCT_FLOAT) throw unhandled();
    return method;
}
