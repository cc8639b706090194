#pragma once

#include <string>

// Spatial units, numbered as the control's unit enumeration numbers them.
enum class ZynUnit : unsigned {
    Arbitrary = 0,
    Pixel = 1,
    Width = 2,       // relative to the image's width
    Height = 3,      // relative to the image's height
    Normalized = 4,  // a fraction of the width for x, of the height for y
    Meter = 5,
    Micron = 6,
    Millimeter = 7,
    Centimeter = 8,
    Decimeter = 9,
    Mil = 10,
    Point = 11,
    Pica = 12,
    Inch = 13,
    Undefined = 999,
};

bool zynIsRelativeUnit(ZynUnit unit);
bool zynIsValidUnit(unsigned code);
std::string zynUnitName(ZynUnit unit);
// Converts between two units that measure the same thing (physical lengths, or the same unit);
// returns false when they do not.
bool zynConvertUnit(double value, ZynUnit from, ZynUnit to, double& result);

// A measured quantity.
struct ZynValue {
    double value = 0.0;
    ZynUnit unit = ZynUnit::Pixel;

    bool operator==(const ZynValue&) const = default;
    // "<value> <unit name>"
    std::string toText() const;
    static ZynValue fromText(const std::string& text);
};
