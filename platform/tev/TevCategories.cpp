#include "TevCategories.h"

#include <string>

extern "C" const CATID CATID_TevImageSources = {
    0x5B1E7C40, 0x9A3D, 0x4E21, {0xB6, 0xF0, 0x3C, 0x8D, 0x2A, 0x91, 0xE7, 0xF4}};

namespace {

std::u16string braced(REFGUID guid) {
    OLECHAR text[39];
    StringFromGUID2(guid, text, 39);
    return text;
}

std::u16string implementedKey(REFCLSID clsid) {
    return u"CLSID\\" + braced(clsid) + u"\\Implemented Categories";
}

LONG setText(HKEY key, LPCOLESTR name, const std::u16string& text) {
    return RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                          static_cast<DWORD>((text.size() + 1) * sizeof(OLECHAR)));
}

// Creates a key below the classes root, with a default value unless `text` is null.
LONG createKey(const std::u16string& path, LPCOLESTR name, const OLECHAR* text) {
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
    LONG result = createKey(u"Component Categories\\" + braced(CATID_TevImageSources), u"409",
                            u"Tev Image Sources");
    if (result == ERROR_SUCCESS)
        result = createKey(implementedKey(clsid) + u"\\" + braced(CATID_TevImageSources), nullptr,
                           nullptr);
    return HRESULT_FROM_WIN32(result);
}

HRESULT TevRemoveCategory(REFCLSID clsid) {
    const LONG result = RegDeleteTreeW(
        HKEY_CLASSES_ROOT, (implementedKey(clsid) + u"\\" + braced(CATID_TevImageSources)).c_str());
    // The list key goes when it lists nothing else.
    RegDeleteKeyW(HKEY_CLASSES_ROOT, implementedKey(clsid).c_str());
    return result == ERROR_FILE_NOT_FOUND ? S_FALSE : HRESULT_FROM_WIN32(result);
}
