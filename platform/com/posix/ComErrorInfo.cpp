#include <string>

#include "ComAutomation.h"
#include "ComObject.h"

namespace {

class ComErrorRecord final : public ComObject<ComErrorRecord, IErrorInfo, ICreateErrorInfo> {
  public:
    void* interfaceFor(REFIID riid) {
        if (riid == IID_IUnknown || riid == IID_IErrorInfo) return static_cast<IErrorInfo*>(this);
        if (riid == IID_ICreateErrorInfo) return static_cast<ICreateErrorInfo*>(this);
        return nullptr;
    }

    HRESULT STDMETHODCALLTYPE GetGUID(GUID* pGUID) override {
        if (!pGUID) return E_INVALIDARG;
        *pGUID = guid_;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetSource(BSTR* out) override { return copyOut(source_, out); }
    HRESULT STDMETHODCALLTYPE GetDescription(BSTR* out) override {
        return copyOut(description_, out);
    }
    HRESULT STDMETHODCALLTYPE GetHelpFile(BSTR* out) override { return copyOut(helpFile_, out); }
    HRESULT STDMETHODCALLTYPE GetHelpContext(DWORD* out) override {
        if (!out) return E_INVALIDARG;
        *out = helpContext_;
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE SetGUID(REFGUID rguid) override {
        guid_ = rguid;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetSource(LPOLESTR text) override { return assign(source_, text); }
    HRESULT STDMETHODCALLTYPE SetDescription(LPOLESTR text) override {
        return assign(description_, text);
    }
    HRESULT STDMETHODCALLTYPE SetHelpFile(LPOLESTR text) override {
        return assign(helpFile_, text);
    }
    HRESULT STDMETHODCALLTYPE SetHelpContext(DWORD context) override {
        helpContext_ = context;
        return S_OK;
    }

  private:
    static HRESULT copyOut(const std::u16string& text, BSTR* out) {
        if (!out) return E_INVALIDARG;
        *out = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
        return *out ? S_OK : E_OUTOFMEMORY;
    }
    static HRESULT assign(std::u16string& field, LPOLESTR text) {
        if (text)
            field = text;
        else
            field.clear();
        return S_OK;
    }

    GUID guid_ = GUID_NULL;
    std::u16string source_;
    std::u16string description_;
    std::u16string helpFile_;
    DWORD helpContext_ = 0;
};

// The calling thread's record; released when the thread ends.
struct ThreadRecord {
    IErrorInfo* info = nullptr;
    ~ThreadRecord() {
        if (info) info->Release();
    }
};
thread_local ThreadRecord current;

}  // namespace

STDAPI CreateErrorInfo(ICreateErrorInfo** pperrinfo) {
    if (!pperrinfo) return E_INVALIDARG;
    *pperrinfo = new (std::nothrow) ComErrorRecord;
    return *pperrinfo ? S_OK : E_OUTOFMEMORY;
}

STDAPI SetErrorInfo(ULONG, IErrorInfo* perrinfo) {
    if (perrinfo) perrinfo->AddRef();
    if (current.info) current.info->Release();
    current.info = perrinfo;
    return S_OK;
}

STDAPI GetErrorInfo(ULONG, IErrorInfo** pperrinfo) {
    if (!pperrinfo) return E_INVALIDARG;
    *pperrinfo = current.info;
    current.info = nullptr;
    return *pperrinfo ? S_OK : S_FALSE;
}
