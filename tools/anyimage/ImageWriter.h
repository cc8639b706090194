#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "DisplayConversion.h"
#include "ZynRectBuffer.h"

// Writes strips of a pixel-interleaved image to a PNG, PPM or PGM file, row by row, each pixel
// as the conversion turns it into 1 to 4 values. PNG keeps them all; PPM takes the first three
// of three or four (RGB without alpha), PGM the first of one or two.
class ImageWriter {
  public:
    ImageWriter(const std::string& path, uint32_t width, uint32_t height,
                const DisplayConversion& conversion);
    ~ImageWriter();

    void write(const ZynRectBuffer& strip);
    // Completes the file; throws when anything could not be written.
    void finish();

  private:
    enum class Kind { Png, Ppm, Pgm };

    // The bytes of row `y` as the file holds them.
    const unsigned char* encodeRow(const ZynRectBuffer& strip, int64_t y);
    template <int Bytes, bool BigEndian>
    void packRow();
    // Cuts a file written over in place to what was written now.
    bool endsAtWrittenSize(FILE* file) const;

    std::string path_;
    Kind kind_;
    uint32_t width_;
    uint32_t height_;
    DisplayConversion conversion_;
    int outBands_;
    int outBytes_;  // 1 or 2 per sample
    // Rows go to the file straight from the strip.
    bool rowsAsTheyAre_;
    std::vector<uint16_t> values_;
    std::unique_ptr<FILE, int (*)(FILE*)> file_;
    bool overwrites_ = false;  // the file existed, and is written over in place
    std::vector<unsigned char> row_;
    struct Png;
    std::unique_ptr<Png> png_;
};
