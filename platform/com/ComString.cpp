#include "ComString.h"

#include "QorString.h"

std::wstring comToWide(const OLECHAR* text, size_t length) {
    std::wstring out;
    if (!text) return out;
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
    return text ? comToWide(text, std::char_traits<char16_t>::length(text)) : std::wstring();
}

std::u16string comFromWide(std::wstring_view wide) {
    std::u16string out;
    out.reserve(wide.size());
    for (wchar_t w : wide) {
        auto c = static_cast<char32_t>(w);
        if (c >= 0x10000 && c <= 0x10FFFF) {
            c -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
        } else {
            out.push_back(
                static_cast<char16_t>(c > 0x10FFFF || (c >= 0xD800 && c < 0xE000) ? 0xFFFD : c));
        }
    }
    return out;
}

std::string comToUtf8(const OLECHAR* text) {
    return qorNarrow(comToWide(text));
}

std::u16string comFromUtf8(std::string_view narrow) {
    return comFromWide(qorWiden(narrow));
}
