#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "QorStream.h"
#include "ZynFile.h"
#include "ZynImageSourceOp.h"

// Parses the header of a "P6" file and fills rectangles from its pixel data.
class ZynPpmImageSourceOpBase : public ZynImageSourceOp {
  public:
    ZynPpmImageSourceOpBase();

    bool outputInfo(ZynOutputInfo& info) override;
    void genRect(ZynRectBuffer& buffer) override;
    bool canFill(const ZynRectBuffer& buffer) override { return bufferCheck(buffer.org()); }
    ZynColorSpacePtr getColorSpace() override { return colorSpace_; }
    // Reads are positional, so requests need no lock.
    bool gainsFromConcurrentRequests() const override { return true; }

    // Buffers this op fills: 8-bit, 3 bands, pixel-interleaved, bands at 0, 1, 2.
    static bool bufferCheck(const ZynSimpleDataOrg& org);

    uint32_t width() const { return width_; }
    uint32_t height() const { return height_; }
    uint32_t maxval() const { return maxval_; }
    uint64_t dataOffset() const { return dataOffset_; }

  protected:
    // Reads the header; records the error and returns false when it is bad.
    bool readHeader();
    virtual bool openFile() = 0;

    std::unique_ptr<QorStream> stream_;
    std::mutex streamMutex_;

  private:
    void readRows(QorStreamView& view, const ZynRectBuffer& buffer) const;
    void scale(std::byte* samples, size_t count) const;

    ZynColorSpacePtr colorSpace_;
    uint32_t width_ = 0;
    uint32_t height_ = 0;
    uint32_t maxval_ = 0;
    uint64_t dataOffset_ = 0;
};

class ZynPpmImageSourceOp : public ZynFile, public ZynPpmImageSourceOpBase {
  public:
    ZynPpmImageSourceOp(const std::wstring& fileName, bool keepOpen);
    ~ZynPpmImageSourceOp() override;

    void close() override;
    bool open() override;

  protected:
    bool openFile() override { return open(); }
};
