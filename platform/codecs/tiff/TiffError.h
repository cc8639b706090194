#pragma once

#include <stdexcept>
#include <string>

// A failure of the TIFF library, carrying the library's own text.
class TiffError : public std::runtime_error {
  public:
    explicit TiffError(const std::string& text) : std::runtime_error(text) {}
};
