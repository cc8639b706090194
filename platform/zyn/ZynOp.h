#pragma once

#include <atomic>
#include <memory>
#include <mutex>

#include "ZynColorSpace.h"
#include "ZynError.h"
#include "ZynOutputInfo.h"
#include "ZynRectBuffer.h"

class ZynOp {
  public:
    virtual ~ZynOp() = default;
};

// The renderer of one output at one resolution.
class ZynImageOp : public ZynOp {
  public:
    ZynImageOp() = default;
    // Ops are copied for further resolutions while other threads may render from the original.
    ZynImageOp(const ZynImageOp& other);
    ZynImageOp& operator=(const ZynImageOp&) = delete;

    // Runs outputInfo; when it fails and left no reason, the op's recorded error is the reason.
    bool outputInfoBase(ZynOutputInfo& info);

    virtual bool outputInfo(ZynOutputInfo& info) = 0;
    // Fills the buffer's rectangle. The engine calls it with buffers the op accepted through
    // canFill, or with one native tile in the op's own organisation.
    virtual void genRect(ZynRectBuffer& buffer) = 0;
    // Whether genRect can fill this buffer as it is (rectangle and organisation).
    virtual bool canFill(const ZynRectBuffer& buffer) { return false; }
    // Whether native tiles of one request may be rendered on several threads at once and gain
    // by it. Ops that serialise whole requests, or decode strictly forward, keep the default.
    virtual bool gainsFromConcurrentRequests() const { return false; }
    // Whether concurrent requests in any order are safe and cheap for it, gain or not; an
    // operation whose own work gains may then pull its input so.
    virtual bool takesConcurrentRequests() const { return gainsFromConcurrentRequests(); }
    // Whether genRect refuses rectangles outside the image with a message of its own, which
    // the engine then lets it give.
    virtual bool wordsOutsideRequests() const { return false; }
    // Whether any part of a native tile costs the decoding of all of it, so that the tiles
    // neighbouring items of a parallel request pull are worth sharing among them.
    virtual bool decodesWholeTiles() const { return false; }
    virtual ZynColorSpacePtr getColorSpace() { return nullptr; }

    bool valid() const { return valid_; }
    ZynError error() const;
    // Records an error and clears validity.
    void recordError(const ZynError& error);

  protected:
    void setValid(bool valid) { valid_ = valid; }

  private:
    // Set by whichever thread opens the file while others describe or render.
    std::atomic<bool> valid_{true};
    mutable std::mutex errorMutex_;
    ZynError error_;
};

using ZynImageOpPtr = std::shared_ptr<ZynImageOp>;
