#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>

#include "ComAutomation.h"

namespace {

using Int128 = __int128;
using UInt128 = unsigned __int128;

constexpr UInt128 kDecimalMax = (static_cast<UInt128>(1) << 96) - 1;
constexpr int kDecimalMaxScale = 28;

bool isValidBaseType(VARTYPE t) {
    return (t <= VT_HRESULT && t != 15) || t == VT_RECORD;
}

// Types a VARIANT may hold by value.
bool isValidVariantType(VARTYPE vt) {
    const VARTYPE base = vt & VT_TYPEMASK;
    if (vt & ~(VT_TYPEMASK | VT_ARRAY | VT_BYREF)) return false;
    if (!isValidBaseType(base)) return false;
    if (!(vt & (VT_ARRAY | VT_BYREF)) &&
        (base == VT_VARIANT || base == VT_VOID || base == VT_HRESULT))
        return false;
    return true;
}

// A scalar value in the widest form of its kind, the pivot of every conversion.
struct Scalar {
    enum Kind { Empty, Null, Integer, Real, Decimal, Text, Error } kind = Empty;
    Int128 integer = 0;  // Integer: the value; Decimal: the signed unscaled value
    int scale = 0;       // Decimal: digits after the point
    double real = 0;     // Real
    std::u16string text;
    SCODE error = 0;
};

std::string narrowAscii(const std::u16string& text) {
    std::string out;
    for (char16_t c : text) out.push_back(c < 0x80 ? static_cast<char>(c) : '?');
    return out;
}

std::u16string widenAscii(const std::string& text) {
    return std::u16string(text.begin(), text.end());
}

std::string trim(const std::string& text) {
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

Int128 pow10(int n) {
    Int128 p = 1;
    while (n-- > 0) p *= 10;
    return p;
}

// Rounds value / 10^scale to an integer, half to even, as the platform rounds.
Int128 roundScaled(Int128 value, int scale) {
    if (scale <= 0) return value;
    const Int128 divisor = pow10(scale);
    Int128 quotient = value / divisor;
    const Int128 rest = value % divisor;
    const Int128 twice = (rest < 0 ? -rest : rest) * 2;
    if (twice > divisor || (twice == divisor && quotient % 2 != 0)) quotient += value < 0 ? -1 : 1;
    return quotient;
}

// Parses "[-+]digits[.digits][e[-+]digits]" exactly into an unscaled value and a scale.
bool parseDecimalText(const std::string& raw, Int128& value, int& scale) {
    const std::string text = trim(raw);
    size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
    UInt128 magnitude = 0;
    int fraction = 0, digits = 0, dropped = 0;
    bool point = false;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '.' && !point) {
            point = true;
            continue;
        }
        if (c < '0' || c > '9') break;
        ++digits;
        if (magnitude > kDecimalMax / 10) {
            // Digits beyond 96 bits only matter before the point.
            if (!point) ++dropped;
            continue;
        }
        magnitude = magnitude * 10 + static_cast<UInt128>(c - '0');
        if (point) ++fraction;
    }
    if (digits == 0) return false;
    int exponent = 0;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        char* end = nullptr;
        const long e = std::strtol(text.c_str() + i + 1, &end, 10);
        if (end == text.c_str() + i + 1 || e > 1000 || e < -1000) return false;
        exponent = static_cast<int>(e);
        i = static_cast<size_t>(end - text.c_str());
    }
    if (i != text.size()) return false;
    scale = fraction - exponent - dropped;
    while (scale < 0) {
        if (magnitude > kDecimalMax / 10) return false;
        magnitude *= 10;
        ++scale;
    }
    value = negative ? -static_cast<Int128>(magnitude) : static_cast<Int128>(magnitude);
    return true;
}

// Brings an unscaled value within the decimal type's 96 bits and 28 places; false on overflow.
bool fitDecimal(Int128& value, int& scale) {
    while (scale > kDecimalMaxScale ||
           static_cast<UInt128>(value < 0 ? -value : value) > kDecimalMax) {
        if (scale == 0) return false;
        value = roundScaled(value, 1);
        --scale;
    }
    return true;
}

