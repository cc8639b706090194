#include <array>
#include <filesystem>
#include <fstream>

#include "CameraTestSupport.h"
#include "JpegFixture.h"
#include "PpmFixture.h"
#include "TestSupport.h"
#include "ZynRecognizer.h"

namespace {

using Preview = DngFixtureOptions::Preview;

constexpr DCImageType kAllTypes[] = {DCGrayImage8, DCGrayImage16, DCRGBImage24,  DCRGBImage32,
                                     DCRGBImage48, DCRGBImage64,  DCBGRImage24,  DCBGRImage32,
                                     DCBGRImage48, DCBGRImage64,  DCCameraRGB24, DCCameraRGB48,
                                     DCCameraRGB36};

bool cameraColor(DCImageType type) {
    return type == DCCameraRGB24 || type == DCCameraRGB36 || type == DCCameraRGB48;
}

struct Dng {
    std::string path;
    DngFixtureOptions options;
    DngFixture written;
};

Dng writeDngFile(const std::string& name, const DngFixtureOptions& options = {}) {
    Dng dng{testDir() + "/" + name, options, {}};
    dng.written = writeDng(dng.path, options);
    return dng;
}

std::string renderError(ZynTransform& t, const ZynResolution& r, DCImageType type) {
    return textOf(errorOf([&] { renderCamera(t, r, type); }));
}

// The image turned as LibRaw turns for an orientation of 6 (a quarter turn clockwise).
TestImage turnedClockwise(const TestImage& i) {
    return imageOf(i.height, i.width, i.colors, i.bits,
                   [&](uint32_t x, uint32_t y, int c) { return i.at(y, i.height - 1 - x, c); });
}

TestImage averagedHalf(const TestImage& i) {
    return imageOf((i.width + 1) / 2, (i.height + 1) / 2, i.colors, i.bits,
                   [&](uint32_t x, uint32_t y, int c) {
                       uint32_t sum = 0, n = 0;
                       for (uint32_t sy = 2 * y; sy < std::min(2 * y + 2, i.height); ++sy)
                           for (uint32_t sx = 2 * x; sx < std::min(2 * x + 2, i.width); ++sx, ++n)
                               sum += i.at(sx, sy, c);
                       return (sum + n / 2) / n;
                   });
}

// The preview the fixture wrote, as an 8-bit image.
TestImage previewOf(const Dng& dng) {
    return {dng.options.previewWidth, dng.options.previewHeight, 3, 8,
            std::vector<uint32_t>(dng.written.preview.begin(), dng.written.preview.end())};
}

// A calibration file whose last line ends in the matrix.
void writeCalibration(const std::string& folder, const std::string& text,
                      const std::array<float, 9>& matrix) {
    std::ofstream file(folder + "/" + kHctCalibrationFileName);
    file << text;
    for (float v : matrix) file << " " << std::to_string(v);
    file << "\n";
}

// Ends the coded data of a JPEG stream inside the file early: an end-of-image marker soon after
// the scan header.
void endJpegEarly(const std::string& path, const std::string& jpeg) {
    std::string bytes = readFileBytes(path);
    const size_t at = bytes.find(jpeg.substr(0, 64));
    ASSERT_NE(at, std::string::npos);
    bytes.replace(at + jpeg.find("\xff\xda") + 20, 2, "\xff\xd9");
    writeFile(path, bytes);
}

}  // namespace

TEST(CameraSource, OpensADngByRecognitionWithTwoResolutions) {
    const Dng dng = writeDngFile("image.dng");
    ZynTransformPtr source = zynOpenByRecognition(qorWiden(dng.path), true);
    ASSERT_TRUE(source);
    EXPECT_EQ(source->typeName(), "ZynRVQImageSource");
    ASSERT_TRUE(ZynGraph::statusOK(*source)) << source->error().message();
    EXPECT_EQ(resolutionsOf(*source), (std::vector<ZynResolution>{{64, 48}, {32, 24}}));
    // A colour file develops into 8-bit RGB unless asked for another type, a monochrome one grey.
    EXPECT_EQ(*source->imageOutput(0)->colorSpace(), ZynRGBColorSpace(0, 255));
    auto grey = openCamera(writeDngFile("mono.dng", {.monochrome = true}).path);
    ASSERT_TRUE(ZynGraph::statusOK(*grey)) << grey->error().message();
    EXPECT_EQ(grey->imageOutput(0)->colorSpace()->bands(), 1);

    EXPECT_EQ(renderError(*source, {10, 10}, DCRGBImage24),
              "3 Unsupported resolution requested: 10, 10");
    ZynRectBuffer outside({60, 40, 8, 8},
                          std::make_shared<ZynSimpleDataOrg>(8, 8, ZynDataType::UInt8, 3));
    EXPECT_EQ(errorOf([&] { ZynGraph::render(*source, 0, {64, 48}, outside); }).code(), 411);
}

