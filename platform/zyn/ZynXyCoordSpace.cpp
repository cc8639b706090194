#include "ZynXyCoordSpace.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <sstream>

#include "ZynError.h"

ZynXyCoordSpace::ZynXyCoordSpace(ZynValue width, ZynValue height)
    : width_(width), height_(height) {}

void ZynXyCoordSpace::addResolution(const ZynResolution& resolution) {
    resolutions_.push_back(resolution);
}

void ZynXyCoordSpace::setResolutions(std::vector<ZynResolution> resolutions) {
    resolutions_ = std::move(resolutions);
    if (defaultResolution_ >= static_cast<int>(resolutions_.size())) defaultResolution_ = 0;
}

bool ZynXyCoordSpace::hasResolution(const ZynResolution& resolution) const {
    return indexOf(resolution) >= 0;
}

int ZynXyCoordSpace::indexOf(const ZynResolution& resolution) const {
    const auto found = std::find(resolutions_.begin(), resolutions_.end(), resolution);
    return found == resolutions_.end() ? -1 : static_cast<int>(found - resolutions_.begin());
}

void ZynXyCoordSpace::setDefaultResolution(int index) {
    if (index < 0 || index >= static_cast<int>(resolutions_.size()))
        throw ZynError(13, "Default resolution index out of range");
    defaultResolution_ = index;
}

ZynValue ZynXyCoordSpace::relativeWidthToAbsolute(const ZynValue& value) const {
    switch (value.unit) {
        case ZynUnit::Width:
        case ZynUnit::Normalized:
            return {value.value * width_.value, width_.unit};
        case ZynUnit::Height: {
            double height = height_.value;
            zynConvertUnit(height_.value, height_.unit, width_.unit, height);
            return {value.value * height, width_.unit};
        }
        default:
            return value;
    }
}

ZynValue ZynXyCoordSpace::relativeHeightToAbsolute(const ZynValue& value) const {
    switch (value.unit) {
        case ZynUnit::Height:
        case ZynUnit::Normalized:
            return {value.value * height_.value, height_.unit};
        case ZynUnit::Width: {
            double width = width_.value;
            zynConvertUnit(width_.value, width_.unit, height_.unit, width);
            return {value.value * width, height_.unit};
        }
        default:
            return value;
    }
}

ZynXyCoordSpace ZynXyCoordSpace::withSize(const ZynValue& width, const ZynValue& height) const {
    ZynXyCoordSpace space = *this;
    space.width_ = width;
    space.height_ = height;
    return space;
}

ZynXyCoordSpace ZynXyCoordSpace::scaledTo(const ZynValue& width, const ZynValue& height) const {
    ZynXyCoordSpace space = withSize(width, height);
    double w = 0, h = 0;
    if (!zynConvertUnit(width.value, width.unit, width_.unit, w) ||
        !zynConvertUnit(height.value, height.unit, height_.unit, h) || width_.value <= 0 ||
        height_.value <= 0)
        return space;
    const double sx = w / width_.value;
    const double sy = h / height_.value;
    for (auto& r : space.resolutions_) {
        r.width = static_cast<uint32_t>(std::max(1.0, std::round(r.width * sx)));
        r.height = static_cast<uint32_t>(std::max(1.0, std::round(r.height * sy)));
    }
    return space;
}

std::string ZynXyCoordSpace::toText() const {
    std::ostringstream out;
    out << "[" << width_.toText() << "," << height_.toText() << ":";
    for (size_t i = 0; i < resolutions_.size(); ++i)
        out << (i ? "," : "") << resolutions_[i].width << "x" << resolutions_[i].height;
    out << "]";
    return out.str();
}

std::shared_ptr<ZynXyCoordSpace> ZynXyCoordSpace::fromText(const std::string& text) {
    const size_t comma = text.find(',');
    const size_t colon = text.find(':');
    if (text.empty() || text[0] != '[' || comma == std::string::npos ||
        colon == std::string::npos || comma > colon || text.back() != ']')
        throw ZynError(13, "Illegal value for ZynXyCoordSpace: " + text);
    auto space = std::make_shared<ZynXyCoordSpace>(
        ZynValue::fromText(text.substr(1, comma - 1)),
        ZynValue::fromText(text.substr(comma + 1, colon - comma - 1)));
    std::istringstream list(text.substr(colon + 1, text.size() - colon - 2));
    std::string item;
    while (std::getline(list, item, ',')) {
        unsigned w = 0, h = 0;
        if (std::sscanf(item.c_str(), "%ux%u", &w, &h) != 2)
            throw ZynError(13, "Illegal value for ZynXyCoordSpace: " + text);
        space->addResolution({w, h});
    }
    return space;
}
