#include <gtest/gtest.h>

#include <cstdio>
#include <optional>

#include "BmpFixture.h"
#include "ImpsFixture.h"
#include "PpmFixture.h"
#include "SampleFileTestSupport.h"
#include "ZynRawImageSource.h"

namespace {

// `text` with every "%" standing for `dir`.
std::string in(const std::string& dir, std::string text) {
    for (size_t at = text.find('%'); at != std::string::npos; at = text.find('%', at + dir.size()))
        text.replace(at, 1, dir);
    return text;
}

struct BadFile {
    std::vector<std::pair<std::string, std::string>> files;  // written first
    std::optional<std::string> open;                         // the name given, if any
    std::string source;  // registry name; empty: recognised by content
    int code;
    std::string message;  // "%" is the folder
};

// A file of `bytes` given to the source by its name, or recognised when `source` is empty.
BadFile one(const std::string& source, const std::string& name, const std::string& bytes, int code,
            const std::string& message) {
    return {{{name, bytes}}, name, source, code, message};
}

// The source given `name`, or no name at all, after `files` were written.
BadFile named(const std::string& source, std::optional<std::string> name, int code,
              const std::string& message,
              std::vector<std::pair<std::string, std::string>> files = {}) {
    return {std::move(files), std::move(name), source, code, message};
}

const std::string kImpsBase = docLine(4, "PIXELS") + docLine(2, "LINES");
const std::string kTwoByTwo =
    docLine(2, "PIXELS") + docLine(2, "LINES") + docLine(1, "BYTES_PER_PIXEL");
const std::string kOneByte = kImpsBase + docLine(1, "BYTES_PER_PIXEL");

std::vector<BadFile> badFiles() {
    const auto rgb = fixturePattern(4, 4, 3);
    const std::vector<uint8_t> indices(16, 1);
    const auto rgb24 = [&](const BmpOptions& o) { return bmpBytes(4, 4, 24, rgb, {}, o); };
    const auto indexed = [&](const BmpOptions& o) {
        return bmpBytes(4, 4, 8, indices, colourPalette(), o);
    };
    std::string hugeWidth = rgb24({}), zeroWidth = rgb24({});
    hugeWidth[18] = hugeWidth[19] = hugeWidth[20] = '\x7F';
    zeroWidth[18] = '\0';
    const std::string dibEof = "Unexpected File I/O Error (Possible EOF) For File \"%/a.dib\"";
    std::vector<BadFile> cases = {
        // The recogniser takes only an exact first line.
        one("", "crlf.ppm", "P6\r\n1 1\n255\nabc", 153,
            "Failed to open the given file: %/crlf.ppm"),
        one("", "h.ppm", "P6\n2 2\n", 130, "Unexpected end of file in \"%/h.ppm\" at byte 7"),
        one("", "h.ppm", "P6\n0 0 255\n", 130, "Invalid PPM image size 0x0"),
        one("", "h.ppm", "P6\n2 2 65535\n" + std::string(24, 'x'), 130,
            "Only PPM images with one-byte samples (maxval up to 255) are supported; this "
            "one has maxval 65535"),
        one("", "h.ppm", "P6\n" + std::string(1100, '#') + "\n", 130,
            "Error or unexpected EOF while reading \""),

        one("", "v4.bmp", rgb24({.infoSize = 108}), 130, "File is not a Windows 3.x bmp image"),
        one("", "rle.bmp", indexed({.compression = 1}), 130,
            "Compressed bmp files are not supported"),
        one("", "four.bmp", indexed({.bitCount = 4}), 130,
            "Only 8 and 24 bit bmp images are supported"),
        one("", "planes.bmp", rgb24({.planes = 2}), 130,
            "Image file has more than one color plane"),
        one("", "p.bmp", indexed({}).substr(0, 54 + 1000), 130,
            "unable to read pallete from header"),
        one("", "h.bmp", rgb24({}).substr(0, 40), 130, "Unable to read bmp header"),
        one("", "wide.bmp", hugeWidth, 130,
            "Lines of 25067136 bytes are longer than the file \"%/wide.bmp\" of 102 bytes"),
        one("BMPSource", "not.bmp", "PK not a bitmap at all", 130,
            "File not a BMP image: \"%/not.bmp\""),

        one("DIBSource", "a.dib", rgb24({.bitCount = 4}), 135,
            "Unsupported BMP Format (packed) For File \"%/a.dib\""),
        one("DIBSource", "a.dib", rgb24({.compression = 2}), 135,
            "Unsupported BMP Format (Compressed) For File \"%/a.dib\""),
        one("DIBSource", "a.dib", rgb24({.infoSize = 124}), 134,
            "Unrecognized File Format (Not Bmp) For File \"%/a.dib\""),
        one("DIBSource", "a.dib", indexed({}).substr(0, 300), 130, dibEof),
        one("DIBSource", "a.dib", "", 130, dibEof),
        one("DIBSource", "a.dib", zeroWidth, 13, "image attributes not yet initialized"),
        named("DIBSource", "missing.dib", 130, "\"%/missing.dib\" could not be opened for reading"),
        named("DIBSource", std::nullopt, 130, "No file name specified for ZynDIBImageSource"),

        named("RawImageSource", std::nullopt, 130, "No filename on ZynRawImageSource"),
        named("RawImageSource", "missing.raw", 130,
              "Could not open file: \"%/missing.raw\"System error code = 2\nSystem error string "
              "= No such file or directory"),
        named("RawImageSource", "", 130, "No file name specified for ZynRawImageSource"),

        one("IMPSSource", "lone.lum", std::string(16, 'x'), 130,
            "Unable to open file \"%/lone.doc\": file not found"),
        // Without a doc file the recogniser does not claim the file.
        one("", "lone.lum", std::string(16, 'x'), 153, "Failed to open the given file: %/lone.lum"),
        named("IMPSSource", "gone.red", 130,
              "Unable to open the file(s): \n%/gone.red\n with write permission",
              {{"gone.doc", kTwoByTwo}}),
        named("IMPSSource", "huge.lum", 130,
              "File \"%/huge.lum\": lines of 8589934588 bytes are longer than \"%/huge.lum\"",
              {{"huge.doc", docLine(2147483647, "PIXELS") + docLine(2147483647, "LINES") +
                                docLine(4, "BYTES_PER_PIXEL")},
               {"huge.lum", std::string(100, 'x')}}),
        named("IMPSSource", "zero.lum", 130,
              "File \"%/zero.lum\": the width and height must be nonzero",
              {{"zero.doc",
                docLine(0, "PIXELS") + docLine(2, "LINES") + docLine(1, "BYTES_PER_PIXEL")},
               {"zero.lum", ""}}),
    };
    // Doc files the header reader refuses, beside a data file or alone; through the doc file's
    // name NUM_COLORS decides the set.
    const std::string lum = "e.lum", doc = "e.doc";
    const std::tuple<std::string, std::string, bool, std::string> docs[] = {
        {docLine(4, "PIXELS") + docLine(1, "BYTES_PER_PIXEL"), lum, true,
         "Error in Doc file. Needed fields missing"},
        {"x = PIXELS\n", lum, true, "Error in Doc file, PIXELS field."},
        {kImpsBase + "x = NUMLINES\n", lum, true, "Error in Doc file. Needed fields missing"},
        {kOneByte + "Q = BYTE_ORDER\n", lum, true, "Error in Doc file, BYTE_ORDER field."},
        {kOneByte + "99999999999 = SIGNED\n", lum, true, "Error in Doc file, SIGNED field."},
        {docLine(-4, "PIXELS") + docLine(2, "LINES") + docLine(1, "BYTES_PER_PIXEL"), lum, true,
         "Unexpected negative PIXELS value in header"},
        {kImpsBase + docLine(3, "BYTES_PER_PIXEL"), lum, true, "Unable to make sense of dataSize"},
        {kOneByte + docLine(9, "BITS_PER_PIXEL"), lum, true,
         "Unexpected value for BITS_PER_PIXEL in header"},
        {kImpsBase + docLine(4, "BYTES_PER_PIXEL") + docLine(32, "BITS_PER_PIXEL"), lum, true,
         "Current implementation requires BITS_PER_PIXEL < 32"},
        {kImpsBase + docLine(2, "BYTES_PER_PIXEL") + docLine(40, "SIGNIFICANT_BITS"), lum, true,
         "Unexpected value for SIGNIFICANT_BITS in header"},
        {kOneByte + docLine(2, "NUM_COLORS"), doc, true,
         "Unsupported number of bands indicated by Doc file."},
        {kOneByte + docLine(3, "NUM_COLORS"), doc, true,
         "Doc file reality mismatch (rgb/red,grn,blu)"},
        {kOneByte + docLine(1, "NUM_COLORS"), doc, false,
         "Doc file reality mismatch (looking for .lum/.img)."},
        {kOneByte, doc, false, "Doc file reality mismatch (nothing makes sense)."},
    };
    for (const auto& [text, open, withData, message] : docs) {
        cases.push_back(
            {{{doc, text}}, open, "IMPSSource", 130, "ZynIMPSHeader::parseDocFile" + message});
        if (withData) cases.back().files.push_back({lum, std::string(64, 'x')});
    }
    return cases;
}

ZynTransformPtr openNamed(const std::string& dir, const std::optional<std::string>& name,
                          const std::string& source) {
    if (!name) return ZynTransformRegistry::create(source);
    const std::string path = name->empty() ? "" : dir + "/" + *name;
    return source.empty() ? sourceOf(path) : sourceOf(path, source, false);
}

}  // namespace

