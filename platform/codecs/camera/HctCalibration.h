#pragma once

#include <string>
#include <vector>

#include "HctSdk.h"

// A camera's XYZ (D65)-to-camera matrix: `colors` rows of three.
struct HctCameraMatrix {
    int colors = 0;
    std::vector<double> rows;
};

// Finds the camera (make and model compared without regard to case or surrounding blanks) in the
// calibration file of `folder`. kHctOk, or a calibration status.
HctStatus hctReadCalibration(const std::string& folder, const std::string& make,
                             const std::string& model, int colors, HctCameraMatrix& matrix);

// What a developer needs of the matrix: camera to sRGB (three rows of four) and the channel
// multipliers that make a neutral grey neutral.
struct HctColorCoefficients {
    float rgbCam[3][4] = {};
    float preMul[4] = {};
};
HctColorCoefficients hctColorCoefficients(const HctCameraMatrix& matrix);
