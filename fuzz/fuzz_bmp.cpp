// Windows bitmaps, through both readers.
#include "FuzzImage.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzzImage(data, size, "BMPSource", ".bmp");
    return fuzzImage(data, size, "DIBSource", ".bmp");
}
