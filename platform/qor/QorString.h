#pragma once

#include <ostream>
#include <string>
#include <string_view>
#include <typeinfo>

// Narrow strings are UTF-8, the file-name encoding of this platform; wide strings hold code points.

// Code points that UTF-8 cannot carry (surrogates, values above U+10FFFF) become `replacement`.
std::string qorNarrow(std::wstring_view wide, char replacement = '?');

// Invalid UTF-8 sequences become U+FFFD.
std::wstring qorWiden(std::string_view narrow);

// Whether every code point of `wide` has a narrow form.
bool qorHasNarrowForm(std::wstring_view wide);

// The narrowing of the platform's code page (UTF-8 here), unrepresentable characters as '?'.
std::string qorNarrowCodePage(std::wstring_view wide);

void qorWriteWide(std::ostream& out, std::wstring_view wide);

// Readable (demangled) name of a run-time type.
std::string qorTypeName(const std::type_info& type);
