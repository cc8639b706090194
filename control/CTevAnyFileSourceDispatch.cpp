// The dispatch twin: each dispatch id calls the interface method it stands for, with its
// arguments converted to the method's types.

#include <cctype>
#include <cstring>

#include "CTevAnyFileSource.h"
#include "ComBstr.h"
#include "ComVariant.h"

namespace {

struct Member {
    const char* name;
    DISPID id;
};

constexpr Member kMembers[] = {
    {"ControlName", DISPID_TEV_CONTROLNAME},
    {"Filename", DISPID_TEV_FILENAME},
    {"KeepImageFileOpen", DISPID_TEV_KEEPIMAGEFILEOPEN},
    {"StatusOK", DISPID_TEV_STATUSOK},
    {"Label", DISPID_TEV_LABEL},
    {"DumpGraph", DISPID_TEV_DUMPGRAPH},
    {"Caching", DISPID_TEV_CACHING},
    {"SetCaching", DISPID_TEV_SETCACHING},
    {"GetCaching", DISPID_TEV_GETCACHING},
    {"GetColorSpace", DISPID_TEV_GETCOLORSPACE},
    {"GetUnit", DISPID_TEV_GETUNIT},
    {"GetWidth", DISPID_TEV_GETWIDTH},
    {"GetHeight", DISPID_TEV_GETHEIGHT},
    {"GetNumResolutions", DISPID_TEV_GETNUMRESOLUTIONS},
    {"GetHorzResolution", DISPID_TEV_GETHORZRESOLUTION},
    {"GetVertResolution", DISPID_TEV_GETVERTRESOLUTION},
    {"LoadMetaDataRegistryFile", DISPID_TEV_LOADMETADATAREGISTRYFILE},
    {"ClearMetaDataRegistry", DISPID_TEV_CLEARMETADATAREGISTRY},
    {"GetMetaData", DISPID_TEV_GETMETADATA},
    {"GetMetaDataUsage", DISPID_TEV_GETMETADATAUSAGE},
};

bool sameName(const char* name, LPCOLESTR given) {
    size_t i = 0;
    for (; name[i] && given[i]; ++i) {
        const OLECHAR a = static_cast<OLECHAR>(std::tolower(static_cast<unsigned char>(name[i])));
        const OLECHAR b = given[i] < 0x80 ? static_cast<OLECHAR>(std::tolower(given[i])) : given[i];
        if (a != b) return false;
    }
    return !name[i] && !given[i];
}

// One call through Invoke: its arguments, in declaration order, and its result.
class DispatchCall {
  public:
    DispatchCall(DISPPARAMS* params, VARIANT* result, UINT* argError)
        : params_(params), result_(result), argError_(argError) {}

    // A call with `count` positional arguments and no named ones.
    HRESULT expect(UINT count) const {
        if (params_->cNamedArgs) return DISP_E_NONAMEDARGS;
        return params_->cArgs == count ? S_OK : DISP_E_BADPARAMCOUNT;
    }

    // Argument `index` converted to `vt`.
    HRESULT argument(UINT index, VARTYPE vt, ComVariant& value) const {
        const UINT position = params_->cArgs - 1 - index;
        const HRESULT hr = VariantChangeType(&value, &params_->rgvarg[position], 0, vt);
        if (FAILED(hr) && argError_) *argError_ = position;
        return FAILED(hr) ? DISP_E_TYPEMISMATCH : S_OK;
    }

    // The value of a property put, converted to `vt`.
    HRESULT putValue(VARTYPE vt, ComVariant& value) const {
        if (params_->cArgs != 1) return DISP_E_BADPARAMCOUNT;
        if (params_->cNamedArgs != 1 || params_->rgdispidNamedArgs[0] != DISPID_PROPERTYPUT)
            return DISP_E_PARAMNOTFOUND;
        return argument(0, vt, value);
    }

    void store(BSTR value) const {
        if (!result_) return SysFreeString(value);
        result_->vt = VT_BSTR;
        result_->bstrVal = value;
    }
    void store(VARIANT_BOOL value) const { set(VT_BOOL, &VARIANT::boolVal, value); }
    void store(LONG value) const { set(VT_I4, &VARIANT::lVal, value); }
    void store(double value) const { set(VT_R8, &VARIANT::dblVal, value); }
    void store(VARIANT& value) const {
        if (!result_) return static_cast<void>(VariantClear(&value));
        *result_ = value;
    }

    // A getter: no arguments, the value into the result.
    template <class T, class Get>
    HRESULT get(Get get) const {
        HRESULT hr = expect(0);
        if (FAILED(hr)) return hr;
        T value{};
        hr = get(&value);
        if (SUCCEEDED(hr)) store(value);
        return hr;
    }

