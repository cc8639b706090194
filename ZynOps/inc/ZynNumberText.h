#pragma once

#include <string>

// The shortest decimal text that reads back as exactly `value` ("1", "0.25", "1e+300").
std::string zynNumberText(double value);
