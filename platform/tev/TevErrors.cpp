#include "TevErrors.h"

#include <cstdint>

#include "ComMemoryProbe.h"
#include "ComString.h"
#include "QorString.h"

namespace {

ComString sourceOf(REFCLSID clsid) {
    LPOLESTR progId = nullptr;
    if (SUCCEEDED(ProgIDFromCLSID(clsid, &progId))) {
        ComString source = progId;
        CoTaskMemFree(progId);
        return source;
    }
    OLECHAR text[39];
    StringFromGUID2(clsid, text, 39);
    return text;
}

}  // namespace

std::wstring CreateMessage(const QorError& error) {
    return qorWiden(error.message());
}

HRESULT TevReportError(LPCOLESTR message, DWORD helpContext, REFIID iid, REFCLSID clsid, HRESULT hr,
                       LPCOLESTR helpFile, HINSTANCE) {
    ICreateErrorInfo* create = nullptr;
    if (FAILED(CreateErrorInfo(&create))) return hr;
    ComString description = message ? message : OLESTR("");
    ComString source = sourceOf(clsid);
    ComString file = helpFile ? helpFile : OLESTR("");
    create->SetGUID(iid);
    create->SetDescription(description.data());
    create->SetSource(source.data());
    create->SetHelpFile(file.data());
    create->SetHelpContext(helpContext);
    IErrorInfo* info = nullptr;
    if (SUCCEEDED(create->QueryInterface(IID_IErrorInfo, reinterpret_cast<void**>(&info)))) {
        SetErrorInfo(0, info);
        info->Release();
    }
    create->Release();
    return hr;
}

HRESULT TevReportErrorIfNotSet(LPCOLESTR message, DWORD helpContext, REFIID iid, REFCLSID clsid,
                               HRESULT hr, LPCOLESTR helpFile, HINSTANCE module) {
    IErrorInfo* existing = nullptr;
    if (GetErrorInfo(0, &existing) == S_OK) {
        SetErrorInfo(0, existing);
        existing->Release();
        return hr;
    }
    return TevReportError(message, helpContext, iid, clsid, hr, helpFile, module);
}

void TevClearSystemErrorInfo() {
    SetErrorInfo(0, nullptr);
}

bool TevIsValidAddress(const void* address, size_t bytes, bool writable) {
    if (!address) return false;
    const auto start = reinterpret_cast<uintptr_t>(address);
    if (bytes > UINTPTR_MAX - start) return false;
    return comIsAccessible(address, bytes, writable);
}