  private:
    template <class T>
    void set(VARTYPE vt, T VARIANT::*field, T value) const {
        if (!result_) return;
        result_->vt = vt;
        result_->*field = value;
    }

    DISPPARAMS* params_;
    VARIANT* result_;
    UINT* argError_;
};

}  // namespace

HRESULT STDMETHODCALLTYPE CTevAnyFileSource::GetTypeInfoCount(UINT* pctinfo) {
    if (!pctinfo) return E_POINTER;
    *pctinfo = 0;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CTevAnyFileSource::GetTypeInfo(UINT, LCID, ITypeInfo** ppTInfo) {
    if (ppTInfo) *ppTInfo = nullptr;
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE CTevAnyFileSource::GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames,
                                                           UINT cNames, LCID, DISPID* rgDispId) {
    if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
    if (!rgszNames || !rgDispId || cNames == 0) return E_INVALIDARG;
    for (UINT i = 0; i < cNames; ++i) rgDispId[i] = DISPID_UNKNOWN;
    for (const Member& m : kMembers)
        if (rgszNames[0] && sameName(m.name, rgszNames[0])) rgDispId[0] = m.id;
    // Arguments are not named.
    return rgDispId[0] != DISPID_UNKNOWN && cNames == 1 ? S_OK : DISP_E_UNKNOWNNAME;
}

HRESULT STDMETHODCALLTYPE CTevAnyFileSource::Invoke(DISPID dispIdMember, REFIID riid, LCID,
                                                    WORD wFlags, DISPPARAMS* pDispParams,
                                                    VARIANT* pVarResult, EXCEPINFO* pExcepInfo,
                                                    UINT* puArgErr) {
    if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
    if (!pDispParams) return E_INVALIDARG;
    if (pVarResult) VariantInit(pVarResult);
    const HRESULT hr = invokeMember(dispIdMember, wFlags, pDispParams, pVarResult, puArgErr);
    // A failing method leaves its error-info record (dispatch errors of the call itself have
    // none); a caller that asks for the exception information gets it from there.
    if (FAILED(hr) && pExcepInfo && HRESULT_FACILITY(hr) != FACILITY_DISPATCH) {
        std::memset(pExcepInfo, 0, sizeof *pExcepInfo);
        pExcepInfo->scode = hr;
        IErrorInfo* info = nullptr;
        if (GetErrorInfo(0, &info) == S_OK) {
            info->GetDescription(&pExcepInfo->bstrDescription);
            info->GetSource(&pExcepInfo->bstrSource);
            info->GetHelpFile(&pExcepInfo->bstrHelpFile);
            info->GetHelpContext(&pExcepInfo->dwHelpContext);
            info->Release();
        }
        return DISP_E_EXCEPTION;
    }
    return hr;
}

HRESULT CTevAnyFileSource::invokeMember(DISPID id, WORD flags, DISPPARAMS* params, VARIANT* result,
                                        UINT* argError) {
    const DispatchCall call(params, result, argError);
    const bool put = flags & DISPATCH_PROPERTYPUT;
    const bool get = flags & (DISPATCH_PROPERTYGET | DISPATCH_METHOD);
    ComVariant a, b;
    HRESULT hr = S_OK;
    switch (id) {
        case DISPID_TEV_CONTROLNAME:
            if (!get) break;
            return call.get<BSTR>([&](BSTR* v) { return ControlName(v); });
        case DISPID_TEV_STATUSOK:
            if (!get) break;
            return call.get<VARIANT_BOOL>([&](VARIANT_BOOL* v) { return StatusOK(v); });
        case DISPID_TEV_FILENAME:
            if (put) return FAILED(hr = call.putValue(VT_BSTR, a)) ? hr : put_Filename(a.bstrVal);
            if (!get) break;
            return call.get<BSTR>([&](BSTR* v) { return get_Filename(v); });
        case DISPID_TEV_LABEL:
            if (put) return FAILED(hr = call.putValue(VT_BSTR, a)) ? hr : put_Label(a.bstrVal);
            if (!get) break;
            return call.get<BSTR>([&](BSTR* v) { return get_Label(v); });
        case DISPID_TEV_CACHING:
            if (put) return FAILED(hr = call.putValue(VT_BOOL, a)) ? hr : put_Caching(a.boolVal);
            if (!get) break;
            return call.get<VARIANT_BOOL>([&](VARIANT_BOOL* v) { return get_Caching(v); });
        case DISPID_TEV_KEEPIMAGEFILEOPEN:
            if (put)
                return FAILED(hr = call.putValue(VT_BOOL, a)) ? hr
                                                              : put_KeepImageFileOpen(a.boolVal);
            if (!get) break;
            return call.get<VARIANT_BOOL>(
                [&](VARIANT_BOOL* v) { return get_KeepImageFileOpen(v); });
        case DISPID_TEV_DUMPGRAPH:
            if (!get) break;
            if (FAILED(hr = call.expect(1)) || FAILED(hr = call.argument(0, VT_BSTR, a))) return hr;
            return DumpGraph(a.bstrVal);
        case DISPID_TEV_SETCACHING:
            if (!get) break;
            if (FAILED(hr = call.expect(2)) || FAILED(hr = call.argument(0, VT_I4, a)) ||
                FAILED(hr = call.argument(1, VT_BOOL, b)))
                return hr;
            return SetCaching(a.lVal, b.boolVal);
        case DISPID_TEV_GETCACHING:
        case DISPID_TEV_GETCOLORSPACE:
        case DISPID_TEV_GETUNIT:
        case DISPID_TEV_GETWIDTH:
        case DISPID_TEV_GETHEIGHT:
        case DISPID_TEV_GETNUMRESOLUTIONS: {
            if (!get) break;
            if (FAILED(hr = call.expect(1)) || FAILED(hr = call.argument(0, VT_I4, a))) return hr;
            const LONG output = a.lVal;
            if (id == DISPID_TEV_GETCACHING) {
                VARIANT_BOOL value = VARIANT_FALSE;
                if (SUCCEEDED(hr = GetCaching(output, &value))) call.store(value);
            } else if (id == DISPID_TEV_GETCOLORSPACE) {
                TevColorSpace value = TEV_UNKNOWN;
                if (SUCCEEDED(hr = GetColorSpace(output, &value))) call.store(LONG{value});
            } else if (id == DISPID_TEV_GETUNIT) {
                TevSpatialUnit value = TEV_UNDEFINED;
                if (SUCCEEDED(hr = GetUnit(output, &value))) call.store(LONG{value});
            } else if (id == DISPID_TEV_GETNUMRESOLUTIONS) {
                LONG value = 0;
                if (SUCCEEDED(hr = GetNumResolutions(output, &value))) call.store(value);
            } else {
                double value = 0;
                hr = id == DISPID_TEV_GETWIDTH ? GetWidth(output, &value)
                                               : GetHeight(output, &value);
                if (SUCCEEDED(hr)) call.store(value);
            }
            return hr;
        }
        case DISPID_TEV_GETHORZRESOLUTION:
        case DISPID_TEV_GETVERTRESOLUTION: {
            if (!get) break;
            if (FAILED(hr = call.expect(2)) || FAILED(hr = call.argument(0, VT_I4, a)) ||
                FAILED(hr = call.argument(1, VT_I4, b)))
                return hr;
            LONG value = 0;
            hr = id == DISPID_TEV_GETHORZRESOLUTION ? GetHorzResolution(a.lVal, b.lVal, &value)
                                                    : GetVertResolution(a.lVal, b.lVal, &value);
            if (SUCCEEDED(hr)) call.store(value);
            return hr;
        }
        case DISPID_TEV_LOADMETADATAREGISTRYFILE:
            if (!get) break;
            if (FAILED(hr = call.expect(2)) || FAILED(hr = call.argument(0, VT_BSTR, a)) ||
                FAILED(hr = call.argument(1, VT_I4, b)))
                return hr;
            return LoadMetaDataRegistryFile(a.bstrVal,
                                            static_cast<VUL_MMA_DUPLICATE_ENTRY_MODE>(b.lVal));
        case DISPID_TEV_CLEARMETADATAREGISTRY:
            if (!get) break;
            return FAILED(hr = call.expect(0)) ? hr : ClearMetaDataRegistry();
        case DISPID_TEV_GETMETADATA: {
            if (!get) break;
            if (FAILED(hr = call.expect(1)) || FAILED(hr = call.argument(0, VT_BSTR, a))) return hr;
            VARIANT value;
            VariantInit(&value);
            if (SUCCEEDED(hr = GetMetaData(a.bstrVal, &value))) call.store(value);
            return hr;
        }
        case DISPID_TEV_GETMETADATAUSAGE: {
            if (!get) break;
            if (FAILED(hr = call.expect(1)) || FAILED(hr = call.argument(0, VT_BSTR, a))) return hr;
            LONG value = 0;
            if (SUCCEEDED(hr = GetMetaDataUsage(a.bstrVal, &value))) call.store(value);
            return hr;
        }
        default:
            break;
    }
    return DISP_E_MEMBERNOTFOUND;
}
