#include <gtest/gtest.h>
#include <tiffio.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>

#include "AnyImageTestSupport.h"
#include "J2kFixture.h"
#include "JpegFixture.h"
#include "NetpbmImage.h"
#include "PpmFixture.h"

namespace {

constexpr uint32_t kWidth = 300;  // two tiles and a part across
constexpr uint32_t kHeight = 20;

// The samples of a tiled TIFF file as libtiff decodes them, rows top to bottom.
std::vector<uint8_t> readTiledTiff(const std::string& path) {
    std::unique_ptr<TIFF, void (*)(TIFF*)> tif(TIFFOpen(path.c_str(), "r"), &TIFFClose);
    if (!tif) return {};
    uint32_t width = 0, height = 0, tileWidth = 0, tileHeight = 0;
    TIFFGetField(tif.get(), TIFFTAG_IMAGEWIDTH, &width);
    TIFFGetField(tif.get(), TIFFTAG_IMAGELENGTH, &height);
    TIFFGetField(tif.get(), TIFFTAG_TILEWIDTH, &tileWidth);
    TIFFGetField(tif.get(), TIFFTAG_TILELENGTH, &tileHeight);
    const size_t pixelBytes = static_cast<size_t>(TIFFTileRowSize(tif.get())) / tileWidth;
    std::vector<uint8_t> tile(static_cast<size_t>(TIFFTileSize(tif.get())));
    std::vector<uint8_t> image(size_t{width} * height * pixelBytes);
    for (uint32_t ty = 0; ty < height; ty += tileHeight)
        for (uint32_t tx = 0; tx < width; tx += tileWidth) {
            TIFFReadEncodedTile(tif.get(), TIFFComputeTile(tif.get(), tx, ty, 0, 0), tile.data(),
                                static_cast<tmsize_t>(tile.size()));
            for (uint32_t y = ty; y < std::min(height, ty + tileHeight); ++y)
                std::memcpy(&image[(size_t{y} * width + tx) * pixelBytes],
                            &tile[size_t{y - ty} * tileWidth * pixelBytes],
                            std::min(tileWidth, width - tx) * pixelBytes);
        }
    return image;
}

TiffPage tiffPage(uint16_t bits, uint16_t bands, uint16_t photometric) {
    return {.width = kWidth,
            .height = kHeight,
            .bitsPerSample = bits,
            .samplesPerPixel = bands,
            .photometric = photometric};
}

uint16_t rounded(uint64_t numerator, uint64_t denominator) {
    return static_cast<uint16_t>((2 * numerator + denominator) / (2 * denominator));
}

uint8_t clampedByte(double v) {
    return static_cast<uint8_t>(std::lround(std::clamp(v, 0.0, 255.0)));
}

// A picture case writes its file and returns the values render must write, with --samples
// or without.
using PictureWriter = std::function<std::vector<uint16_t>(const std::string& path, bool samples)>;

std::vector<uint16_t> ycbcrTiff(const std::string& path, bool) {
    const std::vector<uint8_t> rgb = fixturePattern(kWidth, kHeight, 3);
    TiffPage page = tiffPage(8, 3, PHOTOMETRIC_YCBCR);
    for (size_t i = 0; i < rgb.size(); i += 3) {
        const double r = rgb[i], g = rgb[i + 1], b = rgb[i + 2];
        page.data.push_back(clampedByte(0.299 * r + 0.587 * g + 0.114 * b));
        page.data.push_back(clampedByte(128 - 0.168736 * r - 0.331264 * g + 0.5 * b));
        page.data.push_back(clampedByte(128 + 0.5 * r - 0.418688 * g - 0.081312 * b));
    }
    writeTiff(path, {page});
    return {rgb.begin(), rgb.end()};
}

std::vector<uint16_t> twoBitGreyTiff(const std::string& path, bool) {
    const std::vector<uint32_t> grey = tiffPattern(kWidth, kHeight, 1, 2);
    TiffPage page = tiffPage(2, 1, PHOTOMETRIC_MINISBLACK);
    page.data = packTiffSamples(grey, kWidth, 2);
    writeTiff(path, {page});
    std::vector<uint16_t> expected;
    for (const uint32_t v : grey) expected.push_back(static_cast<uint16_t>(v * 85));
    return expected;
}

std::vector<uint16_t> tenBitPlanarTiff(const std::string& path, bool samples) {
    const std::vector<uint32_t> rgb = tiffPattern(kWidth, kHeight, 3, 10);
    TiffPage page = tiffPage(10, 3, PHOTOMETRIC_RGB);
    page.planarConfig = PLANARCONFIG_SEPARATE;
    page.data = packTiffSamples(toPlanes(rgb, 3), kWidth, 10);
    writeTiff(path, {page});
    std::vector<uint16_t> expected;
    for (const uint32_t v : rgb)
        expected.push_back(samples ? static_cast<uint16_t>(v) : rounded(uint64_t{v} * 65535, 1023));
    return expected;
}

std::vector<uint16_t> cmykTiff(const std::string& path, bool) {
    TiffPage page = tiffPage(8, 4, PHOTOMETRIC_SEPARATED);
    page.data = fixturePattern(kWidth, kHeight, 4);
    writeTiff(path, {page});
    std::vector<uint16_t> expected;
    for (size_t i = 0; i < page.data.size(); i += 4)
        for (int b = 0; b < 3; ++b)
            expected.push_back(rounded((255u - page.data[i + b]) * (255u - page.data[i + 3]), 255));
    return expected;
}

// libjpeg marks CMYK files it writes as Adobe's, whose inks are read complemented.
std::vector<uint16_t> adobeCmykJpeg(const std::string& path, bool) {
    const std::string bytes =
        jpegBytes({.width = kWidth, .height = kHeight, .coding = JpegFixtureOptions::Coding::CMYK});
    writeFile(path, bytes);
    const JpegReference decoded = decodeJpegReference(bytes);
    std::vector<uint16_t> expected;
    for (size_t i = 0; i < decoded.pixels.size(); i += 4)
        for (int b = 0; b < 3; ++b)
            expected.push_back(
                rounded(uint32_t{decoded.pixels[i + b]} * decoded.pixels[i + 3], 255));
    return expected;
}

std::vector<uint16_t> twelveBitJ2k(const std::string& path, bool) {
    const std::vector<J2kPlane> planes = writeJ2k(path, {.width = kWidth,
                                                         .height = kHeight,
                                                         .components = 1,
                                                         .precision = 12,
                                                         .levels = 3,
                                                         .color = J2kFixtureColor::Grey});
    std::vector<uint16_t> expected;
    for (const int32_t v : planes.at(0).samples)
        expected.push_back(rounded(static_cast<uint64_t>(v) * 65535, 4095));
    return expected;
}

}  // namespace