TEST(SampleFileSources, BadFilesAreRecordedErrorsWithTheirMessages) {
    for (const BadFile& c : badFiles()) {
        const std::string dir = testDir();
        SCOPED_TRACE(c.source + " " + c.open.value_or("(no name)"));
        for (const auto& [name, bytes] : c.files) writeFile(dir + "/" + name, bytes);
        ZynTransformPtr t = openNamed(dir, c.open, c.source);
        EXPECT_TRUE(isZynError(setupError(*t), c.code, in(dir, c.message)));
    }
}

// Data cut short fails the request that reaches it; a file gone between passes fails the next.
TEST(SampleFileSources, MissingDataFailsTheRequestThatNeedsIt) {
    const auto rgb = fixturePattern(8, 8, 3);
    const struct {
        std::string file, bytes, source;  // source: registry name, empty when recognised
        // The request's message, and the next one's once the file is gone; such files are opened
        // without keep_open.
        std::string message, goneMessage;
    } cases[] = {
        {"t.ppm", "P6\n10 10\n255\n" + std::string(100, 'x'), "",
         "Unexpected end of file in \"%/t.ppm\" at byte 113"},
        {"cut.bmp", bmpBytes(8, 8, 24, rgb, {}).substr(0, 54 + 24 * 5), "",
         "Unable to read line from file"},
        {"cut.dib", bmpBytes(4, 4, 24, rgb, {}).substr(0, 54 + 16 * 2), "DIBSource",
         "Unexpected file I/O error (possible EOF)"},
        {"cut.lum", std::string(10, 'x'), "IMPSSource",
         "IMPS Source: Unable to read image, lines: 0 -> 3", "could not open files"},
        {"short.raw", std::string(50, 'x'), "RawImageSource",
         "Raw Source: Unable to read image, lines: 0 -> 9", "could not open file"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        const std::string dir = testDir();
        writeFile(dir + "/cut.doc",
                  docLine(4, "PIXELS") + docLine(4, "LINES") + docLine(1, "BYTES_PER_PIXEL"));
        writeFile(dir + "/" + c.file, c.bytes);
        ZynTransformPtr t = sourceOf(dir + "/" + c.file, c.source, c.goneMessage.empty());
        if (c.source == "RawImageSource")
            std::dynamic_pointer_cast<ZynRawImageSource>(t)->setFile(
                0, 10, 10, 1, nullptr, ZynDataType::UInt8, 0, nativeHWD);
        ASSERT_TRUE(ZynGraph::statusOK(*t)) << t->error().message();
        const ZynResolution full = resolutionsOf(*t).at(0);
        EXPECT_TRUE(isZynError(errorOf([&] {
                                   renderOwn(*t, {0, 0, full.width, full.height});
                               }),
                               130, in(dir, c.message)));
        if (c.goneMessage.empty()) continue;
        std::remove((dir + "/" + c.file).c_str());
        EXPECT_TRUE(isZynError(errorOf([&] {
                                   renderOwn(*t, {0, 0, full.width, 1});
                               }),
                               130, c.goneMessage));
    }
}
