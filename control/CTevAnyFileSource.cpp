#include "CTevAnyFileSource.h"

#include <cinttypes>
#include <cstdio>
#include <new>

#include "CTevTransformBase.h"
#include "ComPtr.h"
#include "ComString.h"
#include "ComVariant.h"
#include "TevCallFrame.h"
#include "TevServer.h"
#include "TevXforms.h"
#include "ZynAnyImageSource.h"

namespace {

const OLECHAR kBadPointer[] = OLESTR("Bad pointer passed in.");
const OLECHAR kInvalidPointer[] = OLESTR("The pointer parameter passed in was invalid");
const OLECHAR kUnknownException[] = OLESTR("An unknown exception was thrown");

TevCallFrame sourceFrame(const OLECHAR* method) {
    return TevCallFrame(IID_ITevSource, TevCallFrame::nonFrameworkMessage(method));
}

VARIANT_BOOL variantBool(bool value) {
    return value ? VARIANT_TRUE : VARIANT_FALSE;
}

// A new BSTR; std::bad_alloc when there is no memory for it.
BSTR newBstr(const std::wstring& text) {
    const ComString utf16 = comFromWide(text);
    BSTR s = SysAllocStringLen(utf16.data(), static_cast<UINT>(utf16.size()));
    if (!s) throw std::bad_alloc();
    return s;
}

std::wstring wide(BSTR text) {
    return comToWide(text, SysStringLen(text));
}

}  // namespace

// Construction and identity.

CTevAnyFileSource::CTevAnyFileSource(IUnknown* outer) : outer_(outer ? outer : &own_) {
    TevServerLock();
}

CTevAnyFileSource::~CTevAnyFileSource() {
    transform_.reset();
    RemoveXform(asUnknown());
    if (clientSite_) clientSite_->Release();
    if (viewSink_) viewSink_->Release();
    for (const auto& c : dataAdvise_) c.sink->Release();
    for (const auto& c : oleAdvise_) c.sink->Release();
    TevServerUnlock();
}

HRESULT CTevAnyFileSource::CreateInstance(IUnknown* outer, REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (outer && riid != IID_IUnknown) return CLASS_E_NOAGGREGATION;
    auto* control = new (std::nothrow) CTevAnyFileSource(outer);
    if (!control) return E_OUTOFMEMORY;
    HRESULT hr = control->initialize();
    if (SUCCEEDED(hr)) hr = control->own_.QueryInterface(riid, ppv);
    control->own_.Release();
    return hr;
}

