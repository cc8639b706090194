// Persistence of the control: tramp data, four properties and the identity, in a stream or in
// the "Contents" stream of a storage.

#include <cstring>

#include "CTevAnyFileSource.h"
#include "ComVariant.h"
#include "TevErrors.h"
#include "TevVariantStream.h"
#include "TevXforms.h"

namespace {

const char kBlockTag[4] = {'B', 'A', 'S', 'E'};
constexpr uint32_t kBlockVersion = 1;
constexpr uint32_t kPropertySetVersion = 2;
const OLECHAR kWriteFailed[] = OLESTR("Unable to write to persistance stream");
const OLECHAR kReadFailed[] = OLESTR("Unable to read from persistance stream");
const OLECHAR kContents[] = OLESTR("Contents");

// Properties in stream order; version 1 streams end before KeepImageFileOpen.
constexpr DISPID kProperties[] = {DISPID_TEV_LABEL, DISPID_TEV_CACHING, DISPID_TEV_FILENAME,
                                  DISPID_TEV_KEEPIMAGEFILEOPEN};

// How many of kProperties a property-set version holds, 0 for versions not known.
size_t propertyCount(uint32_t version) {
    switch (version) {
        case 1:
            return 3;
        case 2:
            return 4;
        default:
            return 0;
    }
}

HRESULT reportWriteFailure(HRESULT hr) {
    return TevReportErrorIfNotSet(kWriteFailed, 7, IID_ITevAnyFileSource, CLSID_TevAnyFileSource,
                                  hr);
}

HRESULT reportReadFailure(HRESULT hr) {
    return TevReportErrorIfNotSet(kReadFailed, 7, IID_ITevAnyFileSource, CLSID_TevAnyFileSource,
                                  hr);
}

// The caller's GUID array behind an id list (its byref), or null.
GUID* idArray(VARIANT* list) {
    return list ? static_cast<GUID*>(list->byref) : nullptr;
}

}  // namespace

HRESULT CTevAnyFileSource::getProperty(DISPID id, VARIANT* value) {
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    return invokeMember(id, DISPATCH_PROPERTYGET, &none, value, nullptr);
}

HRESULT CTevAnyFileSource::putProperty(DISPID id, VARIANT* value) {
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS params{value, &named, 1, 1};
    return invokeMember(id, DISPATCH_PROPERTYPUT, &params, nullptr, nullptr);
}

// Saving.

HRESULT CTevAnyFileSource::writeTrampData(IStream* stream) {
    TevVariantStream out(stream);
    HRESULT hr = out.write(kBlockTag, sizeof kBlockTag);
    if (SUCCEEDED(hr)) hr = out.writeU32(kBlockVersion);
    ComVariant keys;
    if (SUCCEEDED(hr)) hr = GetTrampDataKeyNames(&keys);
    if (FAILED(hr)) return hr;
    const ULONG count = keys.parray->rgsabound[0].cElements;
    hr = out.writeU32(count);
    for (LONG i = 0; SUCCEEDED(hr) && i < static_cast<LONG>(count); ++i) {
        ComBstr key;
        ComVariant value;
        hr = SafeArrayGetElement(keys.parray, &i, key.out());
        if (SUCCEEDED(hr)) hr = GetTrampData(key.get(), &value);
        if (SUCCEEDED(hr)) hr = out.writeString(key.get());
        if (SUCCEEDED(hr)) hr = out.writeVariant(value);
    }
    return hr;
}

HRESULT CTevAnyFileSource::writeProperties(IStream* stream) {
    TevVariantStream out(stream);
    HRESULT hr = out.writeU32(kPropertySetVersion);
    for (const DISPID id : kProperties) {
        if (FAILED(hr)) break;
        ComVariant value;
        if (FAILED(getProperty(id, &value))) return E_FAIL;
        hr = out.writeVariant(value);
    }
    return hr;
}

