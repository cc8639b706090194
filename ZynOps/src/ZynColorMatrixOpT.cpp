#include "ZynColorMatrixOpT.h"

#include <cmath>

#include "ZynPointOpSupport.h"

template <class T>
ZynColorMatrixOpT<T>::ZynColorMatrixOpT(ZynUpstream input, ZynMatrix<double> matrix)
    : input_(std::move(input)), matrix_(std::move(matrix)) {}

template <class T>
ZynColorMatrixOpT<T>::~ZynColorMatrixOpT() = default;

template <class T>
T ZynColorMatrixOpT<T>::convert(double v) {
    if constexpr (std::is_same_v<T, float>) {
        return static_cast<float>(v);
    } else {
        const double low = std::is_same_v<T, uint8_t> ? 0.0 : -32768.0;
        const double high = std::is_same_v<T, uint8_t> ? 255.0 : 32767.0;
        const double w = v + 0.5;
        if (w >= high) return static_cast<T>(high);
        // Truncation is the floor for the non-negative values of 8-bit samples.
        if (w >= low) return static_cast<T>(std::is_same_v<T, uint8_t> ? w : std::floor(w));
        return std::isnan(w) ? T(0) : static_cast<T>(low);
    }
}

template <class T>
bool ZynColorMatrixOpT<T>::outputInfo(ZynOutputInfo& info) {
    if (!input_.outputInfo(info) || !zynInputTypeIs<T>(info)) return false;
    if (info.dataOrg->bands() != 3) {
        info.error = ZynError(600, "Number of bands in input image does not equal Three (3)");
        return false;
    }
    if (matrix_.rows() != 4 || matrix_.columns() != 4) {
        info.error = ZynError(13, "The number of rows and columns in the matrix must each equal 4");
        return false;
    }
    return true;
}

template <class T>
bool ZynColorMatrixOpT<T>::canFill(const ZynRectBuffer& buffer) {
    return buffer.dataType() == ZynDataTypeOf<T>::value && buffer.bands() == 3;
}

template <class T>
void ZynColorMatrixOpT<T>::genRect(ZynRectBuffer& buffer) {
    if (buffer.dataType() != ZynDataTypeOf<T>::value)
        throw ZynError(119, "Type of ZynRectBufferPtr does not match template type");
    if (buffer.bands() != 3)
        throw ZynError(600, "Number of bands in input image does not equal Three (3)");
    zynRenderInPlace(input_, buffer);
    // Local copies: stores through T* could otherwise alias the matrix and force reloads.
    double e[3][4];
    for (int k = 0; k < 3; ++k)
        for (int j = 0; j < 4; ++j) e[k][j] = matrix_(k, j);
    const ZynRect& r = buffer.rect();
    const ZynSimpleDataOrg& org = buffer.org();
    const int64_t step = org.pixelStride();
    const int64_t o1 = org.bandOffset(1) - org.bandOffset(0);
    const int64_t o2 = org.bandOffset(2) - org.bandOffset(0);
    for (int64_t y = r.y; y < r.bottom(); ++y) {
        T* p = buffer.sample<T>(r.x, y);
        for (int64_t x = 0; x < r.width; ++x, p += step) {
            const double s0 = p[0], s1 = p[o1], s2 = p[o2];
            p[0] = convert(e[0][0] * s0 + e[0][1] * s1 + e[0][2] * s2 + e[0][3]);
            p[o1] = convert(e[1][0] * s0 + e[1][1] * s1 + e[1][2] * s2 + e[1][3]);
            p[o2] = convert(e[2][0] * s0 + e[2][1] * s1 + e[2][2] * s2 + e[2][3]);
        }
    }
}

template class ZynColorMatrixOpT<uint8_t>;
template class ZynColorMatrixOpT<int16_t>;
template class ZynColorMatrixOpT<float>;