std::string decimalText(Int128 value, int scale) {
    UInt128 magnitude = value < 0 ? static_cast<UInt128>(-value) : static_cast<UInt128>(value);
    std::string digits;
    do {
        digits.insert(digits.begin(), static_cast<char>('0' + static_cast<int>(magnitude % 10)));
        magnitude /= 10;
    } while (magnitude);
    if (scale > 0) {
        if (static_cast<int>(digits.size()) <= scale)
            digits.insert(0, static_cast<size_t>(scale + 1) - digits.size(), '0');
        digits.insert(digits.size() - static_cast<size_t>(scale), ".");
    }
    return (value < 0 ? "-" : "") + digits;
}

std::string realText(double value, int significant) {
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%.*G", significant, value);
    return buffer;
}

HRESULT toScalar(const VARIANT& v, Scalar& s, USHORT flags) {
    switch (v.vt) {
        case VT_EMPTY:
            s.kind = Scalar::Empty;
            return S_OK;
        case VT_NULL:
            s.kind = Scalar::Null;
            return S_OK;
        case VT_I1:
            s.kind = Scalar::Integer, s.integer = v.cVal;
            return S_OK;
        case VT_UI1:
            s.kind = Scalar::Integer, s.integer = v.bVal;
            return S_OK;
        case VT_I2:
            s.kind = Scalar::Integer, s.integer = v.iVal;
            return S_OK;
        case VT_UI2:
            s.kind = Scalar::Integer, s.integer = v.uiVal;
            return S_OK;
        case VT_I4:
        case VT_INT:
            s.kind = Scalar::Integer, s.integer = v.lVal;
            return S_OK;
        case VT_UI4:
        case VT_UINT:
            s.kind = Scalar::Integer, s.integer = v.ulVal;
            return S_OK;
        case VT_I8:
            s.kind = Scalar::Integer, s.integer = v.llVal;
            return S_OK;
        case VT_UI8:
            s.kind = Scalar::Integer, s.integer = v.ullVal;
            return S_OK;
        case VT_BOOL:
            s.kind = Scalar::Integer, s.integer = v.boolVal ? -1 : 0;
            if (flags & VARIANT_ALPHABOOL) s.text = v.boolVal ? u"True" : u"False";
            return S_OK;
        case VT_R4:
            s.kind = Scalar::Real, s.real = v.fltVal;
            return S_OK;
        case VT_R8:
        case VT_DATE:
            s.kind = Scalar::Real, s.real = v.dblVal;
            return S_OK;
        case VT_CY:
            s.kind = Scalar::Decimal, s.integer = v.cyVal.int64, s.scale = 4;
            return S_OK;
        case VT_DECIMAL: {
            const DECIMAL& d = v.decVal;
            if (d.scale > kDecimalMaxScale) return DISP_E_OVERFLOW;
            const Int128 magnitude = static_cast<Int128>(d.Hi32) << 64 | d.Lo64;
            s.kind = Scalar::Decimal, s.scale = d.scale;
            s.integer = (d.sign & DECIMAL_NEG) ? -magnitude : magnitude;
            return S_OK;
        }
        case VT_BSTR:
            s.kind = Scalar::Text;
            if (v.bstrVal) s.text.assign(v.bstrVal, SysStringLen(v.bstrVal));
            return S_OK;
        case VT_ERROR:
            s.kind = Scalar::Error, s.error = v.scode;
            return S_OK;
        default:
            return DISP_E_TYPEMISMATCH;
    }
}

