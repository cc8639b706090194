#pragma once

#include <memory>
#include <string>

#include "PNGInterface.h"
#include "QorStream.h"
#include "ZynPNGImageSourceOpBase.h"

// Renders an image that a PNG file carries as a complete PNG stream in private chunks after its
// image data. Opening reads the file's header only; the chunks are gathered when the image is
// first requested, after which the stream is decoded from memory and the file is not needed.
class ZynPNGEmbeddedImageSourceOp : public ZynPNGImageSourceOpBase {
  public:
    // What tells the reduced-resolution and the tag image apart.
    struct Kind {
        const char* className;
        const char* chunk;       // the private chunk that carries the stream
        const char* imageName;   // the image in the "(nbands,nbits)" text
        const char* headerName;  // the image in the "PNG ReadHeader failed" text
        const char* bufferText;  // what the op's buffers must be
        bool expand;             // the stream is decoded with the primary image's transformations
    };

    bool open() override;

  protected:
    ZynPNGEmbeddedImageSourceOp(const std::wstring& fileName, bool keepOpen, const Kind& kind,
                                const PNGReadOptions& options);

    // Opens the file and reads its header; records the error when that fails.
    bool readFileHeader();
    const PNGInterface::Header& fileHeader() const { return fileHeader_; }
    // The image the embedded stream must hold.
    void expect(uint32_t width, uint32_t height, int bands, int bits, ZynColorSpacePtr colorSpace);

    void restartDecoder() override;
    void decodeRows(uint8_t** rows, uint32_t count) override;
    void finishDecoding() override;
    void closeFile() override;
    std::string bufferRequirements() const override { return kind_.bufferText; }

  private:
    // Failures are left in openError_: recorded at construction, thrown later.
    bool openFile();
    void gatherChunks();
    void checkEmbedded(const PNGInterface::Header& header) const;
    ZynError failure(const std::string& what, const PNGInterface& png) const;

    Kind kind_;
    PNGReadOptions options_;
    ZynError openError_;
    std::unique_ptr<QorStream> stream_;
    std::unique_ptr<PNGInterface> file_;
    PNGInterface::Header fileHeader_;
    std::unique_ptr<PNGInterface> embedded_;
    bool gathered_ = false;
    int bands_ = 0;
    int bits_ = 0;
};
