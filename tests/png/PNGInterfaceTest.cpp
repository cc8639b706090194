#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <memory>
#include <regex>
#include <sstream>

#include "PNGInterface.h"
#include "PngTestSupport.h"
#include "QorStream.h"
#include "TestSupport.h"

namespace {

// The primary's samples, and its trailing chunks: "rrIm" x2, "ckTg", "rrIm".
struct TrailerFile {
    PngImage primary = pngPattern(30, 20, PNG_COLOR_TYPE_GRAY, 8);
    PngImage embedded = pngPattern(12, 9, PNG_COLOR_TYPE_RGB, 16);
    std::string stream = encodePng(embedded);
    std::string path;

    explicit TrailerFile(const std::string& dir) : path(dir + "/trailer.png") {
        PngImage file = primary;
        file.leading = {{"ckTg", ""}};
        file.trailing = splitIntoChunks("rrIm", stream, 2);
        file.trailing.push_back({"ckTg", "tag"});
        file.trailing.push_back({"rrIm", "after"});
        writePng(path, file);
    }
};

std::vector<std::string> names(const std::vector<PNGInterface::Chunk>& chunks) {
    std::vector<std::string> out;
    for (const auto& c : chunks) out.push_back(c.name);
    return out;
}

// Decodes the whole image of an interface whose header was read.
std::vector<uint16_t> readAll(PNGInterface& png, const PNGInterface::Header& h) {
    const size_t rowSamples = static_cast<size_t>(h.width) * h.channels;
    std::vector<uint16_t> samples(rowSamples * h.height);
    std::vector<uint8_t> bytes(rowSamples * h.height * (h.bitDepth / 8));
    std::vector<uint8_t*> rows;
    for (uint32_t y = 0; y < h.height; ++y)
        rows.push_back(bytes.data() + y * rowSamples * (h.bitDepth / 8));
    EXPECT_TRUE(png.ReadRows(rows.data(), h.height)) << png.ErrorText();
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = h.bitDepth == 16 ? reinterpret_cast<uint16_t*>(bytes.data())[i] : bytes[i];
    return samples;
}

}  // namespace

TEST(PNGInterface, ReadsEveryInputKindAndItsTrailingChunks) {
    const TrailerFile f(testDir());
    QorStreamFactory factory;
    std::unique_ptr<QorStream> stream = factory.create(qorWiden(f.path));
    std::ifstream in(f.path, std::ios::binary);
    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(f.path.c_str(), "rb"), &std::fclose);
    const std::pair<void*, PNGInterface::InputKind> inputs[] = {
        {stream.get(), PNGInterface::InputKind::QorStream},
        {&in, PNGInterface::InputKind::StdStream},
        {file.get(), PNGInterface::InputKind::File},
    };
    for (const auto& [input, kind] : inputs) {
        for (bool skip : {false, true}) {
            SCOPED_TRACE(static_cast<int>(kind) * 2 + skip);
            in.clear();
            in.seekg(0);
            std::rewind(file.get());
            PNGInterface png;
            ASSERT_TRUE(png.SetUp(input, kind, skip, false, false)) << png.ErrorText();
            PNGInterface::Header h;
            ASSERT_TRUE(png.ReadHeader(h)) << png.ErrorText();
            EXPECT_EQ(h.width, 30u);
            EXPECT_EQ(h.height, 20u);
            EXPECT_EQ(h.channels, 1);
            EXPECT_TRUE(h.hasTag);
            if (!skip) {
                EXPECT_EQ(readAll(png, h), f.primary.samples);
            }
            ASSERT_TRUE(png.ReadTrailer()) << png.ErrorText();
            EXPECT_EQ(names(png.TrailerChunks()),
                      (std::vector<std::string>{"rrIm", "rrIm", "ckTg", "rrIm"}));
            EXPECT_EQ(png.TrailerChunks()[2].data, std::vector<uint8_t>({'t', 'a', 'g'}));

            // The first run of "rrIm" chunks is the embedded stream; the last one is not part of
            // it.
            PNGInterface memory;
            ASSERT_TRUE(
                memory.SetUp(nullptr, PNGInterface::InputKind::QorStream, false, true, true));
            ASSERT_TRUE(memory.MakeTagDataChunks(png, "rrIm")) << memory.ErrorText();
            ASSERT_TRUE(memory.ReadHeader(h)) << memory.ErrorText();
            EXPECT_EQ(h.bitDepth, 16);
            EXPECT_EQ(readAll(memory, h), f.embedded.samples);
            EXPECT_TRUE(memory.ReadTrailer()) << memory.ErrorText();
        }
    }
}

