#include "ZynSampleConverter.h"

#include <cstdint>
#include <cstring>

namespace {

// VAX F and G values are sequences of little-endian 16-bit words, the most significant word
// first. Their exponents are biased by 2 more than IEEE's, and the sign, exponent and fraction
// sit in the same bit positions once the words are put in order.
constexpr uint32_t kFExponentMask = 0x7F800000u;
constexpr int kFExponentShift = 23;
constexpr uint64_t kGExponentMask = 0x7FF0000000000000ull;
constexpr int kGExponentShift = 52;
// Largest VAX magnitudes: every exponent and fraction bit set.
constexpr uint32_t kFLargest = 0x7FFFFFFFu;
constexpr uint64_t kGLargest = 0x7FFFFFFFFFFFFFFFull;

template <class T>
T loadBig(const unsigned char* p) {
    T v = 0;
    for (size_t i = 0; i < sizeof(T); ++i) v = static_cast<T>((v << 8) | p[i]);
    return v;
}

template <class T>
T loadLittle(const unsigned char* p) {
    T v = 0;
    for (size_t i = sizeof(T); i-- > 0;) v = static_cast<T>((v << 8) | p[i]);
    return v;
}

template <class T>
void storeBig(unsigned char* p, T v) {
    for (size_t i = sizeof(T); i-- > 0; v = static_cast<T>(v >> 8))
        p[i] = static_cast<unsigned char>(v);
}

template <class T>
void storeLittle(unsigned char* p, T v) {
    for (size_t i = 0; i < sizeof(T); ++i, v = static_cast<T>(v >> 8))
        p[i] = static_cast<unsigned char>(v);
}

template <class T>
T loadVax(const unsigned char* p) {
    T v = 0;
    for (size_t w = 0; w < sizeof(T) / 2; ++w)
        v = static_cast<T>((v << 16) | p[2 * w] | (p[2 * w + 1] << 8));
    return v;
}

template <class T>
void storeVax(unsigned char* p, T v) {
    for (size_t w = sizeof(T) / 2; w-- > 0; v = static_cast<T>(v >> 16)) {
        p[2 * w] = static_cast<unsigned char>(v);
        p[2 * w + 1] = static_cast<unsigned char>(v >> 8);
    }
}

// VAX exponents 0 to 2 have no normal IEEE counterpart (0 is zero or a reserved operand): 0.0.
template <class T, T ExponentMask, int Shift>
T vaxToIeee(T v) {
    const T exponent = (v & ExponentMask) >> Shift;
    return exponent <= 2 ? 0 : static_cast<T>(v - (T{2} << Shift));
}

// Zeros and IEEE denormals become 0.0; what F or G cannot hold (infinities and NaNs included)
// clamps to the largest VAX magnitude of the same sign.
template <class T, T ExponentMask, int Shift, T Largest>
T ieeeToVax(T v) {
    const T exponent = (v & ExponentMask) >> Shift;
    const T maxExponent = ExponentMask >> Shift;
    if (exponent == 0) return 0;
    if (exponent + 2 > maxExponent) return static_cast<T>((v & ~Largest) | Largest);
    return static_cast<T>(v + (T{2} << Shift));
}

uint32_t fToIeee(uint32_t v) {
    return vaxToIeee<uint32_t, kFExponentMask, kFExponentShift>(v);
}
uint64_t gToIeee(uint64_t v) {
    return vaxToIeee<uint64_t, kGExponentMask, kGExponentShift>(v);
}
uint32_t ieeeToF(uint32_t v) {
    return ieeeToVax<uint32_t, kFExponentMask, kFExponentShift, kFLargest>(v);
}
uint64_t ieeeToG(uint64_t v) {
    return ieeeToVax<uint64_t, kGExponentMask, kGExponentShift, kGLargest>(v);
}

// One sample, in place.
void none(void*) {}
void swap2(void* p) {
    uint16_t v;
    std::memcpy(&v, p, 2);
    v = __builtin_bswap16(v);
    std::memcpy(p, &v, 2);
}
void swap4(void* p) {
    uint32_t v;
    std::memcpy(&v, p, 4);
    v = __builtin_bswap32(v);
    std::memcpy(p, &v, 4);
}
void swap8(void* p) {
    uint64_t v;
    std::memcpy(&v, p, 8);
    v = __builtin_bswap64(v);
    std::memcpy(p, &v, 8);
}
void fToIeeeBig(void* p) {
    auto* b = static_cast<unsigned char*>(p);
    storeBig(b, fToIeee(loadVax<uint32_t>(b)));
}
void fToIeeeLittle(void* p) {
    auto* b = static_cast<unsigned char*>(p);
    storeLittle(b, fToIeee(loadVax<uint32_t>(b)));
}
void gToIeeeBig(void* p) {
    auto* b = static_cast<unsigned char*>(p);
    storeBig(b, gToIeee(loadVax<uint64_t>(b)));
}
void gToIeeeLittle(void* p) {
    auto* b = static_cast<unsigned char*>(p);
    storeLittle(b, gToIeee(loadVax<uint64_t>(b)));
}
void bigToF(void* p) {
    auto* b = static_cast<unsigned char*>(p);
    storeVax(b, ieeeToF(loadBig<uint32_t>(b)));
}
void littleToF(void* p) {
    auto* b = static_cast<unsigned char*>(p);
    storeVax(b, ieeeToF(loadLittle<uint32_t>(b)));
}
void bigToG(void* p) {
    auto* b = static_cast<unsigned char*>(p);
    storeVax(b, ieeeToG(loadBig<uint64_t>(b)));
}
void littleToG(void* p) {
    auto* b = static_cast<unsigned char*>(p);
    storeVax(b, ieeeToG(loadLittle<uint64_t>(b)));
}

template <ZynValueConverter Convert, size_t Size>
void overBuffer(void* samples, size_t count) {
    auto* p = static_cast<unsigned char*>(samples);
    for (size_t i = 0; i < count; ++i, p += Size) Convert(p);
}

const ZynValueConverter kValueConverters[] = {
    none,       swap2,         swap4,  swap8,     fToIeeeBig, fToIeeeLittle,
    gToIeeeBig, gToIeeeLittle, bigToF, littleToF, bigToG,     littleToG,
};

const ZynBufferConverter kBufferConverters[] = {
    overBuffer<none, 1>,       overBuffer<swap2, 2>,         overBuffer<swap4, 4>,
    overBuffer<swap8, 8>,      overBuffer<fToIeeeBig, 4>,    overBuffer<fToIeeeLittle, 4>,
    overBuffer<gToIeeeBig, 8>, overBuffer<gToIeeeLittle, 8>, overBuffer<bigToF, 4>,
    overBuffer<littleToF, 4>,  overBuffer<bigToG, 8>,        overBuffer<littleToG, 8>,
};

}  // namespace

