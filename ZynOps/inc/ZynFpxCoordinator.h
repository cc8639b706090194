#pragma once

#include <memory>
#include <mutex>
#include <string>

#include "FpxToolkit.h"
#include "ZynError.h"
#include "ZynFile.h"

// Keeps the FlashPix toolkit initialised for its lifetime and the image it opens. The ops of one
// source share it; its lock serialises every use of the toolkit's image.
class ZynFpxCoordinator : public ZynFile {
  public:
    // Throws ZynError 130 when the toolkit cannot be initialised.
    ZynFpxCoordinator(const std::wstring& fileName, bool keepOpen);
    ~ZynFpxCoordinator() override;
    ZynFpxCoordinator(const ZynFpxCoordinator&) = delete;
    ZynFpxCoordinator& operator=(const ZynFpxCoordinator&) = delete;

    // Opens the image (again) and reads its description; false with error() set on failure.
    bool open() override;
    void close() override;

    // Whether the toolkit takes the file for a FlashPix image file.
    bool isFlashPixFile() const;

    const ZynError& error() const { return error_; }
    // The operating system's error behind a failed open, 0 when the file itself was at fault.
    int osErrorNumber() const { return osErrorNumber_; }

    uint32_t width() const { return width_; }
    uint32_t height() const { return height_; }
    const FpxImageInfo& info() const { return info_; }
    const FpxResolutionInfo& levels() const { return levels_; }
    // The open image, null while closed.
    FpxImage* image() const { return image_.get(); }
    std::mutex& mutex() { return mutex_; }

  private:
    bool fail(ZynError error);

    FpxImageHandle image_;
    uint32_t width_ = 0;
    uint32_t height_ = 0;
    FpxImageInfo info_;
    FpxResolutionInfo levels_;
    ZynError error_;
    int osErrorNumber_ = 0;
    std::mutex mutex_;
};
