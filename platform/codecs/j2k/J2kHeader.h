#pragma once

#include <cstdint>
#include <vector>

#include "J2kBoxes.h"

// Precision, signedness and sampling of one codestream component.
struct J2kComponent {
    uint32_t precision = 0;
    bool isSigned = false;
    uint32_t dx = 1;
    uint32_t dy = 1;
};

// What the main header of the codestream and the JP2 boxes say about an image.
struct J2kHeader {
    // The image area on the reference grid.
    uint32_t x0 = 0;
    uint32_t y0 = 0;
    uint32_t x1 = 0;
    uint32_t y1 = 0;
    std::vector<J2kComponent> components;
    // The tile grid on the reference grid.
    uint32_t tileX0 = 0;
    uint32_t tileY0 = 0;
    uint32_t tileWidth = 0;
    uint32_t tileHeight = 0;
    uint32_t tilesAcross = 0;
    uint32_t tilesDown = 0;
    // Resolution levels every component offers (wavelet decompositions + 1).
    uint32_t levels = 0;
    uint32_t layers = 0;
    // Samples of the smallest code-block any component uses.
    uint64_t codeBlockSamples = 4096;
    // Whether the first three components went through the reversible or irreversible colour
    // transform; the decoder inverts it.
    bool componentTransform = false;
    J2kColourBox color;

    // The image is component 0 at each level: a reference-grid coordinate becomes a column or
    // row of component 0, then is scaled by 2^-level, rounding up as the codestream does.
    uint64_t levelColumn(uint64_t referenceX, uint32_t level) const;
    uint64_t levelRow(uint64_t referenceY, uint32_t level) const;
    uint32_t levelWidth(uint32_t level) const;
    uint32_t levelHeight(uint32_t level) const;
    // What the decoder allocates for a region of `width` x `height` pixels at a level, whatever
    // the level: the region's samples and, for a tile it touches, the tile's code-block records.
    uint64_t decodeBytes(int64_t width, int64_t height) const;
    // Component 0's sampling step on the reference grid.
    uint32_t stepX() const { return components.empty() ? 1 : components[0].dx; }
    uint32_t stepY() const { return components.empty() ? 1 : components[0].dy; }
};

// ceil(value / 2^shift), for the shifts levels use (up to 32).
constexpr uint64_t j2kCeilShift(uint64_t value, uint32_t shift) {
    return shift >= 64 ? (value != 0) : (value + (uint64_t{1} << shift) - 1) >> shift;
}
