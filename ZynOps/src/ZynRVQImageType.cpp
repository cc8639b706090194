#include "ZynRVQImageType.h"

#include "ZynError.h"

namespace {

struct Named {
    DCImageType type;
    const char* name;
};

constexpr Named kNames[] = {
    {DCGrayImage8, "DCGrayImage8"},   {DCGrayImage16, "DCGrayImage16"},
    {DCRGBImage24, "DCRGBImage24"},   {DCRGBImage32, "DCRGBImage32"},
    {DCRGBImage48, "DCRGBImage48"},   {DCRGBImage64, "DCRGBImage64"},
    {DCBGRImage24, "DCBGRImage24"},   {DCBGRImage32, "DCBGRImage32"},
    {DCBGRImage48, "DCBGRImage48"},   {DCBGRImage64, "DCBGRImage64"},
    {DCCameraRGB24, "DCCameraRGB24"}, {DCCameraRGB48, "DCCameraRGB48"},
    {DCCameraRGB36, "DCCameraRGB36"}, {DEFAULT_COLOR_IMAGE_TYPE, "DEFAULT_COLOR_IMAGE_TYPE"},
};

}  // namespace

std::string ZynRVQImageType::name(DCImageType type) {
    for (const Named& named : kNames)
        if (named.type == type) return named.name;
    return "DEFAULT_COLOR_IMAGE_TYPE";
}

DCImageType ZynRVQImageType::fromName(const std::string& name) {
    for (const Named& named : kNames)
        if (name == named.name) return named.type;
    throw ZynError(414, "Unknown camera image type: " + name);
}
