#pragma once

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

// One metadata value as a format source answers it for a key.
using VulMetaValue = std::variant<std::monostate, int64_t, double, std::string,
                                  std::vector<uint8_t>, std::vector<uint16_t>, std::vector<double>>;
