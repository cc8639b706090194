#pragma once

#include <memory>
#include <vector>

#include "ZynSimpleDataOrg.h"

// The organisations a caller may hand the engine: each interleave, with bands in order or
// reversed.
struct Layout {
    const char* name;
    ZynInterleave interleave;
    bool reversed;
};

inline const Layout kLayouts[] = {
    {"pixel", ZynInterleave::Pixel, false},       {"line", ZynInterleave::Line, false},
    {"band", ZynInterleave::Band, false},         {"pixel reversed", ZynInterleave::Pixel, true},
    {"line reversed", ZynInterleave::Line, true}, {"band reversed", ZynInterleave::Band, true},
};

inline ZynDataOrgPtr makeOrg(const Layout& l, uint32_t w, uint32_t h, ZynDataType type, int bands) {
    ZynSimpleDataOrg org(w, h, type, bands, l.interleave);
    if (!l.reversed) return std::make_shared<ZynSimpleDataOrg>(org);
    std::vector<int64_t> offsets(org.bandOffsets().rbegin(), org.bandOffsets().rend());
    return std::make_shared<ZynSimpleDataOrg>(w, h, type, l.interleave, offsets, org.pixelStride(),
                                              org.lineStride());
}
