#pragma once

#include <string>

// Metadata keys answered from the header of a JPEG-coded image.
inline const std::string kVulLuminQTable = "DigitalProcess.Jpeg.LuminQTable";
inline const std::string kVulChroma1QTable = "DigitalProcess.Jpeg.Chroma1QTable";
inline const std::string kVulChroma2QTable = "DigitalProcess.Jpeg.Chroma2QTable";
inline const std::string kVulAlphaQTable = "DigitalProcess.Jpeg.AlphaQTable";
inline const std::string kVulICCProfile = "DigitalProcess.ICCProfile";
inline const std::string kVulDisplayXResolution = "ImageContainer.DisplayXResolution";
inline const std::string kVulDisplayYResolution = "ImageContainer.DisplayYResolution";
inline const std::string kVulDisplayResolutionUnit = "ImageContainer.DisplayResolutionUnit";

// The component whose quantisation table `key` names, or -1.
inline int vulQuantTableComponent(const std::string& key) {
    const std::string* const keys[] = {&kVulLuminQTable, &kVulChroma1QTable, &kVulChroma2QTable,
                                       &kVulAlphaQTable};
    for (int component = 0; component < 4; ++component)
        if (key == *keys[component]) return component;
    return -1;
}
