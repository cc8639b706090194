#pragma once

#include <memory>
#include <string>

#include "ZynFile.h"
#include "ZynJpegImageSourceOpImpl.h"

// A JPEG decoding op that reads a named file.
class ZynJpegFileSourceOp : public ZynJpegImageSourceOpImpl, public ZynFile {
  public:
    ZynJpegFileSourceOp(const std::wstring& fileName, bool keepOpen)
        : ZynFile(fileName, keepOpen) {}

    // A new op of the same kind on the same file, with the same settings, not opened.
    virtual std::unique_ptr<ZynJpegFileSourceOp> cloneFileOp() const = 0;

  protected:
    std::string inputName() const override;
    // Records "the filename is an empty string" when there is no name to open.
    bool checkFileName();
};
