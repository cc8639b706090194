#pragma once

#include <string>
#include <utility>
#include <vector>

#include "ZynTransform.h"

// One operation appended to an image, written "Name:attr=value;attr=value": the transform
// registered as Name with its attributes set from their text form, in the order given.
struct OperationStep {
    std::string name;
    std::vector<std::pair<std::string, std::string>> attributes;

    // Attribute values may hold ";" inside brackets (matrix rows); only ";" outside any bracket
    // separates attributes. Throws std::invalid_argument on a malformed step.
    static OperationStep parse(const std::string& text);

    // The operation, fed from `input`'s primary output.
    ZynTransformPtr appendTo(const ZynTransformPtr& input) const;
};
