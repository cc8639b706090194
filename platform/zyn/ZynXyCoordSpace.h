#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ZynRect.h"
#include "ZynValue.h"

// The extent of an image and the pixel sizes (resolutions) at which it is available.
class ZynXyCoordSpace {
  public:
    ZynXyCoordSpace(ZynValue width, ZynValue height);

    const ZynValue& width() const { return width_; }
    const ZynValue& height() const { return height_; }

    const std::vector<ZynResolution>& resolutions() const { return resolutions_; }
    void addResolution(const ZynResolution& resolution);
    void setResolutions(std::vector<ZynResolution> resolutions);
    bool hasResolution(const ZynResolution& resolution) const;
    // Index of the resolution in the list, or -1.
    int indexOf(const ZynResolution& resolution) const;
    int defaultResolution() const { return defaultResolution_; }
    void setDefaultResolution(int index);

    // A value in a relative unit (width, height, normalized) expressed in the unit of the width,
    // or of the height; other values come back as they are.
    ZynValue relativeWidthToAbsolute(const ZynValue& value) const;
    ZynValue relativeHeightToAbsolute(const ZynValue& value) const;

    // The same space with another extent and the same resolutions.
    ZynXyCoordSpace withSize(const ZynValue& width, const ZynValue& height) const;
    // Another extent, each resolution scaled by the ratio of the new extent to this one (when the
    // units allow the comparison; otherwise the resolutions stay).
    ZynXyCoordSpace scaledTo(const ZynValue& width, const ZynValue& height) const;

    std::string toText() const;
    static std::shared_ptr<ZynXyCoordSpace> fromText(const std::string& text);

    bool operator==(const ZynXyCoordSpace&) const = default;

  private:
    ZynValue width_;
    ZynValue height_;
    std::vector<ZynResolution> resolutions_;
    int defaultResolution_ = 0;
};

using ZynCoordSpacePtr = std::shared_ptr<const ZynXyCoordSpace>;
