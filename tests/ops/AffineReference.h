#pragma once

#include <algorithm>
#include <cmath>
#include <limits>
#include <type_traits>
#include <vector>

#include "MemorySource.h"
#include "ZynAffineOp.h"
#include "ZynResamplingType.h"

// A straightforward floating-point resampler, one output pixel at a time, written from the
// definitions and sharing no code with the op: the map in pixel-index form (pixel centres at
// integer positions) with its coefficients held to 1/65536 as the op holds them, the valid
// domain, edge replication, Catmull-Rom weights at the nearest sixteenth of a pixel, and the
// truncations of the integer pipeline.
template <class T>
class AffineReference {
  public:
    AffineReference(const TestImage<T>& input, ZynAffineOp::Affines pixelMap,
                    ZynResamplingType::Enum type, std::vector<T> fill, double minimum = 0,
                    double maximum = 255)
        : in_(input), m_(heldTo16Bits(pixelMap)), type_(type), fill_(std::move(fill)) {
        const double typeLow = std::numeric_limits<T>::lowest();
        const double typeHigh = std::numeric_limits<T>::max();
        low_ = std::is_integral_v<T> ? std::max(std::ceil(minimum), typeLow) : minimum;
        high_ = std::is_integral_v<T> ? std::min(std::floor(maximum), typeHigh) : maximum;
    }

    // The map of an "affines" attribute given in pixels.
    static ZynAffineOp::Affines fromPixels(ZynAffineOp::Affines m) {
        m.c += (m.a + m.b - 1) / 2;
        m.f += (m.d + m.e - 1) / 2;
        return m;
    }

    TestImage<T> render(uint32_t width, uint32_t height) const {
        TestImage<T> out{width, height, in_.bands, {}};
        for (uint32_t y = 0; y < height; ++y)
            for (uint32_t x = 0; x < width; ++x)
                for (int b = 0; b < in_.bands; ++b) out.samples.push_back(pixel(x, y, b));
        return out;
    }

    T pixel(double x, double y, int b) const {
        const double px = m_.a * x + m_.b * y + m_.c;
        const double py = m_.d * x + m_.e * y + m_.f;
        const double w = in_.width, h = in_.height;
        if (type_ == ZynResamplingType::NEAREST) {
            const double ix = std::floor(px + 0.5), iy = std::floor(py + 0.5);
            if (ix < 0 || ix >= w || iy < 0 || iy >= h) return fill_[b];
            return in_.at(static_cast<int64_t>(ix), static_cast<int64_t>(iy), b);
        }
        if (px < -0.5 || px > w - 0.5 || py < -0.5 || py > h - 0.5) return fill_[b];
        const double i = std::floor(px), j = std::floor(py);
        const double t = px - i, u = py - j;
        const auto row = [&](double jj) {
            return type_ == ZynResamplingType::BILINEAR ? linearRow(i, jj, t, b)
                                                        : cubicRow(i, jj, t, b);
        };
        if (u == 0) return static_cast<T>(row(j));
        if (type_ == ZynResamplingType::BILINEAR)
            return static_cast<T>(lerp(row(j), row(j + 1), u));
        const auto wy = weights(u);
        return static_cast<T>(
            reduce(wy[0] * row(j - 1) + wy[1] * row(j) + wy[2] * row(j + 1) + wy[3] * row(j + 2)));
    }

  private:
    static ZynAffineOp::Affines heldTo16Bits(ZynAffineOp::Affines m) {
        for (double* v : {&m.a, &m.b, &m.c, &m.d, &m.e, &m.f})
            *v = std::floor(*v * 65536 + 0.5) / 65536;
        return m;
    }
    double sample(double i, double j, int b) const {
        const auto x = static_cast<int64_t>(std::clamp(i, 0.0, in_.width - 1.0));
        const auto y = static_cast<int64_t>(std::clamp(j, 0.0, in_.height - 1.0));
        return in_.at(x, y, b);
    }
    // v0 weighted 1 - t and v1 weighted t; integers keep the truncated difference.
    static double lerp(double v0, double v1, double t) {
        const double step = (v0 - v1) * (t - 1);
        return v1 - (std::is_integral_v<T> ? std::trunc(step) : step);
    }
    double linearRow(double i, double j, double t, int b) const {
        if (t == 0) return sample(i, j, b);
        return lerp(sample(i, j, b), sample(i + 1, j, b), t);
    }
    static std::vector<double> weights(double t) {
        const double p = std::floor(t * 16 + 0.5) / 16, p2 = p * p, p3 = p2 * p;
        return {(-p3 + 2 * p2 - p) / 2, (3 * p3 - 5 * p2 + 2) / 2, (-3 * p3 + 4 * p2 + p) / 2,
                (p3 - p2) / 2};
    }
    double reduce(double v) const {
        const double clamped = std::clamp(v, low_, high_);
        return std::is_integral_v<T> ? std::trunc(clamped) : clamped;
    }
    double cubicRow(double i, double j, double t, int b) const {
        if (t == 0) return sample(i, j, b);
        const auto w = weights(t);
        return reduce(w[0] * sample(i - 1, j, b) + w[1] * sample(i, j, b) +
                      w[2] * sample(i + 1, j, b) + w[3] * sample(i + 2, j, b));
    }

    TestImage<T> in_;
    ZynAffineOp::Affines m_;
    ZynResamplingType::Enum type_;
    std::vector<T> fill_;
    double low_, high_;
};

// The largest difference between two images of the same size.
template <class T>
double largestDifference(const TestImage<T>& a, const TestImage<T>& b) {
    double worst = 0;
    for (size_t i = 0; i < a.samples.size(); ++i)
        worst = std::max(worst, std::abs(static_cast<double>(a.samples[i]) - b.samples[i]));
    return worst;
}
