#include "JpdInput.h"

// After jpeglib.h (through JpdInput.h), whose configuration decides which messages exist.
#include <jerror.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "QorStream.h"
#include "QorSystem.h"

namespace {

constexpr size_t kChunk = 64 * 1024;
const JOCTET kEndOfImage[2] = {0xFF, JPEG_EOI};

}  // namespace

JpdInput::JpdInput() : buffer_(std::make_unique<JOCTET[]>(kChunk)) {
    manager_.owner = this;
    manager_.pub.init_source = &JpdInput::initSource;
    manager_.pub.fill_input_buffer = &JpdInput::fillBuffer;
    manager_.pub.skip_input_data = &JpdInput::skipData;
    manager_.pub.resync_to_restart = &jpeg_resync_to_restart;
    manager_.pub.term_source = &JpdInput::termSource;
}

JpdInput& JpdInput::of(j_decompress_ptr cinfo) {
    return *reinterpret_cast<Manager*>(cinfo->src)->owner;
}

void JpdInput::setFile(FILE* file) {
    if (kind_ != Kind::File) manager_.pub.bytes_in_buffer = 0;
    kind_ = Kind::File;
    file_ = file;
}

void JpdInput::setStream(QorStream* stream) {
    if (kind_ != Kind::Stream) manager_.pub.bytes_in_buffer = 0;
    kind_ = Kind::Stream;
    stream_ = stream;
}

void JpdInput::setMemory(const uint8_t* data, size_t size) {
    mapped_.close();
    kind_ = Kind::Memory;
    pointAtBlock(data, size, 0);
}

bool JpdInput::setMapped(const std::string& path, std::string& error) {
    const size_t offset = kind_ == Kind::Mapped && holdsReleasedOffset_ ? releasedOffset_ : 0;
    if (!mapped_.open(path)) {
        error = mapped_.error();
        return false;
    }
    kind_ = Kind::Mapped;
    holdsReleasedOffset_ = false;
    pointAtBlock(mapped_.data(), mapped_.size(), offset);
    return true;
}

void JpdInput::release() {
    file_ = nullptr;
    stream_ = nullptr;
    if (kind_ == Kind::Mapped && mapped_.isOpen()) {
        releasedOffset_ = blockOffset();
        holdsReleasedOffset_ = true;
        mapped_.close();
        block_ = nullptr;
        manager_.pub.next_input_byte = nullptr;
        manager_.pub.bytes_in_buffer = 0;
    }
}

bool JpdInput::hasHandle() const {
    switch (kind_) {
        case Kind::File:
            return file_ != nullptr;
        case Kind::Stream:
            return stream_ != nullptr;
        case Kind::Memory:
            return true;
        case Kind::Mapped:
            return mapped_.isOpen();
        default:
            return false;
    }
}

uint64_t JpdInput::size() const {
    switch (kind_) {
        case Kind::File:
            return file_ ? qorFileSize(file_) : 0;
        case Kind::Stream:
            return stream_ ? stream_->size() : 0;
        case Kind::Memory:
        case Kind::Mapped:
            return blockSize_;
        default:
            return 0;
    }
}

bool JpdInput::rewind(std::string& error) {
    startOfFile_ = true;
    switch (kind_) {
        case Kind::File:
            manager_.pub.bytes_in_buffer = 0;
            if (file_ && qorSeek(file_, 0, SEEK_SET) == 0) return true;
            error = file_ ? std::string("cannot seek: ") + std::strerror(errno) : "no input file";
            return false;
        case Kind::Stream:
            manager_.pub.bytes_in_buffer = 0;
            if (stream_ && stream_->seek(0) == 0) return true;
            error = stream_ ? stream_->errorText() : "no input stream";
            return false;
        case Kind::Memory:
        case Kind::Mapped:
            if (kind_ == Kind::Mapped && !mapped_.isOpen()) {
                error = "the mapped file was released";
                return false;
            }
            pointAtBlock(block_, blockSize_, 0);
            return true;
        default:
            error = "the decoder has no input";
            return false;
    }
}

void JpdInput::pointAtBlock(const uint8_t* data, size_t size, size_t offset) {
    block_ = data;
    blockSize_ = size;
    offset = std::min(offset, size);
    manager_.pub.next_input_byte = data ? data + offset : nullptr;
    manager_.pub.bytes_in_buffer = size - offset;
    // A block is read whole, so only an empty one is an empty input.
    startOfFile_ = size == 0;
}

size_t JpdInput::blockOffset() const {
    const JOCTET* next = manager_.pub.next_input_byte;
    if (!block_ || next < block_ || next > block_ + blockSize_) return blockSize_;
    return static_cast<size_t>(next - block_);
}

void JpdInput::initSource(j_decompress_ptr) {}

int64_t JpdInput::readChunk() {
    if (kind_ == Kind::File) {
        if (!file_) return -1;
        const size_t got = std::fread(buffer_.get(), 1, kChunk, file_);
        return got == 0 && std::ferror(file_) ? -1 : static_cast<int64_t>(got);
    }
    if (kind_ == Kind::Stream && stream_) {
        try {
            const int64_t got = stream_->read(buffer_.get(), kChunk);
            // A short read at the end of the stream is not an error here.
            return got;
        } catch (...) {
            return -1;
        }
    }
    return kind_ == Kind::Stream ? -1 : 0;
}

boolean JpdInput::fillBuffer(j_decompress_ptr cinfo) {
    JpdInput& input = of(cinfo);
    const int64_t got = input.readChunk();
    if (got < 0) ERREXIT(cinfo, JERR_FILE_READ);
    if (got > 0) {
        input.manager_.pub.next_input_byte = input.buffer_.get();
        input.manager_.pub.bytes_in_buffer = static_cast<size_t>(got);
        input.startOfFile_ = false;
        return TRUE;
    }
    if (input.startOfFile_) ERREXIT(cinfo, JERR_INPUT_EMPTY);
    // Like the library's own sources: a missing end is reported and then supplied.
    WARNMS(cinfo, JWRN_JPEG_EOF);
    input.manager_.pub.next_input_byte = kEndOfImage;
    input.manager_.pub.bytes_in_buffer = 2;
    return TRUE;
}

void JpdInput::skipData(j_decompress_ptr cinfo, long count) {
    if (count <= 0) return;
    jpeg_source_mgr* src = cinfo->src;
    while (count > static_cast<long>(src->bytes_in_buffer)) {
        count -= static_cast<long>(src->bytes_in_buffer);
        fillBuffer(cinfo);
    }
    src->next_input_byte += count;
    src->bytes_in_buffer -= static_cast<size_t>(count);
}

void JpdInput::termSource(j_decompress_ptr) {}
