#include <gtest/gtest.h>
#include <tiffio.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <functional>
#include <sstream>

#include "J2kFixture.h"
#include "JpegFixture.h"
#include "PngFixture.h"
#include "PpmFixture.h"
#include "TestSupport.h"
#include "TiffFixture.h"

namespace {

constexpr uint32_t kWidth = 300;  // two tiles and a part across
constexpr uint32_t kHeight = 20;

CommandResult anyimage(const std::vector<std::string>& args) {
    return runProgram(ANYIMAGE_EXE, args);
}

// The samples of a binary PGM or PPM, 8- or 16-bit.
struct Netpbm {
    int channels = 0;
    unsigned maxval = 0;
    std::vector<uint16_t> samples;
};

Netpbm readNetpbm(const std::string& path) {
    const std::string bytes = readFileBytes(path);
    std::istringstream header(bytes);
    std::string magic;
    unsigned width = 0, height = 0;
    Netpbm image;
    header >> magic >> width >> height >> image.maxval;
    header.get();
    image.channels = magic == "P6" ? 3 : 1;
    const size_t count = size_t{width} * height * static_cast<size_t>(image.channels);
    const auto* p = reinterpret_cast<const uint8_t*>(bytes.data()) + header.tellg();
    for (size_t i = 0; i < count; ++i)
        image.samples.push_back(
            image.maxval > 255 ? static_cast<uint16_t>(p[2 * i] << 8 | p[2 * i + 1]) : p[i]);
    return image;
}

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
    TiffPage page;
    page.width = kWidth;
    page.height = kHeight;
    page.bitsPerSample = bits;
    page.samplesPerPixel = bands;
    page.photometric = photometric;
    return page;
}

uint16_t rounded(uint64_t numerator, uint64_t denominator) {
    return static_cast<uint16_t>((2 * numerator + denominator) / (2 * denominator));
}

uint8_t clampedByte(double v) {
    return static_cast<uint8_t>(std::lround(std::clamp(v, 0.0, 255.0)));
}

// A picture case writes its file and returns the values render must write.
using PictureWriter = std::function<std::vector<uint16_t>(const std::string& path)>;

std::vector<uint16_t> ycbcrTiff(const std::string& path) {
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

std::vector<uint16_t> twoBitGreyTiff(const std::string& path, uint16_t scale) {
    const std::vector<uint32_t> grey = tiffPattern(kWidth, kHeight, 1, 2);
    TiffPage page = tiffPage(2, 1, PHOTOMETRIC_MINISBLACK);
    page.data = packTiffSamples(grey, kWidth, 2);
    writeTiff(path, {page});
    std::vector<uint16_t> expected;
    for (const uint32_t v : grey) expected.push_back(static_cast<uint16_t>(v * scale));
    return expected;
}

std::vector<uint16_t> tenBitPlanarTiff(const std::string& path, bool scaled) {
    const std::vector<uint32_t> rgb = tiffPattern(kWidth, kHeight, 3, 10);
    TiffPage page = tiffPage(10, 3, PHOTOMETRIC_RGB);
    page.planarConfig = PLANARCONFIG_SEPARATE;
    page.data = packTiffSamples(toPlanes(rgb, 3), kWidth, 10);
    writeTiff(path, {page});
    std::vector<uint16_t> expected;
    for (const uint32_t v : rgb)
        expected.push_back(scaled ? rounded(uint64_t{v} * 65535, 1023) : static_cast<uint16_t>(v));
    return expected;
}

std::vector<uint16_t> cmykTiff(const std::string& path) {
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
std::vector<uint16_t> adobeCmykJpeg(const std::string& path) {
    JpegFixtureOptions options;
    options.width = kWidth;
    options.height = kHeight;
    options.coding = JpegFixtureOptions::Coding::CMYK;
    const std::string bytes = jpegBytes(options);
    writeFile(path, bytes);
    const JpegReference decoded = decodeJpegReference(bytes);
    std::vector<uint16_t> expected;
    for (size_t i = 0; i < decoded.pixels.size(); i += 4)
        for (int b = 0; b < 3; ++b)
            expected.push_back(
                rounded(uint32_t{decoded.pixels[i + b]} * decoded.pixels[i + 3], 255));
    return expected;
}

std::vector<uint16_t> twelveBitJ2k(const std::string& path) {
    J2kFixtureOptions options;
    options.width = kWidth;
    options.height = kHeight;
    options.components = 1;
    options.precision = 12;
    options.color = J2kFixtureColor::Grey;
    options.levels = 3;
    const std::vector<J2kPlane> planes = writeJ2k(path, options);
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
        std::vector<std::string> options;
    };
    const Case cases[] = {
        {"YCbCr TIFF as the RGB it was made from", "ycc.tif", ycbcrTiff, "o.ppm", 255, 2, {}},
        {"2-bit grey over 8 bits",
         "g2.tif",
         [](auto& p) { return twoBitGreyTiff(p, 85); },
         "o.pgm",
         255,
         0,
         {}},
        {"10-bit planar RGB scaled to 16 bits",
         "p10.tif",
         [](auto& p) { return tenBitPlanarTiff(p, true); },
         "o.ppm",
         65535,
         0,
         {}},
        {"CMYK TIFF by complement", "cmyk.tif", cmykTiff, "o.ppm", 255, 0, {}},
        {"Adobe CMYK JPEG", "cmyk.jpg", adobeCmykJpeg, "o.ppm", 255, 0, {}},
        {"12-bit JPEG 2000 scaled to 16 bits", "g12.jp2", twelveBitJ2k, "o.pgm", 65535, 0, {}},
        {"--samples: 10-bit samples as they are",
         "p10.tif",
         [](auto& p) { return tenBitPlanarTiff(p, false); },
         "o.ppm",
         65535,
         0,
         {"--samples"}},
        {"--samples: 2-bit samples as they are",
         "g2.tif",
         [](auto& p) { return twoBitGreyTiff(p, 1); },
         "o.pgm",
         255,
         0,
         {"--samples"}},
    };
    const std::string dir = testDir();
    for (const Case& c : cases) {
        const std::string file = dir + "/" + c.file, output = dir + "/" + c.output;
        const std::vector<uint16_t> expected = c.write(file);
        std::vector<std::string> args = {"render", file, "-o", output};
        args.insert(args.end(), c.options.begin(), c.options.end());
        const CommandResult r = anyimage(args);
        ASSERT_EQ(r.status, 0) << c.what << ": " << r.err;
        const Netpbm image = readNetpbm(output);
        EXPECT_EQ(image.maxval, c.maxval) << c.what;
        ASSERT_EQ(image.samples.size(), expected.size()) << c.what;
        int worst = 0;
        for (size_t i = 0; i < expected.size(); ++i)
            worst = std::max(worst, std::abs(int{image.samples[i]} - int{expected[i]}));
        EXPECT_LE(worst, c.tolerance) << c.what;
    }
}
