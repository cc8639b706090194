#pragma once

#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "J2kHeader.h"
#include "QorStream.h"
#include "ZynError.h"
#include "ZynFile.h"

// The JP2 file behind the ops of one source: its header, read when the file is first opened,
// and the stream the ops decode from, reopened on demand after a close.
class ZynJ2KFile : public ZynFile {
  public:
    ZynJ2KFile(const std::wstring& fileName, bool keepOpen);
    ~ZynJ2KFile() override;

    void close() override;
    bool open() override;

    // False once opening or reading the header failed; error() says why.
    bool valid() const { return valid_; }
    const ZynError& error() const { return error_; }
    const J2kHeader& header() const { return header_; }

    // The open stream, opening the file when it is closed; throws error() when that fails.
    // Closing the file leaves streams handed out usable until they are let go.
    std::shared_ptr<const QorStream> stream();

  private:
    // Opens the stream unless it is open; the reason when that fails.
    std::optional<ZynError> openLocked();
    void recordError(const ZynError& error);

    std::mutex mutex_;
    std::shared_ptr<const QorStream> stream_;
    J2kHeader header_;
    bool valid_ = true;
    ZynError error_;
};
