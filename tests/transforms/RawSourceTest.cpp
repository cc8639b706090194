#include <gtest/gtest.h>

#include <sstream>
#include <thread>

#include "PpmFixture.h"
#include "RawFixture.h"
#include "SampleFileTestSupport.h"
#include "TestSupport.h"
#include "ZynRawImageSource.h"
#include "ZynSettings.h"
#include "ZynTransformRegistryEntry.h"

namespace {

std::shared_ptr<ZynRawImageSource> rawSource(const std::string& path, bool keepOpen = false) {
    auto raw = std::make_shared<ZynRawImageSource>();
    setName(*raw, path);
    raw->setAttribute<bool>("keep_open", keepOpen);
    return raw;
}

// 8-bit samples of three bands written in the given organisation (setFile's numbering).
std::string threeBandFile(uint32_t w, uint32_t h, int organization,
                          const std::vector<uint8_t>& rgb) {
    std::string out(static_cast<size_t>(w) * h * 3, '\0');
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x)
            for (int b = 0; b < 3; ++b) {
                size_t at = 0;
                if (organization == 0) at = (size_t{y} * w + x) * 3 + b;
                if (organization == 1) at = static_cast<size_t>(b) * w * h + size_t{y} * w + x;
                if (organization == 2) at = size_t{y} * w * 3 + static_cast<size_t>(b) * w + x;
                out[at] = static_cast<char>(rgb[(size_t{y} * w + x) * 3 + b]);
            }
    return out;
}

}  // namespace

TEST(RawSource, SixteenBitSamplesOfEitherByteOrder) {
    const uint32_t w = 37, h = 29;
    const auto samples = pattern16(size_t{w} * h * 3);
    for (bool big : {true, false}) {
        const std::string path = testDir() + "/s16.raw";
        writeFile(path, std::string(100, '#') + sampleBytes(samples, big));
        auto raw = rawSource(path);
        raw->setFile(0, w, h, 3, nullptr, ZynDataType::UInt16, 100, big ? sparcHWD : intelHWD);
        ASSERT_TRUE(ZynGraph::statusOK(*raw)) << raw->error().message();
        EXPECT_EQ(raw->imageOutput(0)->colorSpace()->maximum(), 65535.0);
        const auto expected = [&](int64_t x, int64_t y, int b) {
            return samples[(y * w + x) * 3 + b];
        };
        expectSamples<uint16_t>(renderAs<uint16_t>(*raw, {0, 0, w, h}, 3), expected);
        expectSamples<uint16_t>(renderAs<uint16_t>(*raw, {5, 3, 20, 21}, 3, ZynInterleave::Band),
                                expected);
    }
}

TEST(RawSource, BandSequentialAndLineInterleavedFiles) {
    const uint32_t w = 23, h = 300;
    const auto rgb = fixturePattern(w, h, 3);
    const auto expected = [&](int64_t x, int64_t y, int b) { return rgb[(y * w + x) * 3 + b]; };
    for (int organization : {0, 1, 2}) {
        const std::string path = testDir() + "/org.raw";
        writeFile(path, threeBandFile(w, h, organization, rgb));
        auto raw = rawSource(path, true);
        raw->setFile(organization, w, h, 3, nullptr, ZynDataType::UInt8, 0, nativeHWD);
        ASSERT_TRUE(ZynGraph::statusOK(*raw)) << raw->error().message();
        const ZynSimpleDataOrg& strip = *raw->imageOutput(0)->dataOrg();
        EXPECT_EQ(strip.height(), ZynSettings::get().defaultStripHeight);
        EXPECT_EQ(raw->organization(), organization == 0 ? 0 : 3 - organization);
        for (ZynInterleave in : {ZynInterleave::Pixel, ZynInterleave::Line, ZynInterleave::Band}) {
            expectSamples<uint8_t>(renderAs<uint8_t>(*raw, {0, 0, w, h}, 3, in), expected);
            expectSamples<uint8_t>(renderAs<uint8_t>(*raw, {7, 60, 9, 100}, 3, in), expected);
        }
        // A buffer laid out as the strips is filled straight from the file, a rectangle too.
        ZynRectBuffer direct({3, 70, 11, 5}, raw->imageOutput(0)->dataOrg());
        raw->genRect(direct);
        expectSamples<uint8_t>(direct, expected);
    }
}

