#pragma once

#include "ZynColorSpace.h"
#include "ZynOutputInfo.h"
#include "ZynRectBuffer.h"

// A source that fills rectangles itself instead of through an op of its own making; a
// ZynRectSourceOp puts it in front of the engine.
class ZynRectSource {
  public:
    virtual ~ZynRectSource() = default;

    // Size and native tile of the one resolution the source offers.
    virtual bool rectInfo(ZynOutputInfo& info) = 0;
    virtual bool canFill(const ZynRectBuffer& buffer) = 0;
    virtual void genRect(ZynRectBuffer& buffer) = 0;
    virtual ZynColorSpacePtr rectColorSpace() = 0;
    // What the op answers for the source (ZynImageOp).
    virtual bool gainsFromConcurrentRequests() const { return false; }
    virtual bool wordsOutsideRequests() const { return false; }
};
