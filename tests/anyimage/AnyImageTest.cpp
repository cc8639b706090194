#include <gtest/gtest.h>
#include <png.h>

#include <cstdio>
#include <sstream>

#include "../ops/OperationOnImage.h"
#include "AnyImageTestSupport.h"
#include "NetpbmImage.h"
#include "PpmFixture.h"

namespace {

std::vector<uint16_t> crop(const std::vector<uint8_t>& rgb, uint32_t width, int x, int y, int w,
                           int h) {
    std::vector<uint16_t> out;
    for (int row = y; row < y + h; ++row)
        for (int col = x; col < x + w; ++col)
            for (int b = 0; b < 3; ++b) out.push_back(rgb[(row * width + col) * 3 + b]);
    return out;
}

struct Fixture {
    std::string dir = testDir();
    std::string ppm = dir + "/image.ppm";
    std::vector<uint8_t> rgb = fixturePattern(150, 140, 3);
    Fixture() { writePpm(ppm, 150, 140, rgb); }
};

}  // namespace

TEST(AnyImage, InfoDescribesAPpmInTextAndAsOneObjectAScriptCanRead) {
    Fixture f;
    const CommandResult text = anyimage({"info", f.ppm});
    ASSERT_EQ(text.status, 0) << text.err;
    for (const char* line :
         {"Source:      PpmSource behind \"ZynAnyImageSource.ImageSource\"\n",
          "Size:        150 x 140 pixels", "Color space: RGB, range 0 to 255",
          "Data type:   uint8\n", "Bands:       3\n",
          "Resolutions: 1\n  0: 150 x 140, native tile 150 x 64 pixel-interleaved"})
        EXPECT_NE(text.out.find(line), std::string::npos) << line << "\n" << text.out;

    writeFile(f.dir + "/junk.txt", "hello");
    const CommandResult ok = anyimage({"info", "--json", f.ppm});
    ASSERT_EQ(ok.status, 0) << ok.err;
    EXPECT_EQ(ok.out,
              "{\"file\": \"" + f.ppm +
                  "\", \"control\": \"the library's class object\", \"source\": \"PpmSource "
                  "behind \\\"ZynAnyImageSource.ImageSource\\\"\", \"status\": {\"ok\": true, "
                  "\"code\": 0, \"message\": \"OK\"}, \"size\": {\"width\": 150, \"height\": "
                  "140}, \"extent\": {\"width\": 1.0714285714285714, \"height\": 1, \"unit\": "
                  "\"arbitrary\"}, \"colorSpace\": {\"name\": \"RGB\", \"control\": \"TEV_RGB\", "
                  "\"minimum\": 0, \"maximum\": 255}, \"dataType\": \"uint8\", \"bands\": 3, "
                  "\"resolutions\": [{\"width\": 150, \"height\": 140, \"tile\": {\"width\": "
                  "150, \"height\": 64}, \"interleave\": \"pixel-interleaved\"}]}\n");
    const CommandResult bad = anyimage({"info", "--json", f.dir + "/junk.txt"});
    EXPECT_EQ(bad.status, 1);
    EXPECT_NE(bad.out.find("\"status\": {\"ok\": false, \"code\": 153, \"message\": "
                           "\"Failed to open the given file: " +
                           f.dir + "/junk.txt\"}}\n"),
              std::string::npos)
        << bad.out;
}

TEST(AnyImage, HelpGoesToStandardOutputAndMistakesToStandardError) {
    Fixture f;
    struct Case {
        std::vector<std::string> args;
        int status;
        bool usageOnOut;
    };
    const Case cases[] = {
        {{"--help"}, 0, true},
        {{"stats", f.ppm, "-h"}, 0, true},
        {{}, 2, false},
        {{"render", f.ppm}, 2, false},
        {{"info", f.ppm, "--bogus"}, 2, false},
        {{"bogus", f.ppm}, 2, false},
    };
    for (const Case& c : cases) {
        const CommandResult r = anyimage(c.args);
        EXPECT_EQ(r.status, c.status) << r.err;
        const std::string& usage = c.usageOnOut ? r.out : r.err;
        EXPECT_NE(usage.find("usage: anyimage info"), std::string::npos) << r.out << r.err;
        EXPECT_EQ((c.usageOnOut ? r.err : r.out), "");
    }
}

TEST(AnyImage, RenderedRectanglesAreTheFixturePixelsInEveryLayout) {
    Fixture f;
    const std::vector<std::vector<std::string>> layouts = {
        {},
        {"--interleave", "band"},
        {"--interleave", "line", "--reverse-bands"},
        {"--reverse-bands"},
        {"--no-keep-open"}};
    for (const auto& layout : layouts) {
        std::vector<std::string> args = {"render",         f.ppm,    "-o",
                                         f.dir + "/r.ppm", "--rect", "17,50,120,80"};
        args.insert(args.end(), layout.begin(), layout.end());
        const CommandResult r = anyimage(args);
        ASSERT_EQ(r.status, 0) << r.err;
        const NetpbmImage picture = readNetpbm(f.dir + "/r.ppm");
        EXPECT_EQ(picture.samples, crop(f.rgb, 150, 17, 50, 120, 80)) << args.size();
        EXPECT_EQ((std::vector<uint32_t>{picture.width, picture.height, picture.maxval}),
                  (std::vector<uint32_t>{120, 80, 255}));
        EXPECT_EQ(picture.magic, "P6");
    }
}

