#pragma once

#include <cstdio>
#include <memory>

#include "PNGReadOptions.h"
#include "ZynMainOpSource.h"
#include "ZynPNGImageSourceOp.h"

class ZynPNGReducedResImageSourceOp;
class ZynPNGTagImageSourceOp;
class ZynXyCoordSpace;

// Source of PNG files. "out" offers the primary image at its size and, when the file embeds
// one, at the size of its reduced-resolution image; "OutTag" offers the embedded chroma-key tag
// image, or carries error 1 when there is none. Eleven bool attributes "png_..." select libpng
// transformations of the primary image.
class ZynPNGImageSource : public ZynMainOpSource<ZynPNGImageSource, ZynPNGImageSourceOp> {
  public:
    using ZynMainOpSource::ZynMainOpSource;

    static ZynTransformPtr recognize(const std::wstring& fileName, FILE* file, bool keepOpen);
    static void declare(ZynTransform& source);

    void fileNameChanged() override;
    void attributeChanged(ZynAttribute& attribute) override;
    void setupTransform() override;
    ZynImageOpPtr opForResolution(int outputIndex, const ZynResolution& resolution) override;
    void postRender() override;

    // The transformations the "png_..." attributes select.
    PNGReadOptions options() const;

  private:
    void dropOps();
    std::shared_ptr<ZynXyCoordSpace> coordSpace(const ZynOutputInfo& info) const;
    bool addReducedRes(const ZynOutputInfo& primary, ZynXyCoordSpace& coordSpace);
    void publishTag(const ZynOutputInfo& primary, const ZynXyCoordSpace& coordSpace);

    std::shared_ptr<ZynPNGTagImageSourceOp> tagOp_;
    std::shared_ptr<ZynPNGReducedResImageSourceOp> reducedOp_;
};
