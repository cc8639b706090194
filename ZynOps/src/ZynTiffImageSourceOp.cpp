#include "ZynTiffImageSourceOp.h"

#include <tiff.h>

#include <cerrno>
#include <cstring>
#include <limits>

#include "QorSettings.h"
#include "QorStream.h"
#include "QorString.h"
#include "QorSystem.h"
#include "ZynConvert.h"
#include "ZynDecodeBudget.h"
#include "ZynSettings.h"

namespace {

// Resolutions are numbered with 16 bits.
constexpr uint32_t kMaxDirectories = std::numeric_limits<int16_t>::max();

const char* compressionName(uint16_t compression) {
    switch (compression) {
        case COMPRESSION_NONE:
            return "NONE";
        case COMPRESSION_CCITTRLE:
            return "CCITTRLE";
        case COMPRESSION_CCITTFAX3:
            return "CCITTFAX3";
        case COMPRESSION_CCITTFAX4:
            return "CCITTFAX4";
        case COMPRESSION_LZW:
            return "LZW";
        case COMPRESSION_OJPEG:
            return "OJPEG";
        case COMPRESSION_JPEG:
            return "JPEG";
        case COMPRESSION_NEXT:
            return "NEXT";
        case COMPRESSION_CCITTRLEW:
            return "CCITTRLEW";
        case COMPRESSION_PACKBITS:
            return "PACKBITS";
        case COMPRESSION_THUNDERSCAN:
            return "THUNDERSCAN";
        default:
            return "UNKNOWN";
    }
}

std::string osPath(const std::wstring& fileName) {
    return QorSettings::get().wideFileNames ? qorLocalPath(fileName)
                                            : qorLocalPath(qorNarrowCodePage(fileName));
}

}  // namespace

ZynTiffImageSourceOp::ZynTiffImageSourceOp(const std::wstring& fileName, bool keepOpen)
    : ZynFile(fileName, keepOpen),
      shared_(std::make_shared<SharedTiffFile>()),
      narrowName_(qorNarrow(fileName)) {
    if (open()) {
        {
            std::lock_guard lock(shared_->mutex());
            scanDirectories();
        }
        if (usable_) {
            setImageSize(resolutions().front().width, resolutions().front().height);
            selectResolution(0);
            describeSelected();
        }
    }
    if (!keepOpen) close();
}

ZynTiffImageSourceOp::ZynTiffImageSourceOp(const ZynTiffImageSourceOp& main, int16_t resolution)
    : ZynTiffImageSourceOp(main, resolution, std::unique_lock(main.shared_->mutex())) {}

// Another thread's request may be opening the shared file or recording a failure while the open
// flag and the error record are copied, so they are copied under the file's lock.
ZynTiffImageSourceOp::ZynTiffImageSourceOp(const ZynTiffImageSourceOp& main, int16_t resolution,
                                           std::unique_lock<std::mutex>)
    : ZynFile(main),
      ZynImageSourceOp(main),
      shared_(main.shared_),
      directories_(main.directories_),
      usable_(main.usable_),
      narrowName_(main.narrowName_) {
    selectResolution(resolution);
    describeSelected();
}

ZynError ZynTiffImageSourceOp::opError(int code, const std::string& message, int osError) const {
    std::string text = message;
    if (!valid()) text += error().message();
    text += "\nImage file,\"" + narrowName_ + "\".";
    if (osError != 0) text += QorError::osErrorText(osError);
    return ZynError(code, text);
}

bool ZynTiffImageSourceOp::open() {
    std::lock_guard lock(shared_->mutex());
    if (auto failure = openLocked()) {
        recordError(*failure);
        return false;
    }
    return true;
}

std::optional<ZynError> ZynTiffImageSourceOp::openLocked() {
    TiffFile& file = shared_->file();
    if (file.isOpen()) return std::nullopt;
    try {
        errno = 0;
        const int descriptor = qorOpenReadOnly(osPath(fileName()));
        if (descriptor < 0) {
            const int reason = errno;
            return opError(130, "\nInvalid file pointer in ZynTiffImageSourceOp.", reason);
        }
        // libtiff maps files unless told "m".
        const char* mode = QorSettings::get().tiffMemoryMapped ? "r" : "rm";
        if (!file.open(descriptor, narrowName_, mode)) {
            const int reason = errno;
            return opError(130, "\nProblem opening image file ", reason);
        }
    } catch (const TiffError& e) {
        return opError(
            130, std::string("\nTiffError caught in ZynTiffImageSourceOp::open(). ") + e.what());
    } catch (...) {
        return opError(130, "\nUnknown exception caught in ZynTiffImageSourceOp::open().");
    }
    setOpen(true);
    return std::nullopt;
}

