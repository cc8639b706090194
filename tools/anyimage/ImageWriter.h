#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "ZynColorSpace.h"
#include "ZynRectBuffer.h"

// Writes strips of a pixel-interleaved image to a PNG, PPM or PGM file, row by row. 8-bit
// samples are written as they are, unsigned 16-bit ones as 16-bit samples, and every other type
// scaled from the colour space's range onto 16 bits. PNG takes 1 to 4 bands (more are cut to
// the first three), PPM 3 and PGM 1.
class ImageWriter {
  public:
    ImageWriter(const std::string& path, uint32_t width, uint32_t height, ZynDataType type,
                int bands, const ZynColorSpace& colorSpace);
    ~ImageWriter();

    void write(const ZynRectBuffer& strip);
    // Completes the file; throws when anything could not be written.
    void finish();

  private:
    enum class Kind { Png, Ppm, Pgm };

    void encodeRow(const ZynRectBuffer& strip, int64_t y);

    std::string path_;
    Kind kind_;
    uint32_t width_;
    uint32_t height_;
    ZynDataType type_;
    int bands_;
    int outBands_;
    int outBytes_;  // 1 or 2 per sample
    double minimum_;
    double maximum_;
    std::unique_ptr<FILE, int (*)(FILE*)> file_;
    std::vector<unsigned char> row_;
    struct Png;
    std::unique_ptr<Png> png_;
};
