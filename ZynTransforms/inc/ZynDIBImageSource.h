#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "ZynRawImage.h"
#include "ZynRectFileSource.h"

// A second reader of device-independent bitmaps, created by name: with or without the 14-byte
// file header, the 40-byte information header or the 12-byte core header, 8 bits colour-mapped
// or 24 bits, rows bottom-up or top-down; always 8-bit RGB out, blue at the lowest address.
class ZynDIBImageSource : public ZynRawImage, public ZynRectFileSource<ZynDIBImageSource> {
  public:
    ZynDIBImageSource() = default;
    // A copy reads the header afresh at its own setup.
    ZynDIBImageSource(const ZynDIBImageSource& other);
    ~ZynDIBImageSource() override;

    void setupTransform() override;

    bool rectInfo(ZynOutputInfo& info) override;
    bool canFill(const ZynRectBuffer& buffer) override;
    void genRect(ZynRectBuffer& buffer) override;
    ZynColorSpacePtr rectColorSpace() override { return colorSpace_; }
    // Requests stay sequential: each holds the file for its whole length.
    bool wordsOutsideRequests() const override { return true; }

    int32_t width() const { return width_; }
    int32_t height() const { return height_; }
    int64_t firstRowOffset() const { return firstRowOffset_; }
    int64_t rowStride() const { return rowStride_; }

  protected:
    void closeFiles() override { closeAndMarkClosed(); }
    void forgetFile() override;

  private:
    // Reads the header; records the problem in pendingError and returns false.
    bool readHeader();
    void parseHeader();
    void readPalette(int64_t position, int entrySize);
    bool openForReading();
    ZynError fileProblem(int code, const std::string& text) const;
    bool bufferFits(const ZynRectBuffer& buffer) const;
    void readRows(ZynRectBuffer& buffer);

    int32_t width_ = 0;
    int32_t height_ = 0;
    int64_t firstRowOffset_ = 0;
    int64_t rowStride_ = 0;
    std::optional<ZynError> pendingError_;
    int paletteSize_ = 0;
    int bytesPerPixel_ = 0;
    std::vector<uint8_t> rowBuffer_;
    // Entries of blue, green, red, reserved.
    std::vector<uint8_t> palette_;
    ZynColorSpacePtr colorSpace_ = std::make_shared<ZynRGBColorSpace>(0.0, 255.0);
};
