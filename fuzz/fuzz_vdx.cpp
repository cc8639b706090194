// Any file given to the photo disc source by name, in each of its colour formats, so that damaged
// headers, short levels and every rotation reach the pack reader.
#include "FuzzImage.h"
#include "ZynVDXImageSource.h"

namespace {

// The corners of each level, where row pairs and chroma neighbours run out, in the op's own
// layout so that the reader fills them directly (a whole level per request would slow the runs
// tenfold); the rotation bits the fuzzer flips take them to every stored corner. The smallest
// level is also read whole in the host's layout, through the engine's tile.
void renderCorners(ZynVDXImageSource& source) {
    constexpr int64_t kSide = 16;
    ZynImageOutputCP* out = source.imageOutput(0);
    std::vector<ZynResolution> requests = out->coordSpace()->resolutions();
    const ZynResolution smallest = requests.back();
    // A size the file does not offer falls back to Base.
    requests.push_back({1, 1});
    for (const ZynResolution& r : requests) {
        ZynOutputInfo info;
        if (!source.opForResolution(0, r)->outputInfoBase(info)) continue;
        const ZynSimpleDataOrg& own = *info.dataOrg;
        const auto org = std::make_shared<ZynSimpleDataOrg>(
            kSide, kSide, ZynDataType::UInt8, own.interleave(), own.bandOffsets(),
            own.pixelStride(), own.pixelStride() * kSide);
        const int64_t right = info.width - kSide, bottom = info.height - kSide;
        for (const ZynRect& rect :
             {ZynRect{0, 0, kSide, kSide}, ZynRect{right, 0, kSide, kSide},
              ZynRect{0, bottom, kSide, kSide}, ZynRect{right, bottom, kSide, kSide}}) {
            ZynRectBuffer buffer(rect, org);
            quietly([&] { ZynGraph::render(source, 0, r, buffer); });
        }
    }
    ZynRectBuffer whole({0, 0, smallest.width, smallest.height},
                        std::make_shared<ZynSimpleDataOrg>(
                            out->dataOrg()->resized(smallest.width, smallest.height)));
    quietly([&] { ZynGraph::render(source, 0, smallest, whole); });
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string path = fuzzWriteInput(data, size, ".vdx");
    if (path.empty()) return 0;
    // The first byte lies in the pack-level sector, which the reader never uses: it picks the
    // colour format.
    static const char* const kColorSpaces[] = {"", "VDXLum", "VDXYCC", "VDXRGB"};
    quietly([&] {
        auto source = std::make_shared<ZynVDXImageSource>(qorWiden(path), false);
        source->setAttribute<std::string>("color_space", size ? kColorSpaces[data[0] % 4] : "");
        if (ZynGraph::statusOK(*source)) renderCorners(*source);
    });
    return 0;
}
