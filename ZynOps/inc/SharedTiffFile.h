#pragma once

#include <mutex>

#include "TiffFile.h"

// The library file of one TIFF source, shared by the op of every resolution. All use of the
// file, opening and closing included, happens with the lock held.
class SharedTiffFile {
  public:
    std::mutex& mutex() { return mutex_; }
    TiffFile& file() { return file_; }

  private:
    std::mutex mutex_;
    TiffFile file_;
};
