#include "ZynAffineOpT.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include "QorSettings.h"

namespace {

constexpr int64_t kOne = 65536;
// Requests whose input would exceed this many samples (strong reductions) are split, so that
// memory stays bounded whatever the map.
constexpr int64_t kMaxSourceSamples = int64_t{1} << 24;

// Catmull-Rom weights of the samples at I - 1, I, I + 1, I + 2 for the 17 phases t = k / 16, in
// 16.16 and as the same values in float.
struct CubicTable {
    int32_t fixed[17][4];
    float real[17][4];
    float fixedAsFloat[17][4];  // the 16.16 weights as exact floats

    CubicTable() {
        for (int k = 0; k <= 16; ++k) {
            const double t = k / 16.0, t2 = t * t, t3 = t2 * t;
            const double w[4] = {(-t3 + 2 * t2 - t) / 2, (3 * t3 - 5 * t2 + 2) / 2,
                                 (-3 * t3 + 4 * t2 + t) / 2, (t3 - t2) / 2};
            for (int i = 0; i < 4; ++i) {
                fixed[k][i] = static_cast<int32_t>(std::floor(w[i] * kOne + 0.5));
                real[k][i] = static_cast<float>(fixed[k][i]) / kOne;
                fixedAsFloat[k][i] = static_cast<float>(fixed[k][i]);
            }
        }
    }
};

const CubicTable& cubicTable() {
    static const CubicTable table;
    return table;
}

int phase(int64_t fraction) {
    return static_cast<int>((fraction + 2048) >> 12);
}

template <class T>
const auto& cubicWeightTable() {
    if constexpr (std::is_same_v<T, float>)
        return cubicTable().real;
    else
        return cubicTable().fixed;
}

// A fill value as a sample: integers are rounded half away from zero and keep their low bits
// (256 is stored as 0 in 8 bits, -0.5 as 255); floats are stored as they are.
template <class T>
T storedFill(double v) {
    if constexpr (std::is_same_v<T, float>) {
        return static_cast<float>(v);
    } else {
        if (!std::isfinite(v)) return 0;
        const auto low = static_cast<int64_t>(std::fmod(std::round(v), 65536.0));
        return static_cast<T>(static_cast<std::make_unsigned_t<T>>(low));
    }
}

// The colour space's range as the op clamps to it: whole sample values inside the type's range,
// in 16.16 for integers.
template <class T, class Acc>
std::pair<Acc, Acc> clampRange(double minimum, double maximum) {
    const double typeMin = std::numeric_limits<T>::lowest();
    const double typeMax = std::numeric_limits<T>::max();
    double low = std::is_same_v<T, float> ? minimum : std::ceil(minimum);
    double high = std::is_same_v<T, float> ? maximum : std::floor(maximum);
    if (!(low >= typeMin)) low = typeMin;
    if (!(low <= typeMax)) low = typeMax;
    if (!(high <= typeMax)) high = typeMax;
    if (!(high >= low)) high = low;
    if constexpr (std::is_same_v<T, float>)
        return {static_cast<float>(low), static_cast<float>(high)};
    else
        return {static_cast<Acc>(low) * kOne, static_cast<Acc>(high) * kOne};
}

ZynRect expanded(const ZynRect& r, int64_t margin) {
    return {r.x - margin, r.y - margin, r.width + 2 * margin, r.height + 2 * margin};
}

ZynRect halfOf(const ZynRect& r, bool second) {
    if (r.width >= r.height) {
        const int64_t left = r.width / 2;
        return second ? ZynRect{r.x + left, r.y, r.width - left, r.height}
                      : ZynRect{r.x, r.y, left, r.height};
    }
    const int64_t top = r.height / 2;
    return second ? ZynRect{r.x, r.y + top, r.width, r.height - top}
                  : ZynRect{r.x, r.y, r.width, top};
}

#ifdef __SSE2__
constexpr bool kHaveLanes = true;

// Four float lanes, one per band of a pixel of up to four 8-bit samples.
struct CubicWeights {
    __m128 w[4];
    explicit CubicWeights(const float* weights) {
        for (int i = 0; i < 4; ++i) w[i] = _mm_set1_ps(weights[i]);
    }
};

// The four bytes at p as floats; for three bands the fourth lane holds whatever follows.
__m128 lanesAt(const uint8_t* p) {
    int32_t word;
    std::memcpy(&word, p, sizeof word);
    const __m128i zero = _mm_setzero_si128();
    const __m128i bytes = _mm_cvtsi32_si128(word);
    return _mm_cvtepi32_ps(_mm_unpacklo_epi16(_mm_unpacklo_epi8(bytes, zero), zero));
}

// One step of the 8-bit bicubic pipeline in float lanes: the weighted sum of four samples (or
// row values), clamped to the 16.16 range and truncated to a whole sample. Every product and
// partial sum of integers below 2^24 is exact in float when the two non-positive outer terms
// come first; a sum beyond 2^24 lies above the clamp and is clamped like the exact one. So the
// result equals the integer pipeline's.
__m128 cubicStep(const CubicWeights& w, __m128 a, __m128 b, __m128 c, __m128 d, __m128 low,
                 __m128 high) {
    __m128 sum = _mm_add_ps(_mm_mul_ps(w.w[0], a), _mm_mul_ps(w.w[3], d));
    sum = _mm_add_ps(_mm_add_ps(sum, _mm_mul_ps(w.w[1], b)), _mm_mul_ps(w.w[2], c));
    sum = _mm_min_ps(_mm_max_ps(sum, low), high);
    return _mm_cvtepi32_ps(_mm_cvttps_epi32(_mm_mul_ps(sum, _mm_set1_ps(1.0f / kOne))));
}
#else
constexpr bool kHaveLanes = false;
#endif

}  // namespace

