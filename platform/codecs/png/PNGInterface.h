#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "PNGReadOptions.h"
#include "PNGReadStruct.h"

class PNGInput;
class QorStream;

// Reads a PNG stream, and the private chunks it carries, from a stream or a chain of memory
// blocks; used for the images embedded in a PNG file. Every operation returns false on
// failure and leaves the reason in ErrorText(): the operation's name, the source line and what
// went wrong, followed by libpng's message when libpng failed.
class PNGInterface {
  public:
    struct Header {
        uint32_t width = 0;
        uint32_t height = 0;
        int channels = 0;  // after the transformations
        int bitDepth = 0;  // after the transformations
        int passes = 1;
        bool hasTag = false;
        uint32_t reducedWidth = 0;  // 0 unless an "rrIm" before the image data gives a size
        uint32_t reducedHeight = 0;
    };

    // A private chunk found after the image data.
    struct Chunk {
        std::string name;
        std::vector<uint8_t> data;
    };

    PNGInterface();
    ~PNGInterface();
    PNGInterface(const PNGInterface&) = delete;
    PNGInterface& operator=(const PNGInterface&) = delete;

    // Prepares to read from `input`, from its start, or from this interface's chain of memory
    // blocks when `input` is null. With `skipImageData` only the header is decoded and ReadTrailer
    // finds the trailing chunks without inflating the image. The two private chunks are kept unless
    // told not to.
    bool SetUp(QorStream* input, bool skipImageData, bool noKeepTag, bool noKeepReduced);
    // Transformations for ReadHeader (none by default). Without `expand` a palette image is
    // refused; with it palettes become RGB, gray below 8 bits 8-bit and transparency alpha.
    void SetTransforms(bool expand, const PNGReadOptions& options);

    bool ReadHeader(Header& header);
    // The next `count` rows, complete: every interlace pass runs over them.
    bool ReadRows(uint8_t** rows, uint32_t count);
    // Reads to the end of the stream, keeping the wanted private chunks found after the image
    // data. With image data skipped the stream is walked again from its start.
    bool ReadTrailer();
    // Makes this interface's chain of memory blocks from the chunks named `name` that `from`
    // found after its image data: the first of them and those following it without another
    // chunk between.
    bool MakeTagDataChunks(const PNGInterface& from, const char* name);

    const std::string& ErrorText() const { return errorText_; }

  private:
    bool fail(const char* operation, int line, const std::string& reason);
    bool walkTrailer();
    bool keeps(const char* name) const;

    std::unique_ptr<PNGInput> input_;
    bool skipImageData_ = false;
    bool keepTag_ = true;
    bool keepReduced_ = true;
    bool expand_ = false;
    PNGReadOptions options_;
    int passes_ = 1;
    std::string errorText_;
    std::unique_ptr<PNGReadStruct> png_;
    std::vector<std::vector<uint8_t>> chain_;
    std::vector<Chunk> trailer_;
};
