#include <gtest/gtest.h>

#include <thread>

#include "PpmFixture.h"
#include "QorString.h"
#include "TestSupport.h"
#include "ZynAnyImageSource.h"
#include "ZynGraph.h"
#include "ZynImageOutputCP.h"
#include "ZynPpmImageSource.h"
#include "ZynRecognizer.h"
#include "ZynTransformRegistryEntry.h"

namespace {

void expectPixels(const ZynRectBuffer& buffer, const std::vector<uint8_t>& rgb, uint32_t width) {
    const ZynRect& r = buffer.rect();
    for (int64_t y = r.y; y < r.bottom(); ++y)
        for (int64_t x = r.x; x < r.right(); ++x)
            for (int b = 0; b < 3; ++b)
                ASSERT_EQ(*buffer.sample<uint8_t>(x, y, b), rgb[(y * width + x) * 3 + b])
                    << x << "," << y << "," << b;
}

}  // namespace

TEST(PpmSource, OpensByRecognitionAndRendersTheFixturePixels) {
    const std::string path = testDir() + "/a.ppm";
    const auto rgb = fixturePattern(70, 150, 3);
    writePpm(path, 70, 150, rgb);
    auto any = openByContent(path);
    ASSERT_TRUE(any->status()) << any->error().message();
    ASSERT_EQ(any->transforms().size(), 1u);
    EXPECT_EQ(any->transforms()[0]->label(), "ZynAnyImageSource.ImageSource");
    EXPECT_EQ(any->transforms()[0]->typeName(), "ZynPpmImageSource");

    ZynImageOutputCP* out = any->imageOutput(0);
    ASSERT_TRUE(out);
    EXPECT_EQ(out->coordSpace()->resolutions(), (std::vector<ZynResolution>{{70, 150}}));
    EXPECT_EQ(out->colorSpace()->kind(), ZynColorKind::RGB);
    EXPECT_EQ(out->dataOrg()->width(), 70u);
    EXPECT_EQ(out->dataOrg()->height(), 64u);

    expectPixels(renderRect(*any, {70, 150}, {0, 0, 70, 150}), rgb, 70);
    expectPixels(renderRect(*any, {70, 150}, {13, 60, 40, 80}), rgb, 70);
}

TEST(PpmSource, HeaderWithCommentsAndSplitNumbers) {
    const std::string path = testDir() + "/c.ppm";
    std::string bytes = "P6\n# a comment\n3 2\n255\n";
    for (int i = 0; i < 18; ++i) bytes += static_cast<char>(i * 10);
    writeFile(path, bytes);
    auto any = openByContent(path);
    ASSERT_TRUE(any->status()) << any->error().message();
    const ZynRectBuffer b = renderRect(*any, {3, 2}, {0, 0, 3, 2});
    EXPECT_EQ(*b.sample<uint8_t>(2, 1, 2), 170);
}

TEST(PpmSource, SmallMaxvalScalesSamples) {
    const std::string path = testDir() + "/m.ppm";
    writePpm(path, 2, 1, {15, 7, 0, 1, 2, 3}, 15);
    auto any = openByContent(path);
    ASSERT_TRUE(any->status()) << any->error().message();
    const ZynRectBuffer b = renderRect(*any, {2, 1}, {0, 0, 2, 1});
    EXPECT_EQ(*b.sample<uint8_t>(0, 0, 0), 255);
    EXPECT_EQ(*b.sample<uint8_t>(0, 0, 1), 119);
    EXPECT_EQ(*b.sample<uint8_t>(1, 0, 2), 51);
}

TEST(PpmSource, RecogniserRejectsOtherFirstLines) {
    const std::string dir = testDir();
    writeFile(dir + "/crlf.ppm", "P6\r\n1 1\n255\nabc");
    writeFile(dir + "/blank.ppm", "P6 \n1 1\n255\nabc");
    for (const char* name : {"/crlf.ppm", "/blank.ppm"}) {
        auto any = openByContent(dir + name);
        EXPECT_EQ(any->error().code(), 153);
        EXPECT_EQ(any->error().message(), "Failed to open the given file: " + dir + name);
    }
    // Given to the PPM source by name, the header reader says what is wrong.
    auto ppm = ZynTransformRegistry::create("PpmSource");
    ppm->setAttribute<std::wstring>("wfile_name", qorWiden(dir + "/blank.ppm"));
    EXPECT_TRUE(isZynError(setupError(*ppm), 130, "Expected \"P6\" as first line of image. "));
}

TEST(PpmSource, TruncatedPixelsFailTheRequestWithCode130) {
    const std::string path = testDir() + "/t.ppm";
    auto rgb = fixturePattern(10, 10, 3);
    rgb.resize(100);
    writePpm(path, 10, 10, rgb);
    auto any = openByContent(path);
    ASSERT_TRUE(any->status());
    const ZynError e = errorOf([&] { renderRect(*any, {10, 10}, {0, 0, 10, 10}); });
    EXPECT_EQ(e.code(), 130);
    EXPECT_NE(e.message().find("end of file"), std::string::npos) << e.message();
}

