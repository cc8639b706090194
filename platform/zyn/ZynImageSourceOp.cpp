#include "ZynImageSourceOp.h"

#include <algorithm>

int ZynImageSourceOp::resolutionIndex(const ZynResolution& resolution) const {
    const auto found = std::find(resolutions_.begin(), resolutions_.end(), resolution);
    return found == resolutions_.end() ? -1 : static_cast<int>(found - resolutions_.begin());
}

ZynResolution ZynImageSourceOp::selectedSize() const {
    if (selected_ < 0 || selected_ >= static_cast<int>(resolutions_.size())) return {};
    return resolutions_[static_cast<size_t>(selected_)];
}
