#include "AnyImageControl.h"

#include <cstdio>

#include "ComBstr.h"
#include "ComString.h"
#include "TevServer.h"

namespace {

const OLECHAR kProgId[] = OLESTR("TevAnyFileSource.TevAnyFileSource");

std::string hex(HRESULT hr) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(hr));
    return text;
}

// The in-process server registered for the class, or "".
std::string registeredServer(REFCLSID clsid) {
    OLECHAR braced[39];
    StringFromGUID2(clsid, braced, 39);
    const ComString path = OLESTR("CLSID\\") + ComString(braced) + OLESTR("\\InprocServer32");
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return {};
    OLECHAR value[4096] = {};
    DWORD size = sizeof value - sizeof(OLECHAR);
    const LONG result =
        RegQueryValueExW(key, nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(value), &size);
    RegCloseKey(key);
    return result == ERROR_SUCCESS ? comToUtf8(value) : std::string();
}

}  // namespace

ControlError::ControlError(const std::string& message, HRESULT result)
    : std::runtime_error(message + " (result " + hex(result) + ")"), result_(result) {}

AnyImageControl::AnyImageControl() {
    CLSID clsid;
    std::string failure;
    if (SUCCEEDED(CLSIDFromProgID(kProgId, &clsid))) {
        const HRESULT hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER,
                                            IID_ITevAnyFileSource, control_.outVoid());
        if (SUCCEEDED(hr)) {
            origin_ = comToUtf8(kProgId) + " (registered server " + registeredServer(clsid) + ")";
            return;
        }
        failure = " (the registered server failed with " + hex(hr) + ")";
    }
    ComPtr<IClassFactory> factory;
    check(DllGetClassObject(CLSID_TevAnyFileSource, IID_IClassFactory, factory.outVoid()));
    check(factory->CreateInstance(nullptr, IID_ITevAnyFileSource, control_.outVoid()));
    origin_ = "the library's class object" + failure;
}

void AnyImageControl::check(HRESULT hr) {
    if (SUCCEEDED(hr)) return;
    std::string message = "The control failed";
    IErrorInfo* info = nullptr;
    if (GetErrorInfo(0, &info) == S_OK) {
        ComBstr description;
        info->GetDescription(description.out());
        info->Release();
        message = comToUtf8(description.text().c_str());
    }
    throw ControlError(message, hr);
}
