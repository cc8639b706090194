#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

// How the stored bytes of the strips or tiles of one directory become decoded rows.
struct TiffChunkFormat {
    uint16_t compression = 1;
    uint16_t predictor = 1;
    uint16_t fillOrder = 1;
    uint16_t bitsPerSample = 8;
    uint16_t samplesPerPixel = 1;  // of one plane: 1 when bands are stored separately
    bool byteSwapped = false;
    uint64_t rowBytes = 0;  // decoded bytes of one row of a strip or tile
};

// Decodes stored chunks without the library's file object, so that chunks of one file decode on
// several threads at once. Only schemes whose result is certain to match the library's byte for
// byte are taken: Deflate, with or without horizontal differencing, on whole-byte samples.
class TiffChunkDecoder {
  public:
    static bool supports(const TiffChunkFormat& format);
    explicit TiffChunkDecoder(const TiffChunkFormat& format) : format_(format) {}

    // Decodes `stored` into exactly `size` bytes. False when the bytes are anything but one
    // complete, sound stream of that length: the library then decodes the chunk itself and
    // reports the damage its own way.
    bool decode(std::span<const uint8_t> stored, std::byte* destination, size_t size) const;

  private:
    void swapBytes(std::byte* data, size_t size) const;
    bool undoDifferencing(std::byte* data, size_t size) const;

    TiffChunkFormat format_;
};
