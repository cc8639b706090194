#include "ZynSampleReader.h"

#include <algorithm>

#include "QorSystem.h"
#include "ZynError.h"
#include "ZynSettings.h"

ZynSampleReader::ZynSampleReader(std::string who, uint32_t width, uint32_t height,
                                 size_t sampleSize, int64_t pixelStride, int64_t lineStride,
                                 std::vector<Band> bands, ZynBufferConverter converter)
    : who_(std::move(who)),
      width_(width),
      height_(height),
      sampleSize_(sampleSize),
      pixelStride_(pixelStride),
      lineStride_(lineStride),
      bands_(std::move(bands)),
      converter_(converter) {}

uint32_t ZynSampleReader::stripHeight(uint32_t imageHeight) {
    const ZynSettings& s = ZynSettings::get();
    const uint32_t strip = s.defaultTileHeight > 256
                               ? s.defaultTileHeight
                               : std::min<uint32_t>(s.defaultStripHeight, 256);
    return std::max<uint32_t>(1, std::min(strip, imageHeight));
}

bool ZynSampleReader::bandsShareFile() const {
    return std::all_of(bands_.begin(), bands_.end(),
                       [&](const Band& b) { return b.file == bands_.front().file; });
}

int ZynSampleReader::lowestBand() const {
    int low = 0;
    for (int b = 1; b < static_cast<int>(bands_.size()); ++b)
        if (bands_[b].offset < bands_[low].offset) low = b;
    return low;
}

// The buffer holds the bands where the file does, relative to each other.
bool ZynSampleReader::keepsRelativeOffsets(const ZynRectBuffer& buffer) const {
    if (!bandsShareFile()) return false;
    const auto ss = static_cast<int64_t>(sampleSize_);
    for (int b = 1; b < static_cast<int>(bands_.size()); ++b)
        if ((buffer.org().bandOffset(b) - buffer.org().bandOffset(0)) * ss !=
            bands_[b].offset - bands_[0].offset)
            return false;
    return true;
}

int64_t ZynSampleReader::rowSpan(int64_t width, int first, int last) const {
    return (width - 1) * pixelStride_ + bands_[last].offset - bands_[first].offset +
           static_cast<int64_t>(sampleSize_);
}

bool ZynSampleReader::inside(const ZynRect& rect) const {
    return rect.x >= 0 && rect.y >= 0 && rect.right() <= width_ && rect.bottom() <= height_;
}

// Bands read one by one must not step over each other's samples, so their samples must abut.
bool ZynSampleReader::fits(const ZynRectBuffer& buffer) const {
    const ZynSimpleDataOrg& org = buffer.org();
    return org.bands() == static_cast<int>(bands_.size()) && org.sampleSize() == sampleSize_ &&
           buffer.pixelStrideBytes() == pixelStride_ && buffer.lineStrideBytes() == lineStride_ &&
           org.width() >= buffer.rect().width && org.height() >= buffer.rect().height &&
           (keepsRelativeOffsets(buffer) || pixelStride_ == static_cast<int64_t>(sampleSize_));
}

void ZynSampleReader::read(ZynRectBuffer& buffer, std::mutex& lock) const {
    if (keepsRelativeOffsets(buffer))
        readTogether(buffer, lock);
    else
        readBandByBand(buffer, lock);
}

// One file, laid out as the buffer is: whole rows in one read, else a read per row.
void ZynSampleReader::readTogether(ZynRectBuffer& buffer, std::mutex& lock) const {
    const ZynRect& r = buffer.rect();
    const int low = lowestBand();
    int high = 0;
    for (int b = 1; b < static_cast<int>(bands_.size()); ++b)
        if (bands_[b].offset > bands_[high].offset) high = b;
    const int64_t span = rowSpan(r.width, low, high);
    FILE* file = bands_[low].file;
    const int64_t start = bands_[low].offset + r.y * lineStride_ + r.x * pixelStride_;
    if ((r.x == 0 && r.width == width_) || r.height == 1) {
        readAt(file, start, buffer.at(r.x, r.y, low), (r.height - 1) * lineStride_ + span, r, lock);
        return;
    }
    if (bands_[high].offset - bands_[low].offset < pixelStride_) {
        for (int64_t row = 0; row < r.height; ++row)
            readAt(file, start + row * lineStride_, buffer.at(r.x, r.y + row, low), span, r, lock);
        return;
    }
    readBandByBand(buffer, lock);
}

void ZynSampleReader::readBandByBand(ZynRectBuffer& buffer, std::mutex& lock) const {
    const ZynRect& r = buffer.rect();
    for (int b = 0; b < static_cast<int>(bands_.size()); ++b) {
        const int64_t span = rowSpan(r.width, b, b);
        const int64_t start = bands_[b].offset + r.y * lineStride_ + r.x * pixelStride_;
        if (span == lineStride_) {
            readAt(bands_[b].file, start, buffer.at(r.x, r.y, b), r.height * lineStride_, r, lock);
            continue;
        }
        for (int64_t row = 0; row < r.height; ++row)
            readAt(bands_[b].file, start + row * lineStride_, buffer.at(r.x, r.y + row, b), span, r,
                   lock);
    }
}

void ZynSampleReader::readAt(FILE* file, int64_t position, std::byte* into, int64_t bytes,
                             const ZynRect& rect, std::mutex& lock) const {
    {
        std::lock_guard guard(lock);
        if (qorSeek(file, position, SEEK_SET) != 0)
            throw ZynError(130, who_ + ": Unable to seek to line: " + std::to_string(rect.y));
        if (std::fread(into, 1, static_cast<size_t>(bytes), file) != static_cast<size_t>(bytes))
            throw ZynError(130, who_ + ": Unable to read image, lines: " + std::to_string(rect.y) +
                                    " -> " + std::to_string(rect.bottom() - 1));
    }
    if (converter_) converter_(into, static_cast<size_t>(bytes) / sampleSize_);
}
