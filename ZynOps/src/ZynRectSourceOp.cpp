#include "ZynRectSourceOp.h"

ZynError zynRectOutsideImage(const ZynRect& r, const std::string& kind, int64_t width,
                             int64_t height) {
    return ZynError(411, "requested (" + std::to_string(r.x) + "," + std::to_string(r.y) +
                             ") w=" + std::to_string(r.width) + ", h=" + std::to_string(r.height) +
                             " pixels from " + kind + " image which is " + std::to_string(width) +
                             "x" + std::to_string(height) + " pixels");
}
