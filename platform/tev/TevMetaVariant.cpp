#include "TevMetaVariant.h"

#include <cstring>

#include "ComString.h"

namespace {

template <class T>
HRESULT arrayVariant(const std::vector<T>& values, VARTYPE elementType, VARIANT* out) {
    SAFEARRAY* array = SafeArrayCreateVector(elementType, 0, static_cast<ULONG>(values.size()));
    if (!array) return E_OUTOFMEMORY;
    void* data = nullptr;
    SafeArrayAccessData(array, &data);
    if (!values.empty()) std::memcpy(data, values.data(), values.size() * sizeof(T));
    SafeArrayUnaccessData(array);
    out->vt = static_cast<VARTYPE>(VT_ARRAY | elementType);
    out->parray = array;
    return S_OK;
}

}  // namespace

HRESULT TevMetaValueToVariant(const VulMetaValue& value, VARIANT* out) {
    VariantInit(out);
    if (const auto* integer = std::get_if<int64_t>(&value)) {
        if (*integer >= INT32_MIN && *integer <= INT32_MAX) {
            out->vt = VT_I4;
            out->lVal = static_cast<LONG>(*integer);
        } else {
            out->vt = VT_I8;
            out->llVal = *integer;
        }
    } else if (const auto* real = std::get_if<double>(&value)) {
        out->vt = VT_R8;
        out->dblVal = *real;
    } else if (const auto* text = std::get_if<std::string>(&value)) {
        const ComString wide = comFromUtf8(*text);
        out->bstrVal = SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
        if (!out->bstrVal) return E_OUTOFMEMORY;
        out->vt = VT_BSTR;
    } else if (const auto* bytes = std::get_if<std::vector<uint8_t>>(&value)) {
        return arrayVariant(*bytes, VT_UI1, out);
    } else if (const auto* shorts = std::get_if<std::vector<uint16_t>>(&value)) {
        return arrayVariant(*shorts, VT_UI2, out);
    } else if (const auto* reals = std::get_if<std::vector<double>>(&value)) {
        return arrayVariant(*reals, VT_R8, out);
    }
    return S_OK;
}
