#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "VulMetaValue.h"

class TiffFile;

// The metadata of a TIFF file's first directory, by key; values are read when the accessor is
// made. Failures are QorError 130.
class VulTiffMetaAccessor {
  public:
    // Reads through a file the caller holds open and keeps to itself meanwhile.
    explicit VulTiffMetaAccessor(TiffFile& file);
    // Opens the file for reading, reads it and closes it again.
    static std::unique_ptr<VulTiffMetaAccessor> open(const std::string& path);

    // False when the key is not one of keys() or the file does not hold its value.
    bool read(const std::string& key, VulMetaValue& value) const;
    static std::vector<std::string> keys();

  private:
    std::map<std::string, VulMetaValue> values_;
};
