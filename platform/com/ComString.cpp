#include "ComString.h"

#include "QorString.h"

namespace {

// Where wchar_t is as wide as OLECHAR both hold UTF-16 and pass through unchanged.
constexpr bool kWideIsUtf16 = sizeof(wchar_t) == sizeof(OLECHAR);

}  // namespace

std::wstring comToWide(const OLECHAR* text, size_t length) {
    std::wstring out;
    if (!text) return out;
    if constexpr (kWideIsUtf16) return std::wstring(text, text + length);
    out.reserve(length);
    for (size_t i = 0; i < length; ++i) {
        const char32_t c = text[i];
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < length && text[i + 1] >= 0xDC00 &&
            text[i + 1] < 0xE000) {
            out.push_back(
                static_cast<wchar_t>(0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00)));
        } else {
            out.push_back(static_cast<wchar_t>(c >= 0xD800 && c < 0xE000 ? 0xFFFD : c));
        }
    }
    return out;
}

std::wstring comToWide(const OLECHAR* text) {
    return text ? comToWide(text, std::char_traits<OLECHAR>::length(text)) : std::wstring();
}

ComString comFromWide(std::wstring_view wide) {
    if constexpr (kWideIsUtf16) return ComString(wide.begin(), wide.end());
    ComString out;
    out.reserve(wide.size());
    for (wchar_t w : wide) {
        auto c = static_cast<char32_t>(w);
        if (c >= 0x10000 && c <= 0x10FFFF) {
            c -= 0x10000;
            out.push_back(static_cast<OLECHAR>(0xD800 + (c >> 10)));
            out.push_back(static_cast<OLECHAR>(0xDC00 + (c & 0x3FF)));
        } else {
            out.push_back(
                static_cast<OLECHAR>(c > 0x10FFFF || (c >= 0xD800 && c < 0xE000) ? 0xFFFD : c));
        }
    }
    return out;
}

std::string comToUtf8(const OLECHAR* text) {
    return qorNarrow(comToWide(text));
}

ComString comFromUtf8(std::string_view narrow) {
    return comFromWide(qorWiden(narrow));
}
