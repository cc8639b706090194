#pragma once

#include <cstddef>
#include <mutex>
#include <string>

#include "QorSystem.h"
#include "VdxImage.h"
#include "ZynError.h"
#include "ZynFile.h"
#include "ZynRectBuffer.h"

// The photo disc file behind one source and its ops: the library's handle, opened by path, or,
// for a name without a narrow form, through a descriptor the file opens itself. Every use of the
// handle holds the file's lock.
class ZynVDXFile : public ZynFile {
  public:
    ZynVDXFile(const std::wstring& fileName, bool keepOpen);

    void close() override;
    bool open() override;

    // Held around a series of library calls; openLocked and library() expect it.
    std::unique_lock<std::mutex> lock() { return std::unique_lock(mutex_); }
    // Opens the file unless it is open; false with status() saying why.
    bool openLocked();
    VdxImage& library() { return library_; }
    const ZynError& status() const { return status_; }

    // Reads the rectangle of `buffer` at resolution `index` in colour format `format`, the
    // samples of its first pixel starting at `first`; opens the file when it is closed.
    void read(int index, int format, const ZynRectBuffer& buffer, std::byte* first);

  private:
    // Opens the name with the operating system for the library to read through; false with
    // status() saying why.
    bool openDescriptor();
    bool failed(const std::string& message);

    std::mutex mutex_;
    VdxImage library_;
    QorDescriptor descriptor_;
    ZynError status_;
};
