#pragma once

#include <string>

#include "AnyImageArgs.h"
#include "ZynImageOutputCP.h"
#include "ZynTransform.h"

// The image behind a file as a host sees it: a transform (the any-image source, or a source
// created by registry name), set up, with its primary output; or, with --op, the last of the
// operations appended to it.
class ImageHandle {
  public:
    ImageHandle(const std::string& file, const AnyImageArgs& args);

    ZynTransform& transform() { return *transform_; }
    // Throws the transform's error when its setup failed.
    ZynImageOutputCP& output();
    // The format source and how it is held: "PpmSource behind ZynAnyImageSource.ImageSource".
    std::string sourceDescription() const;

    // The resolution the arguments select (the default one when they select none).
    ZynResolution resolution(const AnyImageArgs& args);
    ZynOutputInfo outputInfo(const ZynResolution& resolution);
    void render(const ZynResolution& resolution, ZynRectBuffer& buffer);

  private:
    ZynTransformPtr transform_;
    ZynTransformPtr image_;  // what is read: the last operation, or the source
};