template <class T>
ZynAffineOpT<T>::ZynAffineOpT(Parameters parameters)
    : ZynAffineOp(std::move(parameters)),
      bands_(static_cast<int>(this->parameters().fill.size())),
      lanes_(QorSettings::get().optimizationsEnabled) {
    for (double v : this->parameters().fill) fill_.push_back(storedFill<T>(v));
    std::tie(minimum_, maximum_) =
        clampRange<T, Acc>(this->parameters().minimum, this->parameters().maximum);
}

template <class T>
ZynAffineOpT<T>::~ZynAffineOpT() = default;

template <class T>
bool ZynAffineOpT<T>::outputInfo(ZynOutputInfo& info) {
    ZynOutputInfo input;
    if (!parameters().input.outputInfo(input)) {
        info.error = input.error;
        return false;
    }
    if (!input.dataOrg || input.dataOrg->dataType() != ZynDataTypeOf<T>::value) {
        info.error = ZynError(603,
                              "Input image data type does not match template data type in "
                              "ZynAffineOpT::outputInfo()");
        return false;
    }
    if (parameters().width < 1 || parameters().height < 1) {
        info.error = ZynError(13, "neither width nor height can be less than 1");
        return false;
    }
    info.width = parameters().width;
    info.height = parameters().height;
    info.originX = info.originY = 0;
    info.dataOrg = nativeTile(ZynDataTypeOf<T>::value, bands_);
    return true;
}

template <class T>
bool ZynAffineOpT<T>::canFill(const ZynRectBuffer& buffer) {
    return buffer.dataType() == ZynDataTypeOf<T>::value && buffer.bands() == bands_ &&
           fitsNativeTile(buffer.rect());
}

