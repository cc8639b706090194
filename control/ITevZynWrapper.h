#pragma once

#include "ComPlatform.h"

class ZynTransform;

// Access to the pipeline transform behind a control, and to the control's names.
struct ITevZynWrapper : public IUnknown {
    // The transform, without a reference: it lives as long as the control.
    virtual HRESULT STDMETHODCALLTYPE GetZynTransform(ZynTransform** transform) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetControlDisplayName(BSTR* name) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetIdentity(GUID* identity) = 0;
};

extern "C" const IID IID_ITevZynWrapper;
