// Any file given to the camera source by name, so that inputs whose headers the fuzzer damaged
// still reach LibRaw's parsers, the developer and the preview decoder.
#include "FuzzImage.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return fuzzImage(data, size, "RVQSource", ".dng");
}
