#pragma once

#include <cstdint>

#include "ZynError.h"
#include "ZynSimpleDataOrg.h"

// What an op tells about its image at one resolution: the image size and the native tile,
// the organisation in which the op fills buffers most cheaply.
struct ZynOutputInfo {
    uint32_t width = 0;
    uint32_t height = 0;
    int64_t originX = 0;
    int64_t originY = 0;
    ZynDataOrgPtr dataOrg;
    ZynError error;  // why the information is not available, when it is not
};
