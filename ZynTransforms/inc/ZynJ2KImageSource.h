#pragma once

#include <cstdio>
#include <memory>
#include <vector>

#include "ZynJ2KFile.h"
#include "ZynMainOpSource.h"

class ZynJ2KImageSourceOp;

// Source of JP2 files: one resolution per wavelet level of the codestream, decoded with the
// number of quality layers "qualityLayer" asks for (0: all), in the JP2 colour space.
class ZynJ2KImageSource : public ZynMainOpSource<ZynJ2KImageSource, ZynJ2KFile> {
  public:
    using ZynMainOpSource::ZynMainOpSource;

    static ZynTransformPtr recognize(const std::wstring& fileName, FILE* file, bool keepOpen);
    static void declare(ZynTransform& source);

    void fileNameChanged() override;
    void setupTransform() override;
    ZynImageOpPtr opForResolution(int outputIndex, const ZynResolution& resolution) override;
    // Answers "DigitalProcess.ICCProfile" with the profile of the JP2 colour box.
    bool readMetadata(const std::string& key, VulMetaValue& value) override;

  private:
    void describeOutput();

    // One op per resolution level, level 0 first.
    std::vector<std::shared_ptr<ZynJ2KImageSourceOp>> ops_;
};
