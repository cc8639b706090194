#pragma once

#include <cstdint>
#include <memory>

#include "ZynDCTMethod.h"
#include "ZynImageFileSource.h"

class ZynJpegImageSourceOp;

// What every JPEG-decoded source shares: the "color_space" and "dctMethod" attributes, the
// setup that describes the four DCT-scaled resolutions, the op per resolution and the metadata
// read from the file's header.
class ZynJpegSourceCommon : public ZynImageFileSource {
  public:
    ZynJpegSourceCommon();
    ZynJpegSourceCommon(const std::wstring& fileName, bool keepOpen);
    ZynJpegSourceCommon(const ZynJpegSourceCommon& other);
    ~ZynJpegSourceCommon() override;

    void setupTransform() override;
    ZynImageOpPtr opForResolution(int outputIndex, const ZynResolution& resolution) override;
    bool readMetadata(const std::string& key, VulMetaValue& value) override;

    // Adds "color_space" and "dctMethod", which every JPEG-decoded source has.
    static void addJpegAttributes(ZynTransform& source);

    // The op of the full resolution (null before the first setup).
    const std::shared_ptr<ZynJpegImageSourceOp>& mainOp() const { return op_; }

  protected:
    // Creates the main op for the current file name and "keep_open".
    virtual std::shared_ptr<ZynJpegImageSourceOp> makeOp();
    // Forgets the op and what was read through it.
    void dropOp();

  private:
    bool readDisplayResolution(const std::string& key, VulMetaValue& value);

    std::shared_ptr<ZynJpegImageSourceOp> op_;
    bool resolutionRead_ = false;
    bool resolutionValid_ = false;
    float xResolution_ = 0;
    float yResolution_ = 0;
    uint8_t resolutionUnit_ = 0;
};
