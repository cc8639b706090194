// TIFF files, given to the TIFF source whatever their first bytes, then asked for metadata.

#include <unistd.h>

#include "FuzzImage.h"
#include "VulTiffMetaAccessor.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzzImage(data, size, "TiffSource", ".tif");
    static const std::string path = "/tmp/zynfuzz_meta_" + std::to_string(getpid()) + ".tif";
    if (FILE* file = std::fopen(path.c_str(), "wb")) {
        std::fwrite(data, 1, size, file);
        std::fclose(file);
        try {
            VulMetaValue value;
            auto metadata = VulTiffMetaAccessor::open(path);
            for (const std::string& key : VulTiffMetaAccessor::keys()) metadata->read(key, value);
        } catch (const QorError&) {
        }
    }
    return 0;
}
