#include "ZynJpegImageSource.h"

#include <vector>

#include "QorSystem.h"
#include "ZynImageOutputCP.h"
#include "ZynJpegImageSourceOp.h"
#include "ZynRecognizeTraced.h"

namespace {

// Random access to the bytes of an open file, through a window of its own so that the walk's
// one-byte steps cost no seeks.
class FileBytes {
  public:
    explicit FileBytes(FILE* file) : file_(file), window_(64 * 1024) {}

    bool length(uint64_t& size) {
        if (qorSeek(file_, 0, SEEK_END) != 0) return false;
        const int64_t end = qorTell(file_);
        if (end < 0) return false;
        size = static_cast<uint64_t>(end);
        return true;
    }

    bool at(uint64_t position, uint8_t& byte) {
        if (position < start_ || position >= start_ + filled_) {
            if (qorSeek(file_, static_cast<int64_t>(position), SEEK_SET) != 0) return false;
            start_ = position;
            filled_ = std::fread(window_.data(), 1, window_.size(), file_);
            if (filled_ == 0) return false;
        }
        byte = window_[position - start_];
        return true;
    }

  private:
    FILE* file_;
    std::vector<uint8_t> window_;
    uint64_t start_ = 0;
    size_t filled_ = 0;
};

class MemoryBytes {
  public:
    MemoryBytes(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    bool length(uint64_t& size) const {
        size = size_;
        return true;
    }
    bool at(uint64_t position, uint8_t& byte) const {
        if (position >= size_) return false;
        byte = data_[position];
        return true;
    }

  private:
    const uint8_t* data_;
    size_t size_;
};

bool isDecodableFrame(uint8_t marker) {
    return marker == 0xC0 || marker == 0xC1 || marker == 0xC2 || marker == 0xC9 || marker == 0xCA;
}

bool isRefusedMarker(uint8_t marker) {
    switch (marker) {
        case 0xC3:
        case 0xC5:
        case 0xC6:
        case 0xC7:
        case 0xCB:
        case 0xCD:
        case 0xCE:
        case 0xCF:
        case 0xD9:
            return true;
        default:
            return false;
    }
}

template <class Bytes>
bool walkMarkers(Bytes& bytes) {
    uint64_t length = 0;
    uint8_t b0 = 0, b1 = 0;
    if (!bytes.length(length) || length < 2 || !bytes.at(0, b0) || !bytes.at(1, b1) || b0 != 0xFF ||
        b1 != 0xD8)
        return false;
    uint64_t p = 2;
    for (;;) {
        if (p + 2 > length || !bytes.at(p, b0) || !bytes.at(p + 1, b1)) return false;
        if (b0 != 0xFF || b1 == 0xFF) {
            ++p;
            continue;
        }
        if (isDecodableFrame(b1)) return true;
        if (isRefusedMarker(b1)) return false;
        if (b1 >= 0xC0 && b1 != 0xD8) {
            uint8_t high = 0, low = 0;
            if (p + 4 > length || !bytes.at(p + 2, high) || !bytes.at(p + 3, low)) return false;
            const uint64_t segment = uint64_t{high} << 8 | low;
            // The length counts its own two bytes; anything less is not a segment.
            if (segment < 2) return false;
            p += 2 + segment;
            if (p > length) return false;
            continue;
        }
        p += 2;
    }
}

}  // namespace

bool ZynJpegImageSource::isJpeg(FILE* file) {
    FileBytes bytes(file);
    return walkMarkers(bytes);
}

bool ZynJpegImageSource::isJpeg(const uint8_t* data, size_t size) {
    MemoryBytes bytes(data, size);
    return walkMarkers(bytes);
}

ZynTransformPtr ZynJpegImageSource::recognize(const std::wstring& fileName, FILE* file,
                                              bool keepOpen) {
    return recognizeTraced("ZynJpegImageSource::recognize", [&]() -> ZynTransformPtr {
        if (file && isJpeg(file)) return std::make_shared<ZynJpegImageSource>(fileName, keepOpen);
        return nullptr;
    });
}

void ZynJpegImageSource::postRender() {
    if (keepOpen() || !op_) return;
    ZynImageOutputCP* out = imageOutput(primaryOutputIndex());
    if (!out)
        throw ZynError(3,
                       "ZynJpegImageSource::postRender()=> primary image out cp did not have a "
                       "VectorTileContainer");
    for (const auto& entry : out->tileContainer().entries())
        if (auto* op = dynamic_cast<ZynJpegImageSourceOp*>(entry.op.get())) op->close();
    op_->close();
}
