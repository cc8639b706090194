#include <clocale>
#include <cwchar>
#include <cwctype>
#include <string>

#include "ComAutomation.h"
#include "ComString.h"

namespace {

// The collation of the process's environment, or the code-point order when it has none.
locale_t userLocale() {
    static const locale_t locale = [] {
        for (const char* name : {"", "C.UTF-8", "C"})
            if (locale_t l = newlocale(LC_COLLATE_MASK | LC_CTYPE_MASK, name, nullptr)) return l;
        return static_cast<locale_t>(nullptr);
    }();
    return locale;
}

size_t lengthOf(LPCWSTR text, int count) {
    return count >= 0 ? static_cast<size_t>(count) : std::char_traits<char16_t>::length(text);
}

int sign(int value) {
    return (value > 0) - (value < 0);
}

}  // namespace

extern "C" int CompareStringW(LCID Locale, DWORD dwCmpFlags, LPCWSTR lpString1, int cchCount1,
                              LPCWSTR lpString2, int cchCount2) {
    if (!lpString1 || !lpString2 || (dwCmpFlags & ~static_cast<DWORD>(NORM_IGNORECASE))) return 0;
    std::wstring a = comToWide(lpString1, lengthOf(lpString1, cchCount1));
    std::wstring b = comToWide(lpString2, lengthOf(lpString2, cchCount2));
    const locale_t locale = userLocale();
    if (dwCmpFlags & NORM_IGNORECASE) {
        for (wchar_t& c : a) c = static_cast<wchar_t>(towlower_l(static_cast<wint_t>(c), locale));
        for (wchar_t& c : b) c = static_cast<wchar_t>(towlower_l(static_cast<wint_t>(c), locale));
    }
    int order = Locale == LOCALE_INVARIANT || !locale ? a.compare(b)
                                                      : wcscoll_l(a.c_str(), b.c_str(), locale);
    // Collation stops at an embedded zero; what follows it still tells the strings apart.
    const bool embeddedZero =
        a.find(L'\0') != std::wstring::npos || b.find(L'\0') != std::wstring::npos;
    if (order == 0 && embeddedZero) order = a.compare(b);
    return CSTR_EQUAL + sign(order);
}

STDAPI VarBstrCmp(BSTR bstrLeft, BSTR bstrRight, LCID lcid, ULONG dwFlags) {
    static const OLECHAR kEmpty[] = {0};
    const int result = CompareStringW(
        lcid, dwFlags, bstrLeft ? bstrLeft : kEmpty, static_cast<int>(SysStringLen(bstrLeft)),
        bstrRight ? bstrRight : kEmpty, static_cast<int>(SysStringLen(bstrRight)));
    if (result == 0) return E_INVALIDARG;
    return result - 1;
}
