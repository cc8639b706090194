#include "HctCalibration.h"

#include <libraw/libraw.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <fstream>

#include "QorSystem.h"

namespace {

std::string trimmed(const std::string& text) {
    const auto blank = [](unsigned char c) { return std::isspace(c) != 0; };
    const auto first = std::find_if_not(text.begin(), text.end(), blank);
    const auto last = std::find_if_not(text.rbegin(), text.rend(), blank).base();
    return first < last ? std::string(first, last) : std::string();
}

bool sameName(const std::string& a, const std::string& b) {
    const std::string x = trimmed(a), y = trimmed(b);
    return std::equal(x.begin(), x.end(), y.begin(), y.end(), [](unsigned char c, unsigned char d) {
        return std::tolower(c) == std::tolower(d);
    });
}

// The numbers of a matrix field; false on anything but numbers and blanks.
bool parseNumbers(const std::string& field, std::vector<double>& numbers) {
    const char* at = field.data();
    const char* end = at + field.size();
    while (true) {
        while (at < end && std::isspace(static_cast<unsigned char>(*at))) ++at;
        if (at == end) return true;
        double value = 0;
        const auto [next, error] = std::from_chars(at, end, value);
        if (error != std::errc() || !std::isfinite(value)) return false;
        numbers.push_back(value);
        at = next;
    }
}

// (A^T A)^-1 of the camera-to-RGB rows A, for the pseudo-inverse.
bool invertNormal(const double (*a)[3], int rows, double (&inverse)[3][3]) {
    double m[3][3] = {};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            for (int k = 0; k < rows; ++k) m[i][j] += a[k][i] * a[k][j];
    const double det = m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) -
                       m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) +
                       m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
    if (std::fabs(det) < 1e-12) return false;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) {
            // Cofactor of (j, i), cyclic indices keep the signs right.
            const int r1 = (j + 1) % 3, r2 = (j + 2) % 3, c1 = (i + 1) % 3, c2 = (i + 2) % 3;
            inverse[i][j] = (m[r1][c1] * m[r2][c2] - m[r1][c2] * m[r2][c1]) / det;
        }
    return true;
}

}  // namespace

HctStatus hctReadCalibration(const std::string& folder, const std::string& make,
                             const std::string& model, int colors, HctCameraMatrix& matrix) {
    std::ifstream in(qorFsPath(folder + "/" + kHctCalibrationFileName));
    if (!in) return kHctCalibrationMissing;
    std::string line;
    while (std::getline(in, line)) {
        const std::string text = trimmed(line);
        if (text.empty() || text[0] == '#') continue;
        const size_t first = text.find(';');
        const size_t second = first == std::string::npos ? first : text.find(';', first + 1);
        if (second == std::string::npos) continue;
        if (!sameName(text.substr(0, first), make) ||
            !sameName(text.substr(first + 1, second - first - 1), model))
            continue;
        std::vector<double> numbers;
        if (!parseNumbers(text.substr(second + 1), numbers) ||
            numbers.size() != static_cast<size_t>(colors) * 3)
            return kHctCalibrationMalformed;
        matrix.colors = colors;
        matrix.rows = numbers;
        return hctColorCoefficients(matrix).preMul[0] > 0 ? kHctOk : kHctCalibrationMalformed;
    }
    return in.bad() ? kHctCalibrationMissing : kHctCalibrationNoCamera;
}

// As LibRaw turns a DNG colour matrix into its coefficients: camera-from-sRGB rows normalised to
// map white to white (their sums are the multipliers), then pseudo-inverted.
HctColorCoefficients hctColorCoefficients(const HctCameraMatrix& matrix) {
    HctColorCoefficients out;
    double camRgb[4][3] = {};
    const int colors = std::min(matrix.colors, 4);
    for (int i = 0; i < colors; ++i) {
        double sum = 0;
        for (int j = 0; j < 3; ++j) {
            for (int k = 0; k < 3; ++k)
                camRgb[i][j] +=
                    matrix.rows[static_cast<size_t>(i * 3 + k)] * LibRaw_constants::xyz_rgb[k][j];
            sum += camRgb[i][j];
        }
        if (sum <= 0.00001) return {};
        for (double& v : camRgb[i]) v /= sum;
        out.preMul[i] = static_cast<float>(1 / sum);
    }
    double normal[3][3];
    if (!invertNormal(camRgb, colors, normal)) return {};
    // Pseudo-inverse (A^T A)^-1 A^T, stored transposed as LibRaw keeps it.
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < colors; ++j) {
            double v = 0;
            for (int k = 0; k < 3; ++k) v += normal[i][k] * camRgb[j][k];
            out.rgbCam[i][j] = static_cast<float>(v);
        }
    return out;
}
