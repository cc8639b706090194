#pragma once

#include <memory>

#include "ZynColorSpace.h"
#include "ZynSimpleDataOrg.h"

// How a buffer of samples is to be read: its colour space and its layout.
struct ZynBufferInfo {
    ZynColorSpacePtr colorSpace;
    ZynDataOrgPtr dataOrg;
};

using ZynBufferInfoPtr = std::shared_ptr<const ZynBufferInfo>;
