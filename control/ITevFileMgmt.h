#pragma once

#include "ComPlatform.h"

// Whether the source keeps its file open between requests.
struct ITevFileMgmt : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE get_KeepImageFileOpen(VARIANT_BOOL* keepOpen) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_KeepImageFileOpen(VARIANT_BOOL keepOpen) = 0;
};

extern "C" const IID IID_ITevFileMgmt;