TEST(PNGInterface, FailuresLeaveTheOperationAndTheReasonInTheErrorText) {
    const TrailerFile f(testDir());
    PNGInterface idle;
    PNGInterface::Header h;
    EXPECT_FALSE(idle.ReadHeader(h));
    EXPECT_TRUE(std::regex_match(
        idle.ErrorText(), std::regex(R"(PNGInterface::ReadHeader,\d+: not set up for reading)")))
        << idle.ErrorText();

    PNGInterface empty;
    ASSERT_TRUE(empty.SetUp(nullptr, PNGInterface::InputKind::QorStream, false, true, true));
    EXPECT_FALSE(empty.ReadHeader(h));
    EXPECT_TRUE(std::regex_match(
        empty.ErrorText(),
        std::regex(
            R"(PNGInterface::ReadHeader,\d+: error reading header; PNGInterface::PNGReadFromMemory,\d+: read failed; requested 8, but no more data available)")))
        << empty.ErrorText();

    // Only the "ckTg" chunks are kept here, so there is no "rrIm" to gather.
    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(f.path.c_str(), "rb"), &std::fclose);
    PNGInterface tagOnly;
    ASSERT_TRUE(tagOnly.SetUp(file.get(), PNGInterface::InputKind::File, true, false, true));
    ASSERT_TRUE(tagOnly.ReadHeader(h));
    ASSERT_TRUE(tagOnly.ReadTrailer());
    EXPECT_EQ(names(tagOnly.TrailerChunks()), std::vector<std::string>{"ckTg"});
    EXPECT_FALSE(empty.MakeTagDataChunks(tagOnly, "rrIm"));
    EXPECT_NE(empty.ErrorText().find("no \"rrIm\" chunk"), std::string::npos);

    // libpng keeps a damaged private chunk and warns.
    std::string bytes = readFileBytes(f.path);
    bytes[bytes.find("ckTg") + 4] ^= 1;
    std::istringstream leading(bytes);
    PNGInterface warned;
    ASSERT_TRUE(warned.SetUp(&leading, PNGInterface::InputKind::StdStream, true, false, false));
    ASSERT_TRUE(warned.ReadHeader(h)) << warned.ErrorText();
    EXPECT_TRUE(h.hasTag);
    EXPECT_EQ(warned.WarningText(), "ckTg: CRC error");

    // A damaged trailing chunk is an error, not a shorter stream.
    bytes = readFileBytes(f.path);
    bytes[bytes.find("tag") + 1] ^= 1;
    const std::string damaged = f.path + ".crc.png";
    writeFile(damaged, bytes);
    std::ifstream in(damaged, std::ios::binary);
    PNGInterface crc;
    ASSERT_TRUE(crc.SetUp(&in, PNGInterface::InputKind::StdStream, true, false, false));
    ASSERT_TRUE(crc.ReadHeader(h));
    EXPECT_FALSE(crc.ReadTrailer());
    EXPECT_TRUE(std::regex_match(crc.ErrorText(),
                                 std::regex(R"(PNGInterface::ReadTrailer,\d+: ckTg: CRC error)")))
        << crc.ErrorText();
}
