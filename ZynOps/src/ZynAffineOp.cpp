#include "ZynAffineOp.h"

#include <algorithm>
#include <cmath>
#include <sstream>

#include "ZynNumberText.h"

namespace {

constexpr int64_t kOne = 65536;
constexpr int64_t kHalf = kOne / 2;
// Larger coefficients would overflow the 128-bit position arithmetic; no useful map needs them.
constexpr double kMaxCoefficient = 1099511627776.0;  // 2^40
// Tile indices are kept within this range so that rectangle arithmetic cannot overflow.
constexpr int64_t kIndexLimit = int64_t{1} << 40;
// Native tiles of maps that keep rows horizontal hold about this many samples.
constexpr uint64_t kRowTileSamples = 1u << 18;
constexpr uint32_t kSquareTile = 256;

using Wide = QorInt128;

Wide floorDiv(Wide n, Wide d) {
    Wide q = n / d;
    if (n % d != 0 && ((n < 0) != (d < 0))) --q;
    return q;
}

Wide ceilDiv(Wide n, Wide d) {
    return -floorDiv(-n, d);
}

int64_t clampIndex(Wide v) {
    return static_cast<int64_t>(std::clamp<Wide>(v, -kIndexLimit, kIndexLimit));
}

// 16.16 of v: integer part floor(v), fraction rounded to the nearest 1/65536.
int64_t toFixed(double v) {
    const double whole = std::floor(v);
    return static_cast<int64_t>(whole) * kOne +
           static_cast<int64_t>(std::floor((v - whole) * kOne + 0.5));
}

// The k in [0, count) with lo <= start + k * step <= hi, as [begin, end).
std::pair<Wide, Wide> solve(Wide start, int64_t step, Wide lo, Wide hi, int64_t count) {
    if (step == 0)
        return start >= lo && start <= hi ? std::pair<Wide, Wide>{0, count}
                                          : std::pair<Wide, Wide>{0, 0};
    Wide first, last;
    if (step > 0) {
        first = ceilDiv(lo - start, step);
        last = floorDiv(hi - start, step);
    } else {
        first = ceilDiv(hi - start, step);
        last = floorDiv(lo - start, step);
    }
    return {std::max<Wide>(first, 0), std::min<Wide>(last + 1, count)};
}

}  // namespace

std::string ZynAffineOp::Affines::toText() const {
    return "[" + zynNumberText(a) + "," + zynNumberText(b) + "," + zynNumberText(c) + "," +
           zynNumberText(d) + "," + zynNumberText(e) + "," + zynNumberText(f) + "]";
}

ZynAffineOp::Affines ZynAffineOp::Affines::fromText(const std::string& text) {
    std::istringstream in(text);
    in.get();
    double values[6];
    int count = 0;
    while (count < 6) {
        if (!(in >> values[count])) break;
        ++count;
        char separator = 0;
        if (!in.get(separator) || separator == ']') break;
    }
    if (count < 6) throw ZynError(13, "Illegal value for ZynAffineOp::Affines");
    return {values[0], values[1], values[2], values[3], values[4], values[5]};
}

ZynAffineOp::ZynAffineOp(Parameters parameters) : parameters_(std::move(parameters)) {
    if (parameters_.resampling < ZynResamplingType::NEAREST ||
        parameters_.resampling > ZynResamplingType::BICUBIC)
        throw ZynError(600, "Unknown resampling method in ZynAffineOp/ZynRotateOp");
    if (!parameters_.stream) prepareMap(parameters_.map);
}

void ZynAffineOp::prepareMap(const Affines& map) {
    for (double v : {map.a, map.b, map.c, map.d, map.e, map.f})
        if (!(std::abs(v) <= kMaxCoefficient))
            throw ZynError(600, "The affine map " + map.toText() +
                                    " has a coefficient that is not a number below 2^40");
    // Nearest-neighbour positions carry half a pixel so that taking the integer part rounds.
    const double shift = interpolating() ? 0.0 : 0.5;
    map_ = map;
    fixed_ = {toFixed(map.a), toFixed(map.b), toFixed(map.c + shift),
              toFixed(map.d), toFixed(map.e), toFixed(map.f + shift)};
}

void ZynAffineOp::ensureMap() {
    if (!parameters_.stream) return;
    std::lock_guard lock(streamMutex_);
    if (fetched_) return;
    Affines map = parameters_.stream->value(parameters_.item.get());
    map.c = (map.a + map.b - 1) / 2 + parameters_.width * map.c;
    map.f = (map.d + map.e - 1) / 2 + parameters_.height * map.f;
    prepareMap(map);
    fetched_ = true;
}

ZynRect ZynAffineOp::inputBounds() const {
    const ZynResolution& r = parameters_.input.resolution();
    return {0, 0, r.width, r.height};
}

ZynAffineOp::Wide ZynAffineOp::sourceX(int64_t x, int64_t y) const {
    return Wide{fixed_.c} + Wide{x} * fixed_.a + Wide{y} * fixed_.b;
}

ZynAffineOp::Wide ZynAffineOp::sourceY(int64_t x, int64_t y) const {
    return Wide{fixed_.f} + Wide{x} * fixed_.d + Wide{y} * fixed_.e;
}

