#include "ZynJpegFileSourceOp.h"

#include "QorString.h"

bool ZynJpegFileSourceOp::checkFileName() {
    if (!fileName().empty()) return true;
    recordError(ZynError(130, "the filename is an empty string"));
    return false;
}

std::string ZynJpegFileSourceOp::inputName() const {
    return qorNarrow(fileName());
}
