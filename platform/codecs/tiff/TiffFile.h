#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "TiffChunkDecoder.h"
#include "TiffError.h"

struct tiff;

// The stored bytes of a strip or tile. `mapping` keeps the memory they lie in alive when they lie
// in the file's mapping, however the file is closed meanwhile.
struct TiffStoredChunk {
    std::span<const uint8_t> bytes;
    std::shared_ptr<const uint8_t> mapping;
};

// A TIFF file read through libtiff. The library's errors and warnings are kept per file (they
// reach standard error only when the trace flag is on); a failing call throws TiffError with the
// error text the library gave for it. Not thread-safe: callers serialise access.
class TiffFile {
  public:
    TiffFile() = default;
    TiffFile(const TiffFile&) = delete;
    TiffFile& operator=(const TiffFile&) = delete;
    ~TiffFile();

    // Opens the file behind an OS descriptor, which the file owns from then on (it is closed
    // when opening fails too). `mode` is "r" or "rm" ("m": no memory mapping). Returns false
    // when the file holds no directory; other failures throw.
    bool open(int descriptor, const std::string& path, const char* mode);
    bool isOpen() const { return tiff_ != nullptr; }
    void close();

    // Makes directory `index` of the chain current. False past the last one; throws when the
    // library cannot read it.
    bool setDirectory(uint32_t index);
    uint32_t currentDirectory() const;

    bool isTiled() const;
    // Whether the library turns this directory's YCbCr samples into RGB as it decodes.
    bool convertsYCbCrToRgb() const;
    // Throws when the library cannot decode this compression scheme.
    void checkCodec(uint16_t compression) const;

    // Tag values of the current directory, empty when the tag is absent. The caller asks for the
    // type libtiff hands the tag out as (uint16_t, uint32_t, float or double).
    template <class T>
    std::optional<T> tag(uint32_t tag) const;
    std::optional<std::string> stringTag(uint32_t tag) const;
    // Tags handed out as a 16-bit count and an array of 16-bit values (EXTRASAMPLES).
    std::vector<uint16_t> uint16ArrayTag(uint32_t tag) const;
    // Horizontal and vertical chroma subsampling, with TIFF's default of 2 x 2 when absent.
    std::pair<uint16_t, uint16_t> ycbcrSubsampling() const;
    // Tags handed out as a 32-bit count and bytes (ICCPROFILE, XMLPACKET).
    std::optional<std::vector<uint8_t>> bytesTag(uint32_t tag) const;

    uint32_t numberOfStrips() const;
    int64_t stripSize() const;
    int64_t tileSize() const;
    uint32_t computeTile(uint32_t x, uint32_t y, uint16_t plane) const;
    // Decode at most `size` bytes of a strip or tile into `destination`; return the count.
    int64_t readEncodedStrip(uint32_t strip, void* destination, int64_t size);
    int64_t readEncodedTile(uint32_t tile, void* destination, int64_t size);

    // How the chunks of the current directory are stored, for decoding them elsewhere.
    TiffChunkFormat chunkFormat() const;
    // The stored bytes of strip or tile `chunk`, undecoded: in place in a mapped file, else read
    // into `copy`. Empty, with nothing reported, when the chunk is empty, lies outside the file,
    // exceeds `limit` bytes or cannot be read: decoding it through the library then gives the
    // verdict.
    TiffStoredChunk storedChunk(uint32_t chunk, uint64_t limit, std::vector<uint8_t>& copy);

    const std::string& warnings() const { return warnings_; }

  private:
    // Fails when the chunk's bytes, as the directory places them, run past the end of the file:
    // the library would allocate what it claims before finding out.
    void requireInsideFile(uint32_t chunk, const char* kind);

    static int onError(struct tiff*, void* user, const char* module, const char* format,
                       va_list arguments);
    static int onWarning(struct tiff*, void* user, const char* module, const char* format,
                         va_list arguments);
    // The error text collected since the last failure, or `fallback` when the library gave none.
    std::string takeErrors(const std::string& fallback);
    [[noreturn]] void fail(const std::string& fallback);
    void prepareDirectory();
    void mapWhole(int descriptor, const char* mode);

    struct tiff* tiff_ = nullptr;
    std::string errors_;
    uint64_t fileSize_ = 0;
    // The whole file, when it is read mapped.
    std::shared_ptr<const uint8_t> mapping_;
    std::string warnings_;
};
