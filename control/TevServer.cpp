// The in-process server: its four entry points, the class object of the control, and what
// registration writes into the registry.

#include "TevServer.h"

#include <dlfcn.h>
#include <limits.h>
#include <stdlib.h>

#include <atomic>
#include <new>
#include <string>

#include "CTevAnyFileSource.h"
#include "ComObject.h"
#include "ComString.h"
#include "TevCategories.h"

namespace {

std::atomic<long> serverLocks{0};

// The class object of the control: created once, never destroyed.
class CTevAnyFileSourceFactory final : public ComObject<CTevAnyFileSourceFactory, IClassFactory> {
  public:
    void* interfaceFor(REFIID riid) {
        return riid == IID_IUnknown || riid == IID_IClassFactory ? static_cast<IClassFactory*>(this)
                                                                 : nullptr;
    }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* pUnkOuter, REFIID riid,
                                             void** ppvObject) override {
        return CTevAnyFileSource::CreateInstance(pUnkOuter, riid, ppvObject);
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL fLock) override {
        if (fLock)
            TevServerLock();
        else
            TevServerUnlock();
        return S_OK;
    }
};

const char16_t kProgId[] = u"TevAnyFileSource.TevAnyFileSource.1";
const char16_t kIndependentProgId[] = u"TevAnyFileSource.TevAnyFileSource";
const char16_t kClassName[] = u"TevAnyFileSource Class";
const char16_t kTypeLibraryName[] = u"TevAnyFileSourceCtrl";

std::u16string braced(REFGUID guid) {
    OLECHAR text[39];
    StringFromGUID2(guid, text, 39);
    return text;
}

// A key below the classes root, with a default value (null: none) and a named value.
struct RegistryRow {
    std::u16string key;
    std::u16string value;
    bool hasValue;
    std::u16string namedValue = {};
    std::u16string namedData = {};
};

// The registration script of the class, with the server's full path put in.
std::vector<RegistryRow> classRows(const std::u16string& module) {
    const std::u16string clsid = u"CLSID\\" + braced(CLSID_TevAnyFileSource);
    return {
        {kProgId, kClassName, true},
        {std::u16string(kProgId) + u"\\CLSID", braced(CLSID_TevAnyFileSource), true},
        {kIndependentProgId, kClassName, true},
        {std::u16string(kIndependentProgId) + u"\\CurVer", kProgId, true},
        {clsid, kClassName, true},
        {clsid + u"\\ProgID", kProgId, true},
        {clsid + u"\\VersionIndependentProgID", kIndependentProgId, true},
        {clsid + u"\\Programmable", {}, false},
        {clsid + u"\\Control", {}, false},
        {clsid + u"\\Insertable", {}, false},
        {clsid + u"\\InprocServer32", module, true, u"ThreadingModel", u"Apartment"},
        {clsid + u"\\ToolboxBitmap32", module + u", 1", true},
        {clsid + u"\\MiscStatus", u"0", true},
        {clsid + u"\\MiscStatus\\1", u"132497", true},
        {clsid + u"\\TypeLib", braced(LIBID_TevAnyFileSourceCtrl), true},
        {clsid + u"\\Version", u"1.0", true},
    };
}