TEST(CameraSource, DevelopedImageIsLibRawsOwnDevelopmentInEveryImageType) {
    const Dng dng = writeDngFile("types.dng");
    const TestImage reference[2][2] = {
        {developWithLibRaw(dng.path, 8, false), developWithLibRaw(dng.path, 16, false)},
        {developWithLibRaw(dng.path, 8, true), developWithLibRaw(dng.path, 16, true)}};
    for (DCImageType type : kAllTypes) {
        SCOPED_TRACE(ZynRVQImageType::name(type));
        auto source = openCamera(dng.path, type);
        ASSERT_TRUE(ZynGraph::statusOK(*source)) << source->error().message();
        const HctLayout layout = hctLayout(type);
        const ZynImageOutputCP& out = *source->imageOutput(0);
        EXPECT_EQ(out.colorSpace()->bands(), layout.bands);
        EXPECT_EQ(out.colorSpace()->maximum(), layout.maximum);
        EXPECT_EQ(out.dataOrg()->dataType(), dataTypeOf(type));
        // The native layout is the developed memory's: blue first for the BGR types.
        EXPECT_EQ(out.dataOrg()->bandOffset(0), layout.bgr ? 2 : 0);
        const TestImage& from = reference[cameraColor(type)][layout.bytesPerSample - 1];
        EXPECT_TRUE(rendersAs(*source, {64, 48}, type, expectedForType(from, type)));
    }
}

// Each row: a level of a file in an image type, and what the encoders were given for it or
// LibRaw's development of it.
TEST(CameraSource, LevelsAreTheDevelopmentOrThePreview) {
    const Dng plain = writeDngFile("plain.dng");
    const Dng lossy = writeDngFile("lossy.dng", {.lossy = true, .preview = Preview::None});
    const Dng jpeg = writeDngFile(
        "jpeg.dng", {.preview = Preview::Jpeg, .previewWidth = 40, .previewHeight = 16});
    const JpegReference decoded = decodeJpegReference(jpeg.written.previewJpeg);
    const Dng turned = writeDngFile("turned.dng", {.orientation = 6});
    const Dng mosaic =
        writeDngFile("mosaic.dng", {.width = 70, .height = 46, .preview = Preview::None});
    const Dng mono = writeDngFile(
        "mono.dng", {.width = 31, .height = 23, .monochrome = true, .preview = Preview::None});
    const TestImage monoFull =
        expectedForType(developWithLibRaw(mono.path, 8, false), DCGrayImage8);
    struct Case {
        std::string path;
        DCImageType type;
        size_t level;
        TestImage expected;
    };
    std::vector<Case> cases = {
        {lossy.path, DCRGBImage48, 0, developWithLibRaw(lossy.path, 16, false)},
        {jpeg.path,
         DCRGBImage24,
         1,
         {40, 16, 3, 8, {decoded.pixels.begin(), decoded.pixels.end()}}},
        {turned.path, DCRGBImage24, 0, developWithLibRaw(turned.path, 8, false)},
        {turned.path, DCRGBImage24, 1, turnedClockwise(previewOf(turned))},
        // Without a preview the thumbnail is a reduced development.
        {mosaic.path, DCRGBImage48, 1, developWithLibRaw(mosaic.path, 16, false, true)},
        // LibRaw does not halve what is no mosaic: the thumbnail averages the full development.
        {mono.path, DCGrayImage8, 0, monoFull},
        {mono.path, DCGrayImage8, 1, averagedHalf(monoFull)}};
    for (DCImageType type : {DCRGBImage24, DCBGRImage48, DCGrayImage8, DCCameraRGB36})
        cases.push_back({plain.path, type, 1, expectedForType(previewOf(plain), type)});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path + " " + ZynRVQImageType::name(c.type));
        auto source = openCamera(c.path, c.type);
        const ZynResolution r{c.expected.width, c.expected.height};
        ASSERT_EQ(resolutionsOf(*source).size(), 2u);
        EXPECT_EQ(resolutionsOf(*source)[c.level], r);
        EXPECT_TRUE(rendersAs(*source, r, c.type, c.expected));
    }
}

