#pragma once

#include <mutex>

#include "ZynJpegFileSourceOp.h"

// Decodes with the decoder's alternative implementation, which maps the file by its path.
class ZynJpegIJLImageSourceOp : public ZynJpegFileSourceOp {
  public:
    ZynJpegIJLImageSourceOp(const std::wstring& fileName, bool keepOpen);

    bool open() override;
    void close() override;
    std::unique_ptr<ZynJpegFileSourceOp> cloneFileOp() const override;

    // The decoder's handler for a library that failed to load late.
    [[noreturn]] static void delayedLoadFailed(const char* libraryName);

  protected:
    void withInput(const std::function<void()>& decode) override;
    // Restarting rewinds the mapping inside the decoder; the file needs nothing.
    void resetInput() override {}

  private:
    // Maps the file for the decoder; false with the error recorded.
    bool mapFile();

    std::mutex mutex_;
};
