#include "ZynIMPSHeader.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "QorSystem.h"
#include "ZynError.h"

namespace {

constexpr size_t kLineLimit = 255;
const char* const kParser = "ZynIMPSHeader::parseDocFile";

[[noreturn]] void docError(const std::string& message) {
    throw ZynError(130, kParser + message);
}

// The files of a set are plain files; a folder of the same name does not count.
bool exists(const std::string& path) {
    return qorIsRegularFile(path);
}

bool endsWith(const std::string& text, const char* suffix) {
    const size_t n = std::strlen(suffix);
    return text.size() >= n && text.compare(text.size() - n, n, suffix) == 0;
}

// One line as read, line feed included; empty at the end of the file.
std::string readLine(FILE* file) {
    std::string line;
    for (int c; (c = std::fgetc(file)) != EOF;) {
        line += static_cast<char>(c);
        if (c == '\n') break;
    }
    return line;
}

struct Keyword {
    const char* name;
    int field;
};

// The field numbers follow ZynIMPSHeader::Field.
const Keyword kKeywords[] = {
    {"PIXELS", 0},           {"LINES", 1},      {"NUMLINES", 1},
    {"BYTES_PER_PIXEL", 2},  {"NUM_COLORS", 3}, {"BYTE_ORDER", 4},
    {"BITS_PER_PIXEL", 5},   {"MIN_VALUE", 6},  {"MAX_VALUE", 7},
    {"SIGNIFICANT_BITS", 8}, {"SIGNED", 9},
};

const char* const kFieldNames[] = {
    "PIXELS",         "LINES",     "BYTES_PER_PIXEL", "NUM_COLORS",       "BYTE_ORDER",
    "BITS_PER_PIXEL", "MIN_VALUE", "MAX_VALUE",       "SIGNIFICANT_BITS", "SIGNED"};

}  // namespace

void ZynIMPSHeader::setFile(const std::string& name) {
    deriveDocPath(name);
    // As bytes: the documentation keeps its line ends, whatever the system.
    std::unique_ptr<FILE, int (*)(FILE*)> doc(qorOpenFile(docPath, "rb"), std::fclose);
    if (!doc)
        throw ZynError(130, "ZynIMPSHeader::setFileUnable to open the image 'doc' file: " +
                                docPath + " with read permission.");
    parseDocFile(doc.get());
    decideFileSet();
    docRead = true;
}

void ZynIMPSHeader::deriveDocPath(const std::string& name) {
    fileName = name;
    static const char* const kSetExtensions[] = {".doc", ".rgb", ".red", ".grn",
                                                 ".blu", ".img", ".lum"};
    for (const char* ext : kSetExtensions) {
        if (endsWith(name, ext)) {
            docPath = name.substr(0, name.size() - 4) + ".doc";
            baseName = docPath.substr(0, docPath.size() - 4);
            return;
        }
    }
    docPath = name + ".doc";
    if (!exists(docPath)) {
        const size_t dot = name.rfind('.');
        const size_t slash = name.rfind('/');
        if (dot != std::string::npos && (slash == std::string::npos || dot > slash) &&
            exists(name.substr(0, dot) + ".doc"))
            docPath = name.substr(0, dot) + ".doc";
    }
    baseName = docPath.substr(0, docPath.size() - 4);
}

void ZynIMPSHeader::parseDocFile(FILE* doc) {
    documentation = "Info From Doc File: " + docPath + "\n";
    unsigned seen = 0;
    bool readingFields = true;
    for (std::string line = readLine(doc); !line.empty(); line = readLine(doc)) {
        documentation += line;
        if (readingFields) readingFields = readField(line.substr(0, kLineLimit), seen);
    }
    checkFields(seen);
    chooseSampleType(seen);
}

bool ZynIMPSHeader::readField(const std::string& line, unsigned& seen) {
    const size_t equals = line.find('=');
    if (equals == std::string::npos) return false;
    const size_t start = line.find_first_not_of(" \t\r\n", equals + 1);
    if (start == std::string::npos) return false;
    const std::string keyword = line.substr(start, line.find_first_of(" \t\r\n", start) - start);
    for (const Keyword& k : kKeywords) {
        if (keyword != k.name) continue;
        if (seen & (1u << k.field)) return false;
        seen |= 1u << k.field;
        setField(static_cast<Field>(k.field), line);
        return true;
    }
    return true;
}

