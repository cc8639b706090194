#pragma once

#include <cstdio>
#include <memory>

#include "ZynImageFileSource.h"

class ZynPpmImageSourceOp;

// Source of 8-bit binary portable pixmaps ("P6").
class ZynPpmImageSource : public ZynImageFileSource {
  public:
    ZynPpmImageSource() = default;
    ZynPpmImageSource(const std::wstring& fileName, bool keepOpen);
    ZynPpmImageSource(const ZynPpmImageSource& other);
    ~ZynPpmImageSource() override;

    static ZynTransformPtr recognize(const std::wstring& fileName, FILE* file, bool keepOpen);

    ZynTransformPtr clone() const override;
    void fileNameChanged() override;
    void setupTransform() override;
    ZynImageOpPtr opForResolution(int outputIndex, const ZynResolution& resolution) override;
    void postRender() override;

  private:
    std::shared_ptr<ZynPpmImageSourceOp> op_;
};