template <class T>
void ZynAffineOpT<T>::genRect(ZynRectBuffer& buffer) {
    ensureMap();
    if (buffer.dataType() != ZynDataTypeOf<T>::value)
        throw ZynError(119, "Type of ZynRectBufferPtr does not match template type");
    if (buffer.bands() != bands_)
        throw ZynError(3, "The buffer has " + std::to_string(buffer.bands()) +
                              " bands but the affine op's input has " + std::to_string(bands_));
    const ZynRect& rect = buffer.rect();
    if (rect.empty()) return;
    if (!ZynRect{0, 0, parameters().width, parameters().height}.contains(rect))
        throw ZynError(411, "requested (" + std::to_string(rect.x) + "," + std::to_string(rect.y) +
                                ") w=" + std::to_string(rect.width) +
                                ", h=" + std::to_string(rect.height) + " pixels from an image of " +
                                std::to_string(parameters().width) + "x" +
                                std::to_string(parameters().height) + " pixels");

    const ZynRect taps = tapRect(rect);
    const ZynRect inside = taps.intersect(inputBounds());
    if (inside.empty()) {
        const std::vector<int64_t> offsets = [&] {
            std::vector<int64_t> o;
            for (int b = 0; b < bands_; ++b)
                o.push_back(buffer.org().bandOffset(b) - buffer.org().bandOffset(0));
            return o;
        }();
        for (int64_t y = rect.y; y < rect.bottom(); ++y)
            fillPixels({buffer.sample<T>(rect.x, y), buffer.org().pixelStride(), offsets.data()}, 0,
                       rect.width);
        return;
    }
    const int64_t margin = parameters().resampling == ZynResamplingType::BICUBIC    ? 2
                           : parameters().resampling == ZynResamplingType::BILINEAR ? 1
                                                                                    : 0;
    const ZynRect held = taps.intersect(expanded(inputBounds(), margin));
    if (held.width * held.height > kMaxSourceSamples / bands_ &&
        (rect.width > 1 || rect.height > 1)) {
        for (bool second : {false, true}) {
            ZynRectBuffer half = buffer.subView(halfOf(rect, second));
            genRect(half);
        }
        return;
    }

    const ZynRectBuffer source = readSource(held, inside);
    const Source s{source.sample<T>(held.x, held.y),
                   source.lineStrideBytes() / static_cast<int64_t>(sizeof(T)), held.x, held.y};
    switch (bands_) {
        case 1:
            return renderRows<1>(s, buffer);
        case 3:
            return renderRows<3>(s, buffer);
        case 4:
            return renderRows<4>(s, buffer);
        default:
            return renderRows<0>(s, buffer);
    }
}

template <class T>
ZynRectBuffer ZynAffineOpT<T>::readSource(const ZynRect& held, const ZynRect& inside) const {
    // One spare pixel per row: the 8-bit bicubic lanes read a sample past a pixel of 3 bands.
    ZynRectBuffer source(held,
                         std::make_shared<ZynSimpleDataOrg>(static_cast<uint32_t>(held.width + 1),
                                                            static_cast<uint32_t>(held.height),
                                                            ZynDataTypeOf<T>::value, bands_));
    ZynRectBuffer view = source.subView(inside);
    parameters().input.render(view);
    if (interpolating()) replicateEdges(source, inside);
    return source;
}

template <class T>
void ZynAffineOpT<T>::replicateEdges(ZynRectBuffer& source, const ZynRect& inside) const {
    const ZynRect& held = source.rect();
    const size_t pixelBytes = sizeof(T) * static_cast<size_t>(bands_);
    for (int64_t y = inside.y; y < inside.bottom(); ++y) {
        for (int64_t x = held.x; x < inside.x; ++x)
            std::memcpy(source.at(x, y), source.at(inside.x, y), pixelBytes);
        for (int64_t x = inside.right(); x < held.right(); ++x)
            std::memcpy(source.at(x, y), source.at(inside.right() - 1, y), pixelBytes);
    }
    const size_t rowBytes = pixelBytes * static_cast<size_t>(held.width);
    for (int64_t y = held.y; y < inside.y; ++y)
        std::memcpy(source.at(held.x, y), source.at(held.x, inside.y), rowBytes);
    for (int64_t y = inside.bottom(); y < held.bottom(); ++y)
        std::memcpy(source.at(held.x, y), source.at(held.x, inside.bottom() - 1), rowBytes);
}

template <class T>
void ZynAffineOpT<T>::fillPixels(const Target& target, int64_t begin, int64_t end) const {
    for (int64_t k = begin; k < end; ++k) {
        T* pixel = target.pixel + k * target.step;
        for (int b = 0; b < bands_; ++b) pixel[target.offsets[b]] = fill_[static_cast<size_t>(b)];
    }
}

