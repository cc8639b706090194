#pragma once

#include <cstdint>
#include <memory>

#include "ZynDCTMethod.h"
#include "ZynJpegImageSourceOp.h"
#include "ZynMainOpSource.h"

class ZynJpegImageSource;

// What every JPEG-decoded source shares: the "color_space" and "dctMethod" attributes, the
// setup that describes the four DCT-scaled resolutions, the op per resolution and the metadata
// read from the file's header.
class ZynJpegSourceCommon : public ZynMainOpSource<ZynJpegImageSource, ZynJpegImageSourceOp> {
  public:
    ZynJpegSourceCommon();
    ZynJpegSourceCommon(const std::wstring& fileName, bool keepOpen);
    ZynJpegSourceCommon(const ZynJpegSourceCommon& other);
    ~ZynJpegSourceCommon() override;

    void fileNameChanged() override;
    void setupTransform() override;
    bool readMetadata(const std::string& key, VulMetaValue& value) override;

    // Adds "color_space" and "dctMethod", which every JPEG-decoded source has.
    static void addJpegAttributes(ZynTransform& source);

  private:
    // Forgets the op and what was read through it.
    void dropOp();
    bool readDisplayResolution(const std::string& key, VulMetaValue& value);

    bool resolutionRead_ = false;
    bool resolutionValid_ = false;
    float xResolution_ = 0;
    float yResolution_ = 0;
    uint8_t resolutionUnit_ = 0;
};
