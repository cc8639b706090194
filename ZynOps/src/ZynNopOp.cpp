#include "ZynNopOp.h"

ZynNopOp::ZynNopOp(ZynUpstream input) : input_(std::move(input)) {}

ZynNopOp::~ZynNopOp() = default;

bool ZynNopOp::outputInfo(ZynOutputInfo& info) {
    return input_.outputInfo(info);
}

void ZynNopOp::genRect(ZynRectBuffer& buffer) {
    input_.render(buffer);
}
