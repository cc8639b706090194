#pragma once

#include <string>

// `text` as a JSON string, quoted, with quotes, backslashes and control characters escaped.
std::string jsonString(const std::string& text);
// The shortest text that reads back as `value`; null for infinities and NaN.
std::string jsonNumber(double value);
