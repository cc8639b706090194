#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

#include "PngTestSupport.h"
#include "TestSupport.h"

namespace {

constexpr uint32_t kWidth = 200, kHeight = 130;

// A primary image carrying a 64 x 48 reduced image and a tag image, each split over chunks.
struct EmbeddedFile {
    PngImage primary = pngPattern(kWidth, kHeight, PNG_COLOR_TYPE_RGB, 8, 1);
    PngImage reduced = pngPattern(64, 48, PNG_COLOR_TYPE_RGB, 8, 2);
    PngImage tag = pngPattern(kWidth, kHeight, PNG_COLOR_TYPE_GRAY, 8, 3);

    std::string write(const std::string& path, int reducedPieces = 3, int tagPieces = 4) {
        PngImage file = primary;
        embedReducedRes(file, reduced.width, reduced.height, encodePng(reduced), reducedPieces);
        embedTag(file, encodePng(tag), tagPieces);
        writePng(path, file);
        return path;
    }
};

}  // namespace

TEST(PngEmbeddedImages, ReducedResolutionAndTagImagesComeFromTheirStreams) {
    EmbeddedFile f;
    f.reduced.interlaced = true;
    const std::string path = f.write(testDir() + "/e.png");
    for (bool keepOpen : {true, false}) {
        SCOPED_TRACE(keepOpen);
        auto any = openByContent(path, keepOpen);
        ASSERT_TRUE(any->status()) << any->error().message();
        EXPECT_EQ(any->imageOutput(0)->coordSpace()->resolutions(),
                  (std::vector<ZynResolution>{{kWidth, kHeight}, {64, 48}}));
        const std::vector<uint16_t> reduced = decodedSamples(f.reduced).samples;
        EXPECT_TRUE(outputMatches(*any, 0, {64, 48}, {0, 0, 64, 48}, reduced));
        EXPECT_TRUE(
            outputMatches(*any, 0, {64, 48}, {10, 20, 30, 28}, reduced, ZynInterleave::Line));
        EXPECT_TRUE(outputMatches(*any, 0, {kWidth, kHeight}, {0, 0, kWidth, kHeight},
                                  decodedSamples(f.primary).samples));

        // The tag output is the inner source's second output.
        ZynTransform& png = *any->transforms().at(0);
        const ZynImageOutputCP* tag = png.imageOutput(1);
        EXPECT_EQ(tag->colorSpace()->kind(), ZynColorKind::Lum);
        EXPECT_EQ(tag->coordSpace()->resolutions(),
                  (std::vector<ZynResolution>{{kWidth, kHeight}}));
        EXPECT_TRUE(
            outputMatches(png, 1, {kWidth, kHeight}, {0, 0, kWidth, kHeight}, f.tag.samples));
        EXPECT_TRUE(outputMatches(png, 1, {kWidth, kHeight}, {0, 70, kWidth, 60}, f.tag.samples,
                                  ZynInterleave::Band));
    }

    // The reduced image gets the primary image's transformations.
    ZynTransformPtr png = openByName("PNGSource", path);
    png->setAttribute<bool>("png_rgbtobgr", true);
    std::vector<uint16_t> swapped = decodedSamples(f.reduced).samples;
    for (size_t i = 0; i < swapped.size(); i += 3) std::swap(swapped[i], swapped[i + 2]);
    EXPECT_TRUE(outputMatches(*png, 0, {64, 48}, {0, 0, 64, 48}, swapped));
}

