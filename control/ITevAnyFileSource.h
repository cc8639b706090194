#pragma once

#include "ITevSource.h"

// The any-file source control: the source queries and the image file's name.
struct ITevAnyFileSource : public ITevSource {
    virtual HRESULT STDMETHODCALLTYPE get_Filename(BSTR* fileName) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_Filename(BSTR fileName) = 0;
};

extern "C" const IID IID_ITevAnyFileSource;
