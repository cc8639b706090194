#include "ZynJpegIJLImageSourceOp.h"

#include "QorStream.h"

namespace {

void installDelayedLoadHandler() {
    static std::mutex lock;
    std::lock_guard guard(lock);
    if (!jpdClientCallback) jpdClientCallback = &ZynJpegIJLImageSourceOp::delayedLoadFailed;
}

}  // namespace

ZynJpegIJLImageSourceOp::ZynJpegIJLImageSourceOp(const std::wstring& fileName, bool keepOpen)
    : ZynJpegFileSourceOp(fileName, keepOpen) {
    installDelayedLoadHandler();
}

void ZynJpegIJLImageSourceOp::delayedLoadFailed(const char* libraryName) {
    throw ZynError(10, std::string("\nDelayed Load of the ") + (libraryName ? libraryName : "") +
                           " failed. Make sure the DLL is in the PATH");
}

std::unique_ptr<ZynJpegFileSourceOp> ZynJpegIJLImageSourceOp::cloneFileOp() const {
    auto copy = std::make_unique<ZynJpegIJLImageSourceOp>(fileName(), keepOpen());
    copySettingsTo(*copy);
    return copy;
}

bool ZynJpegIJLImageSourceOp::mapFile() {
    const int status = decoder().setPathInput(qorLocalPath(fileName()));
    if (status == kJpdOk) return true;
    recordError(ZynError(130, headerError(status)));
    return false;
}

bool ZynJpegIJLImageSourceOp::open() {
    if (!checkFileName()) return false;
    std::lock_guard lock(mutex_);
    newDecoder(JpdImplementation::Alternative);
    if (!mapFile() || !readHeader()) return false;
    setOpen(true);
    return true;
}

void ZynJpegIJLImageSourceOp::close() {
    std::lock_guard lock(mutex_);
    if (hasDecoder()) decoder().releaseInput();
    setOpen(false);
}

void ZynJpegIJLImageSourceOp::withInput(const std::function<void()>& decode) {
    std::lock_guard lock(mutex_);
    if (!hasDecoder()) throw error();
    if (!decoder().hasInput()) {
        if (!mapFile()) throw error();
        setOpen(true);
    }
    decode();
}
