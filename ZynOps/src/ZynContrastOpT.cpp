#include "ZynContrastOpT.h"

#include <cmath>

#include "ZynDataType.h"
#include "ZynPointOpSupport.h"

template <class T>
ZynContrastOpT<T>::ZynContrastOpT(ZynUpstream input, double contrast)
    : input_(std::move(input)), contrast_(contrast) {
    if constexpr (std::is_same_v<T, uint8_t>)
        for (int i = 0; i < 256; ++i) table_[static_cast<size_t>(i)] = apply(i, contrast);
}

template <class T>
ZynContrastOpT<T>::~ZynContrastOpT() = default;

template <class T>
T ZynContrastOpT<T>::apply(double sample, double contrast) {
    double v = kPivot * std::pow(sample / kPivot, contrast);
    if (v > 255.0) v = 255.0;
    if (std::isnan(v)) return 0;
    if constexpr (std::is_same_v<T, float>) {
        return static_cast<float>(v);
    } else if constexpr (std::is_same_v<T, uint8_t>) {
        // Samples are never negative, so v lies in [0, 255] (K for 0^0).
        return static_cast<uint8_t>(std::lround(v));
    } else {
        // Strongly negative results saturate rather than wrap around.
        return static_cast<int16_t>(std::lround(std::max(v, -32768.0)));
    }
}

template <class T>
bool ZynContrastOpT<T>::outputInfo(ZynOutputInfo& info) {
    if (!input_.outputInfo(info) || !zynInputTypeIs<T>(info)) return false;
    return true;
}

template <class T>
bool ZynContrastOpT<T>::canFill(const ZynRectBuffer& buffer) {
    return buffer.dataType() == ZynDataTypeOf<T>::value;
}

template <class T>
void ZynContrastOpT<T>::genRect(ZynRectBuffer& buffer) {
    if (buffer.dataType() != ZynDataTypeOf<T>::value)
        throw ZynError(119, "Type of ZynRectBufferPtr does not match template type");
    zynRenderInPlace(input_, buffer);
    if constexpr (std::is_same_v<T, uint8_t>) {
        zynTransformSamples<uint8_t>(buffer, [&](uint8_t s) { return table_[s]; });
    } else {
        const double c = contrast_;
        zynTransformSamples<T>(buffer, [c](T s) { return apply(s, c); });
    }
}

template class ZynContrastOpT<uint8_t>;
template class ZynContrastOpT<int16_t>;
template class ZynContrastOpT<float>;
