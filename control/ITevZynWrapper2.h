#pragma once

#include "ITevAnyFileSource.h"
#include "ITevZynWrapper.h"

struct ITevZynWrapper2 : public ITevZynWrapper {
    // A new control over a copy of this control's transform.
    virtual HRESULT STDMETHODCALLTYPE CloneControl(ITevAnyFileSource** clone) = 0;
};

extern "C" const IID IID_ITevZynWrapper2;