TEST(RawSource, VaxFloatsBecomeIeee) {
    const std::vector<std::array<unsigned, 2>> fs = {{129, 0}, {3, 0x7FFFFF}, {0, 5},
                                                     {1, 9},   {2, 0x400000}, {200, 0x123456}};
    std::string fBytes;
    for (const auto& f : fs) {
        const auto b = vaxFBytes(f[1] % 2, f[0], f[1]);
        fBytes.append(b.begin(), b.end());
    }
    const std::string dir = testDir();
    writeFile(dir + "/f.raw", fBytes);
    auto f = rawSource(dir + "/f.raw");
    f->setFile(0, 3, 2, 1, nullptr, ZynDataType::Float32, 0, vaxHWD);
    ASSERT_TRUE(ZynGraph::statusOK(*f)) << f->error().message();
    expectSamples<float>(renderAs<float>(*f, {0, 0, 3, 2}, 1), [&](int64_t x, int64_t y, int) {
        const auto& p = fs[static_cast<size_t>(y * 3 + x)];
        return p[0] <= 2 ? 0.0f : static_cast<float>(vaxFValue(p[1] % 2, p[0], p[1]));
    });

    std::string gBytes;
    const double values[] = {1.0, -1.0 / 3, 6.02e23, -2.5e-200};
    for (double v : values) {
        const auto b = vaxGBytesOf(v);
        gBytes.append(b.begin(), b.end());
    }
    writeFile(dir + "/g.raw", gBytes);
    auto g = rawSource(dir + "/g.raw");
    g->setFile(0, 2, 2, 1, nullptr, ZynDataType::Float64, 0, vaxHWD);
    ASSERT_TRUE(ZynGraph::statusOK(*g)) << g->error().message();
    expectSamples<double>(renderAs<double>(*g, {0, 0, 2, 2}, 1),
                          [&](int64_t x, int64_t y, int) { return values[y * 2 + x]; });
}

TEST(RawSource, DescriptionRoundTrip) {
    const uint32_t w = 19, h = 11;
    const auto rgb = fixturePattern(w, h, 3);
    const std::string path = testDir() + "/d.raw";
    writeFile(path, "HEAD" + threeBandFile(w, h, 2, rgb));
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
    expectSamples<uint8_t>(renderAs<uint8_t>(*loaded, {0, 0, w, h}, 3),
                           [&](int64_t x, int64_t y, int b) { return rgb[(y * w + x) * 3 + b]; });
}

TEST(RawSource, LifecycleMessages) {
    auto raw = std::make_shared<ZynRawImageSource>();
    EXPECT_TRUE(isZynError(setupError(*raw), 130, "No filename on ZynRawImageSource"));

    const std::string dir = testDir();
    writeFile(dir + "/a.raw", std::string(64, 'a'));
    setName(*raw, dir + "/a.raw");
    EXPECT_EQ(setupError(*raw).message(), "No file attributes defined for ZynRawImageSource");

    setName(*raw, dir + "/missing.raw");
    EXPECT_TRUE(isZynError(setupError(*raw), 130,
                           "Could not open file: \"" + dir +
                               "/missing.raw\"System error code = 2\nSystem error string = No such "
                               "file or directory"));
    setName(*raw, "");
    EXPECT_EQ(setupError(*raw).message(), "No file name specified for ZynRawImageSource");

    setName(*raw, "file:" + dir + "/a.raw");
    ZynError e =
        thrownBy([&] { raw->setFile(3, 8, 8, 1, nullptr, ZynDataType::UInt8, 0, nativeHWD); });
    EXPECT_EQ(e.code(), 414);
    EXPECT_EQ(e.message(), "unrecognized data org in ZynRawImageSource::setFile");
    EXPECT_EQ(setupError(*raw).code(), 414);
    for (auto [height, channels] : {std::pair{0u, 1}, std::pair{8u, 0}, std::pair{1u, 1 << 30}}) {
        e = thrownBy([&] {
            raw->setFile(0, 8, height, channels, nullptr, ZynDataType::UInt8, 0, nativeHWD);
        });
        EXPECT_EQ(e.code(), 13);
        EXPECT_EQ(e.message(), "Illegal width, height, or num_channels value");
    }
    raw->setFile(0, 8, 8, 1, nullptr, ZynDataType::UInt8, 0, nativeHWD);
    EXPECT_TRUE(ZynGraph::statusOK(*raw)) << raw->error().message();
}

