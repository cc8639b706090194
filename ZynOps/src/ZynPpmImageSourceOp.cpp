#include "ZynPpmImageSourceOp.h"

#include <cstdio>
#include <cstring>

#include "QorString.h"

namespace {

constexpr size_t kLineBuffer = 1024;
// Larger sides are refused: their rows would not fit the framework's 32-bit sizes.
constexpr uint32_t kMaxSide = 1u << 30;

// Reads one header line into `line` (terminated, line feed dropped); false on a short read or
// a line of kLineBuffer - 1 bytes without a line feed.
bool readLine(QorStreamView& view, char (&line)[kLineBuffer]) {
    for (size_t n = 0; n < kLineBuffer - 1; ++n) {
        if (view.read(&line[n], 1) != 1) return false;
        if (line[n] == '\n') {
            line[n] = '\0';
            return true;
        }
    }
    return false;
}

ZynError streamError(const QorStreamView& view) {
    return ZynError(130, view.errorText());
}

}  // namespace

ZynPpmImageSourceOpBase::ZynPpmImageSourceOpBase()
    : colorSpace_(std::make_shared<ZynRGBColorSpace>(0.0, 255.0)) {}

bool ZynPpmImageSourceOpBase::readHeader() {
    width_ = height_ = maxval_ = 0;
    dataOffset_ = 0;
    if (!stream_) openFile();
    if (!valid()) return false;

    QorStreamView view = stream_->view();
    char line[kLineBuffer];
    auto lineFailed = [&] {
        recordError(ZynError(130, view.errorPending()
                                      ? view.errorText()
                                      : "Error or unexpected EOF while reading \""));
        width_ = height_ = maxval_ = 0;
        return false;
    };
    if (!readLine(view, line)) return lineFailed();
    if (std::strcmp(line, "P6") != 0) {
        recordError(ZynError(130, "Expected \"P6\" as first line of image. "));
        return false;
    }
    while (maxval_ == 0) {
        if (!readLine(view, line)) return lineFailed();
        if (char* comment = std::strchr(line, '#')) *comment = '\0';
        if (width_ == 0)
            std::sscanf(line, "%u %u %u", &width_, &height_, &maxval_);
        else if (height_ == 0)
            std::sscanf(line, "%u %u", &height_, &maxval_);
        else
            std::sscanf(line, "%u", &maxval_);
    }
    if (width_ == 0 || height_ == 0 || width_ > kMaxSide || height_ > kMaxSide) {
        recordError(ZynError(130, "Invalid PPM image size " + std::to_string(width_) + "x" +
                                      std::to_string(height_)));
        return false;
    }
    // Samples of larger maxvals take two bytes each; reading them as one would garble them.
    if (maxval_ > 255) {
        recordError(ZynError(130,
                             "Only PPM images with one-byte samples (maxval up to 255) are "
                             "supported; this one has maxval " +
                                 std::to_string(maxval_)));
        return false;
    }
    dataOffset_ = view.tell();
    return true;
}

bool ZynPpmImageSourceOpBase::outputInfo(ZynOutputInfo& info) {
    if (!valid()) return false;
    info.width = width_;
    info.height = height_;
    info.originX = info.originY = 0;
    info.dataOrg = std::make_shared<ZynSimpleDataOrg>(width_, std::min<uint32_t>(height_, 64),
                                                      ZynDataType::UInt8, 3);
    return true;
}

bool ZynPpmImageSourceOpBase::bufferCheck(const ZynSimpleDataOrg& org) {
    return org.dataType() == ZynDataType::UInt8 && org.interleave() == ZynInterleave::Pixel &&
           org.bands() == 3 && org.bandOffset(0) == 0 && org.bandOffset(1) == 1 &&
           org.bandOffset(2) == 2 && org.pixelStride() == 3;
}