void ZynIMPSHeader::setField(Field field, const std::string& line) {
    const std::string message = std::string("Error in Doc file, ") + kFieldNames[field] + " field.";
    const char* text = line.c_str();
    while (std::isspace(static_cast<unsigned char>(*text))) ++text;
    if (field == ByteOrder) {
        switch (std::toupper(static_cast<unsigned char>(*text))) {
            case 'A':
                hardware = alphaHWD;
                return;
            case 'D':
                hardware = vaxHWD;
                return;
            case 'I':
                hardware = intelHWD;
                return;
            case 'S':
                hardware = sparcHWD;
                return;
            default:
                docError(message);
        }
    }
    errno = 0;
    char* end = nullptr;
    const long value = std::strtol(text, &end, 10);
    if (end == text || errno == ERANGE || value < INT32_MIN || value > INT32_MAX) docError(message);
    const auto v = static_cast<int32_t>(value);
    switch (field) {
        case Pixels:
            pixels = v;
            break;
        case Lines:
            lines = v;
            break;
        case BytesPerPixel:
            bytesPerPixel = v;
            break;
        case NumColors:
            numColors = v;
            break;
        case BitsPerPixel:
            bitsPerPixel = v;
            break;
        case MinValue:
            minValue = v;
            break;
        case MaxValue:
            maxValue = v;
            break;
        case SignificantBits:
            significantBits = v;
            break;
        default:
            isSigned = v != 0;
            break;
    }
}

void ZynIMPSHeader::checkFields(unsigned seen) {
    const unsigned needed = 1u << Pixels | 1u << Lines | 1u << BytesPerPixel;
    if ((seen & needed) != needed) docError("Error in Doc file. Needed fields missing");
    if (pixels < 0) docError("Unexpected negative PIXELS value in header");
    if (lines < 0) docError("Unexpected negative LINES value in header");
    if (bytesPerPixel < 0) docError("Unexpected negative BYTES_PER_PIXEL value in header");
}

void ZynIMPSHeader::chooseSampleType(unsigned seen) {
    const bool hasBits = seen & (1u << BitsPerPixel);
    int maxBits;
    switch (bytesPerPixel) {
        case 1:
            if (!hasBits) bitsPerPixel = 8;
            maxBits = 8;
            dataType = ZynDataType::UInt8;
            break;
        case 2:
            if (!hasBits) bitsPerPixel = 12;
            maxBits = 16;
            // SIGNED says whether samples are signed; without it only full 16-bit samples are
            // taken as unsigned.
            if (seen & (1u << Signed))
                dataType = isSigned ? ZynDataType::Int16 : ZynDataType::UInt16;
            else
                dataType = bitsPerPixel == 16 ? ZynDataType::UInt16 : ZynDataType::Int16;
            break;
        case 4:
            if (!hasBits) bitsPerPixel = 12;
            if (bitsPerPixel > 31) docError("Current implementation requires BITS_PER_PIXEL < 32");
            maxBits = 31;
            dataType = ZynDataType::Int32;
            break;
        default:
            docError("Unable to make sense of dataSize");
    }
    if (bitsPerPixel < 1 || bitsPerPixel > maxBits)
        docError("Unexpected value for BITS_PER_PIXEL in header");
    if (!(seen & (1u << SignificantBits)))
        significantBits = bitsPerPixel;
    else if (significantBits < 1 || significantBits > bitsPerPixel)
        docError("Unexpected value for SIGNIFICANT_BITS in header");
    if (!(seen & (1u << MaxValue)))
        maxValue = static_cast<int32_t>((int64_t{1} << significantBits) - 1);
    if (!(seen & (1u << MinValue))) minValue = 0;
}

void ZynIMPSHeader::decideFileSet() {
    files = {docPath};
    rgbFile = false;
    for (const char* ext : {".red", ".grn", ".blu", ".img", ".lum"}) {
        if (endsWith(fileName, ext)) {
            files.push_back(fileName);
            return;
        }
    }
    if (endsWith(fileName, ".rgb")) {
        files.push_back(fileName);
        rgbFile = true;
        return;
    }
    const std::string red = baseName + ".red", green = baseName + ".grn", blue = baseName + ".blu",
                      lum = baseName + ".lum", img = baseName + ".img", rgb = baseName + ".rgb";
    const bool three = exists(red) && exists(green) && exists(blue);
    const std::string one = exists(lum) ? lum : exists(img) ? img : std::string();
    switch (numColors) {
        case 0:
            if (three)
                files.insert(files.end(), {red, green, blue});
            else if (!one.empty())
                files.push_back(one);
            else if (exists(rgb))
                files.push_back(rgb);
            else
                docError("Doc file reality mismatch (nothing makes sense).");
            break;
        case 1:
            if (one.empty()) docError("Doc file reality mismatch (looking for .lum/.img).");
            files.push_back(one);
            break;
        case 3:
            if (exists(rgb))
                files.push_back(rgb);
            else if (three)
                files.insert(files.end(), {red, green, blue});
            else
                docError("Doc file reality mismatch (rgb/red,grn,blu)");
            break;
        default:
            docError("Unsupported number of bands indicated by Doc file.");
    }
    rgbFile = files.size() == 2 && files[1] == rgb;
}
