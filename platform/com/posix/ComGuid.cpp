#include <sys/random.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "ComActivation.h"

extern "C" const GUID GUID_NULL = {0, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0}};

extern "C" int StringFromGUID2(REFGUID guid, LPOLESTR text, int size) {
    if (!text || size < 39) return 0;
    char narrow[40];
    std::snprintf(narrow, sizeof narrow, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                  guid.Data1, guid.Data2, guid.Data3, guid.Data4[0], guid.Data4[1], guid.Data4[2],
                  guid.Data4[3], guid.Data4[4], guid.Data4[5], guid.Data4[6], guid.Data4[7]);
    for (int i = 0; i < 39; ++i) text[i] = static_cast<OLECHAR>(narrow[i]);
    return 39;
}

namespace {

int hexDigit(OLECHAR c) {
    if (c >= u'0' && c <= u'9') return c - u'0';
    if (c >= u'a' && c <= u'f') return c - u'a' + 10;
    if (c >= u'A' && c <= u'F') return c - u'A' + 10;
    return -1;
}

// Reads `digits` hex digits at `text[at]`; false when one is missing.
bool readHex(LPCOLESTR text, int at, int digits, uint32_t& value) {
    value = 0;
    for (int i = 0; i < digits; ++i) {
        const int d = hexDigit(text[at + i]);
        if (d < 0) return false;
        value = value << 4 | static_cast<uint32_t>(d);
    }
    return true;
}

}  // namespace

STDAPI CLSIDFromString(LPCOLESTR text, LPCLSID clsid) {
    if (!text || !clsid) return E_INVALIDARG;
    // Stops at the first character that does not fit, so a short string never reads past its end.
    static const char kShape[] = "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}";
    for (int i = 0; i < 38; ++i) {
        const bool ok = kShape[i] == 'X' ? hexDigit(text[i]) >= 0 : text[i] == kShape[i];
        if (!ok) return CO_E_CLASSSTRING;
    }
    if (text[38] != 0) return CO_E_CLASSSTRING;
    uint32_t v = 0;
    readHex(text, 1, 8, v);
    clsid->Data1 = v;
    readHex(text, 10, 4, v);
    clsid->Data2 = static_cast<uint16_t>(v);
    readHex(text, 15, 4, v);
    clsid->Data3 = static_cast<uint16_t>(v);
    static const int kBytes[8] = {20, 22, 25, 27, 29, 31, 33, 35};
    for (int i = 0; i < 8; ++i) {
        readHex(text, kBytes[i], 2, v);
        clsid->Data4[i] = static_cast<uint8_t>(v);
    }
    return S_OK;
}

STDAPI CoCreateGuid(GUID* pguid) {
    if (!pguid) return E_INVALIDARG;
    uint8_t bytes[16];
    size_t got = 0;
    while (got < sizeof bytes) {
        const ssize_t n = getrandom(bytes + got, sizeof bytes - got, 0);
        if (n < 0) return E_FAIL;
        got += static_cast<size_t>(n);
    }
    std::memcpy(pguid, bytes, sizeof bytes);
    // A random (version 4, variant 1) identifier.
    pguid->Data3 = static_cast<uint16_t>((pguid->Data3 & 0x0FFF) | 0x4000);
    pguid->Data4[0] = static_cast<uint8_t>((pguid->Data4[0] & 0x3F) | 0x80);
    return S_OK;
}

STDAPI_(LPVOID) CoTaskMemAlloc(size_t cb) {
    return std::malloc(cb ? cb : 1);
}

STDAPI_(void) CoTaskMemFree(LPVOID pv) {
    std::free(pv);
}
