#include "ZynValue.h"

#include <cstdio>
#include <sstream>

#include "ZynError.h"

namespace {

struct UnitInfo {
    ZynUnit unit;
    const char* name;
    double meters;  // 0 for units that are not physical lengths
};

constexpr UnitInfo kUnits[] = {
    {ZynUnit::Arbitrary, "arbitrary", 0},   {ZynUnit::Pixel, "pixel", 0},
    {ZynUnit::Width, "width", 0},           {ZynUnit::Height, "height", 0},
    {ZynUnit::Normalized, "normalized", 0}, {ZynUnit::Meter, "meter", 1.0},
    {ZynUnit::Micron, "micron", 1e-6},      {ZynUnit::Millimeter, "mm", 1e-3},
    {ZynUnit::Centimeter, "cm", 1e-2},      {ZynUnit::Decimeter, "dm", 1e-1},
    {ZynUnit::Mil, "mil", 2.54e-5},         {ZynUnit::Point, "pt", 0.0254 / 72.0},
    {ZynUnit::Pica, "pica", 0.0254 / 6.0},  {ZynUnit::Inch, "inch", 0.0254},
    {ZynUnit::Undefined, "undefined", 0},
};

const UnitInfo* find(ZynUnit unit) {
    for (const auto& u : kUnits)
        if (u.unit == unit) return &u;
    return nullptr;
}

}  // namespace

bool zynIsRelativeUnit(ZynUnit unit) {
    return unit == ZynUnit::Width || unit == ZynUnit::Height || unit == ZynUnit::Normalized;
}

bool zynIsValidUnit(unsigned code) {
    return find(static_cast<ZynUnit>(code)) != nullptr;
}

std::string zynUnitName(ZynUnit unit) {
    const UnitInfo* u = find(unit);
    return u ? u->name : "unit " + std::to_string(static_cast<unsigned>(unit));
}

bool zynConvertUnit(double value, ZynUnit from, ZynUnit to, double& result) {
    if (from == to) {
        result = value;
        return true;
    }
    const UnitInfo* f = find(from);
    const UnitInfo* t = find(to);
    if (!f || !t || f->meters == 0 || t->meters == 0) return false;
    result = value * f->meters / t->meters;
    return true;
}

std::string ZynValue::toText() const {
    std::ostringstream out;
    out.precision(17);
    out << value << " " << zynUnitName(unit);
    return out.str();
}

ZynValue ZynValue::fromText(const std::string& text) {
    std::istringstream in(text);
    ZynValue v;
    std::string unit;
    if (!(in >> v.value)) throw ZynError(13, "Illegal value for ZynValue: " + text);
    if (!(in >> unit)) return v;
    for (const auto& u : kUnits) {
        if (unit == u.name) {
            v.unit = u.unit;
            return v;
        }
    }
    unsigned code = 0;
    if (std::sscanf(unit.c_str(), "%u", &code) == 1 && zynIsValidUnit(code)) {
        v.unit = static_cast<ZynUnit>(code);
        return v;
    }
    throw ZynError(13, "Illegal value for ZynValue: " + text);
}