ZynRect ZynAffineOp::inputRect(const ZynRect& outputRect) {
    int64_t margin = 2;
    switch (parameters_.resampling) {
        case ZynResamplingType::NEAREST:
        case ZynResamplingType::BICUBIC:
            break;
        case ZynResamplingType::BILINEAR:
            margin = 1;
            break;
        default:
            throw ZynError(600, "Unknown resampling method in ZynAffineOp/ZynRotateOp");
    }
    ensureMap();
    const double x0 = static_cast<double>(outputRect.x), y0 = static_cast<double>(outputRect.y);
    const double x1 = static_cast<double>(outputRect.right() - 1);
    const double y1 = static_cast<double>(outputRect.bottom() - 1);
    const Affines& m = map_;
    const double xs[] = {m.a * x0 + m.b * y0 + m.c, m.a * x1 + m.b * y0 + m.c,
                         m.a * x0 + m.b * y1 + m.c, m.a * x1 + m.b * y1 + m.c};
    const double ys[] = {m.d * x0 + m.e * y0 + m.f, m.d * x1 + m.e * y0 + m.f,
                         m.d * x0 + m.e * y1 + m.f, m.d * x1 + m.e * y1 + m.f};
    const auto [minX, maxX] = std::minmax_element(std::begin(xs), std::end(xs));
    const auto [minY, maxY] = std::minmax_element(std::begin(ys), std::end(ys));
    const int64_t left = static_cast<int64_t>(std::floor(*minX)) - margin;
    const int64_t top = static_cast<int64_t>(std::floor(*minY)) - margin;
    return {left, top, static_cast<int64_t>(std::ceil(*maxX)) + margin - left + 1,
            static_cast<int64_t>(std::ceil(*maxY)) + margin - top + 1};
}

ZynRect ZynAffineOp::tapRect(const ZynRect& outputRect) const {
    const int64_t x0 = outputRect.x, x1 = outputRect.right() - 1;
    const int64_t y0 = outputRect.y, y1 = outputRect.bottom() - 1;
    const Wide xs[] = {sourceX(x0, y0), sourceX(x1, y0), sourceX(x0, y1), sourceX(x1, y1)};
    const Wide ys[] = {sourceY(x0, y0), sourceY(x1, y0), sourceY(x0, y1), sourceY(x1, y1)};
    // Interpolation reads samples I .. I + 1 (bilinear) or I - 1 .. I + 2 (bicubic) around the
    // integer part I of a position.
    int64_t before = 0, after = 0;
    if (parameters_.resampling == ZynResamplingType::BILINEAR) after = 1;
    if (parameters_.resampling == ZynResamplingType::BICUBIC) before = 1, after = 2;
    const int64_t left = clampIndex(floorDiv(*std::min_element(xs, xs + 4), kOne)) - before;
    const int64_t right = clampIndex(floorDiv(*std::max_element(xs, xs + 4), kOne)) + after;
    const int64_t top = clampIndex(floorDiv(*std::min_element(ys, ys + 4), kOne)) - before;
    const int64_t bottom = clampIndex(floorDiv(*std::max_element(ys, ys + 4), kOne)) + after;
    return {left, top, right - left + 1, bottom - top + 1};
}

ZynAffineOp::Run ZynAffineOp::validRun(int64_t x0, int64_t y, int64_t count) const {
    const ZynRect bounds = inputBounds();
    // Rounded nearest-neighbour indices must lie in the input; interpolated positions may lie up
    // to half a pixel beyond the outer pixel centres, where edge pixels are replicated.
    const Wide low = interpolating() ? -kHalf : 0;
    const Wide highX =
        interpolating() ? Wide{bounds.width - 1} * kOne + kHalf : Wide{bounds.width} * kOne - 1;
    const Wide highY =
        interpolating() ? Wide{bounds.height - 1} * kOne + kHalf : Wide{bounds.height} * kOne - 1;
    const auto [bx, ex] = solve(sourceX(x0, y), fixed_.a, low, highX, count);
    const auto [by, ey] = solve(sourceY(x0, y), fixed_.d, low, highY, count);
    const Wide begin = std::max(bx, by), end = std::min(ex, ey);
    if (begin >= end) return {0, 0};
    return {static_cast<int64_t>(begin), static_cast<int64_t>(end)};
}

ZynDataOrgPtr ZynAffineOp::nativeTile(ZynDataType type, int bands) const {
    const uint32_t width = std::max<uint32_t>(parameters_.width, 1);
    const uint32_t height = std::max<uint32_t>(parameters_.height, 1);
    if (!parameters_.stream && map_.b == 0 && map_.d == 0) {
        const uint64_t rowSamples = uint64_t{width} * static_cast<uint64_t>(bands);
        const auto rows =
            static_cast<uint32_t>(std::clamp<uint64_t>(kRowTileSamples / rowSamples, 16, height));
        return std::make_shared<ZynSimpleDataOrg>(width, std::min(rows, height), type, bands);
    }
    return std::make_shared<ZynSimpleDataOrg>(std::min(width, kSquareTile),
                                              std::min(height, kSquareTile), type, bands);
}

bool ZynAffineOp::fitsNativeTile(const ZynRect& rect) const {
    const ZynDataOrgPtr tile = nativeTile(ZynDataType::UInt8, 1);
    return rect.width <= tile->width() && rect.height <= tile->height();
}
