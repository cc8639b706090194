#pragma once

#include <gtest/gtest.h>
#include <libraw/libraw.h>

#include <memory>
#include <string>
#include <vector>

#include "DngFixture.h"
#include "HctSdk.h"
#include "QorString.h"
#include "TestSupport.h"
#include "ZynGraph.h"
#include "ZynImageOutputCP.h"
#include "ZynRVQImageSource.h"
#include "ZynRVQImageType.h"

// Pixels with their samples widened: `colors` interleaved samples per pixel.
struct TestImage {
    uint32_t width = 0;
    uint32_t height = 0;
    int colors = 0;
    int bits = 8;
    std::vector<uint32_t> samples;

    uint32_t at(uint32_t x, uint32_t y, int c) const {
        return samples[(size_t{y} * width + x) * colors + c];
    }
};

// A width x height image of `colors` samples a pixel, sample c of (x, y) being f(x, y, c).
template <class F>
TestImage imageOf(uint32_t width, uint32_t height, int colors, int bits, F&& f) {
    TestImage out{width, height, colors, bits, {}};
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x)
            for (int c = 0; c < colors; ++c) out.samples.push_back(f(x, y, c));
    return out;
}

// LibRaw's own development of a file, called here as any program would: sRGB or the camera's
// colour, 8 or 16 bits, whole or at half size.
inline TestImage developWithLibRaw(const std::string& path, int bits, bool cameraColor,
                                   bool halfSize = false) {
    auto raw = std::make_unique<LibRaw>();
    EXPECT_EQ(raw->open_file(path.c_str()), LIBRAW_SUCCESS);
    EXPECT_EQ(raw->unpack(), LIBRAW_SUCCESS);
    libraw_output_params_t& params = raw->imgdata.params;
    params.output_bps = bits;
    params.use_camera_wb = 1;
    params.half_size = halfSize;
    if (cameraColor) {
        params.output_color = 0;
        params.gamm[0] = params.gamm[1] = 1.0;
        params.no_auto_bright = 1;
    }
    EXPECT_EQ(raw->dcraw_process(), LIBRAW_SUCCESS);
    int status = 0;
    const std::unique_ptr<libraw_processed_image_t, void (*)(libraw_processed_image_t*)> image(
        raw->dcraw_make_mem_image(&status), LibRaw::dcraw_clear_mem);
    if (!image) {
        ADD_FAILURE() << "LibRaw made no image: " << status;
        return {};
    }
    const auto* wide = reinterpret_cast<const uint16_t*>(image->data);
    return imageOf(image->width, image->height, image->colors, image->bits,
                   [&](uint32_t x, uint32_t y, int c) -> uint32_t {
                       const size_t i = (size_t{y} * image->width + x) * image->colors + c;
                       return bits == 16 ? wide[i] : image->data[i];
                   });
}

// What the layout of `type` makes of sRGB (or camera) samples, band by band in the source's
// band order (R, G, B, A; or grey).
inline TestImage expectedForType(const TestImage& from, DCImageType type) {
    const HctLayout layout = hctLayout(type);
    const auto scaled = [&](uint32_t v) -> uint64_t {
        if (from.bits == 8 && layout.maximum == 0xFFFF) return v * 257;
        if (from.bits == 8 && layout.maximum == 0xFFF) return (v * 4095 + 127) / 255;
        if (from.bits == 16 && layout.maximum == 0xFFF) return v >> 4;
        return v;
    };
    return imageOf(from.width, from.height, layout.bands, from.bits,
                   [&](uint32_t x, uint32_t y, int b) -> uint32_t {
                       const auto rgb = [&](int c) {
                           return scaled(from.at(x, y, from.colors == 1 ? 0 : c));
                       };
                       if (layout.bands == 1)
                           return (rgb(0) * 299 + rgb(1) * 587 + rgb(2) * 114 + 500) / 1000;
                       return b == 3 ? layout.maximum : rgb(b);
                   });
}

inline ZynDataType dataTypeOf(DCImageType type) {
    return hctLayout(type).bytesPerSample == 2 ? ZynDataType::UInt16 : ZynDataType::UInt8;
}

// A camera source on `path` with an image type, set up.
inline std::shared_ptr<ZynRVQImageSource> openCamera(const std::string& path,
                                                     DCImageType type = DEFAULT_COLOR_IMAGE_TYPE,
                                                     const std::string& calibration = "",
                                                     bool keepOpen = false) {
    auto source = std::make_shared<ZynRVQImageSource>(qorWiden(path), keepOpen);
    source->setAttribute<DCImageType>("image_type", type);
    source->setAttribute<std::string>("calibration_path", calibration);
    ZynGraph::ensureSetup(*source);
    return source;
}

// Renders a whole resolution into a compact pixel-interleaved buffer of the type's samples.
inline ZynRectBuffer renderCamera(ZynTransform& t, const ZynResolution& r, DCImageType type) {
    return renderWhole(t, r, dataTypeOf(type), hctLayout(type).bands);
}

// Whether the whole resolution, rendered in the type's samples, is `expected` within `tolerance`.
inline ::testing::AssertionResult rendersAs(ZynTransform& t, const ZynResolution& r,
                                            DCImageType type, const TestImage& expected,
                                            double tolerance = 0) {
    if (expected.width != r.width || expected.height != r.height)
        return ::testing::AssertionFailure()
               << "expected " << expected.width << "x" << expected.height;
    return samplesMatch(renderCamera(t, r, type), expected.samples, r.width, tolerance);
}

// "code message" of an error.
inline std::string textOf(const ZynError& e) {
    return std::to_string(e.code()) + " " + e.message();
}

// What `call` writes to standard output and standard error.
template <class Call>
std::string printedBy(Call&& call) {
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    call();
    const std::string out = testing::internal::GetCapturedStdout();
    return out + testing::internal::GetCapturedStderr();
}
