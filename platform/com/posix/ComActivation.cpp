#include "ComActivation.h"

#include <dlfcn.h>

#include <map>
#include <mutex>
#include <vector>

#include "ComRegistry.h"
#include "ComString.h"

namespace {

struct ClassObject {
    DWORD cookie;
    CLSID clsid;
    IUnknown* object;
};

std::mutex activationMutex;
std::vector<ClassObject> classObjects;
DWORD nextCookie = 1;
// Servers stay loaded for the life of the process.
std::map<std::string, void*> servers;

thread_local int initialisations = 0;

// The default value of a key below the classes root, or false.
bool classesValue(const std::u16string& keyPath, std::u16string& value) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, keyPath.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    DWORD type = 0, size = 0;
    bool found = RegQueryValueExW(key, nullptr, nullptr, &type, nullptr, &size) == ERROR_SUCCESS &&
                 type == REG_SZ;
    if (found) {
        std::u16string text(size / sizeof(OLECHAR), u'\0');
        found = RegQueryValueExW(key, nullptr, nullptr, nullptr,
                                 reinterpret_cast<BYTE*>(text.data()), &size) == ERROR_SUCCESS;
        value.assign(text.c_str());
    }
    RegCloseKey(key);
    return found;
}

std::u16string clsidKey(REFCLSID clsid) {
    OLECHAR text[39];
    StringFromGUID2(clsid, text, 39);
    return u"CLSID\\" + std::u16string(text);
}

HRESULT registeredClassObject(REFCLSID clsid, REFIID riid, LPVOID* ppv) {
    std::lock_guard lock(activationMutex);
    for (const ClassObject& entry : classObjects)
        if (entry.clsid == clsid) return entry.object->QueryInterface(riid, ppv);
    return REGDB_E_CLASSNOTREG;
}

HRESULT serverEntryPoint(const std::string& path, LPFNGETCLASSOBJECT& entry) {
    std::lock_guard lock(activationMutex);
    void*& handle = servers[path];
    if (!handle) handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        servers.erase(path);
        return CO_E_DLLNOTFOUND;
    }
    entry = reinterpret_cast<LPFNGETCLASSOBJECT>(dlsym(handle, "DllGetClassObject"));
    return entry ? S_OK : CO_E_ERRORINDLL;
}

}  // namespace

STDAPI CoInitialize(LPVOID pvReserved) {
    return CoInitializeEx(pvReserved, COINIT_APARTMENTTHREADED);
}

STDAPI CoInitializeEx(LPVOID, DWORD) {
    return initialisations++ == 0 ? S_OK : S_FALSE;
}

STDAPI_(void) CoUninitialize() {
    if (initialisations > 0) --initialisations;
}

STDAPI CoGetClassObject(REFCLSID rclsid, DWORD dwClsContext, LPVOID, REFIID riid, LPVOID* ppv) {
    if (!ppv) return E_INVALIDARG;
    *ppv = nullptr;
    HRESULT hr = registeredClassObject(rclsid, riid, ppv);
    if (hr != REGDB_E_CLASSNOTREG || !(dwClsContext & CLSCTX_INPROC_SERVER)) return hr;
    std::u16string path;
    if (!classesValue(clsidKey(rclsid) + u"\\InprocServer32", path)) return REGDB_E_CLASSNOTREG;
    LPFNGETCLASSOBJECT entry = nullptr;
    hr = serverEntryPoint(comToUtf8(path.c_str()), entry);
    if (FAILED(hr)) return hr;
    return entry(rclsid, riid, ppv);
}

STDAPI CoCreateInstance(REFCLSID rclsid, LPUNKNOWN pUnkOuter, DWORD dwClsContext, REFIID riid,
                        LPVOID* ppv) {
    if (!ppv) return E_INVALIDARG;
    *ppv = nullptr;
    IClassFactory* factory = nullptr;
    HRESULT hr = CoGetClassObject(rclsid, dwClsContext, nullptr, IID_IClassFactory,
                                  reinterpret_cast<void**>(&factory));
    if (FAILED(hr)) return hr;
    hr = factory->CreateInstance(pUnkOuter, riid, ppv);
    factory->Release();
    return hr;
}

STDAPI CoRegisterClassObject(REFCLSID rclsid, LPUNKNOWN pUnk, DWORD, DWORD, LPDWORD lpdwRegister) {
    if (!pUnk || !lpdwRegister) return E_INVALIDARG;
    pUnk->AddRef();
    std::lock_guard lock(activationMutex);
    *lpdwRegister = nextCookie++;
    classObjects.push_back({*lpdwRegister, rclsid, pUnk});
    return S_OK;
}

STDAPI CoRevokeClassObject(DWORD dwRegister) {
    IUnknown* object = nullptr;
    {
        std::lock_guard lock(activationMutex);
        for (auto it = classObjects.begin(); it != classObjects.end(); ++it)
            if (it->cookie == dwRegister) {
                object = it->object;
                classObjects.erase(it);
                break;
            }
    }
    if (!object) return E_INVALIDARG;
    object->Release();
    return S_OK;
}

STDAPI CLSIDFromProgID(LPCOLESTR lpszProgID, LPCLSID lpclsid) {
    if (!lpszProgID || !lpclsid) return E_INVALIDARG;
    std::u16string progId = lpszProgID;
    // A version-independent ProgID names its class through its current version.
    for (int hops = 0; hops < 4; ++hops) {
        std::u16string text;
        if (classesValue(progId + u"\\CLSID", text)) return CLSIDFromString(text.c_str(), lpclsid);
        if (!classesValue(progId + u"\\CurVer", text)) break;
        progId = text;
    }
    return CO_E_CLASSSTRING;
}

STDAPI ProgIDFromCLSID(REFCLSID clsid, LPOLESTR* lplpszProgID) {
    if (!lplpszProgID) return E_INVALIDARG;
    *lplpszProgID = nullptr;
    std::u16string progId;
    if (!classesValue(clsidKey(clsid) + u"\\ProgID", progId)) return REGDB_E_CLASSNOTREG;
    auto* copy = static_cast<LPOLESTR>(CoTaskMemAlloc((progId.size() + 1) * sizeof(OLECHAR)));
    if (!copy) return E_OUTOFMEMORY;
    std::char_traits<char16_t>::copy(copy, progId.c_str(), progId.size() + 1);
    *lplpszProgID = copy;
    return S_OK;
}