TEST(CameraSource, CamerasWithoutCalibrationDevelopWithTheFolders) {
    DngFixtureOptions options{.colorMatrix = false};
    const Dng bare = writeDngFile("bare.dng", options);
    options.colorMatrix = true;
    const Dng calibrated = writeDngFile("calibrated.dng", options);

    EXPECT_EQ(textOf(setupError(*openCamera(bare.path, DCRGBImage24))),
              "153 a calibration path (\"calibration_path\") is required for files of camera "
              "models without a colour calibration of their own");
    // Only colour files without a matrix, in the file or known to LibRaw, need the folder.
    const std::pair<DngFixtureOptions, bool> kinds[] = {
        {{.monochrome = true}, false},
        {{.dngVersion = false, .colorMatrix = false}, true},
        {{.dngVersion = false, .colorMatrix = false, .make = "Canon", .model = "EOS 5D"}, false}};
    for (auto [kind, needsFolder] : kinds) {
        kind.preview = Preview::None;
        const std::string kindPath = writeDngFile("kind.dng", kind).path;
        EXPECT_EQ(ZynGraph::statusOK(*openCamera(kindPath, DCRGBImage24)), !needsFolder)
            << kind.make << " " << kind.monochrome;
    }

    const std::string folder = testDir(), empty = testDir(), other = testDir();
    writeCalibration(folder,
                     "# cameras of the fixtures\nOther;Camera;1 0 0 0 1 0 0 0 1\n"
                     "  FIXTURECAM ; mosaic one ;",
                     options.matrix);
    for (DCImageType type : {DCRGBImage24, DCRGBImage64}) {
        SCOPED_TRACE(ZynRVQImageType::name(type));
        auto source = openCamera(bare.path, type, folder);
        ASSERT_TRUE(ZynGraph::statusOK(*source)) << source->error().message();
        const int bits = hctLayout(type).bytesPerSample * 8;
        // As LibRaw develops the same mosaic with the same matrix in the file, where it is
        // stored as rationals: 16-bit samples may differ by one.
        EXPECT_TRUE(
            rendersAs(*source, {64, 48}, type,
                      expectedForType(developWithLibRaw(calibrated.path, bits, false), type), 1));
    }

    EXPECT_EQ(textOf(setupError(*openCamera(bare.path, DCRGBImage24, folder + "/absent"))),
              "15 attempt to set calibration path failed");
    writeCalibration(other, "Fixturecam;Mosaic Two;", options.matrix);
    for (const std::string& wrong : {empty, other})
        EXPECT_EQ(renderError(*openCamera(bare.path, DCRGBImage24, wrong), {64, 48}, DCRGBImage24),
                  "600 calibration path is most likely invalid");
    // The camera's own colour needs no matrix.
    EXPECT_TRUE(rendersAs(*openCamera(bare.path, DCCameraRGB48, empty), {64, 48}, DCCameraRGB48,
                          developWithLibRaw(bare.path, 16, true)));
}

TEST(CameraSource, CalibrationPathsAndImageTypeAttributes) {
    ZynRVQImageSource source;
    source.setAttribute<std::string>("calibration_path", "/calibration/folder");
    EXPECT_EQ(source.getAttribute<std::wstring>("wcalibration_path"), L"/calibration/folder");
    source.setAttribute<std::wstring>("wcalibration_path", L"/andere/M\u00e4ppe");
    EXPECT_EQ(source.getAttribute<std::string>("calibration_path"), "/andere/M\xc3\xa4ppe");

    source.setAttribute<DCImageType>("image_type", static_cast<DCImageType>(1));
    EXPECT_EQ(source.attribute("image_type").toText(), "DEFAULT_COLOR_IMAGE_TYPE");
    EXPECT_EQ(errorOf([&] { source.setAttributeText("image_type", "DCRGBImage12"); }).code(), 414);

    const Dng dng = writeDngFile("typed.dng");
    EXPECT_EQ(textOf(setupError(*openCamera(dng.path, static_cast<DCImageType>(99)))),
              "15 attempt to set image type failed");
}

