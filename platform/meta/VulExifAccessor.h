#pragma once

#include <string>

#include "VulMetaValue.h"

class NifExifFile;

// The metadata of an open EXIF file by key: the quantisation tables and the ICC profile.
class VulExifAccessor {
  public:
    explicit VulExifAccessor(const NifExifFile& file) : file_(file) {}

    // False when the key is not one of these or the file has no such value.
    bool read(const std::string& key, VulMetaValue& value) const;

  private:
    const NifExifFile& file_;
};
