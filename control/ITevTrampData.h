#pragma once

#include "ComPlatform.h"

// Values a host attaches to a control by key; they travel with the control when it is saved.
struct ITevTrampData : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE SetTrampData(BSTR key, VARIANT value) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetTrampData(BSTR key, VARIANT* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetTrampDataKeyNames(VARIANT* names) = 0;
    virtual HRESULT STDMETHODCALLTYPE ContainsKey(BSTR key, VARIANT_BOOL* contains) = 0;
    virtual HRESULT STDMETHODCALLTYPE ClearTrampDataKey(BSTR key) = 0;
    virtual HRESULT STDMETHODCALLTYPE ClearTrampData() = 0;
};

extern "C" const IID IID_ITevTrampData;
