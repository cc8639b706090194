#include "TiffFile.h"

#include <tiffio.h>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string_view>

#include "QorSystem.h"
#include "ZynSettings.h"

namespace {

// Texts beyond this length are dropped: a damaged file can make the library repeat itself.
constexpr size_t kMaxTextLength = 4096;

void appendMessage(std::string& text, const char* module, const char* format, va_list arguments) {
    if (text.size() >= kMaxTextLength) return;
    char message[1024];
    std::vsnprintf(message, sizeof message, format, arguments);
    if (!text.empty()) text += "; ";
    if (module && *module) text += std::string(module) + ": ";
    text += message;
}

}  // namespace

TiffFile::~TiffFile() {
    close();
}

int TiffFile::onError(TIFF*, void* user, const char* module, const char* format,
                      va_list arguments) {
    appendMessage(static_cast<TiffFile*>(user)->errors_, module, format, arguments);
    // Returning 0 lets the library's process-wide handler print the message too.
    return ZynSettings::get().trace ? 0 : 1;
}

int TiffFile::onWarning(TIFF*, void* user, const char* module, const char* format,
                        va_list arguments) {
    appendMessage(static_cast<TiffFile*>(user)->warnings_, module, format, arguments);
    return ZynSettings::get().trace ? 0 : 1;
}

std::string TiffFile::takeErrors(const std::string& fallback) {
    std::string text = errors_.empty() ? fallback : errors_;
    errors_.clear();
    return text;
}

void TiffFile::fail(const std::string& fallback) {
    throw TiffError(takeErrors(fallback));
}

bool TiffFile::open(int descriptor, const std::string& path, const char* mode) {
    close();
    errors_.clear();
    warnings_.clear();
    std::unique_ptr<TIFFOpenOptions, void (*)(TIFFOpenOptions*)> options(TIFFOpenOptionsAlloc(),
                                                                         &TIFFOpenOptionsFree);
    if (!options) {
        qorCloseDescriptor(descriptor);
        throw TiffError("Out of memory allocating TIFF open options");
    }
    TIFFOpenOptionsSetErrorHandlerExtR(options.get(), &TiffFile::onError, this);
    TIFFOpenOptionsSetWarningHandlerExtR(options.get(), &TiffFile::onWarning, this);
    // No single allocation of the library may exceed the budget, whatever sizes a file declares.
    TIFFOpenOptionsSetMaxSingleMemAlloc(options.get(),
                                        static_cast<tmsize_t>(ZynSettings::get().maxDecodeBytes));
    fileSize_ = qorFileSize(descriptor);
    tiff_ = TIFFFdOpenExt(descriptor, path.c_str(), mode, options.get());
    if (tiff_) {
        prepareDirectory();
        mapWhole(descriptor, mode);
        return true;
    }
    // The library closes the descriptor only with a file it managed to open.
    qorCloseDescriptor(descriptor);
    // Without a message the header was sound and the chain simply holds no directory.
    if (errors_.empty()) return false;
    fail("");
}

// Chunks are then read in place, without the library's copy, by threads that do not hold the
// file. Without a mapping they are copied as before.
void TiffFile::mapWhole(int descriptor, const char* mode) {
    if (std::string_view(mode).find('m') != std::string_view::npos || fileSize_ == 0 ||
        fileSize_ > SIZE_MAX)
        return;
    const auto size = static_cast<size_t>(fileSize_);
    if (const uint8_t* data = qorMapReadOnly(descriptor, size))
        mapping_.reset(data, [size](const uint8_t* p) { qorUnmap(p, size); });
}

void TiffFile::close() {
    if (tiff_) TIFFClose(tiff_);
    tiff_ = nullptr;
    mapping_.reset();
}

bool TiffFile::setDirectory(uint32_t index) {
    if (TIFFCurrentDirectory(tiff_) == index) return true;
    errors_.clear();
    if (TIFFSetDirectory(tiff_, index)) {
        prepareDirectory();
        return true;
    }
    if (errors_.empty()) return false;
    fail("");
}