TEST(CameraSource, DamagedAndForeignFilesFailWithTheirMessagesAndPrintNothing) {
    const std::string dir = testDir();
    const std::string cutData = writeDngFile("cut_data.dng", {.mosaicBytes = 3000}).path;
    const std::string cutHeader = dir + "/cut_header.dng";
    writeFile(cutHeader, readFileBytes(cutData).substr(0, 100));
    const std::string shortRaw = dir + "/short.raw", ppm = dir + "/image.ppm",
                      text = dir + "/text.txt", dump = dir + "/dump.raw";
    writeFile(shortRaw, std::string(40, 'x'));
    writePpm(ppm, 30, 30, fixturePattern(30, 30, 3));
    writeFile(text, std::string(500, 't'));
    // A headerless dump of a size LibRaw knows.
    writeFile(dump, std::string(1024 * 768, '\x40'));
    DngFixtureOptions options{.preview = Preview::Jpeg};
    const Dng badJpeg = writeDngFile("bad_preview.dng", options);
    endJpegEarly(badJpeg.path, badJpeg.written.previewJpeg);
    options.lossy = true;
    options.preview = Preview::None;
    const Dng lossy = writeDngFile("lossy.dng", options);
    endJpegEarly(lossy.path, lossy.written.rawJpeg);
    options.lossyCoding = JpegFixtureOptions::Coding::Gray;
    const Dng grey = writeDngFile("grey.dng", options);
    // Four samples a pixel would overrun the buffers LibRaw decodes into.
    options.lossyCoding = JpegFixtureOptions::Coding::CMYK;
    const Dng cmyk = writeDngFile("cmyk.dng", options);

    EXPECT_EQ(printedBy([&] {
                  // LibRaw's own JPEG decoder meets the damage in the lossy raw image, or gives
                  // up on it.
                  for (const std::string& path : {lossy.path, grey.path, cmyk.path})
                      EXPECT_EQ(renderError(*openCamera(path), {64, 48}, DCRGBImage24),
                                "15 error in ZynRVQImageInfo::getFullImage")
                          << path;
                  EXPECT_TRUE(zynOpenByRecognition(qorWiden(cutData), false));
                  auto cut = openCamera(cutData, DCRGBImage24);
                  EXPECT_EQ(renderError(*cut, {64, 48}, DCRGBImage24),
                            "15 error in ZynRVQImageInfo::getFullImage");
                  EXPECT_EQ(renderError(*cut, {32, 24}, DCRGBImage24), "0 no error");

                  // Files of no camera are told from files that cannot be read.
                  for (const std::string& path : {cutHeader, shortRaw, ppm, text, dump}) {
                      EXPECT_FALSE(ZynRVQImageSource::recognize(qorWiden(path), nullptr, false));
                      EXPECT_EQ(textOf(setupError(*openCamera(path))),
                                "134 The file " + path + " is not a RVQ file.");
                  }
                  for (const std::string& path : {dir + "/absent.dng", dir})
                      EXPECT_EQ(textOf(setupError(*openCamera(path))),
                                "15 unspecified HCT-SDK toolkit error");
                  EXPECT_EQ(textOf(setupError(*openCamera(""))),
                            "130 the file name is an empty string");
                  EXPECT_EQ(renderError(*openCamera(badJpeg.path), {32, 24}, DCRGBImage24),
                            "15 error in ZynRVQImageInfo::getThumbnailImage");
              }),
              "");
}

TEST(CameraSource, PreviewsAreReadWithinTheFileWhateverTheDirectoriesClaim) {
    const Dng dng = writeDngFile("claims.dng");
    std::string bytes = readFileBytes(dng.path);
    // The preview's Compression entry claims some four billion values.
    const size_t at = bytes.find(std::string("\x03\x01\x03\x00\x01\x00\x00\x00", 8));
    ASSERT_NE(at, std::string::npos);
    bytes.replace(at + 4, 4, "\x01\x49\xff\xff");
    writeFile(dng.path, bytes);
    EXPECT_EQ(printedBy([&] {
                  auto source = openCamera(dng.path, DCRGBImage24);
                  for (const ZynResolution& r : resolutionsOf(*source))
                      EXPECT_EQ(renderError(*source, r, DCRGBImage24), "0 no error") << r.width;
              }),
              "");
}

TEST(CameraSource, FilesCloseAfterEachPassUnlessKeptOpen) {
    const Dng dng = writeDngFile("handles.dng");
    const std::string path = std::filesystem::canonical(dng.path).string();
    const TestImage expected = developWithLibRaw(dng.path, 8, false);
    for (bool keepOpen : {false, true}) {
        SCOPED_TRACE(keepOpen ? "kept open" : "closed");
        auto source = openCamera(dng.path, DCRGBImage24, "", keepOpen);
        EXPECT_EQ(openDescriptorsOn(path), keepOpen ? 1 : 0);
        // The thumbnail first: the full image then needs the file again.
        renderCamera(*source, {32, 24}, DCRGBImage24);
        EXPECT_TRUE(rendersAs(*source, {64, 48}, DCRGBImage24, expected));
        EXPECT_EQ(openDescriptorsOn(path), keepOpen ? 1 : 0);
    }
}

TEST(CameraSource, ThreadsDevelopFilesAtOnce) {
    const Dng first = writeDngFile("first.dng");
    const Dng second = writeDngFile("second.dng", {.seed = 7});
    const TestImage expected[2] = {developWithLibRaw(first.path, 16, false),
                                   developWithLibRaw(second.path, 16, false)};
    const auto failures = failuresOnThreads(2, 3, [&](int f, int) {
        auto source = openCamera(f ? second.path : first.path, DCRGBImage48);
        return bool(rendersAs(*source, {64, 48}, DCRGBImage48, expected[f]));
    });
    EXPECT_EQ(failures, std::vector<int>(2, 0));
}
