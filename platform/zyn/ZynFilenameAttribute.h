#pragma once

#include <string>

#include "ZynTransform.h"

// The file name of a transform, as "file_name" (narrow) and "wfile_name" (wide) attributes kept
// in step. Changing either runs fileNameChanged.
class ZynFilenameAttribute : public virtual ZynTransform {
  public:
    ZynFilenameAttribute();
    ZynFilenameAttribute(const ZynFilenameAttribute& other) = default;

    std::wstring fileName() const { return getAttribute<std::wstring>("wfile_name"); }
    std::string narrowFileName() const { return getAttribute<std::string>("file_name"); }
    void setFileName(const std::wstring& name) { setAttribute<std::wstring>("wfile_name", name); }

    // Called when the file name changed; marks the transform for a fresh setup.
    virtual void fileNameChanged() { markForSetup(); }
};
