#include "ZynDataType.h"

#include <limits>

#include "ZynError.h"

namespace {

struct TypeInfo {
    ZynDataType type;
    size_t size;
    const char* name;
    double min;
    double max;
};

constexpr TypeInfo kTypes[] = {
    {ZynDataType::UInt8, 1, "uint8", 0.0, 255.0},
    {ZynDataType::Int16, 2, "int16", -32768.0, 32767.0},
    {ZynDataType::Int32, 4, "int32", -2147483648.0, 2147483647.0},
    {ZynDataType::Float32, 4, "float32", -std::numeric_limits<float>::max(),
     std::numeric_limits<float>::max()},
    {ZynDataType::Float64, 8, "float64", -std::numeric_limits<double>::max(),
     std::numeric_limits<double>::max()},
    {ZynDataType::UInt16, 2, "uint16", 0.0, 65535.0},
    {ZynDataType::UInt32, 4, "uint32", 0.0, 4294967295.0},
};

const TypeInfo& info(ZynDataType type) {
    for (const auto& t : kTypes)
        if (t.type == type) return t;
    throw ZynError(13, "Unknown ZynDataType " + std::to_string(static_cast<int>(type)));
}

}  // namespace

size_t zynSampleSize(ZynDataType type) {
    return info(type).size;
}
const char* zynDataTypeName(ZynDataType type) {
    return info(type).name;
}
double zynNaturalMin(ZynDataType type) {
    return info(type).min;
}
double zynNaturalMax(ZynDataType type) {
    return info(type).max;
}

ZynDataType zynDataTypeFromName(const std::string& name) {
    for (const auto& t : kTypes)
        if (name == t.name) return t.type;
    throw ZynError(13, "Unknown ZynDataType name \"" + name + "\"");
}

bool zynIsValidDataType(int value) {
    for (const auto& t : kTypes)
        if (static_cast<int>(t.type) == value) return true;
    return false;
}
