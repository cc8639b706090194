#include "ZynRawImage.h"

#include <sys/stat.h>

#include <cerrno>

#include "QorStream.h"

void ZynRawImage::closeAndMarkClosed() {
    std::lock_guard lock(lock_);
    close();
}

ZynCoordSpacePtr ZynRawImage::makeCoordSpace(uint32_t width, uint32_t height) {
    auto space = std::make_shared<ZynXyCoordSpace>(ZynValue{1.0, ZynUnit::Arbitrary},
                                                   ZynValue{1.0, ZynUnit::Arbitrary});
    space->addResolution({width, height});
    return space;
}

bool ZynRawImage::open(const std::wstring& name) {
    if (file_) {
        std::rewind(file_.get());
        return true;
    }
    const std::string path = qorLocalPath(name);
    if (!path.empty())
        file_.reset(std::fopen(path.c_str(), "rb"));
    else
        errno = EINVAL;  // a URL of a scheme no file can be opened for
    isOpen_ = file_ != nullptr;
    return isOpen_;
}

void ZynRawImage::close() {
    file_.reset();
    isOpen_ = false;
}

int64_t ZynRawImage::fileSize() const {
    struct stat info {};
    if (!file_ || fstat(fileno(file_.get()), &info) != 0) return 0;
    return info.st_size;
}
