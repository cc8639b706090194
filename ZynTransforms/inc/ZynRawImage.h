#pragma once

#include <cstdio>
#include <memory>
#include <mutex>
#include <string>

#include "ZynXyCoordSpace.h"

// The one open file of a source that reads its samples itself, and the lock that serialises
// every seek-and-read on it. A copy starts with the file closed.
class ZynRawImage {
  public:
    ZynRawImage() = default;
    ZynRawImage(const ZynRawImage&) {}
    virtual ~ZynRawImage() = default;

    // Closes the file under the lock.
    void closeAndMarkClosed();
    // A coordinate space of one resolution, width x height pixels, extents 1.0.
    static ZynCoordSpacePtr makeCoordSpace(uint32_t width, uint32_t height);
    // Opens the named file for reading ("file:" names without the prefix), or rewinds the file
    // already open. Returns whether a file is open.
    virtual bool open(const std::wstring& name);
    virtual void close();

    bool isOpen() const { return isOpen_; }
    FILE* file() const { return file_.get(); }
    std::mutex& fileLock() const { return lock_; }
    // Size of the open file in bytes.
    int64_t fileSize() const;

  private:
    struct Closer {
        void operator()(FILE* f) const { std::fclose(f); }
    };
    std::unique_ptr<FILE, Closer> file_;
    bool isOpen_ = false;
    mutable std::mutex lock_;
};
