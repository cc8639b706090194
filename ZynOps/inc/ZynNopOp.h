#pragma once

#include "ZynOp.h"
#include "ZynUpstream.h"

// The op of the pass-through: the input's pixels at the same resolution, written straight into
// the caller's buffer.
class ZynNopOp : public ZynImageOp {
  public:
    explicit ZynNopOp(ZynUpstream input);
    ~ZynNopOp() override;

    bool outputInfo(ZynOutputInfo& info) override;
    bool canFill(const ZynRectBuffer&) override { return true; }
    // Not gainsFromConcurrentRequests: the input gets the whole request and spreads it itself.
    // Errors of the input reach the caller as the input raised them.
    void genRect(ZynRectBuffer& buffer) override;

  private:
    ZynUpstream input_;
};