HRESULT CTevAnyFileSource::saveCore(IStream* stream, const GUID& identity) {
    if (!stream) return E_POINTER;
    const GUID written = identity == GUID_NULL ? identity_ : identity;
    TevClearSystemErrorInfo();
    HRESULT hr = writeTrampData(stream);
    if (SUCCEEDED(hr)) hr = writeProperties(stream);
    if (FAILED(hr)) return reportWriteFailure(hr);
    hr = TevVariantStream(stream).write(&written, sizeof written);
    if (FAILED(hr))
        return TevReportError(kWriteFailed, 7, IID_ITevAnyFileSource, CLSID_TevAnyFileSource, hr);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CTevAnyFileSource::Save(LPSTREAM pStm, BOOL) {
    return saveCore(pStm, GUID_NULL);
}

HRESULT STDMETHODCALLTYPE CTevAnyFileSource::GetSizeMax(ULARGE_INTEGER* pCbSize) {
    if (!pCbSize) return E_POINTER;
    uint64_t total = sizeof kBlockTag + 2 * sizeof(uint32_t) + sizeof(uint32_t) + sizeof(GUID);
    ComVariant keys;
    HRESULT hr = GetTrampDataKeyNames(&keys);
    if (FAILED(hr)) return hr;
    for (LONG i = 0; i < static_cast<LONG>(keys.parray->rgsabound[0].cElements); ++i) {
        ComBstr key;
        ComVariant value;
        uint64_t keySize = 0, valueSize = 0;
        hr = SafeArrayGetElement(keys.parray, &i, key.out());
        if (SUCCEEDED(hr)) hr = GetTrampData(key.get(), &value);
        if (SUCCEEDED(hr)) hr = TevVariantStream::sizeOfString(key.get(), keySize);
        if (SUCCEEDED(hr)) hr = TevVariantStream::sizeOfVariant(value, valueSize);
        if (FAILED(hr)) return hr;
        total += keySize + valueSize;
    }
    for (const DISPID id : kProperties) {
        ComVariant value;
        uint64_t size = 0;
        if (FAILED(getProperty(id, &value))) return E_FAIL;
        hr = TevVariantStream::sizeOfVariant(value, size);
        if (FAILED(hr)) return hr;
        total += size;
    }
    pCbSize->QuadPart = total;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CTevAnyFileSource::SaveWithNewIdentity(IStream* stream, BOOL,
                                                                 VARIANT* oldIds, VARIANT* newIds,
                                                                 LONG index) {
    GUID* olds = idArray(oldIds);
    GUID* news = idArray(newIds);
    if (!olds || !news) return E_POINTER;
    GUID fresh;
    if (FAILED(CoCreateGuid(&fresh))) return E_FAIL;
    news[index] = fresh;
    olds[index] = identity_;
    return saveCore(stream, fresh);
}

// Loading.

HRESULT CTevAnyFileSource::readBlockAndVersion(IStream* stream, uint32_t& version) {
    TevVariantStream in(stream);
    char head[4];
    HRESULT hr = in.read(head, sizeof head);
    if (FAILED(hr)) return hr;
    if (std::memcmp(head, kBlockTag, sizeof head) == 0) {
        uint32_t blockVersion = 0, count = 0;
        hr = in.readU32(blockVersion);
        if (SUCCEEDED(hr) && blockVersion == kBlockVersion) hr = in.readU32(count);
        for (uint32_t i = 0; SUCCEEDED(hr) && i < count; ++i) {
            ComBstr key;
            ComVariant value;
            hr = in.readString(key.out());
            if (SUCCEEDED(hr)) hr = in.readVariant(&value);
            // A value that cannot be stored ends the block; reading goes on from here.
            if (SUCCEEDED(hr) && FAILED(SetTrampData(key.get(), value))) break;
        }
        if (SUCCEEDED(hr)) hr = in.read(head, sizeof head);
        if (FAILED(hr)) return hr;
    }
    std::memcpy(&version, head, sizeof version);
    return S_OK;
}

HRESULT CTevAnyFileSource::readProperties(IStream* stream, uint32_t version) {
    const size_t count = propertyCount(version);
    if (count == 0) return E_FAIL;
    TevVariantStream in(stream);
    for (size_t i = 0; i < count; ++i) {
        ComVariant value;
        const HRESULT hr = in.readVariant(&value);
        if (FAILED(hr)) return hr;
        if (FAILED(putProperty(kProperties[i], &value))) return E_FAIL;
    }
    return S_OK;
}

HRESULT CTevAnyFileSource::loadCore(IStream* stream, GUID* readIds, LONG index) {
    if (!stream) return E_POINTER;
    if (initialised_) return E_UNEXPECTED;
    initialised_ = true;
    uint32_t version = 0;
    HRESULT hr = readBlockAndVersion(stream, version);
    if (SUCCEEDED(hr)) hr = readProperties(stream, version);
    if (FAILED(hr)) return reportReadFailure(hr);
    GUID saved;
    hr = TevVariantStream(stream).read(&saved, sizeof saved);
    if (FAILED(hr))
        return TevReportError(kReadFailed, 7, IID_ITevAnyFileSource, CLSID_TevAnyFileSource, hr);
    announceDisplayName();
    if (readIds) {
        readIds[index] = saved;
    } else {
        identity_ = saved;
        ChangeControlGuid(asUnknown(), identity_);
    }
    hr = CorrectConnections(asUnknown());
    if (FAILED(hr))
        return TevReportError(OLESTR("Could not get the control connections set up correctly"), 8,
                              IID_ITevAnyFileSource, CLSID_TevAnyFileSource, hr);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CTevAnyFileSource::Load(LPSTREAM pStm) {
    return loadCore(pStm, nullptr, 0);
}

HRESULT STDMETHODCALLTYPE CTevAnyFileSource::LoadWithNewIdentity(IStream* stream, VARIANT* readIds,
                                                                 VARIANT* ownIds, LONG index) {
    GUID* reads = idArray(readIds);
    GUID* owns = idArray(ownIds);
    if (!reads || !owns) return E_POINTER;
    owns[index] = identity_;
    return loadCore(stream, reads, index);
}

HRESULT STDMETHODCALLTYPE CTevAnyFileSource::InitNew() {
    if (initialised_) return E_UNEXPECTED;
    OnAmbientPropertyChange(DISPID_AMBIENT_DISPLAYNAME);
    initialised_ = true;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CTevAnyFileSource::GetClassID(CLSID* pClassID) {
    if (!pClassID) return E_POINTER;
    *pClassID = CLSID_TevAnyFileSource;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CTevAnyFileSource::IsDirty() {
    return requiresSave_ ? S_OK : S_FALSE;
}

// Storages hold the control in their "Contents" stream.

HRESULT STDMETHODCALLTYPE CTevAnyFileSource::InitNew(IStorage*) {
    return InitNew();
}

HRESULT STDMETHODCALLTYPE CTevAnyFileSource::Load(IStorage* pStg) {
    if (!pStg) return E_POINTER;
    IStream* stream = nullptr;
    const HRESULT hr =
        pStg->OpenStream(kContents, nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, 0, &stream);
    if (FAILED(hr)) return hr;
    const HRESULT loaded = Load(stream);
    stream->Release();
    return loaded;
}

HRESULT STDMETHODCALLTYPE CTevAnyFileSource::Save(IStorage* pStgSave, BOOL) {
    if (!pStgSave) return E_POINTER;
    IStream* stream = nullptr;
    const HRESULT hr = pStgSave->CreateStream(
        kContents, STGM_CREATE | STGM_SHARE_EXCLUSIVE | STGM_READWRITE, 0, 0, &stream);
    if (FAILED(hr)) return hr;
    const HRESULT saved = Save(stream, TRUE);
    stream->Release();
    return saved;
}

HRESULT STDMETHODCALLTYPE CTevAnyFileSource::SaveCompleted(IStorage*) {
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CTevAnyFileSource::HandsOffStorage() {
    return S_OK;
}