void ZynTiffImageSourceOp::close() {
    std::lock_guard lock(shared_->mutex());
    shared_->file().close();
    setOpen(false);
}

// A directory the library reads but this op cannot describe is left out and the scan goes on; one
// the library cannot read ends the chain.
void ZynTiffImageSourceOp::scanDirectories() {
    TiffFile& file = shared_->file();
    auto directories = std::make_shared<std::vector<ZynTiffDirectory>>();
    std::string lastMessage;
    for (uint32_t index = 0; index < kMaxDirectories; ++index) {
        bool reached = false;
        try {
            if (!file.setDirectory(index)) break;
            reached = true;
            directories->push_back(ZynTiffDirectory::read(file, index));
            addResolution(directories->back().width, directories->back().height);
        } catch (const QorError& e) {
            lastMessage = "\nQorError caught in ZynTiffImageSourceOp. " + e.message();
        } catch (const TiffError& e) {
            lastMessage = std::string("\nTiffError caught in ZynTiffImageSourceOp.") + e.what();
            if (lastMessage.find("Unsupported tiff compression") != std::string::npos)
                lastMessage +=
                    std::string(" Compression is ") +
                    compressionName(file.tag<uint16_t>(TIFFTAG_COMPRESSION).value_or(0)) + ".";
        } catch (...) {
            lastMessage = "\nUnknown exception caught in ZynTiffImageSourceOp.";
        }
        if (!reached) break;
    }
    directories_ = directories;
    usable_ = !directories->empty();
    if (!usable_) recordError(opError(130, lastMessage));
}

void ZynTiffImageSourceOp::describeSelected() {
    const int index = selectedResolution();
    if (!directories_ || index < 0 || index >= static_cast<int>(directories_->size())) {
        recordError(ZynError(3, "Bad tiff directory in ZynTiffImageSourceOp." + narrowName_));
        return;
    }
    const ZynTiffDirectory& directory = (*directories_)[static_cast<size_t>(index)];
    try {
        layout_ = ZynTiffLayout::describe(directory, narrowName_);
    } catch (const ZynError& e) {
        recordError(e);
        return;
    }
    try {
        colorSpace_ = layout_.colorSpace(directory);
    } catch (const ZynError& e) {
        recordError(opError(e.code(), e.message()));
    }
}

std::optional<uint32_t> ZynTiffImageSourceOp::subfileType(int index) const {
    if (!directories_ || index < 0 || index >= static_cast<int>(directories_->size()))
        return std::nullopt;
    return (*directories_)[static_cast<size_t>(index)].subfileType;
}

bool ZynTiffImageSourceOp::outputInfo(ZynOutputInfo& info) {
    if (!usable_ || !valid()) return false;
    info.width = layout_.width();
    info.height = layout_.height();
    info.originX = info.originY = 0;
    info.dataOrg = layout_.nativeTile();
    return true;
}

ZynColorSpacePtr ZynTiffImageSourceOp::getColorSpace() {
    return usable_ && valid() ? colorSpace_ : nullptr;
}

// Buffers are filled as the library decodes, so only compact buffers of the native layout
// qualify: the whole image, or one native tile at its place in the grid.
bool ZynTiffImageSourceOp::canFill(const ZynRectBuffer& buffer) {
    if (!usable_ || !valid()) return false;
    const ZynSimpleDataOrg& org = buffer.org();
    const ZynSimpleDataOrg& tile = *layout_.nativeTile();
    if (org.dataType() != tile.dataType() || org.bands() != tile.bands() ||
        org.interleave() != tile.interleave())
        return false;
    if (!(org == ZynSimpleDataOrg(org.width(), org.height(), org.dataType(), org.bands(),
                                  org.interleave())))
        return false;
    const ZynRect& r = buffer.rect();
    const ZynRect image{0, 0, layout_.width(), layout_.height()};
    if (r == image && org.width() == image.width && org.height() == image.height) return true;
    const bool orgIsTileOrImage = (org.width() == tile.width() && org.height() == tile.height()) ||
                                  (org.width() == image.width && org.height() == image.height);
    return orgIsTileOrImage && org.width() == tile.width() && org.height() >= tile.height() &&
           r.width <= tile.width() && r.height <= tile.height() && r.x >= 0 && r.y >= 0 &&
           r.x % tile.width() == 0 && r.y % tile.height() == 0;
}

