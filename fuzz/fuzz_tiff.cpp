// TIFF files, given to the TIFF source whatever their first bytes, then asked for metadata.

#include "FuzzImage.h"
#include "VulTiffMetaAccessor.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzzImage(data, size, "TiffSource", ".tif");
    const std::string path = fuzzWriteInput(data, size, "_meta.tif");
    if (path.empty()) return 0;
    quietly([&] {
        VulMetaValue value;
        auto metadata = VulTiffMetaAccessor::open(path);
        for (const std::string& key : VulTiffMetaAccessor::keys()) metadata->read(key, value);
    });
    return 0;
}
