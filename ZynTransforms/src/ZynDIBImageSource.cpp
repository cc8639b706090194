#include "ZynDIBImageSource.h"

#include <algorithm>

#include "QorString.h"
#include "QorSystem.h"
#include "ZynRectSourceOp.h"

namespace {

constexpr int kFileHeaderSize = 14;
constexpr int kInfoHeaderSize = 40;
constexpr int kCoreHeaderSize = 12;

uint32_t le16(const unsigned char* p) {
    return p[0] | p[1] << 8;
}

uint32_t le32(const unsigned char* p) {
    return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24;
}

// Thrown inside the header reader for a short read; turned into the pending error.
struct ShortRead {};

void readExactly(FILE* file, void* into, size_t bytes) {
    if (std::fread(into, 1, bytes, file) != bytes) throw ShortRead{};
}

}  // namespace

ZynDIBImageSource::ZynDIBImageSource(const ZynDIBImageSource& other)
    : ZynTransform(other), ZynRawImage(other), ZynRectFileSource(other) {}

ZynDIBImageSource::~ZynDIBImageSource() = default;

void ZynDIBImageSource::forgetFile() {
    width_ = height_ = 0;
    pendingError_.reset();
}

ZynError ZynDIBImageSource::fileProblem(int code, const std::string& text) const {
    return ZynError(code, text + "\"" + qorNarrow(fileName()) + "\"");
}

bool ZynDIBImageSource::openForReading() {
    return isOpen() || (!fileName().empty() && open(fileName()));
}

bool ZynDIBImageSource::readHeader() {
    std::lock_guard lock(fileLock());
    width_ = height_ = 0;
    firstRowOffset_ = rowStride_ = 0;
    pendingError_.reset();
    if (fileName().empty()) {
        pendingError_ = ZynError(130, "No file name specified for ZynDIBImageSource");
        return false;
    }
    if (!openForReading()) {
        pendingError_ =
            ZynError(130, "\"" + qorNarrow(fileName()) + "\" could not be opened for reading");
        return false;
    }
    try {
        parseHeader();
    } catch (const ShortRead&) {
        pendingError_ = fileProblem(130, "Unexpected File I/O Error (Possible EOF) For File ");
    } catch (const ZynError& e) {
        pendingError_ = e;
    }
    if (pendingError_) width_ = height_ = 0;
    return !pendingError_;
}

void ZynDIBImageSource::parseHeader() {
    FILE* f = file();
    unsigned char bytes[kInfoHeaderSize] = {};
    readExactly(f, bytes, 2);
    std::rewind(f);
    const bool hasFileHeader = bytes[0] == 'B' && bytes[1] == 'M';
    if (hasFileHeader) {
        readExactly(f, bytes, kFileHeaderSize);
        firstRowOffset_ = le32(bytes + 10);
    }
    const int64_t headerStart = qorTell(f);
    readExactly(f, bytes, 4);
    const uint32_t headerSize = le32(bytes);
    if (headerSize != kInfoHeaderSize && headerSize != kCoreHeaderSize)
        throw fileProblem(134, "Unrecognized File Format (Not Bmp) For File ");
    readExactly(f, bytes + 4, headerSize - 4);
    uint32_t bitCount, compression = 0, colorsUsed = 0;
    if (headerSize == kInfoHeaderSize) {
        width_ = static_cast<int32_t>(le32(bytes + 4));
        height_ = static_cast<int32_t>(le32(bytes + 8));
        bitCount = le16(bytes + 14);
        compression = le32(bytes + 16);
        colorsUsed = le32(bytes + 32);
    } else {
        width_ = static_cast<int32_t>(le16(bytes + 4));
        height_ = static_cast<int32_t>(le16(bytes + 6));
        bitCount = le16(bytes + 10);
    }
    if (bitCount == 8) {
        // Only as many entries as the header says are stored (0 means all 256).
        paletteSize_ = colorsUsed == 0 || colorsUsed > 256 ? 256 : static_cast<int>(colorsUsed);
        bytesPerPixel_ = 1;
    } else if (bitCount == 24) {
        paletteSize_ = 0;
        bytesPerPixel_ = 3;
    } else {
        throw fileProblem(135, "Unsupported BMP Format (packed) For File ");
    }
    if (compression != 0) throw fileProblem(135, "Unsupported BMP Format (Compressed) For File ");
    if (width_ <= 0 || height_ == 0 || height_ == INT32_MIN)
        throw ZynError(13, "image attributes not yet initialized");

    // Core headers are followed by 3-byte palette entries, information headers by 4-byte ones.
    const int entrySize = headerSize == kCoreHeaderSize ? 3 : 4;
    const int64_t paletteStart = headerStart + headerSize;
    if (!hasFileHeader) firstRowOffset_ = paletteStart + int64_t{entrySize} * paletteSize_;
    const int64_t rowLength = (int64_t{bytesPerPixel_} * width_ + 3) & ~int64_t{3};
    // A row longer than the file cannot be read; refusing it early keeps buffers bounded.
    if (rowLength > fileSize()) throw ShortRead{};
    if (height_ > 0) {
        firstRowOffset_ += (int64_t{height_} - 1) * rowLength;
        rowStride_ = -rowLength;
    } else {
        height_ = -height_;
        rowStride_ = rowLength;
    }
    readPalette(paletteStart, entrySize);
    rowBuffer_.assign(static_cast<size_t>(width_), 0);
}

