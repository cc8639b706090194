#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "ZynDataType.h"
#include "ZynHardwareDesc.h"

// The description of an IMPS file set, read from its text "doc" file, and the set's files: one
// luminance file (".lum" or ".img"), one pixel-interleaved ".rgb" file, or three band files
// (".red", ".grn", ".blu").
class ZynIMPSHeader {
  public:
    // Derives the doc path, reads the doc file and decides the file set; throws ZynError 130.
    void setFile(const std::string& fileName);
    // The doc file that describes `fileName`, and the base name of the set's files.
    void deriveDocPath(const std::string& fileName);
    // Reads the fields and the documentation text from an open doc file; throws ZynError 130.
    void parseDocFile(FILE* doc);
    // Chooses the set's files by the given file's extension, else by NUM_COLORS, probing for
    // the files that exist; throws ZynError 130.
    void decideFileSet();

    std::string fileName;
    std::string baseName;
    std::string docPath;
    bool docRead = false;  // the doc file was opened and parsed
    int32_t pixels = 0;
    int32_t lines = 0;
    int32_t bytesPerPixel = 0;
    int32_t numColors = 0;
    bool rgbFile = false;
    int32_t minValue = 0;
    int32_t maxValue = 0;
    int32_t bitsPerPixel = 0;
    int32_t significantBits = 0;
    bool isSigned = false;
    ZynHardwareDesc hardware = vaxHWD;
    ZynDataType dataType = ZynDataType::UInt8;
    std::string documentation;
    // Index 0 the doc file, then the band files.
    std::vector<std::string> files;

    int bands() const { return rgbFile || files.size() == 4 ? 3 : 1; }

  private:
    enum Field {
        Pixels,
        Lines,
        BytesPerPixel,
        NumColors,
        ByteOrder,
        BitsPerPixel,
        MinValue,
        MaxValue,
        SignificantBits,
        Signed,
        FieldCount
    };
    // Reads a field from a line "value = KEYWORD"; false when field reading ends at this line.
    bool readField(const std::string& line, unsigned& seen);
    void setField(Field field, const std::string& line);
    void checkFields(unsigned seen);
    void chooseSampleType(unsigned seen);
};
