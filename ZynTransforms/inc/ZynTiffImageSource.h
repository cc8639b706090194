#pragma once

#include <cstdio>
#include <memory>
#include <mutex>
#include <vector>

#include "ZynMainOpSource.h"
#include "ZynTiffImageSourceOp.h"

class VulTiffMetaAccessor;

// Source of TIFF files: the first directory is the image, and later directories marked as
// reduced-resolution images are further resolutions of it.
class ZynTiffImageSource : public ZynMainOpSource<ZynTiffImageSource, ZynTiffImageSourceOp> {
  public:
    ZynTiffImageSource();
    ZynTiffImageSource(const std::wstring& fileName, bool keepOpen);
    ZynTiffImageSource(const ZynTiffImageSource& other);
    ~ZynTiffImageSource() override;

    static ZynTransformPtr recognize(const std::wstring& fileName, FILE* file, bool keepOpen);

    void fileNameChanged() override;
    void setupTransform() override;
    ZynImageOpPtr opForResolution(int outputIndex, const ZynResolution& resolution) override;
    bool readMetadata(const std::string& key, VulMetaValue& value) override;

  private:
    std::unique_ptr<VulTiffMetaAccessor> openMetadata();

    // The op resolution behind each resolution the output offers, in the output's order.
    std::vector<int16_t> offered_;
    std::mutex metadataMutex_;
    std::unique_ptr<VulTiffMetaAccessor> metadata_;
};
