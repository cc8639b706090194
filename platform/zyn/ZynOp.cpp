#include "ZynOp.h"

bool ZynImageOp::outputInfoBase(ZynOutputInfo& info) {
    if (outputInfo(info)) return true;
    if (info.error.code() == 0 && info.error.message().empty()) info.error = error_;
    if (info.error.code() == 0 && info.error.message().empty())
        info.error = ZynError(123, "Output information is not available");
    return false;
}

void ZynImageOp::recordError(const ZynError& error) {
    error_ = error;
    valid_ = false;
}
