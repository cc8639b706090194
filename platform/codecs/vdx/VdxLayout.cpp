#include "VdxLayout.h"

#include <cstring>

namespace {

constexpr uint64_t kSectorBytes = 2048;

constexpr VdxLevel kLevels[] = {
    {192, 128, 4 * kSectorBytes},
    {384, 256, 23 * kSectorBytes},
    {768, 512, 96 * kSectorBytes},
};

// Bits 2 and 3 of the attributes: the highest resolution stored (Base, 4Base or 16Base).
constexpr int kHighestResolutionShift = 2;
constexpr int kHighestResolutionDefined = 2;

}  // namespace

const VdxLevel* vdxLevel(int index) {
    if (index < kVdxFirstLevel || index > kVdxBaseLevel) return nullptr;
    return &kLevels[index - kVdxFirstLevel];
}

bool vdxHasSignature(const uint8_t* bytes, size_t size) {
    return size >= kVdxSignatureSize && std::memcmp(bytes, "VDX_IPI", kVdxSignatureSize) == 0;
}

std::optional<int> vdxRotation(uint8_t attributes) {
    if (((attributes >> kHighestResolutionShift) & 3) > kHighestResolutionDefined)
        return std::nullopt;
    return attributes & 3;
}
