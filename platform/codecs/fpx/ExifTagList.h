#pragma once

#include <vector>

#include "ExifTagEntry.h"

// Where in a file a list of EXIF tags was found.
enum class ExifTagLocation : int { Unknown = 0, MainIfd = 1, SubIfd = 2, Interoperability = 3 };

// EXIF tags with the APP segment, IFD and sub-IFD that hold them.
class ExifTagList {
  public:
    ExifTagList() = default;
    ExifTagList(int appNum, int ifdNum, int subIfdNum, ExifTagLocation location)
        : appNum_(appNum), ifdNum_(ifdNum), subIfdNum_(subIfdNum), location_(location) {}

    int getAppNum() const { return appNum_; }
    int getIFDNum() const { return ifdNum_; }
    int getSubIFDNum() const { return subIfdNum_; }
    ExifTagLocation getTagLocation() const { return location_; }

    std::vector<ExifTagEntry> tags;

  private:
    int appNum_ = -1;
    int ifdNum_ = -1;
    int subIfdNum_ = -1;
    ExifTagLocation location_ = ExifTagLocation::Unknown;
};
