#pragma once

#include <cstdio>

#include "ZynMainOpSource.h"
#include "ZynPpmImageSourceOp.h"

// Source of 8-bit binary portable pixmaps ("P6").
class ZynPpmImageSource : public ZynMainOpSource<ZynPpmImageSource, ZynPpmImageSourceOp> {
  public:
    using ZynMainOpSource::ZynMainOpSource;

    static ZynTransformPtr recognize(const std::wstring& fileName, FILE* file, bool keepOpen);

    void setupTransform() override;
};
