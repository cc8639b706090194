#include "ZynRawDescription.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <limits>
#include <sstream>

#include "ZynError.h"
#include "ZynTransform.h"

namespace {

std::string trim(const std::string& text) {
    const size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

// "name = value ;" into its parts; false for a line without '='.
bool splitEntry(const std::string& line, std::string& name, std::string& value) {
    const size_t equals = line.find('=');
    if (equals == std::string::npos) return false;
    name = trim(line.substr(0, equals));
    value = trim(line.substr(equals + 1));
    if (!value.empty() && value.back() == ';') value = trim(value.substr(0, value.size() - 1));
    return !name.empty();
}

std::string quoted(const std::string& value) {
    if (value.empty() || value.front() != '"') return value.substr(0, 255);
    const size_t close = value.find('"', 1);
    return value.substr(
        1, std::min<size_t>(close == std::string::npos ? value.size() - 1 : close - 1, 255));
}

uint64_t parseUnsigned(const std::string& text, uint64_t high) {
    errno = 0;
    char* end = nullptr;
    const unsigned long long v = std::strtoull(text.c_str(), &end, 10);
    if (text.empty() || text[0] == '-' || *end != '\0' || errno == ERANGE || v > high)
        throw ZynError(13, "Illegal value: " + text);
    return v;
}

ZynDataType parseDataType(const std::string& text) {
    if (!text.empty() && std::isdigit(static_cast<unsigned char>(text[0]))) {
        const auto kind = static_cast<int>(parseUnsigned(text, 255));
        if (!zynIsValidDataType(kind)) throw ZynError(13, "Unknown data type " + text);
        return static_cast<ZynDataType>(kind);
    }
    return zynDataTypeFromName(text);
}

ZynHardwareDesc parseHardware(const std::string& text) {
    std::istringstream in(text);
    ZynHardwareDesc hardware{};
    if (!(in >> hardware)) throw ZynError(13, "Unknown hardware description " + text);
    return hardware;
}

}  // namespace

void ZynRawDescription::read(std::istream& in, ZynTransform& transform) {
    in.ignore(std::numeric_limits<std::streamsize>::max(), '{');
    bool skipping = false;
    std::string line;
    while (std::getline(in, line)) {
        if (trim(line).starts_with('}')) return;
        std::string name, value;
        if (skipping || !splitEntry(line, name, value)) continue;
        try {
            if (name == "label")
                transform.setLabel(quoted(value));
            else if (readKey(name, value))
                continue;
            else if (transform.hasAttribute(name))
                transform.setAttributeText(name, value);
            else
                skipping = true;
        } catch (const QorError& e) {
            throw ZynError(e.code(), "Exception on reading attribute " + name + ": " + e.message());
        }
    }
}

bool ZynRawDescription::readKey(const std::string& name, const std::string& value) {
    static const char* const kKeys[] = {
        "raw_img_width",      "raw_img_height", "raw_img_channels",     "raw_img_datatype",
        "raw_img_colorspace", "raw_img_offset", "raw_img_organization", "raw_img_hardware_desc",
    };
    int key = 0;
    while (key < 8 && name != kKeys[key]) ++key;
    switch (key) {
        case 0:
            width = static_cast<uint32_t>(parseUnsigned(value, UINT32_MAX));
            break;
        case 1:
            height = static_cast<uint32_t>(parseUnsigned(value, UINT32_MAX));
            break;
        case 2:
            channels = static_cast<int>(parseUnsigned(value, INT32_MAX));
            break;
        case 3:
            dataType = parseDataType(value);
            break;
        case 4:
            colorSpace = ZynColorSpace::fromText(value);
            break;
        case 5:
            offset = static_cast<uint32_t>(parseUnsigned(value, UINT32_MAX));
            break;
        case 6:
            organization = static_cast<int>(parseUnsigned(value, INT32_MAX));
            break;
        case 7:
            hardware = parseHardware(value);
            break;
        default:
            return false;
    }
    keysRead_ |= 1u << key;
    return true;
}

int ZynRawDescription::setFileOrganization() const {
    switch (organization) {
        case 1:
            return 2;
        case 2:
            return 1;
        default:
            return organization;
    }
}
