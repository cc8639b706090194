#include <cstdlib>
#include <cstring>

#include "ComVariant.h"

namespace {

// The element type is kept in the four bytes before the descriptor, where the platform keeps it.
constexpr size_t kHeader = 16;

ULONG elementSize(VARTYPE vt) {
    switch (vt) {
        case VT_BSTR:
        case VT_UNKNOWN:
        case VT_DISPATCH:
            return sizeof(void*);
        case VT_VARIANT:
            return sizeof(VARIANT);
        case VT_DECIMAL:
            return sizeof(DECIMAL);
        default:
            return ComScalarSize(vt);
    }
}

USHORT featuresOf(VARTYPE vt) {
    switch (vt) {
        case VT_BSTR:
            return FADF_HAVEVARTYPE | FADF_BSTR;
        case VT_UNKNOWN:
            return FADF_HAVEVARTYPE | FADF_UNKNOWN;
        case VT_DISPATCH:
            return FADF_HAVEVARTYPE | FADF_DISPATCH;
        case VT_VARIANT:
            return FADF_HAVEVARTYPE | FADF_VARIANT;
        default:
            return FADF_HAVEVARTYPE;
    }
}

VARTYPE& typeOf(SAFEARRAY* psa) {
    return *reinterpret_cast<VARTYPE*>(reinterpret_cast<char*>(psa) - sizeof(DWORD));
}

char* elementAt(SAFEARRAY* psa, ULONG index) {
    return static_cast<char*>(psa->pvData) + static_cast<size_t>(index) * psa->cbElements;
}

// Releases what an element owns and leaves it zeroed.
void clearElement(SAFEARRAY* psa, char* element) {
    if (psa->fFeatures & FADF_BSTR) {
        SysFreeString(*reinterpret_cast<BSTR*>(element));
    } else if (psa->fFeatures & (FADF_UNKNOWN | FADF_DISPATCH)) {
        if (auto* unknown = *reinterpret_cast<IUnknown**>(element)) unknown->Release();
    } else if (psa->fFeatures & FADF_VARIANT) {
        VariantClear(reinterpret_cast<VARIANT*>(element));
    }
    std::memset(element, 0, psa->cbElements);
}

// Copies `value` (given as the platform passes it: strings and interfaces by value, everything
// else by address) into the zeroed `element`.
HRESULT copyInto(SAFEARRAY* psa, char* element, const void* value) {
    if (psa->fFeatures & FADF_BSTR) {
        const auto source = static_cast<BSTR>(const_cast<void*>(value));
        if (!source) return S_OK;
        const BSTR copy =
            SysAllocStringByteLen(reinterpret_cast<LPCSTR>(source), SysStringByteLen(source));
        if (!copy) return E_OUTOFMEMORY;
        *reinterpret_cast<BSTR*>(element) = copy;
    } else if (psa->fFeatures & (FADF_UNKNOWN | FADF_DISPATCH)) {
        auto* unknown = static_cast<IUnknown*>(const_cast<void*>(value));
        if (unknown) unknown->AddRef();
        *reinterpret_cast<IUnknown**>(element) = unknown;
    } else if (psa->fFeatures & FADF_VARIANT) {
        return VariantCopy(reinterpret_cast<VARIANT*>(element), static_cast<const VARIANT*>(value));
    } else {
        std::memcpy(element, value, psa->cbElements);
    }
    return S_OK;
}

// An element as copyInto takes it.
const void* passedForm(SAFEARRAY* psa, const char* element) {
    if (psa->fFeatures & (FADF_BSTR | FADF_UNKNOWN | FADF_DISPATCH))
        return *reinterpret_cast<void* const*>(element);
    return element;
}

HRESULT indexOf(SAFEARRAY* psa, const LONG* rgIndices, ULONG& index) {
    if (!psa || !rgIndices) return E_INVALIDARG;
    const int64_t offset = static_cast<int64_t>(rgIndices[0]) - psa->rgsabound[0].lLbound;
    if (offset < 0 || offset >= psa->rgsabound[0].cElements) return DISP_E_BADINDEX;
    index = static_cast<ULONG>(offset);
    return S_OK;
}

}  // namespace

