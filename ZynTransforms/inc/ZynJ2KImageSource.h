#pragma once

#include <cstdio>
#include <memory>
#include <vector>

#include "ZynImageFileSource.h"

class ZynJ2KFile;
class ZynJ2KImageSourceOp;

// Source of JP2 files: one resolution per wavelet level of the codestream, decoded with the
// number of quality layers "qualityLayer" asks for (0: all), in the JP2 colour space.
class ZynJ2KImageSource : public ZynImageFileSource {
  public:
    ZynJ2KImageSource();
    ZynJ2KImageSource(const std::wstring& fileName, bool keepOpen);
    ZynJ2KImageSource(const ZynJ2KImageSource& other);
    ~ZynJ2KImageSource() override;

    static ZynTransformPtr recognize(const std::wstring& fileName, FILE* file, bool keepOpen);

    ZynTransformPtr clone() const override;
    void fileNameChanged() override;
    void setupTransform() override;
    ZynImageOpPtr opForResolution(int outputIndex, const ZynResolution& resolution) override;
    void postRender() override;
    // Answers "DigitalProcess.ICCProfile" with the profile of the JP2 colour box.
    bool readMetadata(const std::string& key, VulMetaValue& value) override;

  private:
    void addAttributes();
    void describeOutput();

    std::shared_ptr<ZynJ2KFile> file_;
    // One op per resolution level, level 0 first.
    std::vector<std::shared_ptr<ZynJ2KImageSourceOp>> ops_;
};
