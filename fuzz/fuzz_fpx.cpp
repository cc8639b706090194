// FlashPix files through the FlashPix source (created by its registry name, so that every input
// reaches it), and the toolkit's reader of the summary information.
#include "FpxToolkit.h"
#include "FuzzImage.h"

namespace {

void readSummary(const uint8_t* data, size_t size) {
    const std::string path = fuzzWriteInput(data, size, "_summary");
    if (path.empty()) return;
    fpxInitToolkit();
    uint32_t width, height;
    FpxImageInfo info;
    FpxResolutionInfo levels;
    FpxImageHandle image;
    NIFSummaryInformation summary;
    if (fpxSucceeded(fpxOpenImageByFilename(path, width, height, info, levels, image)))
        fpxGetSummaryInformation(image.get(), summary);
    image.reset();
    fpxCloseToolkit();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    readSummary(data, size);
    return fuzzImage(data, size, "FPXSource", ".fpx");
}
