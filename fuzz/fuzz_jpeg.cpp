// Any input, given to the JPEG source by name.
#include "FuzzImage.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return fuzzImage(data, size, "JpegSource", ".jpg");
}
