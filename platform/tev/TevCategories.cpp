#include "TevCategories.h"

#include <string>

#include "ComString.h"

extern "C" const CATID CATID_TevImageSources = {
    0x5B1E7C40, 0x9A3D, 0x4E21, {0xB6, 0xF0, 0x3C, 0x8D, 0x2A, 0x91, 0xE7, 0xF4}};

namespace {

ComString braced(REFGUID guid) {
    OLECHAR text[39];
    StringFromGUID2(guid, text, 39);
    return text;
}

ComString implementedKey(REFCLSID clsid) {
    return OLESTR("CLSID\\") + braced(clsid) + OLESTR("\\Implemented Categories");
}

LONG setText(HKEY key, LPCOLESTR name, const ComString& text) {
    return RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                          static_cast<DWORD>((text.size() + 1) * sizeof(OLECHAR)));
}

// Creates a key below the classes root, with a default value unless `text` is null.
LONG createKey(const ComString& path, LPCOLESTR name, const OLECHAR* text) {
    HKEY key = nullptr;
    LONG result = RegCreateKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, nullptr,
                                  REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr, &key, nullptr);
    if (result != ERROR_SUCCESS) return result;
    if (text) result = setText(key, name, text);
    RegCloseKey(key);
    return result;
}

}  // namespace

HRESULT TevRegisterCatids(REFCLSID clsid) {
    LONG result = createKey(OLESTR("Component Categories\\") + braced(CATID_TevImageSources),
                            OLESTR("409"), OLESTR("Tev Image Sources"));
    if (result == ERROR_SUCCESS)
        result = createKey(implementedKey(clsid) + OLESTR("\\") + braced(CATID_TevImageSources),
                           nullptr, nullptr);
    return HRESULT_FROM_WIN32(result);
}

HRESULT TevRemoveCategory(REFCLSID clsid) {
    const LONG result = RegDeleteTreeW(
        HKEY_CLASSES_ROOT,
        (implementedKey(clsid) + OLESTR("\\") + braced(CATID_TevImageSources)).c_str());
    // The list key goes when it lists nothing else.
    RegDeleteKeyW(HKEY_CLASSES_ROOT, implementedKey(clsid).c_str());
    return result == ERROR_FILE_NOT_FOUND ? S_FALSE : HRESULT_FROM_WIN32(result);
}