// The value as an integer, rounded half to even.
HRESULT integerOf(const Scalar& s, Int128& out) {
    switch (s.kind) {
        case Scalar::Empty:
            out = 0;
            return S_OK;
        case Scalar::Integer:
            out = s.integer;
            return S_OK;
        case Scalar::Decimal:
            out = roundScaled(s.integer, s.scale);
            return S_OK;
        case Scalar::Real: {
            if (!std::isfinite(s.real) || std::fabs(s.real) > 1.8e19) return DISP_E_OVERFLOW;
            out = static_cast<Int128>(std::nearbyint(s.real));
            return S_OK;
        }
        case Scalar::Text: {
            const std::string text = trim(narrowAscii(s.text));
            Int128 value = 0;
            int scale = 0;
            if (parseDecimalText(text, value, scale)) {
                out = roundScaled(value, scale);
                return S_OK;
            }
            char* end = nullptr;
            const double real = std::strtod(text.c_str(), &end);
            if (text.empty() || *end) return DISP_E_TYPEMISMATCH;
            return integerOf(Scalar{Scalar::Real, 0, 0, real, {}, 0}, out);
        }
        default:
            return DISP_E_TYPEMISMATCH;
    }
}

HRESULT realOf(const Scalar& s, double& out) {
    switch (s.kind) {
        case Scalar::Empty:
            out = 0;
            return S_OK;
        case Scalar::Integer:
            out = static_cast<double>(s.integer);
            return S_OK;
        case Scalar::Decimal:
            out = std::strtod(decimalText(s.integer, s.scale).c_str(), nullptr);
            return S_OK;
        case Scalar::Real:
            out = s.real;
            return S_OK;
        case Scalar::Text: {
            const std::string text = trim(narrowAscii(s.text));
            char* end = nullptr;
            out = std::strtod(text.c_str(), &end);
            return text.empty() || *end ? DISP_E_TYPEMISMATCH : S_OK;
        }
        default:
            return DISP_E_TYPEMISMATCH;
    }
}

HRESULT decimalOf(const Scalar& s, Int128& value, int& scale) {
    switch (s.kind) {
        case Scalar::Empty:
            value = 0, scale = 0;
            return S_OK;
        case Scalar::Integer:
            value = s.integer, scale = 0;
            return S_OK;
        case Scalar::Decimal:
            value = s.integer, scale = s.scale;
            return S_OK;
        case Scalar::Real:
            if (!std::isfinite(s.real)) return DISP_E_OVERFLOW;
            if (!parseDecimalText(realText(s.real, 15), value, scale)) return DISP_E_OVERFLOW;
            return S_OK;
        case Scalar::Text:
            return parseDecimalText(narrowAscii(s.text), value, scale) ? S_OK : DISP_E_TYPEMISMATCH;
        default:
            return DISP_E_TYPEMISMATCH;
    }
}

HRESULT textOf(const Scalar& s, VARTYPE from, std::u16string& out) {
    switch (s.kind) {
        case Scalar::Empty:
            out.clear();
            return S_OK;
        case Scalar::Text:
            out = s.text;
            return S_OK;
        case Scalar::Integer:
            out =
                !s.text.empty()
                    ? s.text
                    : widenAscii(s.integer < 0
                                     ? std::to_string(static_cast<long long>(s.integer))
                                     : std::to_string(static_cast<unsigned long long>(s.integer)));
            return S_OK;
        case Scalar::Real:
            if (from == VT_DATE) return DISP_E_TYPEMISMATCH;
            out = widenAscii(realText(s.real, from == VT_R4 ? 7 : 15));
            return S_OK;
        case Scalar::Decimal:
            out = widenAscii(decimalText(s.integer, s.scale));
            return S_OK;
        default:
            return DISP_E_TYPEMISMATCH;
    }
}

HRESULT booleanOf(const Scalar& s, bool& out) {
    if (s.kind == Scalar::Text) {
        std::string text = trim(narrowAscii(s.text));
        for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (text == "true" || text == "#true#") return out = true, S_OK;
        if (text == "false" || text == "#false#") return out = false, S_OK;
    }
    if (s.kind == Scalar::Real) return out = s.real != 0, S_OK;
    if (s.kind == Scalar::Decimal) return out = s.integer != 0, S_OK;
    Int128 value = 0;
    const HRESULT hr = integerOf(s, value);
    out = value != 0;
    return hr;
}

