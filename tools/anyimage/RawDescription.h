#pragma once

#include <string>

#include "ZynTransform.h"

// Gives a transform the text description in the named file (anyimage --describe): for a raw
// source, the layout of its samples. Throws ZynError 130 when the file cannot be read.
void applyDescriptionFile(ZynTransform& transform, const std::string& path);
