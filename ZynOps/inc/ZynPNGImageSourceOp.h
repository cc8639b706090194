#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "PNGReadOptions.h"
#include "PNGReadStruct.h"
#include "ZynPNGImageSourceOpBase.h"

// Renders the primary image of a PNG file: libpng decodes rows straight into the caller's memory.
// Closing the file between requests keeps the decoder's place; reopening resumes there.
class ZynPNGImageSourceOp : public ZynPNGImageSourceOpBase {
  public:
    ZynPNGImageSourceOp(const std::wstring& fileName, bool keepOpen, const PNGReadOptions& options);
    ~ZynPNGImageSourceOp() override;

    bool open() override;

    const PNGReadOptions& options() const { return options_; }
    // The private chunks before the image data; a reduced size of 0 or of the full size does
    // not count.
    const PNGLeadingChunks& leadingChunks() const { return leading_; }
    // Pixels per metre from a pHYs chunk in metres; false without one.
    bool pixelsPerMeter(uint32_t& x, uint32_t& y) const;
    uint32_t width() const { return width_; }
    uint32_t height() const { return height_; }
    int channels() const { return channels_; }
    int bitDepth() const { return bitDepth_; }

  protected:
    void restartDecoder() override;
    void decodeRows(uint8_t** rows, uint32_t count) override;
    void finishDecoding() override;
    void closeFile() override;
    std::string bufferRequirements() const override;

  private:
    bool setUp();
    bool readHeader();
    // Why the image whose header was read is not worth decoding; empty when it is.
    std::string decodeRefusal(int passes) const;
    bool openFile();
    // Pending errors are lines " !! <message> - Error in <file> at line: <n>"; libpng's own
    // messages have no place in this code to name.
    void pend(int code, const std::string& message, const char* file = __builtin_FILE(),
              int line = __builtin_LINE());
    void pendLibpngError();
    bool setUpFailed();
    ZynError takePending();

    PNGReadOptions options_;
    std::unique_ptr<PNGReadStruct> png_;
    std::unique_ptr<FILE, int (*)(FILE*)> file_{nullptr, &std::fclose};
    int64_t resumeAt_ = 0;
    int pendingCode_ = 0;
    std::string pendingText_;

    uint32_t width_ = 0;
    uint32_t height_ = 0;
    int channels_ = 0;
    int bitDepth_ = 0;
    int passes_ = 0;
    PNGLeadingChunks leading_;
    uint32_t pixelsPerMeterX_ = 0;
    uint32_t pixelsPerMeterY_ = 0;
};
