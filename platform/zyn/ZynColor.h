#pragma once

#include <string>
#include <vector>

// A colour as a list of sample values, one per band (or one for every band).
struct ZynColor {
    std::vector<double> values;

    bool operator==(const ZynColor&) const = default;
    // "[v0,v1,...]"
    std::string toText() const;
    static ZynColor fromText(const std::string& text);
};
