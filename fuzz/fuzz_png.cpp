// PNG files: opened by recognition with the default options, then by the PNG source with options
// chosen by the input's size, rendering every resolution of "out" and the tag image of "OutTag".
#include "FuzzImage.h"

namespace {

const char* const kOptions[] = {"png_16to8",         "png_grytoclr",       "png_clrtogry",
                                "png_noalpha",       "png_alphamode",      "png_rgbtobgr",
                                "png_prefillpixels", "png_postfillpixels", "png_rgbatoargb",
                                "png_invertmaxmin",  "png_changebyteorder"};

void fuzzWithOptions(const uint8_t* data, size_t size) {
    const std::string path = fuzzWriteInput(data, size, "_options.png");
    if (path.empty()) return;
    quietly([&] {
        ZynTransformPtr png = ZynTransformRegistry::create("PNGSource");
        png->setAttribute<std::wstring>("wfile_name", qorWiden(path));
        for (size_t i = 0; i < std::size(kOptions); ++i)
            png->setAttribute<bool>(kOptions[i], (size >> i) & 1);
        if (!ZynGraph::statusOK(*png)) return;
        fuzzRenderOutput(*png, 0, true);
        fuzzRenderOutput(*png, 1, true);
    });
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzzImage(data, size, nullptr, ".png");
    fuzzWithOptions(data, size);
    return 0;
}
