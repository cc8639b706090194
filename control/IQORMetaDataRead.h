#pragma once

#include "ComPlatform.h"
#include "VulMetaDataEnums.h"

// Metadata of the image behind a control.
struct IQORMetaDataRead : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE
    LoadMetaDataRegistryFile(BSTR path, VUL_MMA_DUPLICATE_ENTRY_MODE mode) = 0;
    virtual HRESULT STDMETHODCALLTYPE ClearMetaDataRegistry() = 0;
    virtual HRESULT STDMETHODCALLTYPE GetMetaData(BSTR key, VARIANT* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetSupportedMetaData(VARIANT* keys) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetMetaDataUsage(BSTR key, LONG* usage) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetAliasKey(VUL_METADATA_ALIASKEY kind, BSTR* key) = 0;
};

extern "C" const IID IID_IQORMetaDataRead;
