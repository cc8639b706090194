#include "HctSignature.h"

#include <cstring>

namespace {

struct Signature {
    size_t offset;
    const char* bytes;
    size_t size;
};

constexpr Signature kSignatures[] = {
    {0, "\x89PNG\r\n\x1a\n", 8},
    {0, "\xff\xd8\xff", 3},
    {0, "GIF8", 4},
    {0, "BM", 2},
    {0, "\0\0\0\x0cjP  \r\n\x87\n", 12},
    {0, "\xff\x4f\xff\x51", 4},
    {0, "\xd0\xcf\x11\xe0\xa1\xb1\x1a\xe1", 8},
    {2048, "VDX_IPI", 7},
};

bool matches(const Signature& signature, const uint8_t* head, size_t size) {
    return size >= signature.offset + signature.size &&
           std::memcmp(head + signature.offset, signature.bytes, signature.size) == 0;
}

// "P1" to "P7" and a white-space character.
bool isAnymap(const uint8_t* head, size_t size) {
    return size >= 3 && head[0] == 'P' && head[1] >= '1' && head[1] <= '7' &&
           (head[2] == '\n' || head[2] == '\r' || head[2] == ' ' || head[2] == '\t');
}

}  // namespace

bool hctForeignSignature(const uint8_t* head, size_t size) {
    if (isAnymap(head, size)) return true;
    for (const Signature& signature : kSignatures)
        if (matches(signature, head, size)) return true;
    return false;
}
