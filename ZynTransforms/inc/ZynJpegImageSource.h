#pragma once

#include <cstdint>
#include <cstdio>

#include "ZynJpegSourceCommon.h"

// Source of JPEG files: resolutions 1, 1/2, 1/4 and 1/8 by DCT scaling.
class ZynJpegImageSource : public ZynJpegSourceCommon {
  public:
    using ZynJpegSourceCommon::ZynJpegSourceCommon;

    static ZynTransformPtr recognize(const std::wstring& fileName, FILE* file, bool keepOpen);
    // Whether the bytes start a JPEG stream this source decodes: a start-of-image marker, then
    // marker segments up to a baseline, extended, progressive or arithmetic frame.
    static bool isJpeg(FILE* file);
    static bool isJpeg(const uint8_t* data, size_t size);

    void postRender() override;
};
