// Any file given to the J2K source by name, so that inputs whose signature the fuzzer damaged
// still reach the box reader and the decoder.
#include "FuzzImage.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return fuzzImage(data, size, "J2KSource", ".jp2");
}
