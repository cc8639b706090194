#include "ZynJpegStreamImageSourceOp.h"

#include <cerrno>
#include <cstring>
#include <new>

#include "QorSystem.h"

namespace {

std::shared_ptr<ZynResourceWrapper<QorStream>> newHolder() {
    try {
        return std::make_shared<ZynResourceWrapper<QorStream>>();
    } catch (const std::bad_alloc&) {
        throw ZynError(11, "memory allocation for ZynResourceWrapper<QorStream*> failed");
    }
}

}  // namespace

ZynJpegStreamImageSourceOp::ZynJpegStreamImageSourceOp(const std::wstring& fileName, bool keepOpen)
    : ZynJpegFileSourceOp(fileName, keepOpen), url_(QorStream::isURL(fileName)) {}

ZynJpegStreamImageSourceOp::ZynJpegStreamImageSourceOp(const ZynJpegStreamImageSourceOp& other,
                                                       std::shared_ptr<StreamHolder> stream)
    : ZynJpegFileSourceOp(other.fileName(), other.keepOpen()),
      stream_(std::move(stream)),
      url_(other.url_) {
    other.copySettingsTo(*this);
}

std::unique_ptr<ZynJpegFileSourceOp> ZynJpegStreamImageSourceOp::cloneFileOp() const {
    return std::unique_ptr<ZynJpegFileSourceOp>(new ZynJpegStreamImageSourceOp(*this, stream_));
}

bool ZynJpegStreamImageSourceOp::openStream() {
    QorStreamFactory factory;
    std::unique_ptr<QorStream> stream = factory.create(fileName(), "rb");
    if (!stream) {
        recordError(ZynError(factory.error().code(), factory.error().message()));
        return false;
    }
    stream_->reset(std::move(stream));
    setOpen(true);
    return true;
}

void ZynJpegStreamImageSourceOp::giveStreamToDecoder() {
    if (url_)
        decoder().setStreamInput(stream_->get());
    else
        decoder().setFileInput(stream_->get()->file());
}

int ZynJpegStreamImageSourceOp::seekStream(uint64_t position) {
    if (url_) return stream_->get()->seek(static_cast<int64_t>(position));
    return qorSeek(stream_->get()->file(), static_cast<int64_t>(position), SEEK_SET);
}

uint64_t ZynJpegStreamImageSourceOp::tellStream() const {
    if (url_) return stream_->get()->tell();
    const int64_t position = qorTell(stream_->get()->file());
    return position < 0 ? 0 : static_cast<uint64_t>(position);
}

std::string ZynJpegStreamImageSourceOp::streamErrorText() const {
    return url_ ? stream_->get()->errorText() : std::string(std::strerror(errno));
}

bool ZynJpegStreamImageSourceOp::open() {
    if (!checkFileName()) return false;
    if (!stream_) stream_ = newHolder();
    std::lock_guard lock(stream_->mutex());
    if (!stream_->get()) {
        if (!openStream()) return false;
    } else if (seekStream(0) != 0) {
        recordError(ZynError(130, streamErrorText()));
        return false;
    }
    newDecoder(JpdImplementation::Standard);
    giveStreamToDecoder();
    if (!readHeader()) return false;
    position_ = tellStream();
    return true;
}

void ZynJpegStreamImageSourceOp::close() {
    if (!stream_) return;
    std::lock_guard lock(stream_->mutex());
    // The decoder keeps its place; the next request opens the file again and goes on from there.
    if (hasDecoder()) decoder().releaseInput();
    stream_->reset();
    setOpen(false);
}

void ZynJpegStreamImageSourceOp::withInput(const std::function<void()>& decode) {
    if (!stream_) throw error();
    std::lock_guard lock(stream_->mutex());
    if (!stream_->get() && !openStream()) throw error();
    giveStreamToDecoder();
    if (seekStream(position_) != 0) throw ZynError(130, streamErrorText());
    try {
        decode();
    } catch (...) {
        position_ = tellStream();
        throw;
    }
    position_ = tellStream();
}

void ZynJpegStreamImageSourceOp::resetInput() {
    if (decoder().reset() != kJpdOk) throw ZynError(130, decoder().message());
}