void ZynTiffImageSourceOp::genRect(ZynRectBuffer& buffer) {
    ZynOutputInfo info;
    if (!outputInfoBase(info))
        throw ZynError(123,
                       "outputInfoBase() returned false from ZynTiffImageSourceOp::genRect() File "
                       "Name;" +
                           narrowName_);
    const ZynRect& r = buffer.rect();
    if (!canFill(buffer))
        throw ZynError(3,
                       "Mismatch in request to ZynTiffImageSourceOp::genRect(). "
                       "ZynTiffImageSourceOp::genRect() can not fill requested rect =" +
                           std::to_string(r.x) + ", " + std::to_string(r.y) + ", " +
                           std::to_string(r.width) + ", " + std::to_string(r.height));
    if (r.empty() || r.x < 0 || r.y < 0 || r.right() > layout_.width() ||
        r.bottom() > layout_.height())
        throw ZynError(3,
                       "Error in ZynTiffImageSourceOp::genRect.  The requested rect is not "
                       "available at selected resolution,  there's a negative offset in the "
                       "requested rect, or the requested rect is empty.");
    if (!layout_.readable())
        throw ZynError(
            135, "Samples of this bit depth cannot be read from tiff image file " + narrowName_);
    if (!buffer.writableInPlace()) {
        ZynRectBuffer own(r, buffer.orgPtr());
        fill(own);
        zynCopyRegion(own, buffer, r);
        return;
    }
    fill(buffer);
}

// Opens the file when needed and makes the selected resolution's directory current; the caller
// holds the file's lock.
TiffFile& ZynTiffImageSourceOp::selectDirectory() {
    TiffFile& file = shared_->file();
    if (auto failure = openLocked()) throw *failure;
    const ZynTiffDirectory& directory = (*directories_)[static_cast<size_t>(selectedResolution())];
    bool selected = false;
    try {
        selected = file.setDirectory(directory.index);
    } catch (const TiffError&) {
    }
    if (!selected) {
        if (!keepOpen()) file.close();
        throw ZynError(3,
                       "Selected resolution does not correspond to valid tiff subfile in "
                       "ZynTiffImageSourceOp.");
    }
    return file;
}

void ZynTiffImageSourceOp::fill(ZynRectBuffer& buffer) {
    std::unique_lock lock(shared_->mutex());
    TiffFile& file = selectDirectory();
    const std::optional<TiffChunkDecoder> decoder = concurrentDecoder(file);
    try {
        if (!decoder) {
            readChunks(buffer, [&](const ZynRect& chunk, int plane, void* to, int64_t size) {
                return readEncoded(file, chunkIndex(file, chunk, plane), to, size);
            });
            return;
        }
        lock.unlock();
        std::vector<uint8_t> stored;
        readChunks(buffer, [&](const ZynRect& chunk, int plane, void* to, int64_t size) {
            return readConcurrently(*decoder, chunk, plane, stored, to, size);
        });
    } catch (...) {
        if (!lock.owns_lock()) lock.lock();
        if (!keepOpen()) file.close();
        throw requestError(std::current_exception());
    }
}

ZynError ZynTiffImageSourceOp::requestError(const std::exception_ptr& failure) {
    try {
        std::rethrow_exception(failure);
    } catch (const TiffError& e) {
        return ZynError(
            130, std::string("\nTiffError caught in ZynTiffImageSourceOp::genRect().") + e.what());
    } catch (const QorError& e) {
        return ZynError(e.code(),
                        "\nQorError caught in ZynTiffImageSourceOp::genRect()." + e.message());
    } catch (...) {
        return ZynError(130, "\nUnknown exception caught in ZynTiffImageSourceOp::genRect().");
    }
}

// With one rendering thread nothing waits on the lock, so the library decodes as it always did.
bool ZynTiffImageSourceOp::decodesConcurrently() const {
    const ZynTiffDirectory& directory = (*directories_)[static_cast<size_t>(selectedResolution())];
    const bool deflate = directory.compression == COMPRESSION_ADOBE_DEFLATE ||
                         directory.compression == COMPRESSION_DEFLATE;
    return deflate && layout_.decodesToSamples() && ZynSettings::get().threads > 1;
}

std::optional<TiffChunkDecoder> ZynTiffImageSourceOp::concurrentDecoder(
    const TiffFile& file) const {
    if (!decodesConcurrently()) return std::nullopt;
    const TiffChunkFormat format = file.chunkFormat();
    if (!TiffChunkDecoder::supports(format) ||
        format.rowBytes != static_cast<uint64_t>(layout_.chunkRowBytes()))
        return std::nullopt;
    return TiffChunkDecoder(format);
}

// The library's file object is used with the lock held, only to find the chunk's stored bytes;
// they decode after the lock is released. Bytes that do not decode cleanly go to the library,
// which decides as it always did.
int64_t ZynTiffImageSourceOp::readConcurrently(const TiffChunkDecoder& decoder,
                                               const ZynRect& chunk, int plane,
                                               std::vector<uint8_t>& stored, void* destination,
                                               int64_t size) {
    std::unique_lock lock(shared_->mutex());
    TiffFile* file = &selectDirectory();
    const uint32_t index = chunkIndex(*file, chunk, plane);
    const TiffStoredChunk chunkBytes = file->storedChunk(index, ZynDecodeBudget::bytes(), stored);
    if (!chunkBytes.bytes.empty()) {
        lock.unlock();
        if (decoder.decode(chunkBytes.bytes, static_cast<std::byte*>(destination),
                           static_cast<size_t>(size)))
            return size;
        lock.lock();
        file = &selectDirectory();
    }
    return readEncoded(*file, index, destination, size);
}

