#pragma once

#include <string>
#include <string_view>

#include "ComPlatform.h"

// COM's strings: UTF-16, in OLECHAR units (char16_t here, wchar_t on Windows).
using ComString = std::basic_string<OLECHAR>;
using ComStringView = std::basic_string_view<OLECHAR>;

// Conversions between COM's strings, the framework's wide strings (code points, or UTF-16 where
// wchar_t is 16 bits wide) and UTF-8. Unpaired surrogates become U+FFFD.
std::wstring comToWide(const OLECHAR* text, size_t length);
std::wstring comToWide(const OLECHAR* text);
ComString comFromWide(std::wstring_view wide);
std::string comToUtf8(const OLECHAR* text);
ComString comFromUtf8(std::string_view narrow);
