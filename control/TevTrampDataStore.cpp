#include "TevTrampDataStore.h"

bool TevTrampDataStore::KeyOrder::operator()(BSTR a, BSTR b) const {
    return VarBstrCmp(a, b, LOCALE_USER_DEFAULT, 0) == VARCMP_LT;
}

HRESULT TevTrampDataStore::set(BSTR key, const VARIANT& value) {
    ComVariant copy;
    const HRESULT hr = VariantCopy(&copy, &value);
    if (FAILED(hr)) return hr;
    const auto found = entries_.find(key);
    if (found != entries_.end()) {
        found->second = copy;
        return S_OK;
    }
    ComBstr owned = ComBstr::copyOf(key);
    if (key && !owned.get()) return E_OUTOFMEMORY;
    entries_.emplace(std::move(owned), copy);
    return S_OK;
}

HRESULT TevTrampDataStore::get(BSTR key, VARIANT* out) const {
    const auto found = entries_.find(key);
    if (found == entries_.end()) return E_INVALIDARG;
    VariantClear(out);
    return VariantCopy(out, &found->second);
}

bool TevTrampDataStore::contains(BSTR key) const {
    return entries_.find(key) != entries_.end();
}

bool TevTrampDataStore::erase(BSTR key) {
    const auto found = entries_.find(key);
    if (found == entries_.end()) return false;
    entries_.erase(found);
    return true;
}

HRESULT TevTrampDataStore::keyNames(VARIANT* out) const {
    SAFEARRAY* names = SafeArrayCreateVector(VT_BSTR, 0, static_cast<ULONG>(entries_.size()));
    if (!names) return E_FAIL;
    LONG index = 0;
    for (const auto& entry : entries_) {
        const HRESULT hr = SafeArrayPutElement(names, &index, entry.first.get());
        if (FAILED(hr)) {
            SafeArrayDestroy(names);
            return E_FAIL;
        }
        ++index;
    }
    VariantClear(out);
    out->vt = VT_ARRAY | VT_BSTR;
    out->parray = names;
    return S_OK;
}
