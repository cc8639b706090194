#include "ZynNumberText.h"

#include <charconv>

std::string zynNumberText(double value) {
    char text[32];
    const auto result = std::to_chars(text, text + sizeof text, value);
    return std::string(text, result.ptr);
}
