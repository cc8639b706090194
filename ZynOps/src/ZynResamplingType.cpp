#include "ZynResamplingType.h"

#include "ZynError.h"

namespace {

const char* const kNames[] = {"NEAREST", "BILINEAR", "BICUBIC"};
constexpr int kCount = 3;

[[noreturn]] void unknown() {
    throw ZynError(414, "Unknown ZynResamplingType::Enum");
}

}  // namespace

const char* ZynResamplingType::name(Enum value) {
    if (value < 0 || value >= kCount) unknown();
    return kNames[value];
}

ZynResamplingType::Enum ZynResamplingType::fromName(const std::string& name) {
    for (int i = 0; i < kCount; ++i)
        if (name == kNames[i] || name == std::to_string(i)) return static_cast<Enum>(i);
    unknown();
}
