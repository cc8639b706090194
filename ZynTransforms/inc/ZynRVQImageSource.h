#pragma once

#include <cstdio>
#include <memory>

#include "ZynMainOpSource.h"
#include "ZynRVQImageInfo.h"

class ZynRVQImageSourceOp;

// Source of camera raw files: the image developed into the "image_type" asked for, and its
// thumbnail, as two resolutions. Cameras without a colour calibration of their own need the
// folder of one in "calibration_path" ("wcalibration_path", kept in step).
class ZynRVQImageSource : public ZynMainOpSource<ZynRVQImageSource, ZynRVQImageInfo> {
  public:
    using ZynMainOpSource::ZynMainOpSource;

    static ZynTransformPtr recognize(const std::wstring& fileName, FILE* file, bool keepOpen);
    static void declare(ZynTransform& source);

    void fileNameChanged() override;
    void attributeChanged(ZynAttribute& attribute) override;
    void setupTransform() override;
    ZynImageOpPtr opForResolution(int outputIndex, const ZynResolution& resolution) override;
    void postRender() override;

  private:
    void describeOutput();

    // The developed image, then the thumbnail.
    std::shared_ptr<ZynRVQImageSourceOp> ops_[2];
};
