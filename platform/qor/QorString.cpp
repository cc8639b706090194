#include "QorString.h"

#include <cxxabi.h>

#include <cstdint>
#include <cstdlib>
#include <memory>

namespace {

constexpr uint32_t kInvalid = 0xFFFFFFFF;

bool isHighSurrogate(uint32_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}

bool isLowSurrogate(uint32_t unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

// Units of 16 bits are UTF-16 (wchar_t on Windows), units of 32 bits hold code points.
template <class Unit>
constexpr bool kPairsSurrogates = sizeof(Unit) == 2;

// The code point at text[i], kInvalid for what UTF-8 cannot carry (lone surrogates, values
// above U+10FFFF); moves i past it.
template <class Unit>
uint32_t nextCodePoint(std::basic_string_view<Unit> text, size_t& i) {
    const auto unit = static_cast<uint32_t>(text[i++]);
    if (kPairsSurrogates<Unit> && isHighSurrogate(unit) && i < text.size() &&
        isLowSurrogate(static_cast<uint32_t>(text[i])))
        return 0x10000 + ((unit - 0xD800) << 10) + (static_cast<uint32_t>(text[i++]) - 0xDC00);
    return unit <= 0x10FFFF && !isHighSurrogate(unit) && !isLowSurrogate(unit) ? unit : kInvalid;
}

template <class Unit>
void appendUnits(std::basic_string<Unit>& out, uint32_t cp) {
    if (kPairsSurrogates<Unit> && cp >= 0x10000) {
        out += static_cast<Unit>(0xD800 + ((cp - 0x10000) >> 10));
        out += static_cast<Unit>(0xDC00 + ((cp - 0x10000) & 0x3FF));
    } else {
        out += static_cast<Unit>(cp);
    }
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

template <class Unit>
std::string narrowUnits(std::basic_string_view<Unit> text, char replacement) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        const uint32_t cp = nextCodePoint(text, i);
        if (cp != kInvalid)
            appendUtf8(out, cp);
        else
            out += replacement;
    }
    return out;
}

template <class Unit>
std::basic_string<Unit> widenUnits(std::string_view narrow) {
    std::basic_string<Unit> out;
    out.reserve(narrow.size());
    for (size_t i = 0; i < narrow.size();) {
        uint32_t cp = 0;
        const size_t length = decodeUtf8(narrow, i, cp);
        if (length == 0) {
            out += static_cast<Unit>(0xFFFD);
            ++i;
        } else {
            appendUnits(out, cp);
            i += length;
        }
    }
    return out;
}

}  // namespace

std::string qorNarrow(std::wstring_view wide, char replacement) {
    return narrowUnits(wide, replacement);
}

std::string qorNarrow(std::u16string_view utf16, char replacement) {
    return narrowUnits(utf16, replacement);
}

std::wstring qorWiden(std::string_view narrow) {
    return widenUnits<wchar_t>(narrow);
}

std::u16string qorWidenUtf16(std::string_view narrow) {
    return widenUnits<char16_t>(narrow);
}

bool qorHasNarrowForm(std::wstring_view wide) {
    for (size_t i = 0; i < wide.size();)
        if (nextCodePoint(wide, i) == kInvalid) return false;
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
