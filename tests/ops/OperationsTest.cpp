#include <gtest/gtest.h>

#include "OperationOnImage.h"
#include "ZynTransformRegistryEntry.h"

namespace {

template <class T>
std::shared_ptr<MemorySource<T>> rgbSource(uint32_t width, uint32_t height, int bands = 3) {
    return std::make_shared<MemorySource<T>>(noisyImage<T>(width, height, bands),
                                             std::make_shared<ZynRGBColorSpace>());
}

}  // namespace

// Wider than a native tile, so the engine splits whole requests; pieces of odd sizes in other
// organisations must give the same samples.
TEST(Operations, PixelsDoNotDependOnHowTheOutputIsRequested) {
    const std::pair<std::string, Attributes> cases[] = {
        {"Affine", {{"affines", "[0.99,-0.12,8,0.12,0.99,-15]"}, {"resamplingType", "BICUBIC"}}},
        {"Contrast", {{"contrast", "2"}}},
        {"ColorMatrix",
         {{"colorMatrix", "ZynMatrix<float64>[4,4:1,0,0,0.1;0,0.5,0,0;0,0,0.5,0;0,0,0,1]"}}},
        {"ChannelSelect", {{"allBands", "false"}, {"inputs", "[0,0,0]"}, {"bands", "[2,1,0]"}}},
        {"Fpx View", {{"FpxContrast", "0.8"}}},
    };
    for (const auto& [name, attributes] : cases) {
        SCOPED_TRACE(name);
        auto source = rgbSource<uint8_t>(300, 70);
        ZynTransformPtr op = operation(name, attributes, source);
        ASSERT_TRUE(ZynGraph::statusOK(*op)) << op->error().message();
        const ZynResolution full = op->imageOutput(0)->coordSpace()->resolutions().at(0);
        const TestImage<uint8_t> whole = renderAll<uint8_t>(*op, full, 3);
        const ZynDataOrgPtr orgs[] = {
            std::make_shared<ZynSimpleDataOrg>(37, 13, ZynDataType::UInt8, 3, ZynInterleave::Band),
            std::make_shared<ZynSimpleDataOrg>(37, 13, ZynDataType::UInt8, ZynInterleave::Pixel,
                                               std::vector<int64_t>{2, 1, 0}, 3, 111)};
        for (const ZynDataOrgPtr& org : orgs)
            for (int64_t y = 0; y + 13 <= full.height; y += 13)
                for (int64_t x = 0; x + 37 <= full.width; x += 37) {
                    ZynRectBuffer piece({x, y, 37, 13}, org);
                    ZynGraph::render(*op, 0, full, piece);
                    ASSERT_TRUE(samplesMatch(piece, whole.samples, full.width)) << x << "," << y;
                }
    }
}

// Setups that cannot succeed say which transform refused what; the operation is labelled "op".
TEST(Operations, SetupErrorsNameTheTransformAndWhatItRefused) {
    struct Case {
        std::string name;
        Attributes attributes;
        std::string colorSpace;  // of the 20 x 10 input
        int code;
        std::string message;
    };
    const std::string rgb = "RGB[3:0,255]", lum = "Lum[1:0,255]";
    const Case cases[] = {
        {"Nop", Attributes{{"colorSpace", lum}}, rgb, 153,
         "Nop operation labelled op has an input with 3 bands, but its color space has 1 bands"},
        {"Nop", Attributes{{"width", "0 inch"}}, rgb, 153,
         "Invalid unit conversion in ZynNopOperation: pixel to inch"},
        // It never resamples: another pixel count is refused, in a side or a whole space.
        {"Nop", Attributes{{"width", "10 pixel"}}, rgb, 153, "There are no available resolutions"},
        {"Nop", Attributes{{"coordSpace", "[20 pixel,11 pixel:20x11]"}}, rgb, 153,
         "There are no available resolutions"},
        {"ColorMatrix", Attributes{}, lum, 600,
         "The transformop(ZynColorMatrixOperation)cannot handle colorspaceLum"},
        {"ColorMatrix", Attributes{{"colorMatrix", "ZynMatrix<float64>[3,3:1,0,0;0,1,0;0,0,1]"}},
         rgb, 600, "Matricies in a multiply have incompatibale dimensions:(4 x 4) versus (3 x 3)"},
        {"Contrast", Attributes{}, lum, 600,
         "The color space must be RGB (or VDXRGB) for transform op(ZynContrastOperation)"},
        {"Affine", Attributes{{"fillColor", "[1,2]"}}, rgb, 600,
         "Fill color has the wrong number of bands: 2 vs. 3"},
        {"Fpx View", Attributes{{"FpxContrast", "2"}}, "Generic[3:0,255]", 600,
         "The color space must be RGB (or VDXRGB) for transform "
         "FPX:Contrast(ZynContrastOperation)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name + " " + c.message);
        const ZynColorSpacePtr space = ZynColorSpace::fromText(c.colorSpace);
        auto source = std::make_shared<MemorySource<uint8_t>>(
            noisyImage<uint8_t>(20, 10, space->bands()), space);
        ZynTransformPtr op = operation(c.name, c.attributes, source);
        op->setLabel("op");
        EXPECT_TRUE(isZynError(setupError(*op), c.code, c.message));
    }
}

// Each operation's op serves the sample types it was made for and says so for others.
TEST(Operations, SampleTypesTheOpsDoNotServeAreRefused) {
    struct Case {
        std::string name;
        ZynTransformPtr op;
        int code;
        std::string message;
    };
    const std::string mismatch = "Input data type does not match expected type";
    const Case cases[] = {
        {"Affine for bytes over int16", operation("AffineByte", {}, rgbSource<int16_t>(6, 6)), 603,
         "Input image data type does not match template data type in ZynAffineOpT::outputInfo()"},
        {"ColorMatrix for bytes over int16",
         operation("ColorMatrixByte", {}, rgbSource<int16_t>(4, 4)), 603, mismatch},
        {"Contrast for bytes over int16", operation("ContrastByte", {}, rgbSource<int16_t>(5, 5)),
         603, mismatch},
        // One band described as RGB.
        {"ColorMatrix over one band", operation("ColorMatrix", {}, rgbSource<uint8_t>(4, 4, 1)),
         600, "Number of bands in input image does not equal Three (3)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ZynTransformPtr op = c.op;
        ASSERT_TRUE(ZynGraph::statusOK(*op)) << op->error().message();
        ZynOutputInfo info;
        const ZynResolution full = op->imageOutput(0)->coordSpace()->resolutions().at(0);
        EXPECT_FALSE(op->imageOutput(0)->opFor(full)->outputInfoBase(info));
        EXPECT_TRUE(isZynError(info.error, c.code, c.message));
    }
    // No op at all is made for unsigned 16-bit samples.
    for (const char* name : {"Affine", "Contrast"}) {
        ZynTransformPtr op = operation(name, {}, rgbSource<uint16_t>(6, 6));
        op->setLabel("resample");
        ASSERT_TRUE(ZynGraph::statusOK(*op)) << name;
        const ZynError e = errorOf([&] { op->imageOutput(0)->opFor({6, 6}); });
        EXPECT_EQ(e.code(), 135) << name;
        EXPECT_NE(e.message().find("resample(Zyn" + std::string(name) + "Operation)"),
                  std::string::npos)
            << e.message();
        EXPECT_NE(e.message().find("uint16"), std::string::npos) << e.message();
    }
}