template <class T>
template <int Bands>
void ZynAffineOpT<T>::renderRows(const Source& source, ZynRectBuffer& buffer) const {
    const ZynRect& rect = buffer.rect();
    const ZynSimpleDataOrg& org = buffer.org();
    std::vector<int64_t> offsets;
    for (int b = 0; b < bands_; ++b) offsets.push_back(org.bandOffset(b) - org.bandOffset(0));
    for (int64_t y = rect.y; y < rect.bottom(); ++y) {
        const Target row{buffer.sample<T>(rect.x, y), org.pixelStride(), offsets.data()};
        const Run run = validRun(rect.x, y, rect.width);
        fillPixels(row, 0, run.begin);
        if (run.end > run.begin) {
            const int64_t x = rect.x + run.begin;
            const auto px = static_cast<int64_t>(sourceX(x, y));
            const auto py = static_cast<int64_t>(sourceY(x, y));
            const Target target{row.pixel + run.begin * row.step, row.step, row.offsets};
            const int64_t n = run.end - run.begin;
            switch (parameters().resampling) {
                case ZynResamplingType::BILINEAR:
                    bilinearRun<Bands>(source, target, px, py, n);
                    break;
                case ZynResamplingType::BICUBIC:
                    if constexpr (kHaveLanes && std::is_same_v<T, uint8_t> &&
                                  (Bands == 3 || Bands == 4))
                        if (lanes_) {
                            bicubicByteRun<Bands>(source, target, px, py, n);
                            break;
                        }
                    bicubicRun<Bands>(source, target, px, py, n);
                    break;
                default:
                    nearestRun<Bands>(source, target, px, py, n);
            }
        }
        fillPixels(row, run.end, rect.width);
    }
}

template <class T>
template <int Bands>
void ZynAffineOpT<T>::nearestRun(const Source& source, Target target, int64_t px, int64_t py,
                                 int64_t n) const {
    const int nb = Bands ? Bands : bands_;
    const int64_t stepX = fixedMap().a, stepY = fixedMap().d;
    T* out = target.pixel;
    for (int64_t k = 0; k < n; ++k, px += stepX, py += stepY, out += target.step) {
        const T* p = source.at(px, py, nb);
        for (int b = 0; b < nb; ++b) out[target.offsets[b]] = p[b];
    }
}

template <class T>
template <int Bands>
void ZynAffineOpT<T>::bilinearRun(const Source& source, Target target, int64_t px, int64_t py,
                                  int64_t n) const {
    const int nb = Bands ? Bands : bands_;
    const int64_t stepX = fixedMap().a, stepY = fixedMap().d;
    const int64_t stride = source.stride;
    // s1 - (s0 - s1) * (F - 1): F is the fraction past s0, so an exact position keeps s0.
    const auto lerp = [](Acc s0, Acc s1, int64_t fraction) -> Acc {
        if (fraction == 0) return s0;
        if constexpr (std::is_same_v<T, float>)
            return s1 - (s0 - s1) * static_cast<float>(fraction - kOne) * (1.0f / kOne);
        else
            return s1 - ((s0 - s1) * static_cast<Acc>(fraction - kOne)) / kOne;
    };
    T* out = target.pixel;
    for (int64_t k = 0; k < n; ++k, px += stepX, py += stepY, out += target.step) {
        const int64_t fx = px & 0xFFFF, fy = py & 0xFFFF;
        const T* p = source.at(px, py, nb);
        for (int b = 0; b < nb; ++b) {
            const T* s = p + b;
            Acc v = lerp(s[0], s[nb], fx);
            if (fy != 0) v = lerp(v, lerp(s[stride], s[stride + nb], fx), fy);
            out[target.offsets[b]] = static_cast<T>(v);
        }
    }
}

template <class T>
typename ZynAffineOpT<T>::Acc ZynAffineOpT<T>::reduce(Acc sum) const {
    const Acc clamped = std::clamp(sum, minimum_, maximum_);
    if constexpr (std::is_same_v<T, float>)
        return clamped;
    else if constexpr (std::is_same_v<T, uint8_t>)
        return clamped >> 16;  // the range of 8-bit samples is never negative
    else
        return clamped / kOne;
}