void ZynDIBImageSource::readPalette(int64_t position, int entrySize) {
    palette_.assign(4 * static_cast<size_t>(paletteSize_), 0);
    if (paletteSize_ == 0) return;
    std::vector<uint8_t> stored(static_cast<size_t>(entrySize) * paletteSize_);
    if (qorSeek(file(), position, SEEK_SET) != 0) throw ShortRead{};
    readExactly(file(), stored.data(), stored.size());
    for (int i = 0; i < paletteSize_; ++i)
        std::copy_n(&stored[static_cast<size_t>(i) * entrySize], 3,
                    &palette_[4 * static_cast<size_t>(i)]);
    // Indices past the stored entries show black.
    palette_.resize(4 * 256, 0);
}

void ZynDIBImageSource::setupTransform() {
    if (!pendingError_ && (width_ > 0 || readHeader())) {
        auto space = std::make_shared<ZynXyCoordSpace>(
            ZynValue{static_cast<double>(width_) / height_, ZynUnit::Arbitrary},
            ZynValue{1.0, ZynUnit::Arbitrary});
        space->addResolution({static_cast<uint32_t>(width_), static_cast<uint32_t>(height_)});
        ZynOutputInfo info;
        rectInfo(info);
        publishRect(colorSpace_, space, info.dataOrg);
    } else {
        setError(*pendingError_);
    }
    closeUnlessKeptOpen();
}

bool ZynDIBImageSource::rectInfo(ZynOutputInfo& info) {
    if (pendingError_ || width_ <= 0) {
        info.error = pendingError_.value_or(ZynError(13, "image attributes not yet initialized"));
        return false;
    }
    info.width = static_cast<uint32_t>(width_);
    info.height = static_cast<uint32_t>(height_);
    info.dataOrg = std::make_shared<ZynSimpleDataOrg>(
        info.width, std::min<uint32_t>(info.height, 256), ZynDataType::UInt8, ZynInterleave::Pixel,
        std::vector<int64_t>{2, 1, 0}, 3, 3 * int64_t{width_});
    return true;
}

// Pixels of three 8-bit samples, blue at the lowest address.
bool ZynDIBImageSource::bufferFits(const ZynRectBuffer& buffer) const {
    const ZynSimpleDataOrg& org = buffer.org();
    return org.dataType() == ZynDataType::UInt8 && org.bands() == 3 && org.pixelStride() == 3 &&
           org.bandOffset(1) - org.bandOffset(0) == -1 &&
           org.bandOffset(2) - org.bandOffset(1) == -1 && org.width() >= buffer.rect().width &&
           org.height() >= buffer.rect().height;
}

bool ZynDIBImageSource::canFill(const ZynRectBuffer& buffer) {
    const ZynRect& r = buffer.rect();
    return !pendingError_ && width_ > 0 && r.x >= 0 && r.y >= 0 && r.right() <= width_ &&
           r.bottom() <= height_ && bufferFits(buffer);
}

void ZynDIBImageSource::genRect(ZynRectBuffer& buffer) {
    std::lock_guard lock(fileLock());
    if (pendingError_) throw *pendingError_;
    if (width_ <= 0 || height_ <= 0) throw ZynError(13, "image attributes not yet initialized");
    const ZynRect& r = buffer.rect();
    if (r.x < 0 || r.y < 0 || r.right() > width_ || r.bottom() > height_)
        throw zynRectOutsideImage(r, "BMP", width_, height_);
    if (!bufferFits(buffer)) throw ZynError(131, "Unexpected image buffer data organization");
    if (!openForReading())
        throw ZynError(130, "\"" + qorNarrow(fileName()) + "\" could not be opened for reading");
    readRows(buffer);
}

void ZynDIBImageSource::readRows(ZynRectBuffer& buffer) {
    const ZynRect& r = buffer.rect();
    const auto bytes = static_cast<size_t>(bytesPerPixel_ * r.width);
    int64_t position = firstRowOffset_ + rowStride_ * r.y + bytesPerPixel_ * r.x;
    for (int64_t y = r.y; y < r.bottom(); ++y, position += rowStride_) {
        auto* out = reinterpret_cast<uint8_t*>(buffer.at(r.x, y, 2));
        uint8_t* in = bytesPerPixel_ == 3 ? out : rowBuffer_.data();
        if (qorSeek(file(), position, SEEK_SET) != 0 || std::fread(in, 1, bytes, file()) != bytes)
            throw ZynError(130, "Unexpected file I/O error (possible EOF)");
        if (bytesPerPixel_ == 3) continue;
        for (int64_t x = 0; x < r.width; ++x)
            std::copy_n(&palette_[4 * size_t{in[x]}], 3, out + 3 * x);
    }
}
