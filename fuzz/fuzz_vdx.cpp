// Any file given to the photo disc source by name, in each of its colour formats, so that damaged
// headers, short levels and every rotation reach the pack reader.
#include "FuzzImage.h"
#include "ZynVDXImageSource.h"

namespace {

void renderEveryResolution(ZynVDXImageSource& source) {
    ZynImageOutputCP* out = source.imageOutput(0);
    const std::vector<ZynResolution> resolutions = out->coordSpace()->resolutions();
    // An offered size of each level, and one it does not offer, which falls back to Base.
    std::vector<ZynResolution> requests = resolutions;
    requests.push_back({1, 1});
    for (const ZynResolution& r : requests) {
        const ZynResolution size = r.width == 1 ? resolutions.front() : r;
        auto org =
            std::make_shared<ZynSimpleDataOrg>(out->dataOrg()->resized(size.width, size.height));
        ZynRectBuffer buffer({0, 0, size.width, size.height}, org);
        try {
            ZynGraph::render(source, 0, r, buffer);
        } catch (const QorError&) {
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string path = "/tmp/zynfuzz_" + std::to_string(getpid()) + ".vdx";
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return 0;
    std::fwrite(data, 1, size, file);
    std::fclose(file);
    // The first byte lies in the pack-level sector, which the reader never uses: it picks the
    // colour format.
    static const char* const kColorSpaces[] = {"", "VDXLum", "VDXYCC", "VDXRGB"};
    try {
        auto source = std::make_shared<ZynVDXImageSource>(qorWiden(path), false);
        source->setAttribute<std::string>("color_space", size ? kColorSpaces[data[0] % 4] : "");
        if (ZynGraph::statusOK(*source)) renderEveryResolution(*source);
    } catch (const QorError&) {
    }
    return 0;
}