int zynSizeClass(ZynDataType type) {
    switch (type) {
        case ZynDataType::UInt8:
            return 0;
        case ZynDataType::Int16:
        case ZynDataType::UInt16:
            return 1;
        case ZynDataType::Int32:
        case ZynDataType::UInt32:
            return 2;
        case ZynDataType::Float32:
            return 3;
        case ZynDataType::Float64:
            return 4;
    }
    return 5;
}

int zynConverterIndex(const ZynHardwareDesc& from, const ZynHardwareDesc& to, int sizeClass) {
    const bool ordersDiffer = from.littleEndian != to.littleEndian;
    const bool floatsDiffer = from.ieeeFloat != to.ieeeFloat;
    switch (sizeClass) {
        case 1:
            return ordersDiffer ? 1 : 0;
        case 2:
            return ordersDiffer ? 2 : 0;
        case 3:
            if (floatsDiffer) {
                if (!from.ieeeFloat) return to.littleEndian ? 5 : 4;
                return from.littleEndian ? 9 : 8;
            }
            return ordersDiffer ? 2 : 0;
        case 4:
            if (floatsDiffer) {
                if (!from.ieeeFloat) return to.littleEndian ? 7 : 6;
                return from.littleEndian ? 11 : 10;
            }
            return ordersDiffer ? 3 : 0;
        default:
            return 0;
    }
}

ZynValueConverter zynValueConverter(const ZynHardwareDesc& from, const ZynHardwareDesc& to,
                                    int sizeClass) {
    const int index = zynConverterIndex(from, to, sizeClass);
    return index == 0 ? nullptr : kValueConverters[index];
}

ZynBufferConverter zynBufferConverter(const ZynHardwareDesc& from, const ZynHardwareDesc& to,
                                      int sizeClass) {
    const int index = zynConverterIndex(from, to, sizeClass);
    return index == 0 ? nullptr : kBufferConverters[index];
}
