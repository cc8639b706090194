#include <cstdlib>
#include <cstring>

#include "ComAutomation.h"

namespace {

// The byte count lives in the four bytes before the characters.
uint32_t& byteCount(BSTR s) {
    return *reinterpret_cast<uint32_t*>(reinterpret_cast<char*>(s) - sizeof(uint32_t));
}

size_t length(const OLECHAR* s) {
    size_t n = 0;
    while (s[n]) ++n;
    return n;
}

}  // namespace

STDAPI_(BSTR) SysAllocStringByteLen(LPCSTR psz, UINT len) {
    if (len > 0xFFFFFFF0u - sizeof(uint32_t)) return nullptr;
    auto* block = static_cast<char*>(std::malloc(sizeof(uint32_t) + len + sizeof(OLECHAR)));
    if (!block) return nullptr;
    auto s = reinterpret_cast<BSTR>(block + sizeof(uint32_t));
    byteCount(s) = len;
    if (psz) std::memcpy(s, psz, len);
    std::memset(reinterpret_cast<char*>(s) + len, 0, sizeof(OLECHAR));
    return s;
}

STDAPI_(BSTR) SysAllocStringLen(const OLECHAR* strIn, UINT ui) {
    if (ui > 0x7FFFFFF0u) return nullptr;
    return SysAllocStringByteLen(reinterpret_cast<LPCSTR>(strIn),
                                 static_cast<UINT>(ui * sizeof(OLECHAR)));
}

STDAPI_(BSTR) SysAllocString(const OLECHAR* psz) {
    if (!psz) return nullptr;
    return SysAllocStringLen(psz, static_cast<UINT>(length(psz)));
}

STDAPI_(INT) SysReAllocString(BSTR* pbstr, const OLECHAR* psz) {
    if (!pbstr) return FALSE;
    const BSTR fresh = SysAllocString(psz);
    if (psz && !fresh) return FALSE;
    SysFreeString(*pbstr);
    *pbstr = fresh;
    return TRUE;
}

STDAPI_(void) SysFreeString(BSTR bstrString) {
    if (bstrString) std::free(reinterpret_cast<char*>(bstrString) - sizeof(uint32_t));
}

STDAPI_(UINT) SysStringByteLen(BSTR bstr) {
    return bstr ? byteCount(bstr) : 0;
}

STDAPI_(UINT) SysStringLen(BSTR pbstr) {
    return SysStringByteLen(pbstr) / sizeof(OLECHAR);
}
