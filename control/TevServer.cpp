// The in-process server: its four entry points, the class object of the control, and what
// registration writes into the registry.

#include "TevServer.h"

#include <atomic>
#include <new>
#include <string>

#include "CTevAnyFileSource.h"
#include "ComModule.h"
#include "ComObject.h"
#include "ComString.h"
#include "TevCategories.h"
#include "ZynWorkerPool.h"

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

const OLECHAR kProgId[] = OLESTR("TevAnyFileSource.TevAnyFileSource.1");
const OLECHAR kIndependentProgId[] = OLESTR("TevAnyFileSource.TevAnyFileSource");
const OLECHAR kClassName[] = OLESTR("TevAnyFileSource Class");
const OLECHAR kTypeLibraryName[] = OLESTR("TevAnyFileSourceCtrl");

ComString braced(REFGUID guid) {
    OLECHAR text[39];
    StringFromGUID2(guid, text, 39);
    return text;
}

// A key below the classes root, with a default value (null: none) and a named value.
struct RegistryRow {
    ComString key;
    ComString value;
    bool hasValue;
    ComString namedValue = {};
    ComString namedData = {};
};

// The registration script of the class, with the server's full path put in.
std::vector<RegistryRow> classRows(const ComString& module) {
    const ComString clsid = OLESTR("CLSID\\") + braced(CLSID_TevAnyFileSource);
    return {
        {kProgId, kClassName, true},
        {ComString(kProgId) + OLESTR("\\CLSID"), braced(CLSID_TevAnyFileSource), true},
        {kIndependentProgId, kClassName, true},
        {ComString(kIndependentProgId) + OLESTR("\\CurVer"), kProgId, true},
        // Not every COM runtime follows CurVer; the class id here serves those that do not.
        {ComString(kIndependentProgId) + OLESTR("\\CLSID"), braced(CLSID_TevAnyFileSource), true},
        {clsid, kClassName, true},
        {clsid + OLESTR("\\ProgID"), kProgId, true},
        {clsid + OLESTR("\\VersionIndependentProgID"), kIndependentProgId, true},
        {clsid + OLESTR("\\Programmable"), {}, false},
        {clsid + OLESTR("\\Control"), {}, false},
        {clsid + OLESTR("\\Insertable"), {}, false},
        {clsid + OLESTR("\\InprocServer32"), module, true, OLESTR("ThreadingModel"),
         OLESTR("Apartment")},
        {clsid + OLESTR("\\ToolboxBitmap32"), module + OLESTR(", 1"), true},
        {clsid + OLESTR("\\MiscStatus"), OLESTR("0"), true},
        {clsid + OLESTR("\\MiscStatus\\1"), OLESTR("132497"), true},
        {clsid + OLESTR("\\TypeLib"), braced(LIBID_TevAnyFileSourceCtrl), true},
        {clsid + OLESTR("\\Version"), OLESTR("1.0"), true},
    };
}

// The embedded type library (resource 1 of the server) and the interfaces it describes.
std::vector<RegistryRow> typeLibraryRows(const ComString& module) {
    const ComString library =
        OLESTR("TypeLib\\") + braced(LIBID_TevAnyFileSourceCtrl) + OLESTR("\\1.0");
    const ComString folder = module.substr(0, module.find_last_of(OLESTR("/\\")));
    std::vector<RegistryRow> rows = {
        {library, kTypeLibraryName, true},
        {library + OLESTR("\\FLAGS"), OLESTR("0"), true},
        {library + OLESTR("\\0\\") + comTypeLibraryPlatform(), module, true},
        {library + OLESTR("\\HELPDIR"), folder, true},
    };
    const std::pair<const IID*, const OLECHAR*> interfaces[] = {
        {&IID_ITevSource, OLESTR("ITevSource")},
        {&IID_ITevAnyFileSource, OLESTR("ITevAnyFileSource")},
        {&DIID_ITevSourceDisp, OLESTR("ITevSourceDisp")},
        {&DIID_ITevAnyFileSourceDisp, OLESTR("ITevAnyFileSourceDisp")},
        {&IID_ITevFileMgmt, OLESTR("ITevFileMgmt")},
        {&IID_ITevZynWrapper, OLESTR("ITevZynWrapper")},
        {&IID_ITevZynWrapper2, OLESTR("ITevZynWrapper2")},
        {&IID_IQORMetaDataRead, OLESTR("IQORMetaDataRead")},
        {&IID_IQORPersistWithNewIdentity, OLESTR("IQORPersistWithNewIdentity")},
        {&IID_IQORPersistWithNewIdentity2, OLESTR("IQORPersistWithNewIdentity2")},
        {&IID_ITevTrampData, OLESTR("ITevTrampData")},
    };
    for (const auto& [iid, name] : interfaces) {
        const ComString key = OLESTR("Interface\\") + braced(*iid);
        rows.push_back({key, name, true});
        rows.push_back({key + OLESTR("\\TypeLib"), braced(LIBID_TevAnyFileSourceCtrl), true,
                        OLESTR("Version"), OLESTR("1.0")});
    }
    return rows;
}

LONG setText(HKEY key, LPCOLESTR name, const ComString& text) {
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

// The rendering threads run the server's code for as long as the process lives.
STDAPI DllCanUnloadNow() {
    return serverLocks == 0 && ZynWorkerPool::shared().workerCount() == 0 ? S_OK : S_FALSE;
}

STDAPI DllRegisterServer() {
    const ComString module = comModulePath(reinterpret_cast<const void*>(&DllRegisterServer));
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
    RegDeleteTreeW(HKEY_CLASSES_ROOT, (OLESTR("CLSID\\") + braced(CLSID_TevAnyFileSource)).c_str());
    return S_OK;
}