// JPEG-coded YCbCr is handed out as RGB: the library's own conversion is exact where its
// subsampled raw output is not usable.
void TiffFile::prepareDirectory() {
    uint16_t compression = COMPRESSION_NONE, photometric = 0;
    TIFFGetField(tiff_, TIFFTAG_COMPRESSION, &compression);
    TIFFGetField(tiff_, TIFFTAG_PHOTOMETRIC, &photometric);
    if (compression == COMPRESSION_JPEG && photometric == PHOTOMETRIC_YCBCR)
        TIFFSetField(tiff_, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB);
}

bool TiffFile::convertsYCbCrToRgb() const {
    int mode = JPEGCOLORMODE_RAW;
    uint16_t compression = COMPRESSION_NONE;
    TIFFGetField(tiff_, TIFFTAG_COMPRESSION, &compression);
    return compression == COMPRESSION_JPEG && TIFFGetField(tiff_, TIFFTAG_JPEGCOLORMODE, &mode) &&
           mode == JPEGCOLORMODE_RGB;
}

uint32_t TiffFile::currentDirectory() const {
    return TIFFCurrentDirectory(tiff_);
}

bool TiffFile::isTiled() const {
    return TIFFIsTiled(tiff_) != 0;
}

void TiffFile::checkCodec(uint16_t compression) const {
    if (!TIFFIsCODECConfigured(compression))
        throw TiffError("Unsupported tiff compression scheme " + std::to_string(compression));
}

template <class T>
std::optional<T> TiffFile::tag(uint32_t tag) const {
    T value{};
    if (!TIFFGetField(tiff_, tag, &value)) return std::nullopt;
    return value;
}

template std::optional<uint16_t> TiffFile::tag<uint16_t>(uint32_t) const;
template std::optional<uint32_t> TiffFile::tag<uint32_t>(uint32_t) const;
template std::optional<float> TiffFile::tag<float>(uint32_t) const;
template std::optional<double> TiffFile::tag<double>(uint32_t) const;

std::optional<std::string> TiffFile::stringTag(uint32_t tag) const {
    const char* value = nullptr;
    if (!TIFFGetField(tiff_, tag, &value) || !value) return std::nullopt;
    return std::string(value);
}

std::vector<uint16_t> TiffFile::uint16ArrayTag(uint32_t tag) const {
    uint16_t count = 0;
    const uint16_t* values = nullptr;
    if (!TIFFGetField(tiff_, tag, &count, &values) || !values) return {};
    return std::vector<uint16_t>(values, values + count);
}

std::pair<uint16_t, uint16_t> TiffFile::ycbcrSubsampling() const {
    uint16_t horizontal = 2, vertical = 2;
    TIFFGetFieldDefaulted(tiff_, TIFFTAG_YCBCRSUBSAMPLING, &horizontal, &vertical);
    return {horizontal, vertical};
}

std::optional<std::vector<uint8_t>> TiffFile::bytesTag(uint32_t tag) const {
    uint32_t count = 0;
    const uint8_t* bytes = nullptr;
    if (!TIFFGetField(tiff_, tag, &count, &bytes) || !bytes) return std::nullopt;
    return std::vector<uint8_t>(bytes, bytes + count);
}

uint32_t TiffFile::numberOfStrips() const {
    return TIFFNumberOfStrips(tiff_);
}

int64_t TiffFile::stripSize() const {
    return TIFFStripSize(tiff_);
}

int64_t TiffFile::tileSize() const {
    return TIFFTileSize(tiff_);
}

uint32_t TiffFile::computeTile(uint32_t x, uint32_t y, uint16_t plane) const {
    return TIFFComputeTile(tiff_, x, y, 0, plane);
}

