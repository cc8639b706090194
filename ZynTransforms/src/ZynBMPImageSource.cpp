#include "ZynBMPImageSource.h"

#include <algorithm>
#include <vector>

#include "QorString.h"
#include "QorSystem.h"
#include "ZynTransformDescription.h"

ZynBMPImageSource::ZynBMPImageSource(const std::wstring& fileName, bool keepOpen)
    : ZynRawImageSource(fileName, keepOpen) {}

ZynBMPImageSource::ZynBMPImageSource(const ZynBMPImageSource& other)
    : ZynTransform(other), ZynRawImageSource(other) {
    forgetLayout();
}

ZynBMPImageSource::~ZynBMPImageSource() = default;

bool ZynBMPImageSource::hasSignature(FILE* file) {
    unsigned char magic[2] = {0, 0};
    std::rewind(file);
    return std::fread(magic, 1, 2, file) == 2 && (magic[0] | magic[1] << 8) == 0x4D42;
}

ZynTransformPtr ZynBMPImageSource::recognize(const std::wstring& fileName, FILE* file,
                                             bool keepOpen) {
    try {
        if (file && hasSignature(file))
            return std::make_shared<ZynBMPImageSource>(fileName, keepOpen);
    } catch (...) {
        // Out of memory, say: the file is not claimed.
    }
    return nullptr;
}

ZynTransformPtr ZynBMPImageSource::clone() const {
    return std::make_shared<ZynBMPImageSource>(*this);
}

void ZynBMPImageSource::forgetFile() {
    ZynRawImageSource::forgetFile();
    header_.reset();
    forgetLayout();
}

void ZynBMPImageSource::setupTransform() {
    if (!isOpen() && openFile()) readBitmap();
    ZynRawImageSource::setupTransform();
}

void ZynBMPImageSource::readBitmap() {
    std::lock_guard lock(fileLock());
    if (!hasSignature(file())) {
        setFileError(ZynError(130, "File not a BMP image: \"" + qorNarrow(fileName()) + "\""));
        return;
    }
    try {
        header_.read(file());
    } catch (const ZynError& e) {
        setFileError(e);
        return;
    }
    applyFileInfo(header_.fileLayout, header_.dataOffset, intelHWD);
    if (expands()) setOutputLayout(header_.outputLayout);
}

// Descriptions of bitmaps are those of any transform: the header says the rest.
void ZynBMPImageSource::saveDescription(std::ostream& out) const {
    zynSaveAttributes(*this, out);
}

void ZynBMPImageSource::loadDescription(std::istream& in) {
    zynLoadAttributes(*this, in);
}

std::byte* ZynBMPImageSource::rowStart(const ZynRectBuffer& buffer, int64_t y) const {
    const std::vector<int64_t>& offsets = buffer.org().bandOffsets();
    const auto lowest = std::min_element(offsets.begin(), offsets.end()) - offsets.begin();
    return buffer.at(0, y, static_cast<int>(lowest));
}

// Rows are copied whole from their first pixel: only full-width rectangles of 8-bit buffers will
// do, laid out as the file's rows unless each pixel is expanded from the palette anyway.
bool ZynBMPImageSource::canFill(const ZynRectBuffer& buffer) {
    const ZynBufferInfoPtr& out = outputLayout();
    if (!out || !fileLayout()) return false;
    const ZynSimpleDataOrg& org = buffer.org();
    const ZynSimpleDataOrg& want = *out->dataOrg;
    const ZynRect& r = buffer.rect();
    if (org.dataType() != ZynDataType::UInt8 || org.bands() != want.bands() || r.x != 0 ||
        r.width != header_.width || r.y < 0 || r.bottom() > header_.imageHeight() ||
        org.width() < r.width || org.height() < r.height)
        return false;
    if (expands()) return true;
    if (org.pixelStride() != want.pixelStride()) return false;
    for (int b = 1; b < org.bands(); ++b)
        if (org.bandOffset(b) - org.bandOffset(0) != want.bandOffset(b) - want.bandOffset(0))
            return false;
    return true;
}

void ZynBMPImageSource::expandRow(const uint8_t* indices, ZynRectBuffer& buffer, int64_t y) const {
    const uint8_t* palette = header_.palette.get();
    for (int64_t x = 0; x < header_.width; ++x) {
        const uint8_t* entry = palette + 4 * indices[x];
        *buffer.sample<uint8_t>(x, y, 0) = entry[2];
        *buffer.sample<uint8_t>(x, y, 1) = entry[1];
        *buffer.sample<uint8_t>(x, y, 2) = entry[0];
    }
}

void ZynBMPImageSource::genRect(ZynRectBuffer& buffer) {
    ensureOpenForReading();
    if (!canFill(buffer))
        throw ZynError(3,
                       "The BMP source fills only 8-bit buffers of whole image rows laid out "
                       "as its output");
    const int64_t rowBytes = header_.rowBytes();
    const int64_t fileStride = header_.fileStride();
    const int64_t height = header_.imageHeight();
    std::vector<uint8_t> scratch(expands() ? static_cast<size_t>(rowBytes) : 0);
    const ZynRect& r = buffer.rect();
    for (int64_t y = r.y; y < r.bottom(); ++y) {
        const int64_t fileRow = header_.topDown() ? y : height - y - 1;
        auto* row = expands() ? scratch.data() : reinterpret_cast<uint8_t*>(rowStart(buffer, y));
        {
            std::lock_guard lock(fileLock());
            if (qorSeek(file(), header_.dataOffset + fileRow * fileStride, SEEK_SET) != 0)
                throw ZynError(130, "Unable to seek to line");
            if (std::fread(row, 1, static_cast<size_t>(rowBytes), file()) !=
                static_cast<size_t>(rowBytes))
                throw ZynError(130, "Unable to read line from file");
        }
        if (expands())
            expandRow(row, buffer, y);
        else if (!header_.greyLevels.empty())
            for (int64_t x = 0; x < rowBytes; ++x) row[x] = header_.greyLevels[row[x]];
    }
}