// The embedded type library (resource 1 of the server) and the interfaces it describes.
std::vector<RegistryRow> typeLibraryRows(const std::u16string& module) {
    const std::u16string library = u"TypeLib\\" + braced(LIBID_TevAnyFileSourceCtrl) + u"\\1.0";
    const std::u16string folder = module.substr(0, module.find_last_of(u'/'));
    std::vector<RegistryRow> rows = {
        {library, kTypeLibraryName, true},
        {library + u"\\FLAGS", u"0", true},
        {library + u"\\0\\linux64", module, true},
        {library + u"\\HELPDIR", folder, true},
    };
    const std::pair<const IID*, const char16_t*> interfaces[] = {
        {&IID_ITevSource, u"ITevSource"},
        {&IID_ITevAnyFileSource, u"ITevAnyFileSource"},
        {&DIID_ITevSourceDisp, u"ITevSourceDisp"},
        {&DIID_ITevAnyFileSourceDisp, u"ITevAnyFileSourceDisp"},
        {&IID_ITevFileMgmt, u"ITevFileMgmt"},
        {&IID_ITevZynWrapper, u"ITevZynWrapper"},
        {&IID_ITevZynWrapper2, u"ITevZynWrapper2"},
        {&IID_IQORMetaDataRead, u"IQORMetaDataRead"},
        {&IID_IQORPersistWithNewIdentity, u"IQORPersistWithNewIdentity"},
        {&IID_IQORPersistWithNewIdentity2, u"IQORPersistWithNewIdentity2"},
        {&IID_ITevTrampData, u"ITevTrampData"},
    };
    for (const auto& [iid, name] : interfaces) {
        const std::u16string key = u"Interface\\" + braced(*iid);
        rows.push_back({key, name, true});
        rows.push_back(
            {key + u"\\TypeLib", braced(LIBID_TevAnyFileSourceCtrl), true, u"Version", u"1.0"});
    }
    return rows;
}

LONG setText(HKEY key, LPCOLESTR name, const std::u16string& text) {
    return RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                          static_cast<DWORD>((text.size() + 1) * sizeof(OLECHAR)));
}

LONG writeRow(const RegistryRow& row) {
    HKEY key = nullptr;
    LONG result = RegCreateKeyExW(HKEY_CLASSES_ROOT, row.key.c_str(), 0, nullptr,
                                  REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr, &key, nullptr);
    if (result != ERROR_SUCCESS) return result;
    if (row.hasValue) result = setText(key, nullptr, row.value);
    if (result == ERROR_SUCCESS && !row.namedValue.empty())
        result = setText(key, row.namedValue.c_str(), row.namedData);
    RegCloseKey(key);
    return result;
}

HRESULT writeRows(const std::vector<RegistryRow>& rows) {
    for (const RegistryRow& row : rows) {
        const LONG result = writeRow(row);
        if (result != ERROR_SUCCESS) return HRESULT_FROM_WIN32(result);
    }
    return S_OK;
}

// The full path of the file this server was loaded from.
std::u16string modulePath() {
    Dl_info info{};
    if (!dladdr(reinterpret_cast<void*>(&DllRegisterServer), &info) || !info.dli_fname) return {};
    char resolved[PATH_MAX];
    const char* path = realpath(info.dli_fname, resolved) ? resolved : info.dli_fname;
    return comFromUtf8(path);
}

}  // namespace

void TevServerLock() {
    ++serverLocks;
}

void TevServerUnlock() {
    --serverLocks;
}

long TevServerLockCount() {
    return serverLocks;
}

STDAPI DllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (rclsid != CLSID_TevAnyFileSource) return CLASS_E_CLASSNOTAVAILABLE;
    static CTevAnyFileSourceFactory* const factory = new (std::nothrow) CTevAnyFileSourceFactory;
    if (!factory) return E_OUTOFMEMORY;
    return factory->QueryInterface(riid, ppv);
}

STDAPI DllCanUnloadNow() {
    return serverLocks == 0 ? S_OK : S_FALSE;
}

STDAPI DllRegisterServer() {
    const std::u16string module = modulePath();
    if (module.empty()) return SELFREG_E_CLASS;
    // The class declares no component categories of its own to register here.
    HRESULT hr = writeRows(classRows(module));
    if (SUCCEEDED(hr)) hr = writeRows(typeLibraryRows(module));
    if (FAILED(hr)) return hr;
    TevRegisterCatids(CLSID_TevAnyFileSource);
    return S_OK;
}

STDAPI DllUnregisterServer() {
    // The CLSID key itself is shared by every class; only this class's key below it goes. The
    // type library stays registered.
    RegDeleteTreeW(HKEY_CLASSES_ROOT, kProgId);
    RegDeleteTreeW(HKEY_CLASSES_ROOT, kIndependentProgId);
    TevRemoveCategory(CLSID_TevAnyFileSource);
    RegDeleteTreeW(HKEY_CLASSES_ROOT, (u"CLSID\\" + braced(CLSID_TevAnyFileSource)).c_str());
    return S_OK;
}
