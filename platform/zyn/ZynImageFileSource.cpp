#include "ZynImageFileSource.h"

ZynImageFileSource::ZynImageFileSource() {
    addSimpleAttribute<bool>("keep_open", false);
}

ZynImageFileSource::ZynImageFileSource(const std::wstring& fileName, bool keepOpen)
    : ZynImageFileSource() {
    setFileName(fileName);
    setAttribute<bool>("keep_open", keepOpen);
}
