#include "ZynAttributeText.h"

#include <cerrno>
#include <cstdlib>
#include <limits>
#include <sstream>

#include "QorString.h"
#include "ZynError.h"

namespace {

[[noreturn]] void illegal(const std::string& type, const std::string& text) {
    throw ZynError(13, "Illegal value for " + type + ": " + text);
}

long long parseInteger(const std::string& type, const std::string& text, long long low,
                       long long high) {
    errno = 0;
    char* end = nullptr;
    const long long v = std::strtoll(text.c_str(), &end, 0);
    if (text.empty() || *end != '\0' || errno == ERANGE || v < low || v > high) illegal(type, text);
    return v;
}

}  // namespace

std::string ZynAttributeText<bool>::toText(bool v) {
    return v ? "true" : "false";
}

bool ZynAttributeText<bool>::fromText(const std::string& text) {
    if (text == "true" || text == "1") return true;
    if (text == "false" || text == "0") return false;
    illegal("bool", text);
}

std::string ZynAttributeText<int>::toText(int v) {
    return std::to_string(v);
}

int ZynAttributeText<int>::fromText(const std::string& text) {
    return static_cast<int>(parseInteger("int", text, std::numeric_limits<int>::min(),
                                         std::numeric_limits<int>::max()));
}

std::string ZynAttributeText<unsigned>::toText(unsigned v) {
    return std::to_string(v);
}

unsigned ZynAttributeText<unsigned>::fromText(const std::string& text) {
    return static_cast<unsigned>(
        parseInteger("unsigned", text, 0, std::numeric_limits<unsigned>::max()));
}

std::string ZynAttributeText<double>::toText(double v) {
    std::ostringstream out;
    out.precision(17);
    out << v;
    return out.str();
}

double ZynAttributeText<double>::fromText(const std::string& text) {
    char* end = nullptr;
    const double v = std::strtod(text.c_str(), &end);
    if (text.empty() || *end != '\0') illegal("double", text);
    return v;
}

std::string ZynAttributeText<std::wstring>::toText(const std::wstring& v) {
    return qorNarrow(v);
}

std::wstring ZynAttributeText<std::wstring>::fromText(const std::string& text) {
    return qorWiden(text);
}

std::string ZynAttributeText<std::vector<int>>::toText(const std::vector<int>& v) {
    std::string out = "[";
    for (size_t i = 0; i < v.size(); ++i) out += (i ? "," : "") + std::to_string(v[i]);
    return out + "]";
}

std::vector<int> ZynAttributeText<std::vector<int>>::fromText(const std::string& text) {
    if (text.size() < 2 || text.front() != '[' || text.back() != ']') illegal("int list", text);
    std::vector<int> v;
    std::istringstream in(text.substr(1, text.size() - 2));
    std::string item;
    while (std::getline(in, item, ',')) v.push_back(ZynAttributeText<int>::fromText(item));
    return v;
}
