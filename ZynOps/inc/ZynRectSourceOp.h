#pragma once

#include <string>

#include "ZynError.h"
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
    bool gainsFromConcurrentRequests() const override {
        return source_.gainsFromConcurrentRequests();
    }
    bool wordsOutsideRequests() const override { return source_.wordsOutsideRequests(); }

  private:
    ZynRectSource& source_;
};

// ZynError 411 for a rectangle outside an image: "requested (x,y) w=W, h=H pixels from <kind>
// image which is WxH pixels".
ZynError zynRectOutsideImage(const ZynRect& rect, const std::string& kind, int64_t width,
                             int64_t height);
