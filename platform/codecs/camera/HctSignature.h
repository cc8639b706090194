#pragma once

#include <cstddef>
#include <cstdint>

// Bytes of a file's start that hctForeignSignature looks at.
constexpr size_t kHctSignatureBytes = 2056;

// Whether the start of a file marks an image format that is never camera raw: the portable
// anymaps, PNG, JPEG, GIF, BMP, JPEG 2000, compound documents and photo disc image packs.
// LibRaw would look at such files at length, and takes some of a particular size for headerless
// sensor dumps.
bool hctForeignSignature(const uint8_t* head, size_t size);
