#include <gtest/gtest.h>

#include <sstream>

#include "PpmFixture.h"
#include "RawFixture.h"
#include "SampleFileTestSupport.h"
#include "ZynRawImageSource.h"

namespace {

std::shared_ptr<ZynRawImageSource> rawSource(const std::string& path, bool keepOpen = false) {
    auto raw = std::make_shared<ZynRawImageSource>();
    setName(*raw, path);
    raw->setAttribute<bool>("keep_open", keepOpen);
    return raw;
}

// Rows of `w` samples of band 0, then band 1, then band 2: setFile's organisation 2.
std::string lineInterleaved(uint32_t w, const std::vector<uint8_t>& rgb) {
    std::string out(rgb.size(), '\0');
    for (size_t i = 0; i < rgb.size(); ++i)
        out[(i / 3 / w * 3 + i % 3) * w + i / 3 % w] = static_cast<char>(rgb[i]);
    return out;
}

}  // namespace

TEST(RawSource, DescriptionRoundTrip) {
    const uint32_t w = 19, h = 11;
    const auto rgb = fixturePattern(w, h, 3);
    const std::string path = testDir() + "/d.raw";
    writeFile(path, "HEAD" + lineInterleaved(w, rgb));
    auto raw = rawSource(path);
    raw->setLabel("scan");
    raw->setFile(2, w, h, 3, std::make_shared<ZynRGBColorSpace>(0.0, 200.0), ZynDataType::UInt8, 4,
                 sparcHWD);
    std::ostringstream saved;
    raw->saveDescription(saved);
    const std::string text = saved.str();
    for (const char* line :
         {"label = \"scan\"\n", "\tkeep_open = false ;\n", "\traw_img_width = 19 ;\n",
          "\traw_img_height = 11 ;\n", "\traw_img_channels = 3 ;\n", "\traw_img_datatype = 0 ;\n",
          "\traw_img_colorspace = RGB[3:0,200] ;\n", "\traw_img_offset = 4 ;\n",
          "\traw_img_organization = 1 ;\n", "\traw_img_hardware_desc = sparcHWD ;\n"})
        EXPECT_NE(text.find(line), std::string::npos) << line << " in\n" << text;
    EXPECT_EQ(text.substr(text.size() - 2), "}\n");

    auto loaded = ZynTransformRegistry::create("RawImageSource");
    std::istringstream in("{\n" + text);
    loaded->loadDescription(in);
    EXPECT_EQ(loaded->label(), "scan");
    ASSERT_TRUE(ZynGraph::statusOK(*loaded)) << loaded->error().message();
    EXPECT_EQ(loaded->imageOutput(0)->colorSpace()->maximum(), 200.0);
    EXPECT_TRUE(samplesMatch(renderWhole(*loaded, {w, h}), rgb, w));
}

TEST(RawSource, ImpossibleLayoutsAndDescriptions) {
    const std::string dir = testDir();
    writeFile(dir + "/a.raw", std::string(64, 'a'));
    auto raw = rawSource("file:" + dir + "/a.raw");
    EXPECT_TRUE(isZynError(
        errorOf([&] { raw->setFile(3, 8, 8, 1, nullptr, ZynDataType::UInt8, 0, nativeHWD); }), 414,
        "unrecognized data org in ZynRawImageSource::setFile"));
    EXPECT_EQ(setupError(*raw).code(), 414);
    for (auto [height, channels] : {std::pair{0u, 1}, std::pair{8u, 0}, std::pair{1u, 1 << 30}})
        EXPECT_TRUE(isZynError(errorOf([&] {
                                   raw->setFile(0, 8, height, channels, nullptr, ZynDataType::UInt8,
                                                0, nativeHWD);
                               }),
                               13, "Illegal width, height, or num_channels value"));
    raw->setFile(0, 8, 8, 1, nullptr, ZynDataType::UInt8, 0, nativeHWD);
    EXPECT_TRUE(ZynGraph::statusOK(*raw)) << raw->error().message();

    // A description without an offset leaves the file undescribed.
    auto described = rawSource(dir + "/a.raw");
    std::istringstream noOffset(
        "{\n\traw_img_width = 8 ;\n\traw_img_height = 8 ;\n\traw_img_channels = 1 ;\n"
        "\traw_img_datatype = uint8 ;\n\traw_img_colorspace = Lum[1:0,255] ;\n"
        "\traw_img_organization = 0 ;\n\traw_img_hardware_desc = intelHWD ;\n}\n");
    described->loadDescription(noOffset);
    EXPECT_EQ(setupError(*described).message(), "No file attributes defined for ZynRawImageSource");
    // A line longer than the whole file is a mistaken description.
    described->setFile(0, 100, 1, 1, nullptr, ZynDataType::UInt8, 0, nativeHWD);
    EXPECT_TRUE(isZynError(
        setupError(*described), 130,
        "Lines of 100 bytes are longer than the file \"" + dir + "/a.raw\" of 64 bytes"));

    std::istringstream badValue("{\n\traw_img_width = eight ;\n}\n");
    const ZynError e = errorOf([&] { raw->loadDescription(badValue); });
    EXPECT_EQ(e.code(), 13);
    EXPECT_EQ(e.message().rfind("Exception on reading attribute raw_img_width: ", 0), 0u)
        << e.message();

    // An unknown name ends the reading: what follows it is not taken.
    auto other = rawSource(dir + "/a.raw");
    std::istringstream unknown(
        "{\n\tlabel = \"x\"\n\tno_such_name = 1 ;\n\tkeep_open = true ;\n}\n");
    other->loadDescription(unknown);
    EXPECT_EQ(other->label(), "x");
    EXPECT_FALSE(other->keepOpen());
}

TEST(RawSource, AnyimageOpensARawFileWithADescription) {
    const std::string dir = testDir();
    std::vector<uint16_t> samples(40 * 30);
    for (size_t i = 0; i < samples.size(); ++i) samples[i] = static_cast<uint16_t>(1000 + i);
    writeFile(dir + "/scan.raw", std::string(16, '\0') + sampleBytes(samples, true));
    writeFile(dir + "/scan.desc",
              "{\nlabel = \"scan\"\n\traw_img_width = 40 ;\n\traw_img_height = 30 ;\n"
              "\traw_img_channels = 1 ;\n\traw_img_datatype = uint16 ;\n"
              "\traw_img_colorspace = Lum[1:0,65535] ;\n\traw_img_offset = 16 ;\n"
              "\traw_img_organization = 0 ;\n\traw_img_hardware_desc = sparcHWD ;\n}\n");
    const auto run = [&](const char* command, const std::string& description) {
        return runProgram(ANYIMAGE_EXE, {command, "--source", "RawImageSource", "--describe",
                                         dir + description, dir + "/scan.raw"});
    };
    const CommandResult info = run("info", "/scan.desc");
    EXPECT_EQ(info.status, 0) << info.err;
    EXPECT_NE(info.out.find("Size:        40 x 30 pixels"), std::string::npos) << info.out;
    EXPECT_NE(info.out.find("Data type:   uint16"), std::string::npos) << info.out;
    const CommandResult stats = run("stats", "/scan.desc");
    EXPECT_EQ(stats.status, 0) << stats.err;
    EXPECT_EQ(stats.out, "band 0: min 1000.000000 max 2199.000000 mean 1599.500000\n");
    const CommandResult missing = run("info", "/none.desc");
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err.find("Cannot read the description"), std::string::npos) << missing.err;
}
