#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "ZynDCTMethod.h"
#include "ZynImageSourceOp.h"

// What the JPEG source asks of its op, whichever decoder implementation serves it.
class ZynJpegImageSourceOpBase : public ZynImageSourceOp {
  public:
    // The colour space asked for through "color_space" (empty: none).
    virtual void setColorSpaceName(const std::string& name) = 0;
    virtual void setDctMethod(ZynDCTMethod::dctMethod method) = 0;

    // Header facts of the file; false when the file has none.
    virtual bool quantTable(int component, std::vector<uint16_t>& table) = 0;
    virtual bool iccProfile(std::vector<uint8_t>& profile) = 0;
    virtual bool displayResolution(uint16_t& x, uint16_t& y, uint8_t& unit) = 0;
};
