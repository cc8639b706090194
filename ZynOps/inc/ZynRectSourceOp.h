#pragma once

#include "ZynImageSourceOp.h"
#include "ZynRectSource.h"

// The op of a source that fills rectangles itself: everything is asked of the source, which
// outlives the op's use (the engine keeps ops in the source's own outputs).
class ZynRectSourceOp : public ZynImageSourceOp {
  public:
    explicit ZynRectSourceOp(ZynRectSource& source) : source_(source) {}

    bool outputInfo(ZynOutputInfo& info) override { return source_.rectInfo(info); }
    bool canFill(const ZynRectBuffer& buffer) override { return source_.canFill(buffer); }
    void genRect(ZynRectBuffer& buffer) override { source_.genRect(buffer); }
    ZynColorSpacePtr getColorSpace() override { return source_.rectColorSpace(); }

  private:
    ZynRectSource& source_;
};
