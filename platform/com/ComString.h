#pragma once

#include <string>

#include "ComTypes.h"

// Conversions between COM's UTF-16 strings, the framework's wide strings (code points) and
// UTF-8. Unpaired surrogates become U+FFFD.
std::wstring comToWide(const OLECHAR* text, size_t length);
std::wstring comToWide(const OLECHAR* text);
std::u16string comFromWide(std::wstring_view wide);
std::string comToUtf8(const OLECHAR* text);
std::u16string comFromUtf8(std::string_view narrow);
