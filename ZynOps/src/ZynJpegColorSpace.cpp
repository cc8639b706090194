#include "ZynJpegColorSpace.h"

#include <utility>

namespace {

const std::pair<const char*, JpdColorSpace> kNames[] = {
    {"YCbCrA_LEGACY", JpdColorSpace::YCbCrALegacy},
    {"YCbCrA", JpdColorSpace::YCbCrA},
    {"YCbCr", JpdColorSpace::YCbCr},
    {"RGBA", JpdColorSpace::RGBA},
    {"RGB", JpdColorSpace::RGB},
    {"YCCA", JpdColorSpace::YCCA},
    {"YCCK", JpdColorSpace::YCCK},
    {"YCC", JpdColorSpace::YCC},
    {"CMYK", JpdColorSpace::CMYK},
    {"GRAYSCALE", JpdColorSpace::Grayscale},
    {"Lum", JpdColorSpace::Grayscale},
};

template <class Space>
ZynColorSpacePtr make(double maximum) {
    return std::make_shared<Space>(0.0, maximum);
}

}  // namespace

JpdColorSpace zynJpegColorSpaceFromName(const std::string& name) {
    for (const auto& [text, value] : kNames)
        if (name.find(text) != std::string::npos) return value;
    return JpdColorSpace::Other;
}

ZynColorSpacePtr zynJpegColorSpace(JpdColorSpace colorSpace, int components, int precision,
                                   ZynError& error) {
    if (precision != 8 && precision != 12) {
        error = ZynError(135, "Invalid Precision -> " + std::to_string(precision));
        return nullptr;
    }
    const double maximum = precision == 8 ? 255.0 : 4095.0;
    switch (colorSpace) {
        case JpdColorSpace::RGB:
            return make<ZynRGBColorSpace>(maximum);
        case JpdColorSpace::YCbCr:
            return make<ZynYCbCrColorSpace>(255.0);
        case JpdColorSpace::YCC:
            return make<ZynVDXYCCColorSpace>(255.0);
        case JpdColorSpace::RGBA:
        case JpdColorSpace::RGBAFpx:
            return make<ZynRGBAColorSpace>(maximum);
        case JpdColorSpace::YCbCrA:
        case JpdColorSpace::YCbCrALegacy:
            return make<ZynYCbCrAColorSpace>(maximum);
        case JpdColorSpace::YCCA:
            return make<ZynVDXYCCAColorSpace>(maximum);
        case JpdColorSpace::YCCK:
        case JpdColorSpace::CMYK:
            return make<ZynCMYKColorSpace>(maximum);
        case JpdColorSpace::Grayscale:
            return make<ZynLumColorSpace>(maximum);
        case JpdColorSpace::Other:
            if (components > 0)
                return std::make_shared<ZynGenericColorSpace>(components, 0.0, maximum);
            break;
        default:
            break;
    }
    error = ZynError(133, "Invalid ColorSpace detected in Jpeg file");
    return nullptr;
}
