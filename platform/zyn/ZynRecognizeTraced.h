#pragma once

#include <functional>

#include "ZynTransform.h"

// How a recogniser's trace shows a library error: with its origin, the text alone, or not at
// all (only where it happened).
enum class ZynErrorTrace { Printout, Message, Where };

// Runs a recogniser's test of a file. Whatever it throws only means the file is not claimed;
// with tracing on, the failure is told as "exception in <where>", then `afterFailure` if given.
ZynTransformPtr recognizeTraced(const char* where, const std::function<ZynTransformPtr()>& test,
                                ZynErrorTrace shown = ZynErrorTrace::Printout,
                                const char* afterFailure = nullptr);
