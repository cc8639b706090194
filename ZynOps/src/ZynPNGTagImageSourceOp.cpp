#include "ZynPNGTagImageSourceOp.h"

namespace {

const ZynPNGEmbeddedImageSourceOp::Kind kTag{
    "ZynPNGTagImageSourceOp",
    "ckTg",
    "tag image",
    "tag",
    "ZynPNGTagImageSourceOp::genRect() can only fill rect buffers that have an "
    "ZynSimpleDataOrg, are 8-bit pixel- or band-interleaved, and with no pad bytes between "
    "samples.\n",
    false,
};

}  // namespace

ZynPNGTagImageSourceOp::ZynPNGTagImageSourceOp(const std::wstring& fileName, bool keepOpen)
    : ZynPNGEmbeddedImageSourceOp(fileName, keepOpen, kTag, PNGReadOptions{}) {
    if (readFileHeader()) {
        const PNGInterface::Header& h = fileHeader();
        expect(h.width, h.height, 1, 8, std::make_shared<ZynLumColorSpace>(0.0, 255.0));
    }
    if (!keepOpen) close();
}
