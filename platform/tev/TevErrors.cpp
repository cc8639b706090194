#include "TevErrors.h"

#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "ComString.h"
#include "QorString.h"

namespace {

std::u16string sourceOf(REFCLSID clsid) {
    LPOLESTR progId = nullptr;
    if (SUCCEEDED(ProgIDFromCLSID(clsid, &progId))) {
        std::u16string source = progId;
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
    std::u16string description = message ? message : OLESTR("");
    std::u16string source = sourceOf(clsid);
    std::u16string file = helpFile ? helpFile : OLESTR("");
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
    auto next = reinterpret_cast<uintptr_t>(address);
    if (bytes > UINTPTR_MAX - next) return false;
    const uintptr_t end = next + bytes;
    std::unique_ptr<FILE, int (*)(FILE*)> maps(std::fopen("/proc/self/maps", "r"), std::fclose);
    if (!maps) return false;
    // Mappings are listed in address order; the range must be covered without a gap.
    struct Line {
        char* text = nullptr;
        size_t capacity = 0;
        ~Line() { std::free(text); }
    } line;
    while (next < end && getline(&line.text, &line.capacity, maps.get()) > 0) {
        uintptr_t low = 0, high = 0;
        char permissions[5] = {};
        if (std::sscanf(line.text, "%" SCNxPTR "-%" SCNxPTR " %4s", &low, &high, permissions) != 3)
            continue;
        if (high <= next) continue;
        if (low > next) return false;
        if (permissions[0] != 'r' || (writable && permissions[1] != 'w')) return false;
        next = high;
    }
    return next >= end;
}
