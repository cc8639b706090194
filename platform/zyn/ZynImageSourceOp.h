#pragma once

#include <cstdint>
#include <vector>

#include "ZynOp.h"
#include "ZynRect.h"

// The op of an image source: the list of resolution sizes it offers and the selected one.
class ZynImageSourceOp : public ZynImageOp {
  public:
    const std::vector<ZynResolution>& resolutions() const { return resolutions_; }
    void addResolution(uint32_t width, uint32_t height) { resolutions_.push_back({width, height}); }
    void clearResolutions() { resolutions_.clear(); }
    // Index of the size in the list, or -1.
    int resolutionIndex(const ZynResolution& resolution) const;
    int16_t selectedResolution() const { return selected_; }
    void selectResolution(int16_t index) { selected_ = index; }
    // Size of the selected resolution (0 x 0 without one).
    ZynResolution selectedSize() const;

    // The full image size as the framework op base knows it.
    uint32_t imageWidth() const { return imageWidth_; }
    uint32_t imageHeight() const { return imageHeight_; }
    void setImageSize(uint32_t width, uint32_t height) {
        imageWidth_ = width;
        imageHeight_ = height;
    }

  private:
    std::vector<ZynResolution> resolutions_;
    int16_t selected_ = 0;
    uint32_t imageWidth_ = 0;
    uint32_t imageHeight_ = 0;
};
