#pragma once

#include "ControlTestSupport.h"

// A method of a test's COM object that nothing calls.
#define COM_STUB(method, ...)                                \
    HRESULT STDMETHODCALLTYPE method(__VA_ARGS__) override { \
        return E_NOTIMPL;                                    \
    }

// A variant of a scalar type holding `bits`, and one holding text.
inline ComVariant scalarVariant(VARTYPE vt, int64_t bits) {
    ComVariant v;
    v.vt = vt;
    v.llVal = bits;
    return v;
}

inline ComVariant textVariant(const std::string& text) {
    ComVariant v;
    v.vt = VT_BSTR;
    v.bstrVal = bstr(text).release();
    return v;
}

inline ComPtr<IPersistStreamInit> streamPersistence(const ComPtr<ITevAnyFileSource>& control) {
    return query<IPersistStreamInit>(control, IID_IPersistStreamInit);
}

inline std::string labelOf(const ComPtr<ITevAnyFileSource>& control) {
    ComBstr label;
    EXPECT_EQ(control->get_Label(label.out()), S_OK);
    return utf8(label.get());
}