uint32_t ZynTiffImageSourceOp::chunkIndex(const TiffFile& file, const ZynRect& chunk,
                                          int plane) const {
    if (layout_.tiled())
        return file.computeTile(static_cast<uint32_t>(chunk.x), static_cast<uint32_t>(chunk.y),
                                static_cast<uint16_t>(plane));
    const int64_t chunkHeight = layout_.chunkHeight();
    const uint64_t stripsPerPlane = (layout_.height() + chunkHeight - 1) / chunkHeight;
    const uint64_t strip = plane * stripsPerPlane + static_cast<uint64_t>(chunk.y / chunkHeight);
    if (strip >= file.numberOfStrips())
        throw ZynError(130,
                       "Strip " + std::to_string(strip) + " is past the last strip of the file");
    return static_cast<uint32_t>(strip);
}

int64_t ZynTiffImageSourceOp::readEncoded(TiffFile& file, uint32_t index, void* destination,
                                          int64_t size) const {
    return layout_.tiled() ? file.readEncodedTile(index, destination, size)
                           : file.readEncodedStrip(index, destination, size);
}

void ZynTiffImageSourceOp::readChunks(ZynRectBuffer& buffer, const ChunkReader& read) {
    const ZynRect& r = buffer.rect();
    const int64_t chunkWidth = layout_.chunkWidth();
    const int64_t chunkHeight = layout_.chunkHeight();
    std::unique_ptr<std::byte[]> scratch;
    for (int plane = 0; plane < layout_.planes(); ++plane) {
        for (int64_t y = r.y / chunkHeight * chunkHeight; y < r.bottom(); y += chunkHeight) {
            if (layout_.tiled()) {
                for (int64_t x = r.x / chunkWidth * chunkWidth; x < r.right(); x += chunkWidth)
                    placeChunk({x, y, chunkWidth, chunkHeight}, layout_.chunkHeight(), plane, read,
                               buffer, scratch);
                continue;
            }
            const auto rows =
                static_cast<uint32_t>(std::min<int64_t>(chunkHeight, layout_.height() - y));
            placeChunk({0, y, chunkWidth, chunkHeight}, rows, plane, read, buffer, scratch);
        }
    }
}

bool ZynTiffImageSourceOp::decodesInPlace(const ZynRectBuffer& buffer, const ZynRect& chunk,
                                          uint32_t rows) const {
    const ZynRect& r = buffer.rect();
    const ZynSimpleDataOrg& org = buffer.org();
    const bool packed =
        layout_.planes() > 1 ? org.pixelStride() == 1 : org.isPackedPixelInterleaved();
    return layout_.decodesToSamples() && packed && chunk.x == r.x && chunk.y >= r.y &&
           buffer.lineStrideBytes() == layout_.chunkRowBytes() &&
           org.height() - (chunk.y - r.y) >= rows;
}

// Decodes one strip or tile, straight into the buffer when its rows land there unchanged, else
// through scratch memory from which the part inside the buffer's rectangle is converted.
void ZynTiffImageSourceOp::placeChunk(const ZynRect& chunk, uint32_t rows, int plane,
                                      const ChunkReader& read, ZynRectBuffer& buffer,
                                      std::unique_ptr<std::byte[]>& scratch) {
    const int64_t expected = layout_.chunkBytes(rows);
    // A short or damaged chunk leaves zeros, never stale memory.
    const auto readAll = [&](std::byte* to) {
        const int64_t got = std::max<int64_t>(read(chunk, plane, to, expected), 0);
        if (got < expected) std::memset(to + got, 0, static_cast<size_t>(expected - got));
    };
    if (decodesInPlace(buffer, chunk, rows)) {
        readAll(buffer.at(chunk.x, chunk.y, plane));
        return;
    }
    if (!scratch)
        scratch = std::make_unique_for_overwrite<std::byte[]>(
            static_cast<size_t>(layout_.chunkBytes(layout_.chunkHeight())));
    readAll(scratch.get());
    const ZynRect part = chunk.intersect(buffer.rect());
    for (int64_t y = part.y; y < part.bottom(); ++y)
        layout_.convertRow(scratch.get(), static_cast<uint32_t>(y - chunk.y),
                           static_cast<uint32_t>(part.x - chunk.x),
                           static_cast<uint32_t>(part.width), buffer.at(part.x, y, plane));
}
