#include "TevVariantStream.h"

#include <algorithm>
#include <string>

#include "ComBstr.h"
#include "ComPtr.h"
#include "ComVariant.h"

namespace {

bool isObject(VARTYPE vt) {
    return vt == VT_UNKNOWN || vt == VT_DISPATCH;
}

bool isWithoutValue(VARTYPE vt) {
    return vt == VT_EMPTY || vt == VT_NULL;
}

// Types whose value is written as text: whatever converts to a string and back.
bool isTextual(VARTYPE vt) {
    return vt == VT_DECIMAL;
}

bool isWritable(VARTYPE vt) {
    return ComScalarSize(vt) || isObject(vt) || isWithoutValue(vt) || vt == VT_BSTR ||
           isTextual(vt);
}

// The value's stream text for the types written as text.
HRESULT textOf(const VARIANT& value, ComVariant& text) {
    return VariantChangeType(&text, &value, 0, VT_BSTR);
}

// Strings are read in pieces so that a corrupt count meets the stream's end before memory runs
// out.
constexpr uint32_t kStringPiece = 1 << 16;

}  // namespace

HRESULT TevVariantStream::write(const void* bytes, ULONG count) {
    ULONG written = 0;
    const HRESULT hr = stream_->Write(bytes, count, &written);
    if (FAILED(hr)) return hr;
    return written == count ? S_OK : STG_E_WRITEFAULT;
}

HRESULT TevVariantStream::read(void* bytes, ULONG count) {
    ULONG got = 0;
    const HRESULT hr = stream_->Read(bytes, count, &got);
    if (FAILED(hr)) return hr;
    return got == count ? S_OK : STG_E_READFAULT;
}

HRESULT TevVariantStream::writeString(BSTR text) {
    if (!text) return writeU32(0);
    const uint32_t bytes = SysStringByteLen(text) + sizeof(OLECHAR);
    const HRESULT hr = writeU32(bytes);
    return FAILED(hr) ? hr : write(text, bytes);
}

HRESULT TevVariantStream::readString(BSTR* text) {
    *text = nullptr;
    uint32_t bytes = 0;
    HRESULT hr = readU32(bytes);
    if (FAILED(hr) || bytes == 0) return hr;
    if (bytes % sizeof(OLECHAR) != 0) return STG_E_READFAULT;
    ComString chars;
    for (uint32_t done = 0; done < bytes;) {
        const uint32_t piece = std::min(kStringPiece, bytes - done);
        chars.resize((done + piece) / sizeof(OLECHAR));
        hr = read(reinterpret_cast<char*>(chars.data()) + done, piece);
        if (FAILED(hr)) return hr;
        done += piece;
    }
    if (chars.back() != 0) return STG_E_READFAULT;
    chars.pop_back();
    *text = SysAllocStringLen(chars.data(), static_cast<UINT>(chars.size()));
    return *text ? S_OK : E_OUTOFMEMORY;
}

HRESULT TevVariantStream::writeVariant(const VARIANT& value) {
    const VARTYPE vt = value.vt;
    if (!isWritable(vt)) return DISP_E_BADVARTYPE;
    ComVariant text;
    if (isTextual(vt)) {
        const HRESULT converted = textOf(value, text);
        if (FAILED(converted)) return converted;
    }
    HRESULT hr = write(&vt, sizeof vt);
    if (FAILED(hr)) return hr;
    if (const ULONG size = ComScalarSize(vt)) return write(&value.llVal, size);
    if (vt == VT_BSTR) return writeString(value.bstrVal);
    if (isTextual(vt)) return writeString(text.bstrVal);
    if (isWithoutValue(vt)) return writeString(nullptr);
    if (!value.punkVal) return WriteClassStm(stream_, CLSID_NULL);
    ComPtr<IPersistStream> persist;
    hr = value.punkVal->QueryInterface(IID_IPersistStream, persist.outVoid());
    return FAILED(hr) ? hr : OleSaveToStream(persist.get(), stream_);
}

HRESULT TevVariantStream::readVariant(VARIANT* value) {
    VariantClear(value);
    VARTYPE vt = VT_EMPTY;
    HRESULT hr = read(&vt, sizeof vt);
    if (FAILED(hr)) return hr;
    if (!isWritable(vt)) return STG_E_READFAULT;
    if (const ULONG size = ComScalarSize(vt)) {
        VARIANT scalar;
        VariantInit(&scalar);
        hr = read(&scalar.llVal, size);
        if (FAILED(hr)) return hr;
        scalar.vt = vt;
        *value = scalar;
        return S_OK;
    }
    if (isObject(vt)) {
        CLSID clsid;
        hr = ReadClassStm(stream_, &clsid);
        if (FAILED(hr)) return hr;
        ComPtr<IUnknown> object;
        if (clsid != CLSID_NULL) {
            ComPtr<IPersistStream> persist;
            hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IPersistStream,
                                  persist.outVoid());
            if (SUCCEEDED(hr)) hr = persist->Load(stream_);
            if (SUCCEEDED(hr))
                hr = persist->QueryInterface(vt == VT_DISPATCH ? IID_IDispatch : IID_IUnknown,
                                             object.outVoid());
            if (FAILED(hr)) return hr;
        }
        value->vt = vt;
        value->punkVal = object.release();
        return S_OK;
    }
    ComBstr text;
    hr = readString(text.out());
    if (FAILED(hr)) return hr;
    if (isWithoutValue(vt)) {
        value->vt = vt;
        return S_OK;
    }
    if (vt == VT_BSTR) {
        value->vt = VT_BSTR;
        value->bstrVal = text.release();
        return S_OK;
    }
    ComVariant string;
    string.vt = VT_BSTR;
    string.bstrVal = text.release();
    hr = VariantChangeType(value, &string, 0, vt);
    return FAILED(hr) ? STG_E_READFAULT : S_OK;
}

HRESULT TevVariantStream::sizeOfString(BSTR text, uint64_t& size) {
    size = sizeof(uint32_t) + (text ? SysStringByteLen(text) + sizeof(OLECHAR) : 0);
    return S_OK;
}

HRESULT TevVariantStream::sizeOfVariant(const VARIANT& value, uint64_t& size) {
    const VARTYPE vt = value.vt;
    if (!isWritable(vt)) return DISP_E_BADVARTYPE;
    size = sizeof(VARTYPE);
    if (const ULONG bytes = ComScalarSize(vt)) {
        size += bytes;
        return S_OK;
    }
    uint64_t rest = 0;
    HRESULT hr = S_OK;
    if (vt == VT_BSTR) {
        hr = sizeOfString(value.bstrVal, rest);
    } else if (isWithoutValue(vt)) {
        hr = sizeOfString(nullptr, rest);
    } else if (isTextual(vt)) {
        ComVariant text;
        hr = textOf(value, text);
        if (SUCCEEDED(hr)) hr = sizeOfString(text.bstrVal, rest);
    } else {
        rest = sizeof(CLSID);
        if (value.punkVal) {
            ComPtr<IPersistStream> persist;
            ULARGE_INTEGER object{};
            hr = value.punkVal->QueryInterface(IID_IPersistStream, persist.outVoid());
            if (SUCCEEDED(hr)) hr = persist->GetSizeMax(&object);
            rest += object.QuadPart;
        }
    }
    size += rest;
    return hr;
}
