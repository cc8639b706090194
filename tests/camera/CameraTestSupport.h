#pragma once

#include <gtest/gtest.h>
#include <libraw/libraw.h>

#include <memory>
#include <string>
#include <vector>

#include "DngFixture.h"
#include "HctSdk.h"
#include "QorString.h"
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
};

// LibRaw's own development of a file, called here as any program would: sRGB or the camera's
// colour, 8 or 16 bits, whole or at half size.
inline TestImage developWithLibRaw(const std::string& path, int bits, bool cameraColor,
                                   bool halfSize = false) {
    auto raw = std::make_unique<LibRaw>();
    TestImage out;
    EXPECT_EQ(raw->open_file(path.c_str()), LIBRAW_SUCCESS);
    EXPECT_EQ(raw->unpack(), LIBRAW_SUCCESS);
    raw->imgdata.params.output_bps = bits;
    raw->imgdata.params.use_camera_wb = 1;
    raw->imgdata.params.half_size = halfSize;
    if (cameraColor) {
        raw->imgdata.params.output_color = 0;
        raw->imgdata.params.gamm[0] = raw->imgdata.params.gamm[1] = 1.0;
        raw->imgdata.params.no_auto_bright = 1;
    }
    EXPECT_EQ(raw->dcraw_process(), LIBRAW_SUCCESS);
    int status = 0;
    libraw_processed_image_t* image = raw->dcraw_make_mem_image(&status);
    if (!image) {
        ADD_FAILURE() << "LibRaw made no image: " << status;
        return out;
    }
    out.width = image->width;
    out.height = image->height;
    out.colors = image->colors;
    out.bits = image->bits;
    const size_t count = size_t{out.width} * out.height * out.colors;
    for (size_t i = 0; i < count; ++i)
        out.samples.push_back(bits == 16 ? reinterpret_cast<const uint16_t*>(image->data)[i]
                                         : image->data[i]);
    LibRaw::dcraw_clear_mem(image);
    return out;
}

// What the layout of `type` makes of sRGB (or camera) samples, band by band in the source's
// band order (R, G, B, A; or grey).
inline TestImage expectedForType(const TestImage& from, DCImageType type) {
    const HctLayout layout = hctLayout(type);
    TestImage out{from.width, from.height, layout.bands, from.bits, {}};
    const auto scaled = [&](uint32_t v) -> uint32_t {
        if (from.bits == 8 && layout.maximum == 0xFFFF) return v * 257;
        if (from.bits == 8 && layout.maximum == 0xFFF) return (v * 4095 + 127) / 255;
        if (from.bits == 16 && layout.maximum == 0xFFF) return v >> 4;
        return v;
    };
    for (size_t p = 0; p < size_t{from.width} * from.height; ++p) {
        uint32_t rgb[3];
        for (int c = 0; c < 3; ++c)
            rgb[c] = scaled(from.samples[p * from.colors + (from.colors == 1 ? 0 : c)]);
        if (layout.bands == 1) {
            out.samples.push_back(static_cast<uint32_t>(
                (uint64_t{rgb[0]} * 299 + uint64_t{rgb[1]} * 587 + uint64_t{rgb[2]} * 114 + 500) /
                1000));
            continue;
        }
        out.samples.insert(out.samples.end(), rgb, rgb + 3);
        if (layout.bands == 4) out.samples.push_back(layout.maximum);
    }
    return out;
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
inline TestImage renderCamera(ZynTransform& t, const ZynResolution& r, DCImageType type) {
    const HctLayout layout = hctLayout(type);
    ZynRectBuffer buffer(
        {0, 0, r.width, r.height},
        std::make_shared<ZynSimpleDataOrg>(r.width, r.height, dataTypeOf(type), layout.bands));
    ZynGraph::render(t, 0, r, buffer);
    TestImage out{r.width, r.height, layout.bands, 8, {}};
    for (uint32_t y = 0; y < r.height; ++y)
        for (uint32_t x = 0; x < r.width; ++x)
            for (int b = 0; b < layout.bands; ++b)
                out.samples.push_back(layout.bytesPerSample == 2
                                          ? *buffer.sample<uint16_t>(x, y, b)
                                          : *buffer.sample<uint8_t>(x, y, b));
    return out;
}

// Samples equal within `tolerance`; reports the first difference.
inline void expectImage(const TestImage& actual, const TestImage& expected,
                        uint32_t tolerance = 0) {
    ASSERT_EQ(actual.width, expected.width);
    ASSERT_EQ(actual.height, expected.height);
    ASSERT_EQ(actual.samples.size(), expected.samples.size());
    for (size_t i = 0; i < actual.samples.size(); ++i) {
        const uint32_t a = actual.samples[i], e = expected.samples[i];
        ASSERT_LE(a > e ? a - e : e - a, tolerance)
            << "sample " << i % actual.colors << " of pixel " << i / actual.colors;
    }
}

// The preview the fixture wrote, as an 8-bit image.
inline TestImage previewOf(const DngFixture& written, const DngFixtureOptions& o) {
    return {o.previewWidth, o.previewHeight, 3, 8,
            std::vector<uint32_t>(written.preview.begin(), written.preview.end())};
}

// Collects what is written to standard output and standard error while it lives.
class OutputCapture {
  public:
    OutputCapture() {
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
    }
    ~OutputCapture() { finish(); }
    // Restores the streams and returns what was written.
    std::string finish() {
        if (done_) return {};
        done_ = true;
        const std::string out = testing::internal::GetCapturedStdout();
        return out + testing::internal::GetCapturedStderr();
    }

  private:
    bool done_ = false;
};
