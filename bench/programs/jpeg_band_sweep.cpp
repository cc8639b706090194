// Reads a JPEG band by band through the JPEG source, top to bottom or bottom to top, closing the
// file between requests as hosts do by default: jpeg_band_sweep FILE down|up

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <iostream>

#include "QorString.h"
#include "ZynGraph.h"
#include "ZynImageOutputCP.h"
#include "ZynTransformRegistryEntry.h"

int main(int argc, char** argv) {
    if (argc != 3) return 2;
    const bool upwards = std::strcmp(argv[2], "up") == 0;
    try {
        ZynTransformPtr source = ZynTransformRegistry::create("JpegSource");
        source->setAttribute<std::wstring>("wfile_name", qorWiden(argv[1]));
        if (!ZynGraph::statusOK(*source)) throw source->error();
        const ZynImageOutputCP& out = *source->imageOutput(0);
        const ZynResolution full = out.coordSpace()->resolutions().front();
        const uint32_t bandHeight = out.dataOrg()->height();
        const int bands = out.dataOrg()->bands();
        const int64_t count = (full.height + bandHeight - 1) / bandHeight;
        auto org =
            std::make_shared<ZynSimpleDataOrg>(full.width, bandHeight, ZynDataType::UInt8, bands);
        ZynRectBuffer buffer({0, 0, full.width, bandHeight}, org);
        uint64_t sum = 0;
        for (int64_t i = 0; i < count; ++i) {
            const int64_t band = upwards ? count - 1 - i : i;
            const int64_t top = band * bandHeight;
            buffer.setRect({0, top, full.width, std::min<int64_t>(bandHeight, full.height - top)});
            ZynGraph::render(*source, 0, full, buffer);
            sum += *buffer.sample<uint8_t>(0, top);
        }
        std::printf("%llu\n", static_cast<unsigned long long>(sum));
    } catch (const QorError& e) {
        std::cerr << e.message() << std::endl;
        return 1;
    }
    return 0;
}
