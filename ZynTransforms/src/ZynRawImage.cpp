#include "ZynRawImage.h"

#include <cerrno>

#include "QorStream.h"
#include "QorSystem.h"

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
        file_.reset(qorOpenFile(path, "rb"));
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
    return file_ ? static_cast<int64_t>(qorFileSize(file_.get())) : 0;
}