void TiffFile::requireInsideFile(uint32_t chunk, const char* kind) {
    if (fileSize_ == 0 || TIFFIsTiled(tiff_) != (kind[0] == 't')) return;
    const uint64_t offset = TIFFGetStrileOffset(tiff_, chunk);
    const uint64_t bytes = TIFFGetStrileByteCount(tiff_, chunk);
    if (offset <= fileSize_ && bytes <= fileSize_ - offset) return;
    throw TiffError("The data of " + std::string(kind) + " " + std::to_string(chunk) + " (" +
                    std::to_string(bytes) + " bytes at " + std::to_string(offset) +
                    ") lies past the end of the file of " + std::to_string(fileSize_) + " bytes");
}

int64_t TiffFile::readEncodedStrip(uint32_t strip, void* destination, int64_t size) {
    errors_.clear();
    requireInsideFile(strip, "strip");
    const tmsize_t got = TIFFReadEncodedStrip(tiff_, strip, destination, size);
    if (got < 0) fail("Cannot read strip " + std::to_string(strip));
    return got;
}

int64_t TiffFile::readEncodedTile(uint32_t tile, void* destination, int64_t size) {
    errors_.clear();
    requireInsideFile(tile, "tile");
    const tmsize_t got = TIFFReadEncodedTile(tiff_, tile, destination, size);
    if (got < 0) fail("Cannot read tile " + std::to_string(tile));
    return got;
}

TiffChunkFormat TiffFile::chunkFormat() const {
    TiffChunkFormat format;
    uint16_t planar = PLANARCONFIG_CONTIG;
    TIFFGetFieldDefaulted(tiff_, TIFFTAG_COMPRESSION, &format.compression);
    TIFFGetFieldDefaulted(tiff_, TIFFTAG_FILLORDER, &format.fillOrder);
    TIFFGetFieldDefaulted(tiff_, TIFFTAG_BITSPERSAMPLE, &format.bitsPerSample);
    TIFFGetFieldDefaulted(tiff_, TIFFTAG_SAMPLESPERPIXEL, &format.samplesPerPixel);
    TIFFGetFieldDefaulted(tiff_, TIFFTAG_PLANARCONFIG, &planar);
    // Only schemes that difference samples know the tag.
    if (!TIFFGetField(tiff_, TIFFTAG_PREDICTOR, &format.predictor))
        format.predictor = PREDICTOR_NONE;
    if (planar == PLANARCONFIG_SEPARATE) format.samplesPerPixel = 1;
    format.byteSwapped = TIFFIsByteSwapped(tiff_) != 0;
    const tmsize_t rowBytes = TIFFIsTiled(tiff_) ? TIFFTileRowSize(tiff_) : TIFFScanlineSize(tiff_);
    format.rowBytes = rowBytes > 0 ? static_cast<uint64_t>(rowBytes) : 0;
    return format;
}

TiffStoredChunk TiffFile::storedChunk(uint32_t chunk, uint64_t limit, std::vector<uint8_t>& copy) {
    const bool tiled = TIFFIsTiled(tiff_) != 0;
    if (fileSize_ == 0 || chunk >= (tiled ? TIFFNumberOfTiles(tiff_) : TIFFNumberOfStrips(tiff_)))
        return {};
    const uint64_t offset = TIFFGetStrileOffset(tiff_, chunk);
    const uint64_t count = TIFFGetStrileByteCount(tiff_, chunk);
    if (count == 0 || count > limit || offset > fileSize_ || count > fileSize_ - offset) return {};
    if (mapping_) return {{mapping_.get() + offset, static_cast<size_t>(count)}, mapping_};
    copy.resize(static_cast<size_t>(count));
    const auto size = static_cast<tmsize_t>(count);
    const tmsize_t got = tiled ? TIFFReadRawTile(tiff_, chunk, copy.data(), size)
                               : TIFFReadRawStrip(tiff_, chunk, copy.data(), size);
    // The library reports a failed read again when it decodes the chunk.
    errors_.clear();
    if (got != size) return {};
    return {copy, nullptr};
}
