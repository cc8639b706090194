#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

// The image-pack layout: 2048-byte sectors, the information header in sectors 1 and 2, and the
// three base levels at sectors fixed by the format. A level is stored as row pairs: two rows of
// luma, then one row of each chroma plane at half width (chroma is subsampled 2 x 2).

constexpr uint64_t kVdxSignatureOffset = 2048;
constexpr size_t kVdxSignatureSize = 8;
constexpr uint64_t kVdxAttributesOffset = 0x0E02;

// Resolution indices of the base levels: 1 is Base/16, 2 Base/4, 3 Base.
constexpr int kVdxFirstLevel = 1;
constexpr int kVdxBaseLevel = 3;

struct VdxLevel {
    uint32_t width;
    uint32_t height;
    uint64_t offset;

    uint64_t rowPairBytes() const { return 3 * uint64_t{width}; }
    uint64_t end() const { return offset + rowPairBytes() * (height / 2); }
};

// The stored (landscape) level of a resolution index, or null for indices not stored as pixels.
const VdxLevel* vdxLevel(int index);

// Whether the bytes at the signature offset are "VDX_IPI" and a zero byte.
bool vdxHasSignature(const uint8_t* bytes, size_t size);

// The quarter turns the image attributes byte asks for display (0 none, 1 counter-clockwise,
// 2 half, 3 clockwise), or nothing when the byte names a highest resolution the format does not
// define.
std::optional<int> vdxRotation(uint8_t attributes);
