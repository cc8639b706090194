#include "QorString.h"

#include <cxxabi.h>

#include <cstdlib>
#include <memory>

namespace {

bool isEncodable(wchar_t c) {
    const auto cp = static_cast<uint32_t>(c);
    return cp <= 0x10FFFF && (cp < 0xD800 || cp > 0xDFFF);
}

void appendUtf8(std::string& out, uint32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// Decodes one UTF-8 sequence at s[i]; returns its length, or 0 when it is invalid.
size_t decodeUtf8(std::string_view s, size_t i, uint32_t& cp) {
    const auto b0 = static_cast<unsigned char>(s[i]);
    size_t length;
    uint32_t minimum;
    if (b0 < 0x80) {
        cp = b0;
        return 1;
    } else if ((b0 & 0xE0) == 0xC0) {
        length = 2, cp = b0 & 0x1F, minimum = 0x80;
    } else if ((b0 & 0xF0) == 0xE0) {
        length = 3, cp = b0 & 0x0F, minimum = 0x800;
    } else if ((b0 & 0xF8) == 0xF0) {
        length = 4, cp = b0 & 0x07, minimum = 0x10000;
    } else {
        return 0;
    }
    if (i + length > s.size()) return 0;
    for (size_t k = 1; k < length; ++k) {
        const auto b = static_cast<unsigned char>(s[i + k]);
        if ((b & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (b & 0x3F);
    }
    if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
    return length;
}

}  // namespace

std::string qorNarrow(std::wstring_view wide, char replacement) {
    std::string out;
    out.reserve(wide.size());
    for (wchar_t c : wide) {
        if (isEncodable(c))
            appendUtf8(out, static_cast<uint32_t>(c));
        else
            out += replacement;
    }
    return out;
}

std::wstring qorWiden(std::string_view narrow) {
    std::wstring out;
    out.reserve(narrow.size());
    for (size_t i = 0; i < narrow.size();) {
        uint32_t cp = 0;
        const size_t length = decodeUtf8(narrow, i, cp);
        if (length == 0) {
            out += L'\uFFFD';
            ++i;
        } else {
            out += static_cast<wchar_t>(cp);
            i += length;
        }
    }
    return out;
}

bool qorHasNarrowForm(std::wstring_view wide) {
    for (wchar_t c : wide)
        if (!isEncodable(c)) return false;
    return true;
}

std::string qorNarrowCodePage(std::wstring_view wide) {
    return qorNarrow(wide, '?');
}

void qorWriteWide(std::ostream& out, std::wstring_view wide) {
    out << qorNarrow(wide);
}

std::string qorTypeName(const std::type_info& type) {
    int status = 0;
    std::unique_ptr<char, decltype(&std::free)> name(
        abi::__cxa_demangle(type.name(), nullptr, nullptr, &status), &std::free);
    return status == 0 && name ? std::string(name.get()) : std::string(type.name());
}
