// PNG files: opened by recognition with the default options, then by the PNG source with options
// chosen by the input's size, rendering every resolution of "out" and the tag image of "OutTag".
#include "FuzzImage.h"

namespace {

const char* const kOptions[] = {"png_16to8",         "png_grytoclr",       "png_clrtogry",
                                "png_noalpha",       "png_alphamode",      "png_rgbtobgr",
                                "png_prefillpixels", "png_postfillpixels", "png_rgbatoargb",
                                "png_invertmaxmin",  "png_changebyteorder"};

void renderBounded(ZynTransform& source, int output) {
    constexpr int64_t kMaxPixels = 1 << 20;
    ZynImageOutputCP* out = source.imageOutput(output);
    if (!out || !out->coordSpace() || !out->dataOrg() || out->error()) return;
    for (const ZynResolution& r : out->coordSpace()->resolutions()) {
        const int64_t w = r.width,
                      h = std::min<int64_t>(r.height, kMaxPixels / std::max<int64_t>(w, 1));
        if (w > kMaxPixels || h <= 0) continue;
        // The lower rows first, so that the strips above are kept and then served.
        for (const int64_t top : {r.height - h, int64_t{0}}) {
            auto org = std::make_shared<ZynSimpleDataOrg>(
                out->dataOrg()->resized(static_cast<uint32_t>(w), static_cast<uint32_t>(h)));
            ZynRectBuffer buffer({0, top, w, h}, org);
            try {
                ZynGraph::render(source, output, r, buffer);
            } catch (const QorError&) {
            }
        }
    }
}

void fuzzWithOptions(const uint8_t* data, size_t size) {
    static const std::string path = "/tmp/zynfuzz_options_" + std::to_string(getpid()) + ".png";
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return;
    std::fwrite(data, 1, size, file);
    std::fclose(file);
    try {
        ZynTransformPtr png = ZynTransformRegistry::create("PNGSource");
        png->setAttribute<std::wstring>("wfile_name", qorWiden(path));
        for (size_t i = 0; i < std::size(kOptions); ++i)
            png->setAttribute<bool>(kOptions[i], (size >> i) & 1);
        if (!ZynGraph::statusOK(*png)) return;
        renderBounded(*png, 0);
        renderBounded(*png, 1);
    } catch (const QorError&) {
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzzImage(data, size, nullptr, ".png");
    fuzzWithOptions(data, size);
    return 0;
}
