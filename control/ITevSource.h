#pragma once

#include "ComPlatform.h"
#include "TevColorSpace.h"
#include "TevSpatialUnit.h"

// The source queries every control of the family answers.
struct ITevSource : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE ControlName(BSTR* name) = 0;
    virtual HRESULT STDMETHODCALLTYPE StatusOK(VARIANT_BOOL* ok) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Label(BSTR* label) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_Label(BSTR label) = 0;
    virtual HRESULT STDMETHODCALLTYPE DumpGraph(BSTR fileName) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Caching(VARIANT_BOOL* caching) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_Caching(VARIANT_BOOL caching) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetCaching(LONG outputIndex, VARIANT_BOOL caching) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetCaching(LONG outputIndex, VARIANT_BOOL* caching) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetColorSpace(LONG outputIndex,
                                                    TevColorSpace* colorSpace) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetUnit(LONG outputIndex, TevSpatialUnit* unit) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetWidth(LONG outputIndex, double* width) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetHeight(LONG outputIndex, double* height) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetNumResolutions(LONG outputIndex, LONG* count) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetHorzResolution(LONG outputIndex, LONG resolutionIndex,
                                                        LONG* width) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetVertResolution(LONG outputIndex, LONG resolutionIndex,
                                                        LONG* height) = 0;
};

extern "C" const IID IID_ITevSource;