TEST(PpmSource, RectangleOutsideTheImage) {
    const std::string path = testDir() + "/o.ppm";
    writePpm(path, 4, 3, fixturePattern(4, 3, 3));
    auto any = openByContent(path);
    expectZynError(
        [&] {
            renderRect(*any, {4, 3}, {0, 0, 4, 4});
        },
        411, "requested (0,0) w=4, h=4 pixels from PPM image which is 4x3 pixels");
}

TEST(PpmSource, BadHeadersAreRecordedErrors) {
    const std::string dir = testDir();
    struct Case {
        std::string bytes;
        std::string message;
    };
    const Case cases[] = {
        {"P6\n", "Unexpected end of file in \"" + dir + "/h0.ppm\" at byte 3"},
        {"P6\n2 2\n", "Unexpected end of file in \"" + dir + "/h1.ppm\" at byte 7"},
        {"P6\n0 0 255\n", "Invalid PPM image size 0x0"},
        {"P6\n2 2 65535\n" + std::string(24, 'x'),
         "Only PPM images with one-byte samples (maxval up to 255) are supported; this one has "
         "maxval 65535"},
        {"P6\n" + std::string(1100, '#') + "\n", "Error or unexpected EOF while reading \""},
    };
    int n = 0;
    for (const Case& c : cases) {
        const std::string path = dir + "/h" + std::to_string(n++) + ".ppm";
        writeFile(path, c.bytes);
        auto any = openByContent(path);
        EXPECT_EQ(any->error().code(), 130) << c.bytes;
        EXPECT_EQ(any->error().message(), c.message);
    }
}

TEST(AnyImageSource, MessagesAndLifecycle) {
    auto any = std::make_shared<ZynAnyImageSource>();
    EXPECT_TRUE(any->getAttribute<bool>("keep_open"));
    EXPECT_EQ(setupError(*any).message(), "No file name given");
    EXPECT_EQ(any->error().code(), 153);

    const std::string dir = testDir();
    writeFile(dir + "/junk.bin", "not an image");
    any->setFileName(qorWiden(dir + "/junk.bin"));
    EXPECT_EQ(setupError(*any).message(), "Failed to open the given file: " + dir + "/junk.bin");
    EXPECT_EQ(any->imageOutput(0), nullptr);

    writePpm(dir + "/a.ppm", 3, 3, fixturePattern(3, 3, 3));
    any->setFileName(qorWiden(dir + "/a.ppm"));
    EXPECT_TRUE(ZynGraph::statusOK(*any));
    std::weak_ptr<ZynTransform> first = any->transforms().front();
    any->setFileName(qorWiden(dir + "/missing.ppm"));
    EXPECT_FALSE(ZynGraph::statusOK(*any));
    EXPECT_TRUE(any->transforms().empty());
    EXPECT_TRUE(first.expired());
}

TEST(AnyImageSource, RegistryNamesAreExact) {
    auto any = ZynTransformRegistry::create("Any Image Source");
    EXPECT_TRUE(any->getAttribute<bool>("keep_open"));
    EXPECT_EQ(setupError(*any).message(), "No file name given");
    const auto* entry = ZynTransformRegistry::find("Any Image Source");
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->secondProperty(), 8);
    EXPECT_EQ(ZynTransformRegistry::find("AnyImageSource"), nullptr);
}

// A file goes to the first recogniser that takes it: signatures that another format's data could
// hold are asked last.
TEST(AnyImageSource, RecognisersAreOfferedFilesInTheirOrder) {
    std::vector<std::string> order;
    for (const auto& r : ZynRecognizerRegistration::recognizers()) order.push_back(r.format);
    EXPECT_EQ(order,
              (std::vector<std::string>{"RVQSource", "J2KSource", "TiffSource", "PpmSource",
                                        "PNGSource", "OrbidiscSource", "JpegSource", "IMPSSource",
                                        "FPXSource", "ExifSource", "BMPSource"}));
}

TEST(PpmSource, FourThreadsRenderTheSamePixelsAsOne) {
    const std::string path = testDir() + "/threads.ppm";
    const auto rgb = fixturePattern(300, 257, 3);
    writePpm(path, 300, 257, rgb);
    for (bool keepOpen : {true, false}) {
        auto any = openByContent(path, keepOpen);
        ASSERT_TRUE(any->status());
        std::vector<std::thread> threads;
        std::vector<int> failures(4, 0);
        for (int t = 0; t < 4; ++t)
            threads.emplace_back([&, t] {
                for (int i = 0; i < 40; ++i) {
                    const ZynRect rect{(t * 37 + i * 11) % 250, (t * 53 + i * 7) % 200, 50, 57};
                    ZynRectBuffer buffer(rect,
                                         std::make_shared<ZynSimpleDataOrg>(
                                             50, 57, ZynDataType::UInt8, 3,
                                             i % 2 ? ZynInterleave::Band : ZynInterleave::Pixel));
                    ZynGraph::render(*any, 0, {300, 257}, buffer);
                    for (int64_t y = rect.y; y < rect.bottom(); ++y)
                        for (int64_t x = rect.x; x < rect.right(); ++x)
                            for (int b = 0; b < 3; ++b)
                                if (*buffer.sample<uint8_t>(x, y, b) != rgb[(y * 300 + x) * 3 + b])
                                    ++failures[t];
                }
            });
        for (auto& th : threads) th.join();
        EXPECT_EQ(failures, std::vector<int>(4, 0)) << "keep_open " << keepOpen;
    }
}
