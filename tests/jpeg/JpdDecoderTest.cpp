#include <gtest/gtest.h>

#include <cstdio>

#include <jpeglib.h>
// After jpeglib.h, whose configuration decides which messages exist.
#include <jerror.h>

#include "JpdDecoder.h"
#include "JpegFixture.h"
#include "PpmFixture.h"
#include "TestSupport.h"

namespace {

using Coding = JpegFixtureOptions::Coding;

const uint8_t* data(const std::string& bytes) {
    return reinterpret_cast<const uint8_t*>(bytes.data());
}

// Reads the header of bytes in memory; the status of the read.
int readHeader(JpdDecoder& decoder, const std::string& bytes) {
    decoder.setMemoryInput(data(bytes), bytes.size());
    uint32_t width = 0, height = 0;
    int components = 0;
    return decoder.getImageInfo(width, height, components);
}

// Decodes every line; the status of the first failing call.
int decodeAll(JpdDecoder& decoder, std::vector<uint8_t>& pixels) {
    if (const int status = decoder.start(); status != kJpdOk) return status;
    const int components = decoder.outputComponents(decoder.info().colorSpace);
    pixels.resize(size_t{decoder.outputWidth()} * decoder.outputHeight() * components);
    int delivered = 0;
    return decoder.readScanLines(pixels.data(), static_cast<int>(decoder.outputHeight()),
                                 decoder.outputWidth() * components, delivered);
}

JpegFixtureOptions coded(Coding coding) {
    JpegFixtureOptions options;
    options.width = 24;
    options.height = 16;
    options.coding = coding;
    return options;
}

}  // namespace

TEST(JpdDecoder, ReportsWhatItCanDeliverForEachStoredColourSpace) {
    using S = JpdColorSpace;
    struct Case {
        Coding coding;
        S file;
        S delivered;
        std::vector<S> producible;
        std::vector<S> refused;
    };
    const std::vector<Case> cases = {
        {Coding::YCbCr,
         S::YCbCr,
         S::RGB,
         {S::RGB, S::RGBA, S::Grayscale, S::YCbCr, S::Other},
         {S::CMYK, S::YCCK, S::YCC}},
        {Coding::Gray,
         S::Grayscale,
         S::Grayscale,
         {S::Grayscale, S::RGB, S::RGBA},
         {S::YCbCr, S::CMYK}},
        {Coding::RGB, S::RGB, S::RGB, {S::RGB, S::Grayscale}, {S::YCbCr}},
        {Coding::CMYK, S::CMYK, S::CMYK, {S::CMYK, S::Other}, {S::RGB, S::YCCK}},
        {Coding::YCCK, S::YCCK, S::CMYK, {S::CMYK, S::YCCK}, {S::RGB, S::Grayscale}},
    };
    for (const Case& c : cases) {
        const std::string bytes = jpegBytes(coded(c.coding));
        JpdDecoder decoder;
        ASSERT_EQ(readHeader(decoder, bytes), kJpdOk);
        EXPECT_EQ(decoder.info().fileColorSpace, c.file);
        EXPECT_EQ(decoder.info().colorSpace, c.delivered);
        EXPECT_EQ(decoder.info().precision, 8);
        for (S s : c.producible) EXPECT_TRUE(decoder.canProduce(s)) << static_cast<int>(s);
        for (S s : c.refused) {
            EXPECT_FALSE(decoder.canProduce(s)) << static_cast<int>(s);
            EXPECT_EQ(decoder.setOutputColorSpace(s), kJpdBadArgument);
        }
        // What it claims to deliver, it delivers.
        for (S s : c.producible) {
            ASSERT_EQ(readHeader(decoder, bytes), kJpdOk);
            ASSERT_EQ(decoder.setOutputColorSpace(s), kJpdOk);
            ASSERT_EQ(decoder.start(), kJpdOk) << static_cast<int>(s) << " " << decoder.message();
            decoder.stop();
        }
    }
}

