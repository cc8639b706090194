#pragma once

#include <cstdint>
#include <istream>
#include <string>

#include "ZynColorSpace.h"
#include "ZynDataType.h"
#include "ZynHardwareDesc.h"

class ZynTransform;

// The text description of a raw source as it is read: after the first '{', lines of
// "name = value ;" up to a "}" line. "label" and names of the transform's attributes go to the
// transform; the eight raw_img keys are kept here; any other name ends the reading at the next
// "}".
struct ZynRawDescription {
    uint32_t width = 0;
    uint32_t height = 0;
    int channels = 0;
    ZynDataType dataType = kZynDefaultDataType;
    ZynColorSpacePtr colorSpace;
    uint32_t offset = 0;
    int organization = 0;  // 0 pixel-interleaved, 1 line-interleaved, 2 band-sequential
    ZynHardwareDesc hardware = nativeHWD;

    // Throws ZynError "Exception on reading attribute <name>: ..." for a value that does not
    // parse, with the code of the underlying error.
    void read(std::istream& in, ZynTransform& transform);
    // Whether all eight keys were read.
    bool complete() const { return keysRead_ == kAllKeys; }
    // The organisation in setFile's numbering (0 pixel, 1 band, 2 line).
    int setFileOrganization() const;

  private:
    // Returns false for a name that is not a raw_img key.
    bool readKey(const std::string& name, const std::string& value);

    static constexpr unsigned kAllKeys = 0xFF;
    unsigned keysRead_ = 0;
};
