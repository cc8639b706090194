#include "ControlTestSupport.h"
#include "ComModule.h"

#include "TevServer.h"

void* readOnlyPage() {
    static void* page = [] {
        void* p = VirtualAlloc(nullptr, 4096, MEM_COMMIT | MEM_RESERVE, PAGE_READONLY);
        return p;
    }();
    return page;
}

char* pageBeforeAGap() {
    void* pages = VirtualAlloc(nullptr, 8192, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    if (!pages) return nullptr;
    VirtualFree(static_cast<char*>(pages) + 4096, 4096, MEM_DECOMMIT);
    return static_cast<char*>(pages);
}

void releasePage(char* page) {
    VirtualFree(page, 4096, MEM_DECOMMIT);
}

namespace {

// The tests run on the main thread, which the real COM wants initialised before it activates.
const HRESULT comInitialised = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);

void unregisterFrom(HKEY classes) {
    RegOverridePredefKey(HKEY_CLASSES_ROOT, classes);
    DllUnregisterServer();
    RegOverridePredefKey(HKEY_CLASSES_ROOT, nullptr);
}

}  // namespace

// Code and data of the library are reached through stubs and copies in this program; the
// module is found by name.
ComString componentLibraryPath() {
    return comModulePath(reinterpret_cast<const void*>(GetModuleHandleW(L"zyncomponent.dll")));
}

// Registrations go to the real registry (of the Wine prefix the tests run in): the class is
// taken out of the machine's and the user's classes.
std::string useFreshRegistry() {
    HKEY userClasses = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Classes", 0, KEY_ALL_ACCESS, &userClasses) ==
        ERROR_SUCCESS) {
        unregisterFrom(userClasses);
        RegCloseKey(userClasses);
    }
    unregisterFrom(nullptr);
    return comRegistryStorePath();
}
