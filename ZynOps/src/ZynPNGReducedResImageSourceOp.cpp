#include "ZynPNGReducedResImageSourceOp.h"

namespace {

const ZynPNGEmbeddedImageSourceOp::Kind kReducedRes{
    "ZynPNGReducedResImageSourceOp",
    "rrIm",
    "reduced res image",
    "reduced res image",
    "ZynPNGReducedResImageSourceOp::genRect() can only fill rect buffers that have an "
    "ZynSimpleDataOrg, are 8-bit pixel-interleaved, and with no pad bytes between samples.\n",
    true,
};

}  // namespace

ZynPNGReducedResImageSourceOp::ZynPNGReducedResImageSourceOp(const std::wstring& fileName,
                                                             bool keepOpen,
                                                             const PNGReadOptions& options)
    : ZynPNGEmbeddedImageSourceOp(fileName, keepOpen, kReducedRes, options) {
    if (readFileHeader()) {
        const PNGInterface::Header& h = fileHeader();
        expect(h.reducedWidth, h.reducedHeight, h.channels, h.bitDepth,
               colorSpaceFor(h.channels, h.bitDepth));
    }
    if (!keepOpen) close();
}
