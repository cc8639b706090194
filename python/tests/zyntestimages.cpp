// Test images for the Python tests: each writer encodes known pixels with the format's own
// library and returns, per resolution, the pixels the encoder was given (or, for reduced levels
// of wavelet and DCT formats, the codec library's own decode) as (height, width, bands) arrays.

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include "BmpFixture.h"
#include "DngFixture.h"
#include "ExifFixture.h"
#include "FpxFixture.h"
#include "ImpsFixture.h"
#include "J2kFixture.h"
#include "JpegFixture.h"
#include "PngFixture.h"
#include "PpmFixture.h"
#include "RawFixture.h"
#include "TestSupport.h"
#include "TiffFixture.h"
#include "VdxFixture.h"

namespace py = pybind11;

namespace {

template <class T, class S>
py::array_t<T> pixelArray(const std::vector<S>& samples, uint32_t width, uint32_t height,
                          int bands) {
    py::array_t<T> out({static_cast<py::ssize_t>(height), static_cast<py::ssize_t>(width),
                        static_cast<py::ssize_t>(bands)});
    T* data = out.mutable_data();
    for (size_t i = 0; i < samples.size(); ++i) data[i] = static_cast<T>(samples[i]);
    return out;
}

py::array_t<uint8_t> patternArray(uint32_t width, uint32_t height, int bands, uint32_t seed) {
    return pixelArray<uint8_t>(fixturePattern(width, height, bands, seed), width, height, bands);
}

py::array_t<uint8_t> writePpmImage(const std::string& path, uint32_t width, uint32_t height) {
    writePpm(path, width, height, fixturePattern(width, height, 3));
    return patternArray(width, height, 3, 1);
}

py::array_t<uint8_t> writeBmpImage(const std::string& path, uint32_t width, uint32_t height,
                                   int bits) {
    if (bits == 24) {
        writeBmp(path, width, height, 24, fixturePattern(width, height, 3));
        return patternArray(width, height, 3, 1);
    }
    const std::vector<uint8_t> indices = fixturePattern(width, height, 1);
    writeBmp(path, width, height, 8, indices, colourPalette());
    return pixelArray<uint8_t>(expandIndices(indices, colourPalette()), width, height, 3);
}

template <class T>
py::array_t<T> pngPixels(const PngImage& image) {
    return pixelArray<T>(image.samples, image.width, image.height, pngChannels(image.colorType));
}

// An RGB image whose reduced-resolution image is embedded: full size, then the reduced one.
std::vector<py::array_t<uint8_t>> writePngWithReduced(const std::string& path, uint32_t width,
                                                      uint32_t height) {
    PngImage full = pngPattern(width, height, 2, 8, 1);
    const PngImage reduced = pngPattern((width + 1) / 2, (height + 1) / 2, 2, 8, 2);
    embedReducedRes(full, reduced.width, reduced.height, encodePng(reduced), 2);
    writePng(path, full);
    return {pngPixels<uint8_t>(full), pngPixels<uint8_t>(reduced)};
}

py::array_t<uint16_t> writePngGray16(const std::string& path, uint32_t width, uint32_t height) {
    const PngImage image = pngPattern(width, height, 0, 16, 3);
    writePng(path, image);
    return pngPixels<uint16_t>(image);
}

// The sample TIFF: tiled RGB with one reduced-resolution page.
std::vector<py::array_t<uint8_t>> writeTiffWithReduced(const std::string& path) {
    writeSampleTiff(path);
    return {patternArray(97, 61, 3, 1), patternArray(49, 31, 3, 2)};
}

py::array_t<uint8_t> writeJpegImage(const std::string& path, uint32_t width, uint32_t height) {
    JpegFixtureOptions options;
    options.width = width;
    options.height = height;
    options.hSampling = options.vSampling = 1;
    return pixelArray<uint8_t>(writeJpeg(path, options), width, height, 3);
}

// A JPEG carrying an ICC profile and a density of 300 x 150 dots per inch; returns the profile
// and the luminance quantisation table libjpeg-turbo reads back, in natural order.
py::tuple writeJpegWithMetadata(const std::string& path) {
    JpegFixtureOptions options;
    options.iccProfile = fakeIccProfile("RGB ", 600);
    options.densityUnit = 1;
    options.xDensity = 300;
    options.yDensity = 150;
    writeJpeg(path, options);
    const JpegReference r = decodeJpegReference(readFileBytes(path));
    const std::vector<uint8_t>& icc = options.iccProfile;
    return py::make_tuple(py::bytes(reinterpret_cast<const char*>(icc.data()), icc.size()),
                          py::tuple(py::cast(r.quantTables.front())));
}

py::array_t<uint8_t> decodeJpeg(const std::string& path, int scaleDenominator) {
    const JpegReference r = decodeJpegReference(readFileBytes(path), scaleDenominator);
    return pixelArray<uint8_t>(r.pixels, r.width, r.height, r.components);
}

py::array_t<uint8_t> planesArray(const std::vector<J2kPlane>& planes) {
    const J2kPlane& first = planes.front();
    const auto bands = static_cast<int>(planes.size());
    std::vector<int32_t> samples;
    for (uint32_t i = 0; i < first.width * first.height; ++i)
        for (const J2kPlane& plane : planes) samples.push_back(plane.samples[i]);
    return pixelArray<uint8_t>(samples, first.width, first.height, bands);
}

py::array_t<uint8_t> writeJ2kImage(const std::string& path, uint32_t width, uint32_t height,
                                   int levels) {
    J2kFixtureOptions options;
    options.width = width;
    options.height = height;
    options.levels = levels;
    options.tileWidth = options.tileHeight = 32;
    return planesArray(writeJ2k(path, options));
}

py::array_t<uint8_t> decodeJ2k(const std::string& path, int level) {
    return planesArray(decodeJ2kWithOpenJpeg(path, level));
}

py::array_t<uint16_t> writeImpsImage(const std::string& folder, uint32_t width, uint32_t height) {
    ImpsSet set;
    set.width = width;
    set.height = height;
    set.bytesPerPixel = 2;
    std::vector<uint16_t> samples = pattern16(size_t{width} * height);
    for (uint16_t& sample : samples) sample &= 0x0FFF;  // the source reads 12 bits
    writeImpsSet(folder, "imps", ImpsKind::Lum, set,
                 std::vector<uint32_t>(samples.begin(), samples.end()));
    return pixelArray<uint16_t>(samples, width, height, 1);
}

// A pack of a picture in blocks of 8 x 8 equal pixels, so that neither the halved chroma nor
// the smaller levels lose anything, and of samples that photo YCC holds without clipping;
// returns the picture at Base size.
py::array_t<uint8_t> writeVdxImage(const std::string& path) {
    const std::vector<uint8_t> blocks = fixturePattern(96, 64, 3);
    std::vector<uint8_t> rgb(size_t{768} * 512 * 3);
    for (size_t y = 0; y < 512; ++y)
        for (size_t x = 0; x < 768; ++x)
            for (size_t b = 0; b < 3; ++b)
                rgb[(y * 768 + x) * 3 + b] = 64 + blocks[((y / 8) * 96 + x / 8) * 3 + b] / 2;
    writeVdxPack(path, vdxLevelsFromRgb(rgb));
    return pixelArray<uint8_t>(rgb, 768, 512, 3);
}

// An EXIF file with a thumbnail and a screen nail: the main image as its encoder was given it,
// then libjpeg-turbo's decode of the thumbnail and of the screen nail as written.
std::vector<py::array_t<uint8_t>> writeExifImage(const std::string& path) {
    ExifFixtureOptions options;
    options.image.width = 160;
    options.image.height = 120;
    options.image.hSampling = options.image.vSampling = 1;
    options.screenNail = true;
    // Resolutions are named by size: a thumbnail as large as a reduced level would hide.
    options.thumbnailWidth = 48;
    options.thumbnailHeight = 36;
    const ExifFixtureImages written = writeExifJpeg(path, options);
    const auto decoded = [](const std::string& bytes) {
        const JpegReference r = decodeJpegReference(bytes);
        return pixelArray<uint8_t>(r.pixels, r.width, r.height, r.components);
    };
    return {pixelArray<uint8_t>(written.image, 160, 120, 3), decoded(written.thumbnailBytes),
            decoded(written.screenNailBytes)};
}

// Uncompressed RGB tiles at every level the file holds.
std::vector<py::array_t<uint8_t>> writeFpxImage(const std::string& path) {
    FpxFixtureRecipe recipe;
    recipe.width = 150;
    recipe.height = 100;
    const FpxFixture fixture = writeFpx(path, recipe);
    std::vector<py::array_t<uint8_t>> levels;
    for (size_t i = 0; i < fixture.levels.size(); ++i)
        levels.push_back(pixelArray<uint8_t>(
            expectedFpxPixels(fixture, recipe, static_cast<int>(i)), fixture.levels[i].width,
            fixture.levels[i].height, fixture.channels));
    return levels;
}

// A DNG whose RGB preview follows the mosaic; returns the preview pixels.
py::array_t<uint8_t> writeDngImage(const std::string& path) {
    const DngFixtureOptions options;
    return pixelArray<uint8_t>(writeDng(path, options).preview, options.previewWidth,
                               options.previewHeight, 3);
}

}  // namespace

PYBIND11_MODULE(zyntestimages, m) {
    m.def("pattern", &patternArray);
    m.def("write_file", &writeFile);
    m.def("ppm", &writePpmImage);
    m.def("bmp", &writeBmpImage);
    m.def("png_with_reduced", &writePngWithReduced);
    m.def("png_gray16", &writePngGray16);
    m.def("tiff_with_reduced", &writeTiffWithReduced);
    m.def("jpeg", &writeJpegImage);
    m.def("jpeg_reference", &decodeJpeg);
    m.def("jpeg_with_metadata", &writeJpegWithMetadata);
    m.def("j2k", &writeJ2kImage);
    m.def("j2k_reference", &decodeJ2k);
    m.def("imps", &writeImpsImage);
    m.def("vdx", &writeVdxImage);
    m.def("exif", &writeExifImage);
    m.def("fpx", &writeFpxImage);
    m.def("dng", &writeDngImage);
}
