#include "ZynVDXFile.h"

#include <cerrno>
#include <cstdint>

#include "QorStream.h"
#include "QorString.h"

namespace {

// Set on open, as the source always has: the library then delivers the picture turned for
// display, except that mode 7 becomes 6.
int openingMode(int mode) {
    return mode == 7 ? 6 : mode | kVdxFollowRotation;
}

std::string systemError(int code, const std::string& text) {
    return "System error code = " + std::to_string(code) + "\nSystem error string = " + text;
}

std::string quoted(const std::wstring& name) {
    return "\"" + qorNarrow(name) + "\"";
}

}  // namespace

ZynVDXFile::ZynVDXFile(const std::wstring& fileName, bool keepOpen) : ZynFile(fileName, keepOpen) {}

void ZynVDXFile::close() {
    std::lock_guard lock(mutex_);
    library_.close();
    descriptor_.reset();
    setOpen(false);
}

bool ZynVDXFile::open() {
    std::lock_guard lock(mutex_);
    return openLocked();
}

bool ZynVDXFile::failed(const std::string& message) {
    status_ = ZynError(130, message);
    return false;
}

bool ZynVDXFile::openLocked() {
    if (library_.isOpen()) return true;
    descriptor_.reset();
    status_ = ZynError();
    const std::wstring& name = fileName();
    if (name.empty()) return failed("File name not set on ZynVDXImageSource");
    int status = kVdxOk;
    if (qorHasNarrowForm(name))
        status = library_.open(qorLocalPath(name));
    else if (openDescriptor())
        status = library_.open(static_cast<int16_t>(descriptor_.get()));
    else
        return false;
    if (status != kVdxOk) {
        descriptor_.reset();
        return failed("Could not open file " + quoted(name) + " as a VDX file" +
                      systemError(status, VdxImage::statusText(status)));
    }
    library_.setOrientationMode(openingMode(library_.orientationMode()));
    setOpen(true);
    return true;
}

bool ZynVDXFile::openDescriptor() {
    const int descriptor = qorOpenReadOnly(qorLocalPath(fileName()));
    if (descriptor < 0) {
        const int number = errno;
        return failed("Could not open file " + quoted(fileName()) +
                      systemError(number, QorError::osErrorText(number)));
    }
    descriptor_.reset(descriptor);
    if (descriptor > INT16_MAX) {
        descriptor_.reset();
        return failed(
            "File descriptor value out of range for values which can be passed to VDXrefOpen( )");
    }
    return true;
}

void ZynVDXFile::read(int index, int format, const ZynRectBuffer& buffer, std::byte* first) {
    std::lock_guard lock(mutex_);
    if (!openLocked()) throw status_;
    const ZynRect& r = buffer.rect();
    const VdxRect rect{static_cast<int16_t>(r.x), static_cast<int16_t>(r.y),
                       static_cast<int16_t>(r.right()), static_cast<int16_t>(r.bottom())};
    library_.selectResolution(index);
    library_.setStrides(buffer.pixelStrideBytes(), buffer.lineStrideBytes());
    int status = library_.setColorFormat(format);
    if (status == kVdxOk) status = library_.readRectangle(rect, reinterpret_cast<uint8_t*>(first));
    if (status != kVdxOk)
        throw ZynError(130, "Couldn't read image data at (" + std::to_string(rect.x0) + "," +
                                std::to_string(rect.y0) + ") (" + std::to_string(rect.x1) + "," +
                                std::to_string(rect.y1) + ")" +
                                systemError(status, VdxImage::statusText(status)));
}