template <class T>
template <int Bands>
void ZynAffineOpT<T>::bicubicRun(const Source& source, Target target, int64_t px, int64_t py,
                                 int64_t n) const {
    constexpr int kMaxBands = Bands ? Bands : 1;
    const int nb = Bands ? Bands : bands_;
    const int64_t stepX = fixedMap().a, stepY = fixedMap().d;
    const int64_t stride = source.stride;
    const auto& table = cubicWeightTable<T>();
    // Local copies: stores of samples could otherwise alias them and force reloads.
    int64_t offsets[kMaxBands];
    if constexpr (Bands > 0)
        for (int b = 0; b < Bands; ++b) offsets[b] = target.offsets[b];
    T* out = target.pixel;
    for (int64_t k = 0; k < n; ++k, px += stepX, py += stepY, out += target.step) {
        const int64_t fx = px & 0xFFFF, fy = py & 0xFFFF;
        const auto* wx = table[phase(fx)];
        const auto* wy = table[phase(fy)];
        const T* p = source.at(px, py, nb);
        // Interpolation is skipped on an axis whose position is exact.
        const auto row = [&, w0 = wx[0], w1 = wx[1], w2 = wx[2], w3 = wx[3]](const T* s) -> Acc {
            if (fx == 0) return s[0];
            return reduce(w0 * static_cast<Acc>(s[-nb]) + w1 * static_cast<Acc>(s[0]) +
                          w2 * static_cast<Acc>(s[nb]) + w3 * static_cast<Acc>(s[2 * nb]));
        };
        if constexpr (Bands > 0) {
            Acc v[Bands];
            if (fy == 0) {
                for (int b = 0; b < Bands; ++b) v[b] = row(p + b);
            } else {
                for (int b = 0; b < Bands; ++b) v[b] = 0;
                for (int j = 0; j < 4; ++j)
                    for (int b = 0; b < Bands; ++b) v[b] += wy[j] * row(p + (j - 1) * stride + b);
                for (int b = 0; b < Bands; ++b) v[b] = reduce(v[b]);
            }
            for (int b = 0; b < Bands; ++b) out[offsets[b]] = static_cast<T>(v[b]);
        } else {
            for (int b = 0; b < nb; ++b) {
                const T* s = p + b;
                const Acc v = fy == 0
                                  ? row(s)
                                  : reduce(wy[0] * row(s - stride) + wy[1] * row(s) +
                                           wy[2] * row(s + stride) + wy[3] * row(s + 2 * stride));
                out[target.offsets[b]] = static_cast<T>(v);
            }
        }
    }
}

#ifdef __SSE2__
template <class T>
template <int Bands>
void ZynAffineOpT<T>::bicubicByteRun(const Source& source, Target target, int64_t px, int64_t py,
                                     int64_t n) const {
    const int64_t stepX = fixedMap().a, stepY = fixedMap().d;
    const int64_t stride = source.stride;
    const auto& table = cubicTable().fixedAsFloat;
    const __m128 low = _mm_set1_ps(static_cast<float>(minimum_));
    const __m128 high = _mm_set1_ps(static_cast<float>(maximum_));
    int64_t offsets[Bands];
    for (int b = 0; b < Bands; ++b) offsets[b] = target.offsets[b];
    T* out = target.pixel;
    for (int64_t k = 0; k < n; ++k, px += stepX, py += stepY, out += target.step) {
        const int64_t fx = px & 0xFFFF, fy = py & 0xFFFF;
        if (fx == 0 || fy == 0) {
            // An exact position on an axis skips its interpolation, as the general run does.
            bicubicRun<Bands>(source, {out, target.step, target.offsets}, px, py, 1);
            continue;
        }
        const CubicWeights wx(table[phase(fx)]);
        const T* p = source.at(px, py, Bands) - stride - Bands;  // the tap at (I - 1, J - 1)
        __m128 rows[4];
        for (int j = 0; j < 4; ++j, p += stride)
            rows[j] = cubicStep(wx, lanesAt(p), lanesAt(p + Bands), lanesAt(p + 2 * Bands),
                                lanesAt(p + 3 * Bands), low, high);
        const __m128i v = _mm_cvttps_epi32(cubicStep(CubicWeights(table[phase(fy)]), rows[0],
                                                     rows[1], rows[2], rows[3], low, high));
        alignas(16) int32_t samples[4];
        _mm_store_si128(reinterpret_cast<__m128i*>(samples), v);
        for (int b = 0; b < Bands; ++b) out[offsets[b]] = static_cast<T>(samples[b]);
    }
}
#endif

template class ZynAffineOpT<uint8_t>;
template class ZynAffineOpT<int16_t>;
template class ZynAffineOpT<float>;
