#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "QorStream.h"

// The colour box of a JP2 header: an enumerated colour space, or an ICC profile whose
// kind stands in the enumerated value (kJ2kIccLuminance, kJ2kIccRgb, kJ2kIccOther).
struct J2kColourBox {
    uint32_t enumerated = 0;
    std::vector<uint8_t> iccProfile;
};

constexpr uint32_t kJ2kIccLuminance = 100;
constexpr uint32_t kJ2kIccRgb = 101;
constexpr uint32_t kJ2kIccOther = 102;

// Bytes of the JP2 signature box that every JP2 file starts with.
constexpr size_t kJ2kSignatureSize = 12;
bool j2kHasSignature(const uint8_t* bytes, size_t size);

// The first colour box of the JP2 header box (readers ignore later ones). A file
// without one, or whose boxes are malformed before it, gives an empty colour box.
J2kColourBox j2kReadColourBox(QorStreamView& view, uint64_t fileSize);
