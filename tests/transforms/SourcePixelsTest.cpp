#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <optional>

#include "BmpFixture.h"
#include "ImpsFixture.h"
#include "PpmFixture.h"
#include "RawFixture.h"
#include "SampleFileTestSupport.h"
#include "ZynRawImageSource.h"
#include "ZynSettings.h"

namespace {

// What a file was written from, and what its source must publish.
struct Picture {
    ZynTransformPtr source;
    uint32_t width, height;
    std::vector<double> samples;  // pixel-interleaved
    ZynColorKind kind;
    ZynDataType type = ZynDataType::UInt8;
    double maximum = 255;
    std::optional<uint32_t> stripHeight = {};  // native tiles as wide as the image, this high
    std::function<void()> alsoCheck = {};      // what else the source's layout implies
};

Picture picture(ZynTransformPtr source, uint32_t w, uint32_t h, std::vector<double> samples,
                ZynColorKind kind, ZynDataType type = ZynDataType::UInt8, double maximum = 255) {
    return {std::move(source), w, h, std::move(samples), kind, type, maximum};
}

struct Row {
    std::string name;
    std::string typeName;  // of the source the recogniser chose; empty when made by name
    std::function<Picture(Dir)> write;
};

// A bitmap recognised by content, or read by the named source; 8-bit files whose palette is all
// greys have one band of those greys.
Row bmp(const std::string& name, uint32_t w, uint32_t h, int bits,
        const std::vector<uint8_t>& pixels, const std::vector<Rgb>& palette = {},
        const BmpOptions& options = {}, const std::string& source = "",
        std::optional<uint32_t> stripHeight = {}) {
    const auto write = [=](Dir dir) {
        writeBmp(dir + "/a.bmp", w, h, bits, pixels, palette, options);
        const bool grey =
            bits == 8 && std::all_of(palette.begin(), palette.end(),
                                     [](const Rgb& c) { return c[0] == c[1] && c[1] == c[2]; });
        std::vector<double> greys;
        for (uint8_t p : grey ? pixels : std::vector<uint8_t>{}) greys.push_back(palette[p][0]);
        Picture p = picture(sourceOf(dir + "/a.bmp", source), w, h,
                            grey         ? greys
                            : bits == 24 ? widened(pixels)
                                         : widened(expandIndices(pixels, palette)),
                            grey ? ZynColorKind::Lum : ZynColorKind::RGB);
        p.stripHeight = stripHeight;
        return p;
    };
    return {name, source.empty() ? "ZynBMPImageSource" : "", write};
}

std::vector<uint32_t> impsSamples(size_t count, uint32_t mask) {
    std::vector<uint32_t> samples(count);
    uint32_t state = 1;
    for (auto& s : samples) {
        state = state * 1103515245u + 12345u;
        s = (state >> 7) & mask;
    }
    return samples;
}

// Sixteen-bit colour sets of the given kind, big-endian, opened through the file `name`; one
// band file of the three is a luminance image of that band.
Row impsColour(const std::string& row, ImpsKind kind, const std::string& name) {
    return {row, "", [=](Dir dir) {
                ImpsSet set{33, 70, 2, true, "sun", "16 = BITS_PER_PIXEL\n"};
                const auto samples = impsSamples(33 * 70 * 3, 0xFFFF);
                writeImpsSet(dir, "set", kind, set, samples);
                Picture p =
                    picture(sourceOf(dir + name, "IMPSSource", false), 33, 70, widened(samples),
                            ZynColorKind::RGB, ZynDataType::UInt16, 65535);
                if (name != "/set.grn") return p;
                p.kind = ZynColorKind::Lum;
                p.samples.clear();
                for (size_t i = 1; i < samples.size(); i += 3) p.samples.push_back(samples[i]);
                return p;
            }};
}

// Twelve significant bits of two-byte samples in the order a doc file names.
Row impsOrder(const std::string& row, const std::string& order, bool big, const std::string& extra,
              ZynDataType type) {
    return {row, "", [=](Dir dir) {
                const auto samples = impsSamples(8 * 5, 0x0FFF);
                writeImpsSet(dir, "o", ImpsKind::Img, {8, 5, 2, big, order, extra}, samples);
                return picture(sourceOf(dir + "/o.img", "IMPSSource", false), 8, 5,
                               widened(samples), ZynColorKind::Lum, type, 4095);
            }};
}

// A PPM file of the header and the stored samples, recognised by content.
Row ppm(const std::string& name, const std::string& header, uint32_t w, uint32_t h,
        const std::vector<uint8_t>& stored, std::vector<double> samples,
        std::optional<uint32_t> stripHeight = {}) {
    return {name, "ZynPpmImageSource", [=](Dir d) {
                writeFile(d + "/a.ppm", header + std::string(stored.begin(), stored.end()));
                Picture p{sourceOf(d + "/a.ppm"), w, h, samples, ZynColorKind::RGB};
                p.stripHeight = stripHeight;
                return p;
            }};
}

Picture raw(const std::string& dir, const std::string& bytes, uint32_t w, uint32_t h, int bands,
            int organization, ZynDataType type, uint32_t offset, const ZynHardwareDesc& order,
            std::vector<double> samples, bool keepOpen = false) {
    writeFile(dir + "/a.raw", bytes);
    auto source = rawSource(dir + "/a.raw", keepOpen);
    source->setFile(organization, w, h, bands, nullptr, type, offset, order);
    const bool floats = type == ZynDataType::Float32 || type == ZynDataType::Float64;
    const double maximum = floats                        ? 1.0
                           : type == ZynDataType::UInt8  ? 255.0
                           : type == ZynDataType::UInt16 ? 65535.0
                                                         : 4294967295.0;
    return picture(source, w, h, std::move(samples),
                   bands == 3 ? ZynColorKind::RGB : ZynColorKind::Lum, type, maximum);
}

Picture vaxF(Dir dir) {
    const std::vector<std::array<unsigned, 2>> fs = {{129, 0}, {3, 0x7FFFFF}, {0, 5},
                                                     {1, 9},   {2, 0x400000}, {200, 0x123456}};
    std::string bytes;
    std::vector<double> values;
    for (const auto& [exponent, fraction] : fs) {
        const auto b = vaxFBytes(fraction % 2, exponent, fraction);
        bytes.append(b.begin(), b.end());
        // Exponents 0 to 2 have no IEEE counterpart and read as zero.
        values.push_back(
            exponent <= 2 ? 0.0f : static_cast<float>(vaxFValue(fraction % 2, exponent, fraction)));
    }
    Picture p = raw(dir, bytes, 3, 2, 1, 0, ZynDataType::Float32, 0, vaxHWD, values);
    // The negative pattern of exponent 1 reads as +0.0, not -0.0.
    p.alsoCheck = [source = p.source] {
        EXPECT_FALSE(std::signbit(sampleAt(renderOwn(*source, {0, 1, 1, 1}), 0, 1, 0)));
    };
    return p;
}

Picture vaxG(Dir dir) {
    std::vector<double> values = {1.0, -1.0 / 3, 6.02e23, -2.5e-200, 0.0};
    std::string bytes;
    for (double v : values) {
        const auto b = vaxGBytesOf(v);
        bytes.append(b.begin(), b.end());
    }
    // Exponent 2 has no IEEE counterpart either.
    const auto small = vaxGBytes(true, 2, 77);
    bytes.append(small.begin(), small.end());
    values.push_back(0.0);
    return raw(dir, bytes, 3, 2, 1, 0, ZynDataType::Float64, 0, vaxHWD, values);
}

std::vector<Row> rows() {
    std::vector<Row> rows;
    for (uint32_t w : {1u, 2u, 3u, 4u, 5u, 71u})
        rows.push_back(
            bmp("BMP 24-bit rows of " + std::to_string(w), w, 67, 24, fixturePattern(w, 67, 3, w)));
    const auto indices = fixturePattern(13, 70, 1, 7);
    auto oneColour = greyPalette(), inverted = greyPalette();
    oneColour[200] = {200, 0, 0};
    std::reverse(inverted.begin(), inverted.end());
    std::vector<uint8_t> sixteen(30);
    for (size_t i = 0; i < sixteen.size(); ++i) sixteen[i] = static_cast<uint8_t>(i % 16);
    rows.push_back(bmp("BMP grey palette", 13, 70, 8, indices, greyPalette()));
    // One coloured entry makes the file colour-mapped.
    rows.push_back(
        bmp("BMP colour palette", 13, 70, 8, indices, oneColour, {}, "", 10000 / 13 + 1));
    // A grey palette that is not the identity ramp maps indices to its greys.
    rows.push_back(bmp("BMP inverted greys", 13, 70, 8, indices, inverted));
    rows.push_back(
        bmp("BMP palette of 16", 6, 5, 8, sixteen, colourPalette(16), {.colorsUsed = 16}));
    rows.push_back(
        bmp("BMP top-down rows", 6, 5, 24, fixturePattern(6, 5, 3), {}, {.topDown = true}));
    for (bool fileHeader : {true, false})
        for (bool core : {false, true})
            for (bool down : {false, true}) {
                if (core && down) continue;  // core headers have no sign for the height
                const BmpOptions o{.fileHeader = fileHeader, .coreHeader = core, .topDown = down};
                const std::string name = std::string("DIB") + (fileHeader ? " file" : "") +
                                         (core ? " core" : " info") + (down ? " top-down" : "");
                rows.push_back(bmp(name + " 24-bit", 21, 300, 24, fixturePattern(21, 300, 3), {}, o,
                                   "DIBSource"));
                rows.push_back(bmp(name + " 8-bit", 21, 300, 8, fixturePattern(21, 300, 1, 3),
                                   colourPalette(), o, "DIBSource"));
            }
    for (const char* name : {"/moon.lum", "/moon.doc", "/moon"})
        rows.push_back(
            {std::string("IMPS luminance ") + name, "ZynIMPSImageSource", [name](Dir d) {
                 const auto samples = impsSamples(512 * 480, 0xFF);
                 // Field reading ends at the line without '='; the later PIXELS is only text.
                 ImpsSet set{512, 480};
                 set.extraDoc = "\nTaken at the observatory.\n7 = PIXELS\n";
                 writeImpsSet(d, "moon", ImpsKind::Lum, set, samples);
                 Picture p{sourceOf(d + name), 512, 480, widened(samples), ZynColorKind::Lum};
                 p.alsoCheck = [d, source = p.source] {
                     auto& any = dynamic_cast<ZynAnyImageSource&>(*source);
                     EXPECT_EQ(any.transforms().at(0)->getAttribute<std::string>("Documentation"),
                               "Info From Doc File: " + d + "/moon.doc\n" +
                                   readFileBytes(d + "/moon.doc"));
                 };
                 return p;
             }});
    rows.push_back(impsColour("IMPS colour file", ImpsKind::Rgb, "/set.rgb"));
    rows.push_back(impsColour("IMPS colour set by its doc file", ImpsKind::Rgb, "/set.doc"));
    rows.push_back(impsColour("IMPS band files by their doc file", ImpsKind::Bands, "/set.doc"));
    rows.push_back(impsColour("IMPS one band file", ImpsKind::Bands, "/set.grn"));
    rows.push_back(impsOrder("IMPS Intel order", "Intel", false, "", ZynDataType::Int16));
    rows.push_back(impsOrder("IMPS DEC order, unsigned", "DEC", false,
                             "12 = SIGNIFICANT_BITS\n0 = SIGNED\n", ZynDataType::UInt16));
    rows.push_back(
        impsOrder("IMPS no order, signed", "", false, "1 = SIGNED\n", ZynDataType::Int16));
    const auto rgb = fixturePattern(70, 150, 3);
    std::vector<uint8_t> tens(18);
    for (size_t i = 0; i < tens.size(); ++i) tens[i] = static_cast<uint8_t>(i * 10);
    rows.push_back(ppm("PPM", "P6\n70 150\n255\n", 70, 150, rgb, widened(rgb), 64));
    rows.push_back(
        ppm("PPM header with a comment", "P6\n# a comment\n3 2\n255\n", 3, 2, tens, widened(tens)));
    rows.push_back(ppm("PPM small maxval scales samples", "P6\n2 1\n15\n", 2, 1,
                       {15, 7, 0, 1, 2, 3}, {255, 119, 0, 17, 34, 51}));
    for (bool big : {true, false})
        rows.push_back(
            {big ? "raw 16-bit big-endian" : "raw 16-bit little-endian", "", [big](Dir d) {
                 const auto samples = pattern16(37 * 29 * 3);
                 return raw(d, std::string(100, '#') + sampleBytes(samples, big), 37, 29, 3, 0,
                            ZynDataType::UInt16, 100, big ? sparcHWD : intelHWD, widened(samples));
             }});
    for (int organization : {0, 1, 2})
        rows.push_back(
            {"raw organisation " + std::to_string(organization), "", [organization](Dir d) {
                 const auto rgb = fixturePattern(23, 300, 3);
                 Picture p =
                     raw(d, sampleBytes(inOrganization(23, 300, organization, rgb), false), 23, 300,
                         3, organization, ZynDataType::UInt8, 0, nativeHWD, widened(rgb), true);
                 p.stripHeight = ZynSettings::get().defaultStripHeight;
                 p.alsoCheck = [organization, rgb, source = p.source] {
                     auto& raw = dynamic_cast<ZynRawImageSource&>(*source);
                     EXPECT_EQ(raw.organization(), organization == 0 ? 0 : 3 - organization);
                     // A buffer laid out as the strips is filled straight from the
                     // file, a rectangle too.
                     ZynRectBuffer direct({3, 70, 11, 5}, raw.imageOutput(0)->dataOrg());
                     raw.genRect(direct);
                     EXPECT_TRUE(samplesMatch(direct, rgb, 23));
                 };
                 return p;
             }});
    rows.push_back({"raw 32-bit big-endian", "", [](Dir d) {
                        const std::vector<uint32_t> v = {0x01020304u, 0xFFFFFFFEu, 7u, 1u << 31};
                        return raw(d, sampleBytes(v, true), 2, 2, 1, 0, ZynDataType::UInt32, 0,
                                   sparcHWD, widened(v));
                    }});
    rows.push_back({"raw float big-endian", "", [](Dir d) {
                        const std::vector<float> v = {1.0f / 3, -2.5e30f, 0.15625f, 7.0f};
                        return raw(d, sampleBytes(v, true), 2, 2, 1, 0, ZynDataType::Float32, 0,
                                   ppcHWD, widened(v));
                    }});
    rows.push_back({"raw double big-endian", "", [](Dir d) {
                        const std::vector<double> v = {-2.75e-300, 1.0 / 3, 6.02e23, -1.0};
                        return raw(d, sampleBytes(v, true), 2, 2, 1, 0, ZynDataType::Float64, 0,
                                   sparcHWD, v);
                    }});
    rows.push_back({"raw VAX F floats", "", vaxF});
    rows.push_back({"raw VAX G floats", "", vaxG});
    return rows;
}

}  // namespace

