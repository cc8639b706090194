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

// A default or named value below `root`: "<missing>" without the key, "<no value>" without the
// value.
inline std::string registryValue(const ComString& path, const OLECHAR* name = nullptr,
                                 HKEY root = HKEY_CLASSES_ROOT) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return "<missing>";
    OLECHAR value[1024] = {};
    DWORD size = sizeof value - 2;
    const LONG r =
        RegQueryValueExW(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(value), &size);
    RegCloseKey(key);
    return r == ERROR_SUCCESS ? comToUtf8(value) : "<no value>";
}

inline bool registryKeyExists(const ComString& path, HKEY root = HKEY_CLASSES_ROOT) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}
