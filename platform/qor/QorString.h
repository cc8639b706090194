#pragma once

#include <ostream>
#include <string>
#include <string_view>
#include <typeinfo>

// Narrow strings are UTF-8, the component's file-name encoding on every system. Wide strings hold
// code points where wchar_t has 32 bits and UTF-16 where it has 16 (Windows), which is the form
// that system's file calls take.

// What UTF-8 cannot carry (lone surrogates, values above U+10FFFF) becomes `replacement`.
std::string qorNarrow(std::wstring_view wide, char replacement = '?');
std::string qorNarrow(std::u16string_view utf16, char replacement = '?');

// Invalid UTF-8 sequences become U+FFFD.
std::wstring qorWiden(std::string_view narrow);
std::u16string qorWidenUtf16(std::string_view narrow);

// Whether every code point of `wide` has a narrow form.
bool qorHasNarrowForm(std::wstring_view wide);

// The narrowing of the code page the component names files in (UTF-8 on every system),
// unrepresentable characters as '?'.
std::string qorNarrowCodePage(std::wstring_view wide);

void qorWriteWide(std::ostream& out, std::wstring_view wide);

// Readable (demangled) name of a run-time type.
std::string qorTypeName(const std::type_info& type);
