#pragma once

#include "ZynFilenameAttribute.h"
#include "ZynImageSource.h"

// A source reading an image file: the file name and the bool "keep_open" (hold the file open
// between requests).
class ZynImageFileSource : public ZynImageSource, public ZynFilenameAttribute {
  public:
    ZynImageFileSource();
    ZynImageFileSource(const std::wstring& fileName, bool keepOpen);
    ZynImageFileSource(const ZynImageFileSource& other) = default;

    bool keepOpen() const { return getAttribute<bool>("keep_open"); }
};
