#include "HctPixels.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace {

// A sample of `bits` bits brought to the range 0..maximum of the target type.
uint32_t rescale(uint32_t value, int bits, uint32_t maximum) {
    if (bits == 8) {
        if (maximum == 0xFF) return value;
        if (maximum == 0xFFFF) return value * 257;
        return (value * maximum + 127) / 255;
    }
    if (maximum == 0xFFFF) return value;
    if (maximum == 0xFF) return value >> 8;
    return value >> 4;  // the top 12 bits
}

uint32_t luminance(uint32_t r, uint32_t g, uint32_t b) {
    return static_cast<uint32_t>((uint64_t{r} * 299 + uint64_t{g} * 587 + uint64_t{b} * 114 + 500) /
                                 1000);
}

void store(uint8_t* out, int bytesPerSample, uint32_t value) {
    if (bytesPerSample == 2) {
        const auto sample = static_cast<uint16_t>(value);
        std::memcpy(out, &sample, 2);
    } else {
        *out = static_cast<uint8_t>(value);
    }
}

uint32_t load(const uint8_t* in, int bytesPerSample) {
    if (bytesPerSample == 1) return *in;
    uint16_t sample = 0;
    std::memcpy(&sample, in, 2);
    return sample;
}

}  // namespace

bool hctIsImageType(int value) {
    return value == DEFAULT_COLOR_IMAGE_TYPE || (value >= DCGrayImage8 && value <= DCCameraRGB36);
}

HctLayout hctLayout(DCImageType type) {
    switch (type) {
        case DCGrayImage8:
            return {1, 1, 0xFF, false};
        case DCGrayImage16:
            return {1, 2, 0xFFFF, false};
        case DCRGBImage24:
        case DCCameraRGB24:
            return {3, 1, 0xFF, false};
        case DCRGBImage32:
            return {4, 1, 0xFF, false};
        case DCRGBImage48:
        case DCCameraRGB48:
            return {3, 2, 0xFFFF, false};
        case DCRGBImage64:
            return {4, 2, 0xFFFF, false};
        case DCBGRImage24:
            return {3, 1, 0xFF, true};
        case DCBGRImage32:
            return {4, 1, 0xFF, true};
        case DCBGRImage48:
            return {3, 2, 0xFFFF, true};
        case DCBGRImage64:
            return {4, 2, 0xFFFF, true};
        case DCCameraRGB36:
            return {3, 2, 0xFFF, false};
        default:
            return {};
    }
}

HctImageData hctConvert(const HctPixels& pixels, DCImageType type) {
    const HctLayout layout = hctLayout(type);
    HctImageData image;
    image.type = type;
    image.width = pixels.width;
    image.height = pixels.height;
    const size_t count = size_t{pixels.width} * pixels.height;
    const size_t pixelBytes = static_cast<size_t>(layout.bands * layout.bytesPerSample);
    image.samples.resize(count * pixelBytes);
    for (size_t i = 0; i < count; ++i) {
        uint32_t rgb[3];
        for (int c = 0; c < 3; ++c)
            rgb[c] = rescale(pixels.sample(i * pixels.colors + (pixels.colors == 1 ? 0 : c)),
                             pixels.bits, layout.maximum);
        uint8_t* out = &image.samples[i * pixelBytes];
        if (layout.bands == 1) {
            store(out, layout.bytesPerSample, luminance(rgb[0], rgb[1], rgb[2]));
            continue;
        }
        if (layout.bgr) std::swap(rgb[0], rgb[2]);
        for (int c = 0; c < 3; ++c)
            store(out + c * layout.bytesPerSample, layout.bytesPerSample, rgb[c]);
        if (layout.bands == 4)
            store(out + 3 * layout.bytesPerSample, layout.bytesPerSample, layout.maximum);
    }
    return image;
}

std::vector<uint8_t> hctFlip(const std::vector<uint8_t>& rgb, uint32_t width, uint32_t height,
                             int colors, int flip) {
    if ((flip & 7) == 0) return rgb;
    const bool swap = flip & 4;
    const uint32_t outWidth = swap ? height : width;
    const uint32_t outHeight = swap ? width : height;
    std::vector<uint8_t> out(rgb.size());
    for (uint32_t row = 0; row < outHeight; ++row)
        for (uint32_t col = 0; col < outWidth; ++col) {
            uint32_t sourceRow = swap ? col : row;
            uint32_t sourceCol = swap ? row : col;
            if (flip & 2) sourceRow = height - 1 - sourceRow;
            if (flip & 1) sourceCol = width - 1 - sourceCol;
            std::memcpy(&out[(size_t{row} * outWidth + col) * colors],
                        &rgb[(size_t{sourceRow} * width + sourceCol) * colors],
                        static_cast<size_t>(colors));
        }
    return out;
}

HctImageData hctHalve(const HctImageData& image) {
    const HctLayout layout = hctLayout(image.type);
    const size_t bytes = static_cast<size_t>(layout.bytesPerSample);
    const size_t pixelBytes = static_cast<size_t>(layout.bands) * bytes;
    HctImageData half;
    half.type = image.type;
    half.width = (image.width + 1) / 2;
    half.height = (image.height + 1) / 2;
    half.samples.resize(size_t{half.width} * half.height * pixelBytes);
    for (uint32_t y = 0; y < half.height; ++y)
        for (uint32_t x = 0; x < half.width; ++x)
            for (int b = 0; b < layout.bands; ++b) {
                uint32_t sum = 0, n = 0;
                for (uint32_t sy = 2 * y; sy < std::min(2 * y + 2, image.height); ++sy)
                    for (uint32_t sx = 2 * x; sx < std::min(2 * x + 2, image.width); ++sx, ++n)
                        sum += load(
                            &image
                                 .samples[(size_t{sy} * image.width + sx) * pixelBytes + b * bytes],
                            layout.bytesPerSample);
                store(&half.samples[(size_t{y} * half.width + x) * pixelBytes + b * bytes],
                      layout.bytesPerSample, (sum + n / 2) / n);
            }
    return half;
}