template <class T>
HRESULT storeInteger(Int128 value, T& field) {
    if (value < static_cast<Int128>(std::numeric_limits<T>::min()) ||
        value > static_cast<Int128>(std::numeric_limits<T>::max()))
        return DISP_E_OVERFLOW;
    field = static_cast<T>(value);
    return S_OK;
}

HRESULT convert(const Scalar& s, VARTYPE from, VARTYPE to, VARIANT& out) {
    if (s.kind == Scalar::Null && to != VT_NULL) return DISP_E_TYPEMISMATCH;
    if (s.kind == Scalar::Error && to != VT_ERROR) return DISP_E_TYPEMISMATCH;
    Int128 integer = 0;
    HRESULT hr = S_OK;
    switch (to) {
        case VT_EMPTY:
            return S_OK;
        case VT_NULL:
            return s.kind == Scalar::Null ? S_OK : DISP_E_TYPEMISMATCH;
        case VT_ERROR:
            if (s.kind != Scalar::Error) return DISP_E_TYPEMISMATCH;
            out.scode = s.error;
            return S_OK;
        case VT_I1:
            return FAILED(hr = integerOf(s, integer)) ? hr : storeInteger<CHAR>(integer, out.cVal);
        case VT_UI1:
            return FAILED(hr = integerOf(s, integer)) ? hr : storeInteger<BYTE>(integer, out.bVal);
        case VT_I2:
            return FAILED(hr = integerOf(s, integer)) ? hr : storeInteger<SHORT>(integer, out.iVal);
        case VT_UI2:
            return FAILED(hr = integerOf(s, integer)) ? hr
                                                      : storeInteger<USHORT>(integer, out.uiVal);
        case VT_I4:
        case VT_INT:
            return FAILED(hr = integerOf(s, integer)) ? hr : storeInteger<LONG>(integer, out.lVal);
        case VT_UI4:
        case VT_UINT:
            return FAILED(hr = integerOf(s, integer)) ? hr
                                                      : storeInteger<ULONG>(integer, out.ulVal);
        case VT_I8:
            return FAILED(hr = integerOf(s, integer)) ? hr
                                                      : storeInteger<LONGLONG>(integer, out.llVal);
        case VT_UI8:
            return FAILED(hr = integerOf(s, integer))
                       ? hr
                       : storeInteger<ULONGLONG>(integer, out.ullVal);
        case VT_R4: {
            double real = 0;
            if (FAILED(hr = realOf(s, real))) return hr;
            if (std::isfinite(real) && std::fabs(real) > 3.402823466e38) return DISP_E_OVERFLOW;
            out.fltVal = static_cast<float>(real);
            return S_OK;
        }
        case VT_R8:
        case VT_DATE:
            if (to == VT_DATE && s.kind == Scalar::Text) return DISP_E_TYPEMISMATCH;
            return realOf(s, out.dblVal);
        case VT_BOOL: {
            bool value = false;
            if (FAILED(hr = booleanOf(s, value))) return hr;
            out.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
            return S_OK;
        }
        case VT_CY: {
            int scale = 0;
            if (FAILED(hr = decimalOf(s, integer, scale))) return hr;
            while (scale < 4) {
                if (integer > pow10(30) || integer < -pow10(30)) return DISP_E_OVERFLOW;
                integer *= 10, ++scale;
            }
            return storeInteger<LONGLONG>(roundScaled(integer, scale - 4), out.cyVal.int64);
        }
        case VT_DECIMAL: {
            int scale = 0;
            if (FAILED(hr = decimalOf(s, integer, scale))) return hr;
            if (!fitDecimal(integer, scale)) return DISP_E_OVERFLOW;
            const UInt128 magnitude = static_cast<UInt128>(integer < 0 ? -integer : integer);
            DECIMAL& d = out.decVal;
            d.scale = static_cast<BYTE>(scale);
            d.sign = integer < 0 ? DECIMAL_NEG : 0;
            d.Hi32 = static_cast<ULONG>(magnitude >> 64);
            d.Lo64 = static_cast<ULONGLONG>(magnitude);
            return S_OK;
        }
        case VT_BSTR: {
            std::u16string text;
            if (FAILED(hr = textOf(s, from, text))) return hr;
            out.bstrVal = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
            return out.bstrVal ? S_OK : E_OUTOFMEMORY;
        }
        default:
            return DISP_E_TYPEMISMATCH;
    }
}

}  // namespace