STDAPI_(SAFEARRAY*) SafeArrayCreate(VARTYPE vt, UINT cDims, SAFEARRAYBOUND* rgsabound) {
    const ULONG size = elementSize(vt);
    if (cDims != 1 || !rgsabound || size == 0) return nullptr;
    const ULONG count = rgsabound[0].cElements;
    if (count > 0x7FFFFFFFu / size) return nullptr;
    auto* block = static_cast<char*>(std::calloc(1, kHeader + sizeof(SAFEARRAY)));
    if (!block) return nullptr;
    auto* psa = reinterpret_cast<SAFEARRAY*>(block + kHeader);
    psa->pvData = std::calloc(count ? count : 1, size);
    if (!psa->pvData) {
        std::free(block);
        return nullptr;
    }
    psa->cDims = 1;
    psa->fFeatures = featuresOf(vt);
    psa->cbElements = size;
    psa->rgsabound[0] = rgsabound[0];
    typeOf(psa) = vt;
    return psa;
}

STDAPI_(SAFEARRAY*) SafeArrayCreateVector(VARTYPE vt, LONG lLbound, ULONG cElements) {
    SAFEARRAYBOUND bound{cElements, lLbound};
    return SafeArrayCreate(vt, 1, &bound);
}

STDAPI SafeArrayDestroy(SAFEARRAY* psa) {
    if (!psa) return S_OK;
    if (psa->cLocks) return DISP_E_ARRAYISLOCKED;
    for (ULONG i = 0; i < psa->rgsabound[0].cElements; ++i) clearElement(psa, elementAt(psa, i));
    std::free(psa->pvData);
    std::free(reinterpret_cast<char*>(psa) - kHeader);
    return S_OK;
}

STDAPI SafeArrayGetElement(SAFEARRAY* psa, LONG* rgIndices, void* pv) {
    ULONG index = 0;
    HRESULT hr = indexOf(psa, rgIndices, index);
    if (FAILED(hr)) return hr;
    if (!pv) return E_INVALIDARG;
    std::memset(pv, 0, psa->cbElements);
    return copyInto(psa, static_cast<char*>(pv), passedForm(psa, elementAt(psa, index)));
}

STDAPI SafeArrayPutElement(SAFEARRAY* psa, LONG* rgIndices, void* pv) {
    ULONG index = 0;
    const HRESULT hr = indexOf(psa, rgIndices, index);
    if (FAILED(hr)) return hr;
    if (psa->cLocks) return DISP_E_ARRAYISLOCKED;
    char* element = elementAt(psa, index);
    clearElement(psa, element);
    return copyInto(psa, element, pv);
}

STDAPI SafeArrayUnlock(SAFEARRAY* psa) {
    if (!psa) return E_INVALIDARG;
    if (psa->cLocks == 0) return E_UNEXPECTED;
    --psa->cLocks;
    return S_OK;
}

STDAPI SafeArrayAccessData(SAFEARRAY* psa, void** ppvData) {
    if (!psa || !ppvData) return E_INVALIDARG;
    ++psa->cLocks;
    *ppvData = psa->pvData;
    return S_OK;
}

STDAPI SafeArrayUnaccessData(SAFEARRAY* psa) {
    return SafeArrayUnlock(psa);
}

STDAPI SafeArrayCopy(SAFEARRAY* psa, SAFEARRAY** ppsaOut) {
    if (!ppsaOut) return E_INVALIDARG;
    *ppsaOut = nullptr;
    if (!psa) return S_OK;
    SAFEARRAY* copy = SafeArrayCreate(typeOf(psa), 1, psa->rgsabound);
    if (!copy) return E_OUTOFMEMORY;
    for (ULONG i = 0; i < psa->rgsabound[0].cElements; ++i) {
        const HRESULT hr = copyInto(copy, elementAt(copy, i), passedForm(psa, elementAt(psa, i)));
        if (FAILED(hr)) {
            SafeArrayDestroy(copy);
            return hr;
        }
    }
    *ppsaOut = copy;
    return S_OK;
}
