#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "J2kHeader.h"
#include "QorStream.h"

enum class J2kSampleType { UInt8, UInt16, Int16 };

// A rectangle of one resolution level, in that level's pixels from the image's top-left corner,
// decoded with the first `layers` quality layers (0: all).
struct J2kRegion {
    uint32_t level = 0;
    uint32_t layers = 0;
    int64_t x = 0;
    int64_t y = 0;
    int64_t width = 0;
    int64_t height = 0;
};

// Where decoded samples go: the address of the region's top-left sample in each band (one band
// per component) and the steps between pixels and between lines, in samples. Samples are clamped
// to the type's range.
struct J2kTarget {
    J2kSampleType type = J2kSampleType::UInt8;
    std::vector<void*> bands;
    int64_t pixelStride = 0;
    int64_t lineStride = 0;
};

// Reads JP2 files from a stream. Every call runs a decoder of its own, so calls may run on
// several threads at once; the library's messages are kept in errorText(), never printed.
class J2kDecoder {
  public:
    // `threads`: how many threads the library may decode code-blocks of one region on.
    explicit J2kDecoder(const QorStream& stream, int threads = 1)
        : stream_(stream), threads_(threads) {}

    bool readHeader(J2kHeader& header);
    // Decodes the region into the target; components the codestream subsamples are
    // replicated to full size.
    bool decode(const J2kHeader& header, const J2kRegion& region, const J2kTarget& target);

    // The library's errors and warnings of the last failed call.
    const std::string& errorText() const { return errorText_; }

  private:
    bool fail(const std::string& fallback);

    const QorStream& stream_;
    int threads_;
    std::string messages_;
    std::string errorText_;
};
