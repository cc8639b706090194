#pragma once

#include <optional>
#include <string>
#include <vector>

#include "AnyImageArgs.h"
#include "AnyImageControl.h"
#include "ZynImageOutputCP.h"
#include "ZynTransform.h"
#include "ZynValue.h"

// The image behind a file as a host sees it: the component's control with the file name set
// (or, with --source, a source created by registry name), its answers, and the transform the
// host pulls pixels from: the source, or with --op the last operation appended to it. Failed
// answers of the control throw ControlError.
class ImageHandle {
  public:
    ImageHandle(const std::string& file, const AnyImageArgs& args);

    ZynTransform& transform() { return *transform_; }
    // Throws the transform's error when its setup failed.
    ZynImageOutputCP& output();
    // The format source and how it is held: "PpmSource behind ZynAnyImageSource.ImageSource".
    std::string sourceDescription() const;
    // How the host reached the source: the control and how it was made.
    std::string controlDescription() const;

    // The control's answers about the primary output (for a source created by name, the
    // control-support library's).
    bool statusOK();
    ZynValue width();
    ZynValue height();
    TevColorSpace colorSpace();
    std::vector<ZynResolution> resolutions();
    // Loads a metadata registry file (VUL_MMA_DEFAULT).
    void loadMetaDataRegistry(const std::string& path);
    // The value of a metadata key; VT_EMPTY when the image has none.
    void metaData(const std::string& key, VARIANT* value);
    // The key's usage bits; none when it is not registered.
    std::optional<LONG> metaDataUsage(const std::string& key);

    // The resolution the arguments select (the default one when they select none).
    ZynResolution resolution(const AnyImageArgs& args);
    ZynOutputInfo outputInfo(const ZynResolution& resolution);
    void render(const ZynResolution& resolution, ZynRectBuffer& buffer);

  private:
    ZynValue extent(bool horizontal);
    void openThroughControl(const std::string& file, const AnyImageArgs& args);
    // What pixels are read from: the last operation, or the source.
    ZynTransform& image() { return operations_ ? *operations_ : *transform_; }

    std::optional<AnyImageControl> control_;
    ZynTransformPtr byName_;
    ZynTransform* transform_ = nullptr;
    ZynTransformPtr operations_;  // the last of the --op operations
};