TEST(AnyImageRender, WritesWhatAPersonExpectsToSee) {
    struct Case {
        const char* what;
        const char* file;
        PictureWriter write;
        const char* output;
        unsigned maxval;
        int tolerance;
        bool samples;
    };
    const Case cases[] = {
        {"YCbCr TIFF as the RGB it was made from", "ycc.tif", ycbcrTiff, "o.ppm", 255, 2, false},
        {"2-bit grey over 8 bits", "g2.tif", twoBitGreyTiff, "o.pgm", 255, 0, false},
        {"10-bit planar RGB scaled to 16 bits", "p10.tif", tenBitPlanarTiff, "o.ppm", 65535, 0,
         false},
        {"CMYK TIFF by complement", "cmyk.tif", cmykTiff, "o.ppm", 255, 0, false},
        {"Adobe CMYK JPEG", "cmyk.jpg", adobeCmykJpeg, "o.ppm", 255, 0, false},
        {"12-bit JPEG 2000 scaled to 16 bits", "g12.jp2", twelveBitJ2k, "o.pgm", 65535, 0, false},
        {"--samples: 10-bit samples as they are", "p10.tif", tenBitPlanarTiff, "o.ppm", 65535, 0,
         true},
    };
    const std::string dir = testDir();
    for (const Case& c : cases) {
        const std::string file = dir + "/" + c.file, output = dir + "/" + c.output;
        const std::vector<uint16_t> expected = c.write(file, c.samples);
        std::vector<std::string> args = {"render", file, "-o", output};
        if (c.samples) args.push_back("--samples");
        const CommandResult r = anyimage(args);
        ASSERT_EQ(r.status, 0) << c.what << ": " << r.err;
        const NetpbmImage image = readNetpbm(output);
        EXPECT_EQ(image.maxval, c.maxval) << c.what;
        ASSERT_EQ(image.samples.size(), expected.size()) << c.what;
        int worst = 0;
        for (size_t i = 0; i < expected.size(); ++i)
            worst = std::max(worst, std::abs(int{image.samples[i]} - int{expected[i]}));
        EXPECT_LE(worst, c.tolerance) << c.what;
    }
}

