#include "ZynJ2KFile.h"

#include "J2kDecoder.h"

ZynJ2KFile::ZynJ2KFile(const std::wstring& fileName, bool keepOpen) : ZynFile(fileName, keepOpen) {
    std::lock_guard lock(mutex_);
    if (const std::optional<ZynError> failed = openLocked()) {
        recordError(*failed);
    } else {
        J2kDecoder decoder(*stream_);
        if (!decoder.readHeader(header_)) recordError(ZynError(130, decoder.errorText()));
    }
    if (!keepOpen) {
        stream_.reset();
        setOpen(false);
    }
}

ZynJ2KFile::~ZynJ2KFile() = default;

void ZynJ2KFile::close() {
    std::lock_guard lock(mutex_);
    stream_.reset();
    setOpen(false);
}

bool ZynJ2KFile::open() {
    std::lock_guard lock(mutex_);
    return !openLocked();
}

std::shared_ptr<const QorStream> ZynJ2KFile::stream() {
    std::lock_guard lock(mutex_);
    if (!valid_) throw error_;
    // A file that cannot be reopened fails this request; a later one tries again.
    if (const std::optional<ZynError> failed = openLocked()) throw *failed;
    return stream_;
}

std::optional<ZynError> ZynJ2KFile::openLocked() {
    if (stream_) return std::nullopt;
    QorStreamFactory factory;
    stream_ = factory.create(fileName(), "rb");
    if (!stream_) return ZynError(factory.error().code(), factory.error().message());
    setOpen(true);
    return std::nullopt;
}

void ZynJ2KFile::recordError(const ZynError& error) {
    error_ = error;
    valid_ = false;
}