void ZynPpmImageSourceOpBase::genRect(ZynRectBuffer& buffer) {
    if (!bufferCheck(buffer.org()))
        throw ZynError(3, std::string("ZynPpmImageSourceOpBase::genRect() can only fill rect "
                                      "buffers that ") +
                              "have an ZynSimpleDataOrg, are 8-bit, 3 bands, pixel-interleaved, " +
                              "with uniform band offsets, and no pad bytes between samples.");
    {
        std::lock_guard lock(streamMutex_);
        if (!stream_) openFile();
        if (!valid()) throw error();
    }
    QorStreamView view = stream_->view();
    if (view.seek(static_cast<int64_t>(dataOffset_)) != 0) throw streamError(view);

    const ZynRect& r = buffer.rect();
    if (r.x < 0 || r.y < 0 || r.right() > width_ || r.bottom() > height_)
        throw ZynError(411, "requested (" + std::to_string(r.x) + "," + std::to_string(r.y) +
                                ") w=" + std::to_string(r.width) + ", h=" +
                                std::to_string(r.height) + " pixels from PPM image which is " +
                                std::to_string(width_) + "x" + std::to_string(height_) + " pixels");
    readRows(view, buffer);
}

void ZynPpmImageSourceOpBase::readRows(QorStreamView& view, const ZynRectBuffer& buffer) const {
    const ZynRect& r = buffer.rect();
    const int64_t lineStride = buffer.lineStrideBytes();
    const int64_t rowBytes = 3 * r.width;
    if (r.width == width_ && lineStride == rowBytes) {
        const int64_t bytes = rowBytes * r.height;
        if (view.seek(static_cast<int64_t>(dataOffset_) + rowBytes * r.y) != 0 ||
            view.read(buffer.at(r.x, r.y), bytes) != bytes)
            throw streamError(view);
        scale(buffer.at(r.x, r.y), static_cast<size_t>(bytes));
        return;
    }
    if (view.seek(static_cast<int64_t>(dataOffset_) + 3 * (int64_t{width_} * r.y + r.x)) != 0)
        throw streamError(view);
    const int64_t skip = 3 * (int64_t{width_} - r.width);
    for (int64_t row = 0; row < r.height; ++row) {
        std::byte* out = buffer.at(r.x, r.y + row);
        if (view.read(out, rowBytes) != rowBytes) throw streamError(view);
        scale(out, static_cast<size_t>(rowBytes));
        if (row + 1 < r.height && skip != 0 && view.seek(skip, QorSeekOrigin::Current) != 0)
            throw streamError(view);
    }
}

void ZynPpmImageSourceOpBase::scale(std::byte* samples, size_t count) const {
    if (maxval_ == 255) return;
    const float factor = 255.0f / static_cast<float>(maxval_);
    for (size_t i = 0; i < count; ++i) {
        // Samples above maxval would wrap around; they saturate instead.
        const auto v = static_cast<unsigned>(
            static_cast<float>(std::to_integer<unsigned>(samples[i])) * factor);
        samples[i] = static_cast<std::byte>(v > 255 ? 255 : v);
    }
}

ZynPpmImageSourceOp::ZynPpmImageSourceOp(const std::wstring& fileName, bool keepOpen)
    : ZynFile(fileName, keepOpen) {
    if (readHeader()) {
        addResolution(width(), height());
        setImageSize(width(), height());
    }
    if (!keepOpen) close();
}

ZynPpmImageSourceOp::~ZynPpmImageSourceOp() {
    close();
}

void ZynPpmImageSourceOp::close() {
    std::lock_guard lock(streamMutex_);
    stream_.reset();
    setOpen(false);
}

bool ZynPpmImageSourceOp::open() {
    if (fileName().empty()) {
        recordError(ZynError(130, "the filename is an empty string"));
        return false;
    }
    if (!isOpen() || !stream_) {
        QorStreamFactory factory;
        stream_ = factory.create(fileName(), "rb");
        if (!stream_) {
            recordError(ZynError(factory.error().code(), factory.error().message()));
            return false;
        }
        // Only after a failed open: requests on other threads read the flag meanwhile.
        if (!valid()) setValid(true);
        setOpen(true);
    } else if (stream_->seek(0) != 0) {
        recordError(ZynError(130, stream_->errorText()));
        return false;
    }
    return true;
}
