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

inline std::string filenameOf(const ComPtr<ITevAnyFileSource>& control) {
    ComBstr name;
    EXPECT_EQ(control->get_Filename(name.out()), S_OK);
    EXPECT_NE(name.get(), nullptr);  // an empty name is an empty string, not none
    return utf8(name.get());
}

inline ZynTransform& transformOf(const ComPtr<ITevAnyFileSource>& control) {
    ZynTransform* transform = nullptr;
    EXPECT_EQ(query<ITevZynWrapper2>(control, IID_ITevZynWrapper2)->GetZynTransform(&transform),
              S_OK);
    return *transform;
}

inline GUID identityOf(const ComPtr<ITevAnyFileSource>& control) {
    GUID id{};
    EXPECT_EQ(query<ITevZynWrapper2>(control, IID_ITevZynWrapper2)->GetIdentity(&id), S_OK);
    return id;
}

inline void setTramp(const ComPtr<ITevAnyFileSource>& control, const std::string& key,
                     const VARIANT& value) {
    ComBstr k = bstr(key);
    EXPECT_EQ(query<ITevTrampData>(control, IID_ITevTrampData)->SetTrampData(k.get(), value), S_OK)
        << key;
}

inline ComVariant tramp(const ComPtr<ITevAnyFileSource>& control, const std::string& key) {
    ComBstr k = bstr(key);
    ComVariant value;
    EXPECT_EQ(query<ITevTrampData>(control, IID_ITevTrampData)->GetTrampData(k.get(), &value), S_OK)
        << key;
    return value;
}

// All of a stream's bytes; the stream is left at its start.
inline std::string streamBytes(IStream* stream) {
    STATSTG stat{};
    EXPECT_EQ(stream->Stat(&stat, STATFLAG_NONAME), S_OK);
    std::string bytes(static_cast<size_t>(stat.cbSize.QuadPart), '\0');
    LARGE_INTEGER start{};
    stream->Seek(start, STREAM_SEEK_SET, nullptr);
    ULONG got = 0;
    EXPECT_EQ(stream->Read(bytes.data(), static_cast<ULONG>(bytes.size()), &got), S_OK);
    EXPECT_EQ(got, bytes.size());
    stream->Seek(start, STREAM_SEEK_SET, nullptr);
    return bytes;
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
