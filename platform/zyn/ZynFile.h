#pragma once

#include <string>

// The open/close part of an op that reads a file.
class ZynFile {
  public:
    ZynFile(std::wstring fileName, bool keepOpen)
        : fileName_(std::move(fileName)), keepOpen_(keepOpen) {}
    virtual ~ZynFile() = default;

    virtual void close() = 0;
    virtual bool open() = 0;

    const std::wstring& fileName() const { return fileName_; }
    bool isOpen() const { return isOpen_; }
    bool keepOpen() const { return keepOpen_; }

  protected:
    void setOpen(bool open) { isOpen_ = open; }

  private:
    std::wstring fileName_;
    bool keepOpen_;
    bool isOpen_ = false;
};