STDAPI_(void) VariantInit(VARIANTARG* pvarg) {
    std::memset(pvarg, 0, sizeof *pvarg);
}

STDAPI VariantClear(VARIANTARG* pvarg) {
    if (!pvarg) return E_INVALIDARG;
    if (!isValidVariantType(pvarg->vt)) return DISP_E_BADVARTYPE;
    HRESULT hr = S_OK;
    if (pvarg->vt & VT_BYREF) {
    } else if (pvarg->vt & VT_ARRAY) {
        hr = SafeArrayDestroy(pvarg->parray);
    } else if (pvarg->vt == VT_BSTR) {
        SysFreeString(pvarg->bstrVal);
    } else if ((pvarg->vt == VT_UNKNOWN || pvarg->vt == VT_DISPATCH) && pvarg->punkVal) {
        pvarg->punkVal->Release();
    }
    if (FAILED(hr)) return hr;
    VariantInit(pvarg);
    return S_OK;
}

STDAPI VariantCopy(VARIANTARG* pvargDest, const VARIANTARG* pvargSrc) {
    if (!pvargDest || !pvargSrc) return E_INVALIDARG;
    if (pvargDest == pvargSrc) return S_OK;
    if (!isValidVariantType(pvargSrc->vt)) return DISP_E_BADVARTYPE;
    const HRESULT cleared = VariantClear(pvargDest);
    if (FAILED(cleared)) return cleared;
    VARIANT copy = *pvargSrc;
    if (copy.vt & VT_BYREF) {
    } else if (copy.vt & VT_ARRAY) {
        if (copy.parray) {
            const HRESULT hr = SafeArrayCopy(pvargSrc->parray, &copy.parray);
            if (FAILED(hr)) return hr;
        }
    } else if (copy.vt == VT_BSTR) {
        if (copy.bstrVal) {
            copy.bstrVal = SysAllocStringByteLen(reinterpret_cast<LPCSTR>(pvargSrc->bstrVal),
                                                 SysStringByteLen(pvargSrc->bstrVal));
            if (!copy.bstrVal) return E_OUTOFMEMORY;
        }
    } else if ((copy.vt == VT_UNKNOWN || copy.vt == VT_DISPATCH) && copy.punkVal) {
        copy.punkVal->AddRef();
    }
    *pvargDest = copy;
    return S_OK;
}

STDAPI VariantChangeTypeEx(VARIANTARG* pvargDest, const VARIANTARG* pvarSrc, LCID lcid,
                           USHORT wFlags, VARTYPE vt) {
    if (!pvargDest || !pvarSrc) return E_INVALIDARG;
    if (!isValidVariantType(vt)) return DISP_E_BADVARTYPE;
    if (pvarSrc->vt == vt) return VariantCopy(pvargDest, pvarSrc);
    if ((vt | pvarSrc->vt) & (VT_ARRAY | VT_BYREF)) return DISP_E_TYPEMISMATCH;
    Scalar scalar;
    HRESULT hr = toScalar(*pvarSrc, scalar, wFlags);
    if (FAILED(hr)) return hr;
    VARIANT result;
    VariantInit(&result);
    hr = convert(scalar, pvarSrc->vt, vt, result);
    if (FAILED(hr)) return hr;
    // Set last: a decimal's first field shares the type's place.
    result.vt = vt;
    hr = VariantClear(pvargDest);
    if (FAILED(hr)) {
        VariantClear(&result);
        return hr;
    }
    *pvargDest = result;
    return S_OK;
}

STDAPI VariantChangeType(VARIANTARG* pvargDest, const VARIANTARG* pvarSrc, USHORT wFlags,
                         VARTYPE vt) {
    return VariantChangeTypeEx(pvargDest, pvarSrc, LOCALE_USER_DEFAULT, wFlags, vt);
}
