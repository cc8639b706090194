#include "ZynJpegFileSourceOp.h"

bool ZynJpegFileSourceOp::checkFileName() {
    if (!fileName().empty()) return true;
    recordError(ZynError(130, "the filename is an empty string"));
    return false;
}