HRESULT CTevAnyFileSource::initialize() {
    HRESULT hr = CoCreateGuid(&identity_);
    if (FAILED(hr)) return hr;
    try {
        hr = adoptTransform(std::make_shared<ZynAnyImageSource>());
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    if (FAILED(hr)) return hr;
    return AddXform(asUnknown(), identity_);
}

HRESULT CTevAnyFileSource::adoptTransform(ZynTransformPtr transform) {
    if (!transform) return E_OUTOFMEMORY;
    auto* any = dynamic_cast<ZynAnyImageSource*>(transform.get());
    if (!any) return E_FAIL;
    transform_ = std::move(transform);
    anySource_ = any;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CTevAnyFileSource::OwnUnknown::QueryInterface(REFIID riid,
                                                                        void** ppvObject) {
    if (!ppvObject) return E_POINTER;
    *ppvObject = riid == IID_IUnknown ? static_cast<IUnknown*>(this) : owner_.interfaceFor(riid);
    if (!*ppvObject) return E_NOINTERFACE;
    static_cast<IUnknown*>(*ppvObject)->AddRef();
    return S_OK;
}

ULONG STDMETHODCALLTYPE CTevAnyFileSource::OwnUnknown::AddRef() {
    return ++owner_.references_;
}

ULONG STDMETHODCALLTYPE CTevAnyFileSource::OwnUnknown::Release() {
    const ULONG left = --owner_.references_;
    if (left == 0) delete &owner_;
    return left;
}

HRESULT STDMETHODCALLTYPE CTevAnyFileSource::QueryInterface(REFIID riid, void** ppvObject) {
    return outer_->QueryInterface(riid, ppvObject);
}

ULONG STDMETHODCALLTYPE CTevAnyFileSource::AddRef() {
    return outer_->AddRef();
}

ULONG STDMETHODCALLTYPE CTevAnyFileSource::Release() {
    return outer_->Release();
}

void* CTevAnyFileSource::interfaceFor(REFIID riid) {
    if (riid == IID_ITevSource || riid == IID_ITevAnyFileSource)
        return static_cast<ITevAnyFileSource*>(this);
    if (riid == IID_ITevFileMgmt) return static_cast<ITevFileMgmt*>(this);
    if (riid == IID_ITevZynWrapper || riid == IID_ITevZynWrapper2)
        return static_cast<ITevZynWrapper2*>(this);
    if (riid == IID_IQORMetaDataRead) return static_cast<IQORMetaDataRead*>(this);
    if (riid == IID_IQORPersistWithNewIdentity || riid == IID_IQORPersistWithNewIdentity2)
        return static_cast<IQORPersistWithNewIdentity2*>(this);
    if (riid == IID_ITevTrampData) return static_cast<ITevTrampData*>(this);
    if (riid == IID_IDispatch || riid == DIID_ITevAnyFileSourceDisp)
        return static_cast<IDispatch*>(this);
    if (riid == IID_ISupportErrorInfo) return static_cast<ISupportErrorInfo*>(this);
    if (riid == IID_IPersist || riid == IID_IPersistStreamInit)
        return static_cast<IPersistStreamInit*>(this);
    if (riid == IID_IPersistStorage) return static_cast<IPersistStorage*>(this);
    if (riid == IID_IOleObject) return static_cast<IOleObject*>(this);
    if (riid == IID_IOleControl) return static_cast<IOleControl*>(this);
    if (riid == IID_IOleWindow || riid == IID_IOleInPlaceObject ||
        riid == IID_IOleInPlaceObjectWindowless)
        return static_cast<IOleInPlaceObjectWindowless*>(this);
    if (riid == IID_IOleInPlaceActiveObject) return static_cast<IOleInPlaceActiveObject*>(this);
    if (riid == IID_IViewObject || riid == IID_IViewObject2 || riid == IID_IViewObjectEx)
        return static_cast<IViewObjectEx*>(this);
    if (riid == IID_IQuickActivate) return static_cast<IQuickActivate*>(this);
    if (riid == IID_IProvideClassInfo || riid == IID_IProvideClassInfo2)
        return static_cast<IProvideClassInfo2*>(this);
    if (riid == IID_ISpecifyPropertyPages) return static_cast<ISpecifyPropertyPages*>(this);
    if (riid == IID_IDataObject) return static_cast<IDataObject*>(this);
    return nullptr;
}

HRESULT STDMETHODCALLTYPE CTevAnyFileSource::InterfaceSupportsErrorInfo(REFIID riid) {
    const IID* reporting[] = {&IID_ITevSource,
                              &IID_ITevAnyFileSource,
                              &IID_ITevFileMgmt,
                              &IID_ITevZynWrapper,
                              &IID_ITevZynWrapper2,
                              &IID_IQORMetaDataRead,
                              &IID_IPersistStreamInit,
                              &IID_IPersistStorage,
                              &IID_IQORPersistWithNewIdentity,
                              &IID_IQORPersistWithNewIdentity2};
    for (const IID* iid : reporting)
        if (riid == *iid) return S_OK;
    return S_FALSE;
}

// Source queries.

HRESULT STDMETHODCALLTYPE CTevAnyFileSource::ControlName(BSTR* name) {
    return GetControlDisplayName(name);
}

HRESULT STDMETHODCALLTYPE CTevAnyFileSource::StatusOK(VARIANT_BOOL* ok) {
    const TevCallFrame frame = sourceFrame(OLESTR("StatusOK"));
    if (!tevWritable(ok)) return frame.badPointer(kBadPointer);
    return frame.run(33, [&] { *ok = variantBool(CTevTransformBase::StatusOK(transform_)); });
}

HRESULT STDMETHODCALLTYPE CTevAnyFileSource::get_Label(BSTR* label) {
    const TevCallFrame frame = sourceFrame(OLESTR("get_Label"));
    if (!tevWritable(label)) return frame.badPointer(kBadPointer);
    return frame.run(3, [&] { *label = newBstr(CTevTransformBase::get_Label(transform_)); });
}

HRESULT STDMETHODCALLTYPE CTevAnyFileSource::put_Label(BSTR label) {
    const TevCallFrame frame = sourceFrame(OLESTR("put_Label"));
    const HRESULT hr = frame.run(4, [&] { CTevTransformBase::put_Label(transform_, wide(label)); });
    if (SUCCEEDED(hr)) propertyChanged();
    return hr;
}

HRESULT STDMETHODCALLTYPE CTevAnyFileSource::DumpGraph(BSTR fileName) {
    const TevCallFrame frame = sourceFrame(OLESTR("DumpGraph"));
    return frame.run(32, [&] { CTevTransformBase::DumpGraph(transform_, wide(fileName)); });
}

HRESULT STDMETHODCALLTYPE CTevAnyFileSource::get_Caching(VARIANT_BOOL* caching) {
    const TevCallFrame frame = sourceFrame(OLESTR("get_Caching"));
    if (!tevWritable(caching)) return frame.badPointer(kBadPointer);
    return frame.run(3,
                     [&] { *caching = variantBool(CTevTransformBase::get_Caching(transform_)); });
}

HRESULT STDMETHODCALLTYPE CTevAnyFileSource::put_Caching(VARIANT_BOOL caching) {
    const TevCallFrame frame = sourceFrame(OLESTR("put_Caching"));
    const HRESULT hr =
        frame.run(4, [&] { CTevTransformBase::put_Caching(transform_, caching != VARIANT_FALSE); });
    if (SUCCEEDED(hr)) propertyChanged();
    return hr;
}

namespace {

// The outcome of a framework error in a method with an output index: E_INVALIDARG with 34 when
// the index is out of range, else `help` with E_FAIL.
TevCallFrame::Outcome outputOutcome(const ZynTransformPtr& transform, LONG outputIndex,
                                    DWORD help) {
    if (outputIndex < 0 || outputIndex >= transform->numOutputs()) return {34, E_INVALIDARG};
    return {help, E_FAIL};
}

// As outputOutcome, then E_INVALIDARG with 35 for a resolution index out of range.
TevCallFrame::Outcome resolutionOutcome(const ZynTransformPtr& transform, LONG outputIndex,
                                        LONG resolutionIndex) {
    const TevCallFrame::Outcome outcome = outputOutcome(transform, outputIndex, 3);
    if (outcome.result == E_INVALIDARG) return outcome;
    try {
        const LONG count = CTevTransformBase::GetNumResolutions(transform, outputIndex);
        if (resolutionIndex < 0 || resolutionIndex >= count) return {35, E_INVALIDARG};
    } catch (...) {
    }
    return {3, E_FAIL};
}

// A query of one output that answers through an out-pointer.
template <class T, class Query>
HRESULT outputQuery(const ZynTransformPtr& transform, const OLECHAR* method, LONG outputIndex,
                    T* out, Query query) {
    const TevCallFrame frame = sourceFrame(method);
    if (!tevWritable(out)) return frame.badPointer(kBadPointer);
    return frame.runClassified([&] { *out = query(); },
                               [&] { return outputOutcome(transform, outputIndex, 3); });
}

}  // namespace

HRESULT STDMETHODCALLTYPE CTevAnyFileSource::SetCaching(LONG outputIndex, VARIANT_BOOL caching) {
    const TevCallFrame frame = sourceFrame(OLESTR("SetCaching"));
    return frame.runClassified(
        [&] { CTevTransformBase::SetCaching(transform_, outputIndex, caching != VARIANT_FALSE); },
        [&] { return outputOutcome(transform_, outputIndex, 4); });
}

HRESULT STDMETHODCALLTYPE CTevAnyFileSource::GetCaching(LONG outputIndex, VARIANT_BOOL* caching) {
    return outputQuery(transform_, OLESTR("GetCaching"), outputIndex, caching, [&] {
        return variantBool(CTevTransformBase::GetCaching(transform_, outputIndex));
    });
}

HRESULT STDMETHODCALLTYPE CTevAnyFileSource::GetColorSpace(LONG outputIndex,
                                                           TevColorSpace* colorSpace) {
    return outputQuery(transform_, OLESTR("GetColorSpace"), outputIndex, colorSpace,
                       [&] { return CTevTransformBase::GetColorSpace(transform_, outputIndex); });
}

HRESULT STDMETHODCALLTYPE CTevAnyFileSource::GetUnit(LONG outputIndex, TevSpatialUnit* unit) {
    return outputQuery(transform_, OLESTR("GetUnit"), outputIndex, unit,
                       [&] { return CTevTransformBase::GetUnit(transform_, outputIndex); });
}

HRESULT STDMETHODCALLTYPE CTevAnyFileSource::GetWidth(LONG outputIndex, double* width) {
    return outputQuery(transform_, OLESTR("GetWidth"), outputIndex, width,
                       [&] { return CTevTransformBase::GetWidth(transform_, outputIndex); });
}

HRESULT STDMETHODCALLTYPE CTevAnyFileSource::GetHeight(LONG outputIndex, double* height) {
    return outputQuery(transform_, OLESTR("GetHeight"), outputIndex, height,
                       [&] { return CTevTransformBase::GetHeight(transform_, outputIndex); });
}

HRESULT STDMETHODCALLTYPE CTevAnyFileSource::GetNumResolutions(LONG outputIndex, LONG* count) {
    return outputQuery(transform_, OLESTR("GetNumResolutions"), outputIndex, count, [&] {
        return CTevTransformBase::GetNumResolutions(transform_, outputIndex);
    });
}

HRESULT STDMETHODCALLTYPE CTevAnyFileSource::GetHorzResolution(LONG outputIndex,
                                                               LONG resolutionIndex, LONG* width) {
    const TevCallFrame frame = sourceFrame(OLESTR("GetHorzResolution"));
    if (!tevWritable(width)) return frame.badPointer(kBadPointer);
    return frame.runClassified(
        [&] {
            *width = CTevTransformBase::GetHorzResolution(transform_, outputIndex, resolutionIndex);
        },
        [&] { return resolutionOutcome(transform_, outputIndex, resolutionIndex); });
}

HRESULT STDMETHODCALLTYPE CTevAnyFileSource::GetVertResolution(LONG outputIndex,
                                                               LONG resolutionIndex, LONG* height) {
    const TevCallFrame frame = sourceFrame(OLESTR("GetVertResolution"));
    if (!tevWritable(height)) return frame.badPointer(kBadPointer);
    return frame.runClassified(
        [&] {
            *height =
                CTevTransformBase::GetVertResolution(transform_, outputIndex, resolutionIndex);
        },
        [&] { return resolutionOutcome(transform_, outputIndex, resolutionIndex); });
}

// File name and keep-open switch.

HRESULT STDMETHODCALLTYPE CTevAnyFileSource::get_Filename(BSTR* fileName) {
    const TevCallFrame frame(IID_ITevAnyFileSource, kUnknownException);
    if (!tevWritable(fileName)) return frame.badPointer(kInvalidPointer);
    return frame.run(3, [&]() -> HRESULT {
        const ComString name = comFromWide(anySource_->fileName());
        *fileName = SysAllocStringLen(name.data(), static_cast<UINT>(name.size()));
        return *fileName ? S_OK : E_OUTOFMEMORY;
    });
}

HRESULT STDMETHODCALLTYPE CTevAnyFileSource::put_Filename(BSTR fileName) {
    const TevCallFrame frame(IID_ITevAnyFileSource, kUnknownException);
    return frame.run(4, [&] { anySource_->setFileName(wide(fileName)); });
}

HRESULT STDMETHODCALLTYPE CTevAnyFileSource::get_KeepImageFileOpen(VARIANT_BOOL* keepOpen) {
    const TevCallFrame frame(IID_ITevFileMgmt, kUnknownException);
    if (!tevWritable(keepOpen)) return frame.badPointer(kInvalidPointer);
    return frame.run(3,
                     [&] { *keepOpen = variantBool(anySource_->getAttribute<bool>("keep_open")); });
}

HRESULT STDMETHODCALLTYPE CTevAnyFileSource::put_KeepImageFileOpen(VARIANT_BOOL keepOpen) {
    const TevCallFrame frame(IID_ITevFileMgmt, kUnknownException);
    return frame.run(
        4, [&] { anySource_->setAttribute<bool>("keep_open", keepOpen == VARIANT_TRUE); });
}

// Wrapper.

HRESULT STDMETHODCALLTYPE CTevAnyFileSource::GetZynTransform(ZynTransform** transform) {
    const TevCallFrame frame = sourceFrame(OLESTR("GetZynTransform"));
    if (!tevWritable(transform)) return frame.badPointer(kBadPointer);
    return frame.run(12, [&] { *transform = transform_.get(); });
}

HRESULT STDMETHODCALLTYPE CTevAnyFileSource::GetControlDisplayName(BSTR* name) {
    const TevCallFrame frame = sourceFrame(OLESTR("GetAmbientDisplayName"));
    if (!tevWritable(name)) return frame.badPointer(kBadPointer);
    return frame.run(1, [&] {
        const ComString text = displayName();
        *name = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
        if (!*name) throw std::bad_alloc();
    });
}

HRESULT STDMETHODCALLTYPE CTevAnyFileSource::GetIdentity(GUID* identity) {
    if (!identity) return E_POINTER;
    *identity = identity_;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CTevAnyFileSource::CloneControl(ITevAnyFileSource** clone) {
    const TevCallFrame frame(IID_ITevZynWrapper2, kUnknownException);
    if (!tevWritable(clone))
        return frame.badPointer(OLESTR("The pointer parameter passed in was invalid."));
    *clone = nullptr;
    return frame.run(12, [&]() -> HRESULT {
        ComPtr<ITevAnyFileSource> copy;
        HRESULT hr = CreateInstance(nullptr, IID_ITevAnyFileSource, copy.outVoid());
        if (FAILED(hr)) return hr;
        hr = static_cast<CTevAnyFileSource*>(copy.get())->adoptTransform(transform_->clone());
        if (FAILED(hr)) return hr;
        *clone = copy.release();
        return S_OK;
    });
}

// Metadata.

HRESULT STDMETHODCALLTYPE
CTevAnyFileSource::LoadMetaDataRegistryFile(BSTR path, VUL_MMA_DUPLICATE_ENTRY_MODE mode) {
    const TevCallFrame frame = sourceFrame(OLESTR("LoadMetaDataRegistryFile"));
    if (!path) return frame.badArgument();
    return frame.run(
        71, [&] { CTevTransformBase::LoadMetaDataRegistryFile(transform_, wide(path), mode); });
}

HRESULT STDMETHODCALLTYPE CTevAnyFileSource::ClearMetaDataRegistry() {
    const TevCallFrame frame = sourceFrame(OLESTR("ClearMetaDataRegistry"));
    return frame.run(72, [&] { CTevTransformBase::ClearMetaDataRegistry(transform_); });
}

HRESULT STDMETHODCALLTYPE CTevAnyFileSource::GetMetaData(BSTR key, VARIANT* value) {
    const TevCallFrame frame = sourceFrame(OLESTR("GetMetaData"));
    if (!tevWritable(value)) return frame.badPointer(kBadPointer);
    if (!key) return frame.badArgument();
    return frame.run(73, [&] { CTevTransformBase::GetMetaData(transform_, wide(key), value); });
}

HRESULT STDMETHODCALLTYPE CTevAnyFileSource::GetSupportedMetaData(VARIANT*) {
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE CTevAnyFileSource::GetMetaDataUsage(BSTR key, LONG* usage) {
    const TevCallFrame frame = sourceFrame(OLESTR("GetMetaDataUsage"));
    if (!tevWritable(usage)) return frame.badPointer(kBadPointer);
    if (!key) return frame.badArgument();
    return frame.run(75,
                     [&] { *usage = CTevTransformBase::GetMetaDataUsage(transform_, wide(key)); });
}

HRESULT STDMETHODCALLTYPE CTevAnyFileSource::GetAliasKey(VUL_METADATA_ALIASKEY, BSTR*) {
    return E_NOTIMPL;
}

// Tramp data: plain results, no error-info records.

HRESULT STDMETHODCALLTYPE CTevAnyFileSource::SetTrampData(BSTR key, VARIANT value) {
    return trampData_.set(key, value);
}

HRESULT STDMETHODCALLTYPE CTevAnyFileSource::GetTrampData(BSTR key, VARIANT* value) {
    if (!value) return E_POINTER;
    return trampData_.get(key, value);
}

HRESULT STDMETHODCALLTYPE CTevAnyFileSource::GetTrampDataKeyNames(VARIANT* names) {
    if (!names) return E_POINTER;
    return trampData_.keyNames(names);
}

HRESULT STDMETHODCALLTYPE CTevAnyFileSource::ContainsKey(BSTR key, VARIANT_BOOL* contains) {
    if (!contains) return E_POINTER;
    *contains = variantBool(trampData_.contains(key));
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CTevAnyFileSource::ClearTrampDataKey(BSTR key) {
    return trampData_.erase(key) ? S_OK : S_FALSE;
}

HRESULT STDMETHODCALLTYPE CTevAnyFileSource::ClearTrampData() {
    trampData_.clear();
    return S_OK;
}

// Display name and change notifications.

bool CTevAnyFileSource::ambientDisplayName(ComString& name) {
    if (!clientSite_) return false;
    ComPtr<IDispatch> ambient;
    if (FAILED(clientSite_->QueryInterface(IID_IDispatch, ambient.outVoid()))) return false;
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    ComVariant result;
    const HRESULT hr = ambient->Invoke(DISPID_AMBIENT_DISPLAYNAME, IID_NULL, LOCALE_USER_DEFAULT,
                                       DISPATCH_PROPERTYGET, &none, &result, nullptr, nullptr);
    if (FAILED(hr) || result.vt != VT_BSTR || SysStringLen(result.bstrVal) == 0) return false;
    name.assign(result.bstrVal, SysStringLen(result.bstrVal));
    return true;
}

ComString CTevAnyFileSource::displayName() {
    ComString name;
    if (ambientDisplayName(name)) return name;
    char address[32];
    std::snprintf(address, sizeof address, "0x%" PRIxPTR,
                  reinterpret_cast<uintptr_t>(static_cast<ITevAnyFileSource*>(this)));
    return comFromUtf8(address);
}

void CTevAnyFileSource::announceDisplayName() {
    ChangeControlName(asUnknown(), displayName().c_str());
}

void CTevAnyFileSource::propertyChanged() {
    requiresSave_ = true;
    for (auto& connection : dataAdvise_) {
        STGMEDIUM medium{};
        medium.tymed = TYMED_NULL;
        connection.sink->OnDataChange(&connection.format, &medium);
    }
    if (viewSink_ && (viewAspects_ & DVASPECT_CONTENT))
        viewSink_->OnViewChange(DVASPECT_CONTENT, -1);
}
