#pragma once

#include "ZynDataType.h"
#include "ZynError.h"

class ZynTransform;

// The report of an operation asked to work on samples of a type it has no op for (code 135):
// names the transform and the type. Callers throw it.
ZynError zynUnsupportedDataType(const ZynTransform& transform, ZynDataType type);
