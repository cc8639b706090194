#include <gtest/gtest.h>

#include <cmath>

#include "NetpbmImage.h"
#include "OperationOnImage.h"
#include "PpmFixture.h"
#include "TestSupport.h"

namespace {

constexpr uint32_t kWidth = 70, kHeight = 50;

struct Fixture {
    std::string dir = testDir();
    std::string input = dir + "/in.ppm";
    std::vector<uint8_t> rgb = fixturePattern(kWidth, kHeight, 3);
    Fixture() { writePpm(input, kWidth, kHeight, rgb); }

    CommandResult run(std::vector<std::string> args) {
        args.insert(args.begin() + 1, input);
        return runProgram(ANYIMAGE_EXE, args);
    }
};

}  // namespace

TEST(AnyImageOperations, RenderThroughAPipeline) {
    Fixture f;
    const std::string out = f.dir + "/out.ppm";
    // Blue, green, red, mirrored left to right.
    const CommandResult r =
        f.run({"render", "-o", out, "--op",
               "ChannelSelect:allBands=false;inputs=[0,0,0];bands=[2,1,0];AlwaysCopy=false", "--op",
               "Affine:affines=[-1,0,70,0,1,0];unit=1;width=70;height=50;resamplingType=BILINEAR"});
    ASSERT_EQ(r.status, 0) << r.err;
    const NetpbmImage p = readNetpbm(out);
    ASSERT_EQ(p.magic, "P6");
    ASSERT_EQ(p.width, kWidth);
    ASSERT_EQ(p.height, kHeight);
    for (uint32_t y = 0; y < kHeight; ++y)
        for (uint32_t x = 0; x < kWidth; ++x)
            for (int b = 0; b < 3; ++b)
                ASSERT_EQ(p.samples[(y * kWidth + x) * 3 + b],
                          f.rgb[(y * kWidth + (kWidth - 1 - x)) * 3 + (2 - b)])
                    << x << "," << y << "," << b;
}

TEST(AnyImageOperations, AttributesInTheirTextForms) {
    Fixture f;
    const std::string out = f.dir + "/out.ppm";
    // Matrix rows are separated by ";" inside brackets (an identity twist here).
    CommandResult r =
        f.run({"render", "-o", out, "--op", "Contrast:contrast=2", "--op",
               "ColorMatrix:colorMatrix=ZynMatrix<float64>[4,4:1,0,0,0;0,1,0,0;0,0,1,0;0,0,0,1]"});
    ASSERT_EQ(r.status, 0) << r.err;
    const NetpbmImage p = readNetpbm(out);
    for (size_t i = 0; i < p.samples.size(); ++i)
        ASSERT_LE(std::abs(p.samples[i] - std::lround(contrastCurve(f.rgb[i], 2.0))), 1) << i;

    r = f.run({"stats", "--op", "Nop:colorSpace=Generic[3:0,255]"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("band 2: min"), std::string::npos);
}

// The last row is a setup error of the last operation.
TEST(AnyImageOperations, BadPipelinesFailWithTheComponentsMessage) {
    Fixture f;
    const std::pair<const char*, const char*> cases[] = {
        {"Blur:radius=2", "(code 153)"},
        {"Affine:affines=[1,0,0]", "Illegal value for ZynAffineOp::Affines (code 13)"},
        {"Contrast:contrast", "wants attr=value"},
        {"Affine:fillColor=[1,2]", "Fill color has the wrong number of bands: 2 vs. 3 (code 600)"},
    };
    for (const auto& [op, message] : cases) {
        const CommandResult r = f.run({"stats", "--op", op});
        EXPECT_EQ(r.status, 1) << op;
        EXPECT_NE(r.err.find(message), std::string::npos) << r.err;
    }
}