TEST(AnyImage, RendersPngsThatLibpngReadsBack) {
    Fixture f;
    ASSERT_EQ(anyimage({"render", f.ppm, "-o", f.dir + "/w.png"}).status, 0);
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    ASSERT_TRUE(png_image_begin_read_from_file(&image, (f.dir + "/w.png").c_str()));
    image.format = PNG_FORMAT_RGB;
    std::vector<uint8_t> pixels(PNG_IMAGE_SIZE(image));
    ASSERT_TRUE(png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr));
    EXPECT_EQ(image.width, 150u);
    EXPECT_EQ(pixels, f.rgb);
}

TEST(AnyImage, ErrorsCarryTheSystemsMessagesAndCodes) {
    Fixture f;
    writeFile(f.dir + "/blank.ppm", "P6 \n1 1\n255\nabc");
    std::string truncated = readFileBytes(f.ppm);
    writeFile(f.dir + "/cut.ppm", truncated.substr(0, truncated.size() / 2));
    struct Case {
        std::vector<std::string> args;
        std::string err;
    };
    const Case cases[] = {
        {{"info", f.dir + "/blank.ppm", "--source", "PpmSource"},
         "Expected \"P6\" as first line of image.  (code 130)\n"},
        {{"info", f.dir + "/x.ppm", "--source", "PpmSource"},
         "Cannot open \"" + f.dir + "/x.ppm\": No such file or directory (code 130)\n"},
        {{"stats", f.dir + "/cut.ppm"},
         "Unexpected end of file in \"" + f.dir + "/cut.ppm\" at byte " +
             std::to_string(truncated.size() / 2) + " (code 130)\n"},
        {{"render", f.ppm, "-o", f.dir + "/o.ppm", "--rect", "140,0,20,10"},
         "requested (140,0) w=20, h=10 pixels from PPM image which is 150x140 pixels (code "
         "411)\n"},
        {{"render", f.ppm, "-o", f.dir + "/o.ppm", "--level", "1"},
         "Resolution level 1 does not exist; the image has 1 (code 3)\n"},
        {{"stats", f.ppm, "--op", "Blur:radius=2"},
         "No transform is registered as \"Blur\" (code 153)\n"},
        {{"stats", f.ppm, "--op", "Affine:affines=[1,0,0]"},
         "Illegal value for ZynAffineOp::Affines (code 13)\n"},
        {{"stats", f.ppm, "--op", "Contrast:contrast"},
         "anyimage: --op Contrast wants attr=value, not \"contrast\"\n"},
        // A setup error of the last operation.
        {{"stats", f.ppm, "--op", "Nop", "--op", "Affine:fillColor=[1,2]"},
         "Fill color has the wrong number of bands: 2 vs. 3 (code 600)\n"},
    };
    for (const Case& c : cases) {
        const CommandResult r = anyimage(c.args);
        EXPECT_EQ(r.status, 1) << c.args[1];
        EXPECT_EQ(r.err, c.err);
    }
}

TEST(AnyImage, OperationsRenderThroughAPipelineInTheirTextForms) {
    Fixture f;
    const auto render = [&](const std::vector<std::string>& ops) {
        std::vector<std::string> args{"render", f.ppm, "-o", f.dir + "/op.ppm"};
        for (const std::string& op : ops) args.insert(args.end(), {"--op", op});
        EXPECT_EQ(anyimage(args).status, 0);
        return readNetpbm(f.dir + "/op.ppm").samples;
    };
    // Blue, green, red, mirrored left to right.
    std::vector<uint16_t> mirrored;
    for (int y = 0; y < 140; ++y)
        for (int x = 149; x >= 0; --x)
            for (int b = 2; b >= 0; --b) mirrored.push_back(f.rgb[(y * 150 + x) * 3 + b]);
    EXPECT_EQ(render({"ChannelSelect:allBands=false;inputs=[0,0,0];bands=[2,1,0];AlwaysCopy=false",
                      "Affine:affines=[-1,0,150,0,1,0];unit=1;width=150;height=140;"
                      "resamplingType=BILINEAR"}),
              mirrored);

    // Matrix rows are separated by ";" inside brackets (an identity twist here).
    const std::vector<uint16_t> contrast =
        render({"Contrast:contrast=2",
                "ColorMatrix:colorMatrix=ZynMatrix<float64>[4,4:1,0,0,0;0,1,0,0;0,0,1,0;0,0,0,1]"});
    ASSERT_EQ(contrast.size(), f.rgb.size());
    for (size_t i = 0; i < contrast.size(); ++i)
        ASSERT_LE(std::abs(contrast[i] - std::lround(contrastCurve(f.rgb[i], 2.0))), 1) << i;

    // Stats of a rectangle of the pipeline's output.
    const std::vector<uint16_t> part = crop(f.rgb, 150, 3, 4, 100, 90);
    EXPECT_EQ(anyimage({"stats", f.ppm, "--rect", "3,4,100,90", "--op",
                        "Nop:colorSpace=Generic[3:0,255]"})
                  .out,
              statsText({part.begin(), part.end()}, 3));
}

TEST(AnyImage, FormatsListsRegistrationsAndRecognisers) {
    const CommandResult r = anyimage({"formats"});
    ASSERT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("\"Any Image Source\"  ZynAnyImageSource"), std::string::npos);
    EXPECT_NE(r.out.find(". PpmSource\n"), std::string::npos);
}