// Rectangles over every edge and inside, in every interleave, give what the file was written
// from.
TEST(SampleFileSources, EveryLayoutGivesThePixelsItWasWrittenFrom) {
    for (const Row& row : rows()) {
        SCOPED_TRACE(row.name);
        const Picture p = row.write(testDir());
        ZynTransform& t = *p.source;
        ASSERT_TRUE(ZynGraph::statusOK(t)) << t.error().message();
        // Reading the header is part of the setup, not a change that asks for another one.
        EXPECT_FALSE(t.needsSetup());
        if (!row.typeName.empty()) {
            EXPECT_EQ(dynamic_cast<ZynAnyImageSource&>(t).transforms().at(0)->typeName(),
                      row.typeName);
        }
        const ZynImageOutputCP& out = outputOf(t);
        EXPECT_EQ(out.coordSpace()->resolutions(),
                  (std::vector<ZynResolution>{{p.width, p.height}}));
        EXPECT_EQ(out.colorSpace()->kind(), p.kind);
        EXPECT_EQ(out.colorSpace()->maximum(), p.maximum);
        EXPECT_EQ(out.dataOrg()->dataType(), p.type);
        EXPECT_EQ(static_cast<size_t>(out.dataOrg()->bands()) * p.width * p.height,
                  p.samples.size());
        if (p.stripHeight) {
            EXPECT_EQ(out.dataOrg()->width(), p.width);
            EXPECT_EQ(out.dataOrg()->height(), *p.stripHeight);
        }
        if (p.alsoCheck) p.alsoCheck();
        const int64_t w = p.width, h = p.height;
        const ZynRect rects[] = {{0, 0, w, h},
                                 {0, 0, 1, 1},
                                 {w - 1, h - 1, 1, 1},
                                 {1, 2, w - 2, h - 3},
                                 {w / 2, 0, w - w / 2, h},
                                 {0, h / 2, w, 1}};
        for (const ZynRect& r : rects)
            for (ZynInterleave in :
                 {ZynInterleave::Pixel, ZynInterleave::Line, ZynInterleave::Band})
                if (!r.empty()) {
                    ASSERT_TRUE(samplesMatch(renderOwn(t, r, in), p.samples, p.width))
                        << r.x << "," << r.y << " " << r.width << "x" << r.height;
                }
    }
}
