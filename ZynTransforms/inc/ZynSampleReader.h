#pragma once

#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

#include "ZynRectBuffer.h"
#include "ZynSampleConverter.h"

// Copies rectangles of headerless sample files into buffers laid out with the files' own
// strides, converting the samples read. Each band lies in a file at a byte position of its own;
// bands of one file that share pixels are read together.
class ZynSampleReader {
  public:
    struct Band {
        FILE* file;
        int64_t offset;  // byte position of the band's sample (0, 0)
    };

    // `who` starts the messages ("Raw Source"). Strides are in bytes.
    ZynSampleReader(std::string who, uint32_t width, uint32_t height, size_t sampleSize,
                    int64_t pixelStride, int64_t lineStride, std::vector<Band> bands,
                    ZynBufferConverter converter);

    // Height of the native strips of sources that read sample files: the default tile height
    // when it is above 256, else the default strip height up to 256; never more than the image.
    static uint32_t stripHeight(uint32_t imageHeight);

    // Whether `read` can fill the buffer: the files' strides, and the files' relative band
    // positions where bands are read together.
    bool fits(const ZynRectBuffer& buffer) const;
    // Whether the rectangle lies inside the image.
    bool inside(const ZynRect& rect) const;
    // Fills the buffer's rectangle, each seek-and-read under `lock`. Throws ZynError 130 when a
    // seek or a read fails.
    void read(ZynRectBuffer& buffer, std::mutex& lock) const;

  private:
    bool bandsShareFile() const;
    bool keepsRelativeOffsets(const ZynRectBuffer& buffer) const;
    int lowestBand() const;
    // Bytes of one row of `width` pixels of bands [first, last] of a file.
    int64_t rowSpan(int64_t width, int first, int last) const;
    void readAt(FILE* file, int64_t position, std::byte* into, int64_t bytes, const ZynRect& rect,
                std::mutex& lock) const;
    void readTogether(ZynRectBuffer& buffer, std::mutex& lock) const;
    void readBandByBand(ZynRectBuffer& buffer, std::mutex& lock) const;

    std::string who_;
    uint32_t width_;
    uint32_t height_;
    size_t sampleSize_;
    int64_t pixelStride_;
    int64_t lineStride_;
    std::vector<Band> bands_;
    ZynBufferConverter converter_;
};
