#include <gtest/gtest.h>

#include <sstream>

#include "NetpbmImage.h"
#include "PpmFixture.h"
#include "RawFixture.h"
#include "SampleFileTestSupport.h"

// What a source saves is a description anyimage reads the file by.
TEST(RawSource, SavedDescriptionsOpenTheFileInAnyimage) {
    const uint32_t w = 19, h = 11;
    const auto rgb = pattern16(w * h * 3);
    const std::string dir = testDir();
    writeFile(dir + "/scan.raw", "HEAD" + sampleBytes(inOrganization(w, h, 2, rgb), true));
    auto raw = rawSource(dir + "/scan.raw");
    raw->setLabel("scan");
    raw->setFile(2, w, h, 3, std::make_shared<ZynRGBColorSpace>(0.0, 60000.0), ZynDataType::UInt16,
                 4, sparcHWD);
    std::ostringstream saved;
    raw->saveDescription(saved);
    const std::string text = saved.str();
    for (const char* line :
         {"label = \"scan\"\n", "\tkeep_open = false ;\n", "\traw_img_width = 19 ;\n",
          "\traw_img_height = 11 ;\n", "\traw_img_channels = 3 ;\n", "\traw_img_datatype = 5 ;\n",
          "\traw_img_colorspace = RGB[3:0,60000] ;\n", "\traw_img_offset = 4 ;\n",
          "\traw_img_organization = 1 ;\n", "\traw_img_hardware_desc = sparcHWD ;\n"})
        EXPECT_NE(text.find(line), std::string::npos) << line << " in\n" << text;
    EXPECT_EQ(text.substr(text.size() - 2), "}\n");
    writeFile(dir + "/scan.desc", "{\n" + text);

    const auto run = [&](std::vector<std::string> args, const std::string& description) {
        args.insert(args.begin() + 1, {"--source", "RawImageSource", "--describe",
                                       dir + description, dir + "/scan.raw"});
        return runProgram(ANYIMAGE_EXE, args);
    };
    const CommandResult info = run({"info"}, "/scan.desc");
    EXPECT_EQ(info.status, 0) << info.err;
    EXPECT_NE(info.out.find("Color space: RGB, range 0 to 60000"), std::string::npos) << info.out;
    const CommandResult render = run({"render", "--samples", "-o", dir + "/o.ppm"}, "/scan.desc");
    EXPECT_EQ(render.status, 0) << render.err;
    EXPECT_EQ(readNetpbm(dir + "/o.ppm").samples, rgb);
    const CommandResult missing = run({"info"}, "/none.desc");
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err.find("Cannot read the description"), std::string::npos) << missing.err;
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
    EXPECT_TRUE(isZynError(setupError(*described), 130,
                           "No file attributes defined for ZynRawImageSource"));

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
