#include "ZynOp.h"

ZynImageOp::ZynImageOp(const ZynImageOp& other)
    : ZynOp(other), valid_(other.valid()), error_(other.error()) {}

bool ZynImageOp::outputInfoBase(ZynOutputInfo& info) {
    if (outputInfo(info)) return true;
    if (info.error.code() == 0 && info.error.message().empty()) info.error = error();
    if (info.error.code() == 0 && info.error.message().empty())
        info.error = ZynError(123, "Output information is not available");
    return false;
}

ZynError ZynImageOp::error() const {
    std::lock_guard lock(errorMutex_);
    return error_;
}

void ZynImageOp::recordError(const ZynError& error) {
    std::lock_guard lock(errorMutex_);
    error_ = error;
    valid_ = false;
}
