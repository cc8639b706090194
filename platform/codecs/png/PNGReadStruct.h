#pragma once

#include <png.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "PNGReadOptions.h"

// What the private chunks before the image data announce: a "ckTg" of length 0 a tag image, an
// "rrIm" of 8 bytes (width and height, least significant byte first) a reduced-resolution image.
struct PNGLeadingChunks {
    bool hasTag = false;
    bool hasReducedRes = false;
    uint32_t reducedWidth = 0;
    uint32_t reducedHeight = 0;
};

// The private chunk names, as libpng's keep lists spell them.
inline constexpr png_byte kPNGPrivateChunks[] = "rrIm\0ckTg";
inline constexpr png_byte kPNGReducedChunk[] = "rrIm";
inline constexpr png_byte kPNGTagChunk[] = "ckTg";

// What is left of a file from where it stands (the decode budget when that cannot be known).
uint64_t pngBytesLeft(FILE* file);

// Owner of libpng's read structures. libpng reports an error by long-jumping to the setjmp of the
// call that failed, so every call that may fail runs through one guarded trampoline whose frames
// hold no C++ object with a destructor; a failure comes back as false with libpng's message in
// lastError().
class PNGReadStruct {
  public:
    PNGReadStruct();
    ~PNGReadStruct();
    PNGReadStruct(const PNGReadStruct&) = delete;
    PNGReadStruct& operator=(const PNGReadStruct&) = delete;

    bool hasReadStruct() const { return png_ != nullptr; }
    bool hasInfo() const { return info_ != nullptr && endInfo_ != nullptr; }
    png_structp png() const { return png_; }
    png_infop info() const { return info_; }
    png_infop endInfo() const { return endInfo_; }

    // Reads from where the file stands; no chunk may claim more than the rest of it.
    void readFromFile(FILE* file);
    // No chunk may claim more than `inputBytes` from the signature on, nor more than the decode
    // budget: libpng allocates what a chunk claims before it reads a byte of it.
    void limitChunksTo(uint64_t inputBytes);
    // Every read function passes what it read through here, in order; a chunk header claiming
    // more than the input holds ends the libpng call.
    static void watchRead(png_structp png, png_const_bytep data, size_t length);
    void readFrom(void* io, png_rw_ptr read) { png_set_read_fn(png_, io, read); }

    // Keeps the named chunks (a list of `count` 5-byte names) for png_get_unknown_chunks, or
    // stops keeping them.
    bool keepChunks(const png_byte* names, int count, bool keep);
    bool readInfo();
    // Sets the transformations and updates the info; `expand` turns palettes into RGB, gray below
    // 8 bits into 8 bits and a transparency chunk into alpha. Returns the number of interlace
    // passes, or 0 on failure.
    int setTransforms(bool expand, const PNGReadOptions& options);
    // The next `count` rows into `rows`, every interlace pass over the same rows.
    bool readRows(png_bytepp rows, uint32_t count, int passes);
    bool readEnd();

    // After readInfo.
    PNGLeadingChunks leadingChunks() const;
    // Whether the rest of the input is too short for the image data the header declares even at
    // zlib's best ratio: a few damaged bytes must not buy a buffer of the size they claim.
    bool tooShortForItsImage() const;
    // Pixels per metre from a pHYs chunk in metres, or false.
    bool pixelsPerMeter(uint32_t& x, uint32_t& y) const;
    // After setTransforms: the rows libpng delivers.
    uint32_t width() const { return png_get_image_width(png_, info_); }
    uint32_t height() const { return png_get_image_height(png_, info_); }
    int channels() const { return png_get_channels(png_, info_); }
    int bitDepth() const { return png_get_bit_depth(png_, info_); }
    int colorType() const { return png_get_color_type(png_, info_); }

    const char* lastError() const { return lastError_; }

  private:
    static void onError(png_structp png, png_const_charp message);
    static void onWarning(png_structp png, png_const_charp message);

    static void readFile(png_structp png, png_bytep data, size_t length);

    png_structp png_ = nullptr;
    png_infop info_ = nullptr;
    png_infop endInfo_ = nullptr;
    char lastError_[256] = "";
    // The chunk records as libpng reads them, counted from the signature.
    uint64_t inputBytes_ = UINT64_MAX;
    uint64_t bytesRead_ = 0;
    uint64_t nextHeader_ = 8;
    // The filtered rows as the file stores them, and the input left, when the header was read.
    uint64_t storedImageBytes_ = 0;
    uint64_t bytesLeftAfterHeader_ = 0;
};