namespace {

template <class T>
std::vector<uint8_t> bytesOf(const std::vector<T>& samples) {
    std::vector<uint8_t> bytes(samples.size() * sizeof(T));
    std::memcpy(bytes.data(), samples.data(), bytes.size());
    return bytes;
}

// What a dump case's file was written from: the samples the encoder was given, in this machine's
// byte order and as values, and their bands.
struct Given {
    std::vector<uint8_t> bytes;
    std::vector<double> values;
    int bands;
};
using DumpWriter = std::function<Given(const std::string& path)>;

template <class T>
DumpWriter tiffOf(uint16_t bands, uint16_t photometric, std::vector<uint16_t> extra,
                  double scale = 1, double offset = 0) {
    return [=](const std::string& path) {
        auto [page, values] = typedPage<T>(kWidth, kHeight, bands, scale, offset);
        page.photometric = photometric;
        page.extraSamples = extra;
        writeTiff(path, {page});
        return Given{page.data, values, bands};
    };
}

Given twelveBitJ2kSamples(const std::string& path) {
    std::vector<uint16_t> samples;
    for (const uint16_t v : twelveBitJ2k(path, false))
        samples.push_back(rounded(uint64_t{v} * 4095, 65535));
    return {bytesOf(samples), {samples.begin(), samples.end()}, 1};
}

// The colour space, data type and bands of info --json.
std::string descriptionOf(const std::string& file) {
    const std::string json = anyimage({"info", "--json", file}).out;
    const size_t from = json.find("\"colorSpace\""), to = json.find(", \"resolutions\"");
    return from == std::string::npos || to == std::string::npos ? json
                                                                : json.substr(from, to - from);
}

}  // namespace

// Stats too: every sample type and band count takes its own accumulation path; wide rows cross
// the lanes' chunks with a remainder. Signed and floating samples reach below zero.
TEST(AnyImageRender, TiffDumpsReadBackAsTheSamplesAndColourSpaceDelivered) {
    struct Case {
        const char* what;
        const char* file;
        DumpWriter write;
    };
    const Case cases[] = {
        {"uint8 grey", "u8.tif", tiffOf<uint8_t>(1, PHOTOMETRIC_MINISBLACK, {})},
        {"uint32 grey", "u32.tif", tiffOf<uint32_t>(1, PHOTOMETRIC_MINISBLACK, {}, 65537)},
        {"int16 grey and alpha", "i16.tif",
         tiffOf<int16_t>(2, PHOTOMETRIC_MINISBLACK, {EXTRASAMPLE_UNASSALPHA}, 1, -32768)},
        {"uint16 RGB", "u16.tif", tiffOf<uint16_t>(3, PHOTOMETRIC_RGB, {})},
        {"float32 RGBA", "f32.tif",
         tiffOf<float>(4, PHOTOMETRIC_RGB, {EXTRASAMPLE_UNASSALPHA}, 1.0 / 65535, -0.5)},
        {"float64 of five bands", "f64.tif",
         tiffOf<double>(5, PHOTOMETRIC_MINISBLACK, {0, 0, 0, 0}, 1.0 / 4096, -3)},
        {"CMYK", "cmyk.tif", tiffOf<uint8_t>(4, PHOTOMETRIC_SEPARATED, {})},
        {"YCbCr", "ycc.tif", tiffOf<uint8_t>(3, PHOTOMETRIC_YCBCR, {})},
        {"12-bit JPEG 2000", "g12.jp2", twelveBitJ2kSamples},
    };
    const std::string dir = testDir();
    for (const Case& c : cases) {
        const std::string file = dir + "/" + c.file, dump = dir + "/dump.tif",
                          again = dir + "/again.tif";
        const Given given = c.write(file);
        EXPECT_EQ(anyimage({"stats", file}).out, statsText(given.values, given.bands)) << c.what;
        ASSERT_EQ(anyimage({"render", file, "-o", dump}).status, 0) << c.what;
        const std::vector<uint8_t> dumped = readTiledTiff(dump);
        EXPECT_TRUE(dumped == given.bytes) << c.what;
        EXPECT_EQ(descriptionOf(dump), descriptionOf(file)) << c.what;
        ASSERT_EQ(anyimage({"render", dump, "-o", again}).status, 0) << c.what;
        EXPECT_TRUE(readTiledTiff(again) == dumped) << c.what;
    }
}