TEST(RawSource, IncompleteOrBadDescriptions) {
    const std::string dir = testDir();
    writeFile(dir + "/a.raw", std::string(64, 'a'));
    const std::string keys =
        "\traw_img_width = 8 ;\n\traw_img_height = 8 ;\n\traw_img_channels = 1 ;\n"
        "\traw_img_datatype = uint8 ;\n\traw_img_colorspace = Lum[1:0,255] ;\n"
        "\traw_img_organization = 0 ;\n\traw_img_hardware_desc = intelHWD ;\n";
    auto raw = rawSource(dir + "/a.raw");
    std::istringstream noOffset("{\n" + keys + "}\n");
    raw->loadDescription(noOffset);
    EXPECT_EQ(setupError(*raw).message(), "No file attributes defined for ZynRawImageSource");

    std::istringstream badOrganization("{\n" + keys +
                                       "\traw_img_offset = 0 ;\n"
                                       "\traw_img_organization = 3 ;\n}\n");
    EXPECT_EQ(thrownBy([&] { raw->loadDescription(badOrganization); }).code(), 414);

    std::istringstream badValue("{\n\traw_img_width = eight ;\n}\n");
    const ZynError e = thrownBy([&] { raw->loadDescription(badValue); });
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

TEST(RawSource, ReadingFailuresAndBadRequests) {
    const std::string dir = testDir();
    writeFile(dir + "/short.raw", std::string(50, 'x'));
    auto raw = rawSource(dir + "/short.raw");
    raw->setFile(0, 10, 10, 1, nullptr, ZynDataType::UInt8, 0, nativeHWD);
    ASSERT_TRUE(ZynGraph::statusOK(*raw)) << raw->error().message();
    ZynError e = thrownBy([&] { renderAs<uint8_t>(*raw, {0, 0, 10, 10}, 1); });
    EXPECT_EQ(e.code(), 130);
    EXPECT_EQ(e.message(), "Raw Source: Unable to read image, lines: 0 -> 9");

    // Between passes the file is closed; one that has gone since cannot be read.
    std::remove((dir + "/short.raw").c_str());
    e = thrownBy([&] { renderAs<uint8_t>(*raw, {0, 0, 10, 1}, 1); });
    EXPECT_EQ(e.code(), 130);
    EXPECT_EQ(e.message(), "could not open file");
    writeFile(dir + "/short.raw", std::string(50, 'x'));

    ZynRectBuffer forward({0, 0, 10, 2},
                          std::make_shared<ZynSimpleDataOrg>(10, 2, ZynDataType::UInt16, 1));
    EXPECT_EQ(thrownBy([&] { raw->genRect(forward); }).message(),
              "Raw Source doesn't support alternate Data Organisations");
    ZynRectBuffer outside({0, 9, 10, 2}, raw->imageOutput(0)->dataOrg());
    EXPECT_EQ(thrownBy([&] { raw->genRect(outside); }).code(), 411);

    // A line longer than the whole file is a mistaken description.
    raw->setFile(0, 100, 1, 1, nullptr, ZynDataType::UInt8, 0, nativeHWD);
    EXPECT_TRUE(isZynError(
        setupError(*raw), 130,
        "Lines of 100 bytes are longer than the file \"" + dir + "/short.raw\" of 50 bytes"));
}

TEST(RawSource, ThreadsShareTheFile) {
    const uint32_t w = 64, h = 200;
    const auto samples = pattern16(size_t{w} * h);
    const std::string path = testDir() + "/t.raw";
    writeFile(path, sampleBytes(samples, true));
    auto raw = rawSource(path, false);
    raw->setFile(0, w, h, 1, nullptr, ZynDataType::UInt16, 0, ppcHWD);
    ASSERT_TRUE(ZynGraph::statusOK(*raw));
    std::vector<std::thread> threads;
    std::vector<int> failures(4, 0);
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&, t] {
            for (int i = 0; i < 30; ++i) {
                const ZynRect rect{(t * 7 + i) % 40, (t * 31 + i * 5) % 150, 24, 50};
                const ZynRectBuffer b = renderAs<uint16_t>(*raw, rect, 1);
                for (int64_t y = rect.y; y < rect.bottom(); ++y)
                    for (int64_t x = rect.x; x < rect.right(); ++x)
                        failures[t] += *b.sample<uint16_t>(x, y) != samples[y * w + x];
            }
        });
    for (auto& th : threads) th.join();
    EXPECT_EQ(failures, std::vector<int>(4, 0));
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
    CommandResult info =
        runProgram(ANYIMAGE_EXE, {"info", "--source", "RawImageSource", "--describe",
                                  dir + "/scan.desc", dir + "/scan.raw"});
    EXPECT_EQ(info.status, 0) << info.err;
    EXPECT_NE(info.out.find("Size:        40 x 30 pixels"), std::string::npos) << info.out;
    EXPECT_NE(info.out.find("Data type:   uint16"), std::string::npos) << info.out;
    CommandResult stats =
        runProgram(ANYIMAGE_EXE, {"stats", "--source", "RawImageSource", "--describe",
                                  dir + "/scan.desc", dir + "/scan.raw"});
    EXPECT_EQ(stats.status, 0) << stats.err;
    EXPECT_EQ(stats.out, "band 0: min 1000.000000 max 2199.000000 mean 1599.500000\n");

    CommandResult missing =
        runProgram(ANYIMAGE_EXE, {"info", "--source", "RawImageSource", "--describe",
                                  dir + "/none.desc", dir + "/scan.raw"});
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err.find("Cannot read the description"), std::string::npos) << missing.err;
}