TEST(JpdDecoder, FailuresComeBackAsStatusesWithTheLibraryText) {
    const std::string bytes = jpegBytes(coded(Coding::YCbCr));
    JpdDecoder decoder;
    EXPECT_EQ(readHeader(decoder, ""), JERR_INPUT_EMPTY);
    EXPECT_EQ(decoder.message(), "Empty input file");
    EXPECT_EQ(readHeader(decoder, "GIF89a"), JERR_NO_SOI);

    const std::string cut = bytes.substr(0, bytes.size() - 200);
    ASSERT_EQ(readHeader(decoder, cut), kJpdOk);
    std::vector<uint8_t> pixels;
    EXPECT_EQ(decodeAll(decoder, pixels), JWRN_JPEG_EOF);
    EXPECT_EQ(decoder.message(), "Premature end of JPEG file");
    EXPECT_FALSE(decoder.started());
    // The same object decodes the next file.
    ASSERT_EQ(readHeader(decoder, bytes), kJpdOk);
    EXPECT_EQ(decodeAll(decoder, pixels), kJpdOk);
    EXPECT_EQ(pixels, decodeJpegReference(bytes).pixels);

    EXPECT_EQ(decoder.setPathInput("/nonexistent"), kJpdBadArgument);
    int delivered = 0;
    EXPECT_EQ(decoder.readScanLines(pixels.data(), 1, 0, delivered), kJpdShortRead);
    EXPECT_EQ(JpdDecoder().readScanLines(pixels.data(), 1, 0, delivered), kJpdBadState);
}

TEST(JpdDecoder, TwelveBitFilesGiveTheirHeaderButDoNotDecode) {
    const std::string bytes = twelveBitJpegBytes(40, 24);
    JpdDecoder decoder;
    ASSERT_EQ(readHeader(decoder, bytes), kJpdOk);
    EXPECT_EQ(decoder.info().precision, 12);
    EXPECT_EQ(decoder.info().width, 40u);
    uint32_t width = 0, height = 0;
    EXPECT_EQ(decoder.getScaleSize(3, width, height), kJpdOk);
    EXPECT_EQ(width, 5u);
    EXPECT_EQ(height, 3u);
    EXPECT_EQ(decoder.start(), kJpdBadState);
    EXPECT_EQ(decoder.message(), "Unsupported JPEG data precision 12");
}

TEST(JpdDecoder, ProgressiveFilesWithTooManyScansAreRefused) {
    JpdDecoder decoder;
    std::vector<uint8_t> pixels;
    const std::string acceptable = manyScanJpegBytes(400);
    ASSERT_EQ(readHeader(decoder, acceptable), kJpdOk);
    EXPECT_EQ(decodeAll(decoder, pixels), kJpdOk) << decoder.message();
    const std::string crafted = manyScanJpegBytes(600);
    ASSERT_EQ(readHeader(decoder, crafted), kJpdOk);
    EXPECT_EQ(decodeAll(decoder, pixels), 1000);
    EXPECT_EQ(decoder.message(), "JPEG file has more than 500 scans");
}

TEST(JpdDecoder, MappedInputGoesOnWhereItWasAfterBeingReleased) {
    JpegFixtureOptions options = coded(Coding::YCbCr);
    options.height = 160;
    const std::string bytes = jpegBytes(options);
    const std::string path = testDir() + "/mapped.jpg";
    writeFile(path, bytes);

    JpdDecoder decoder(JpdImplementation::Alternative);
    ASSERT_EQ(decoder.setPathInput(path), kJpdOk);
    uint32_t width = 0, height = 0;
    int components = 0;
    ASSERT_EQ(decoder.getImageInfo(width, height, components), kJpdOk);
    ASSERT_EQ(decoder.start(), kJpdOk);
    std::vector<uint8_t> pixels(size_t{width} * height * 3);
    int delivered = 0;
    ASSERT_EQ(decoder.readScanLines(pixels.data(), 70, width * 3, delivered), kJpdOk);
    decoder.releaseInput();
    EXPECT_FALSE(decoder.hasInput());
    ASSERT_EQ(decoder.setPathInput(path), kJpdOk);
    ASSERT_EQ(decoder.readScanLines(pixels.data() + 70 * width * 3, 90, width * 3, delivered),
              kJpdOk);
    EXPECT_EQ(pixels, decodeJpegReference(bytes).pixels);
    EXPECT_EQ(decoder.setFileInput(nullptr), kJpdBadArgument);
}
