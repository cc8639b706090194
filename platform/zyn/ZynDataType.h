#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Sample types, numbered as the framework numbers them.
enum class ZynDataType : int {
    UInt8 = 0,
    Int16 = 1,
    Int32 = 2,
    Float32 = 3,
    Float64 = 4,
    UInt16 = 5,
    UInt32 = 7,
};

// The type a description gets when nothing sets one.
constexpr ZynDataType kZynDefaultDataType = ZynDataType::UInt8;

size_t zynSampleSize(ZynDataType type);
const char* zynDataTypeName(ZynDataType type);
// Parses a name written by zynDataTypeName; throws ZynError 13 otherwise.
ZynDataType zynDataTypeFromName(const std::string& name);
double zynNaturalMin(ZynDataType type);
double zynNaturalMax(ZynDataType type);
bool zynIsValidDataType(int value);

template <class T>
struct ZynDataTypeOf;
template <>
struct ZynDataTypeOf<uint8_t> {
    static constexpr ZynDataType value = ZynDataType::UInt8;
};
template <>
struct ZynDataTypeOf<int16_t> {
    static constexpr ZynDataType value = ZynDataType::Int16;
};
template <>
struct ZynDataTypeOf<uint16_t> {
    static constexpr ZynDataType value = ZynDataType::UInt16;
};
template <>
struct ZynDataTypeOf<int32_t> {
    static constexpr ZynDataType value = ZynDataType::Int32;
};
template <>
struct ZynDataTypeOf<uint32_t> {
    static constexpr ZynDataType value = ZynDataType::UInt32;
};
template <>
struct ZynDataTypeOf<float> {
    static constexpr ZynDataType value = ZynDataType::Float32;
};
template <>
struct ZynDataTypeOf<double> {
    static constexpr ZynDataType value = ZynDataType::Float64;
};