// Embedded images of the wrong kind or size, streams missing, cut short or damaged: the request
// for the embedded image fails with code 203 and says why; the primary image stays usable.
TEST(PngEmbeddedImages, WrongOrDamagedEmbeddedImagesGiveCode203AndSayWhy) {
    const EmbeddedFile sound;
    const std::string reduced = encodePng(sound.reduced), tag = encodePng(sound.tag);
    // The leading chunk announces 64 x 48 whatever the stream holds.
    const auto with = [&](const std::string& reducedStream, const std::string& tagStream,
                          int pieces = 2) {
        PngImage file = sound.primary;
        embedReducedRes(file, 64, 48, reducedStream, pieces);
        if (!tagStream.empty()) embedTag(file, tagStream, 2);
        return encodePng(file);
    };
    const auto image = [](uint32_t w, uint32_t h, int colorType, int bits = 8) {
        return encodePng(pngPattern(w, h, colorType, bits));
    };
    PngImage untrailed = sound.primary;
    embedReducedRes(untrailed, 64, 48, reduced, 1);
    untrailed.trailing.clear();
    // A trailing chunk whose check value is wrong is an error, not a shorter stream.
    std::string crc = with(reduced, tag);
    crc[crc.rfind("rrIm") + 5] ^= 1;
    struct Case {
        std::string bytes;
        int output;
        std::string message;  // a regular expression
    };
    const std::string tagOp = "ZynPNGTagImageSourceOp::genRect: ";
    const std::string reducedOp = "ZynPNGReducedResImageSourceOp::genRect: ";
    const Case cases[] = {
        {with(reduced, image(kWidth, kHeight, PNG_COLOR_TYPE_GRAY_ALPHA)), 1,
         tagOp + R"(invalid embedded tag image \(nbands,nbits\) = \(2,8\); should be \(1,8\))"},
        {with(reduced, image(10, 11, PNG_COLOR_TYPE_GRAY)), 1,
         tagOp +
             R"( embedded tag image \(w,h\) = \(10,11\) do not match primary image \(w,h\) = \(200,130\))"},
        {with(reduced, image(kWidth, kHeight, PNG_COLOR_TYPE_PALETTE)), 1,
         R"(PNG ReadHeader failed \(tag\): PNGInterface::ReadHeader,\d+: input image color type = 3 is not supported)"},
        {with(image(64, 48, PNG_COLOR_TYPE_GRAY), tag), 0,
         reducedOp +
             R"(invalid embedded reduced res image \(nbands,nbits\) = \(1,8\); should be \(3,8\))"},
        {with(image(64, 48, PNG_COLOR_TYPE_RGB, 16), tag), 0,
         reducedOp +
             R"(invalid embedded reduced res image \(nbands,nbits\) = \(3,16\); should be \(3,8\))"},
        {with(image(65, 48, PNG_COLOR_TYPE_RGB), tag), 0,
         reducedOp +
             R"( embedded tag image \(w,h\) = \(65,48\) do not match primary image \(w,h\) = \(64,48\))"},
        {encodePng(untrailed), 0,
         R"(PNG ConstructDataChunkChain failed \(tag\): PNGInterface::MakeTagDataChunks,\d+: no "rrIm" chunk with data after the image data)"},
        {with(reduced.substr(0, reduced.size() / 2), ""), 0,
         R"(ZynPNGReducedResImageSourceOp::genRect failed \(tag\): PNGInterface::ReadRows,\d+: error reading image data; PNGInterface::PNGReadFromMemory,\d+: read failed; requested \d+, but no more data available)"},
        {with(reduced.substr(0, 20), "", 1), 0,
         R"(PNG ReadHeader failed \(reduced res image\): PNGInterface::ReadHeader,[\s\S]*)"},
        {crc, 0,
         R"(ZynPNGReducedResImageSourceOp::genRect, ReadTrailer failed \(tag\): PNGInterface::ReadTrailer,\d+: rrIm: CRC error)"},
    };
    const std::vector<uint16_t> primary = decodedSamples(sound.primary).samples;
    for (const Case& c : cases) {
        SCOPED_TRACE(&c - cases);
        const std::string path = testDir() + "/w.png";
        writeFile(path, c.bytes);
        ZynTransformPtr png = openByName("PNGSource", path);
        const ZynResolution r = c.output ? ZynResolution{kWidth, kHeight} : ZynResolution{64, 48};
        const ZynError e = errorOf([&] {
            renderOutput(*png, c.output, r, {0, 0, r.width, r.height});
        });
        EXPECT_EQ(e.code(), 203);
        EXPECT_TRUE(std::regex_match(e.message(), std::regex(c.message))) << e.message();
        EXPECT_TRUE(outputMatches(*png, 0, {kWidth, kHeight}, {0, 0, kWidth, 8}, primary));
    }
}

TEST(PngEmbeddedImages, LeadingChunksOfOtherLengthsDoNotCount) {
    const std::string dir = testDir();
    EmbeddedFile f;
    PngImage file = f.primary;
    file.leading = {{"rrIm", "1234567"}, {"ckTg", "x"}};
    writePng(dir + "/other.png", file);
    ZynTransformPtr png = openByName("PNGSource", dir + "/other.png");
    ASSERT_TRUE(ZynGraph::statusOK(*png));
    EXPECT_EQ(png->imageOutput(0)->coordSpace()->resolutions().size(), 1u);
    // Without a tag image the tag output is still there, and empty; a copy has it too.
    EXPECT_TRUE(isZynError(errorOf([&] {
                               renderOutput(*png, 1, {kWidth, kHeight}, {0, 0, 1, 1});
                           }),
                           1, "There is no chroma key tag image available"));
    ASSERT_EQ(png->numOutputs(), 2);
    EXPECT_EQ(png->output(1).name(), "OutTag");
    EXPECT_EQ(png->clone()->numOutputs(), 2);
}
