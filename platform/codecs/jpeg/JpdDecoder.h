#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "JpdColorSpace.h"

class QorStream;

// Which reader the decoder is: the standard one reads files and streams, the alternative one
// maps the file by its path.
enum class JpdImplementation : int { Standard = 0, Alternative = 1 };

// Statuses of the decoder's own failures. Failures reported by libjpeg carry its message code,
// which is positive; 0 is success.
enum JpdStatus : int {
    kJpdOk = 0,
    kJpdNoInput = -1,
    kJpdBadState = -2,
    kJpdBadArgument = -3,
    kJpdNotPresent = -4,
    kJpdShortRead = -5,
};

// What the header tells about the image.
struct JpdImageInfo {
    uint32_t width = 0;
    uint32_t height = 0;
    int components = 0;
    int precision = 0;
    JpdColorSpace fileColorSpace = JpdColorSpace::Other;
    // What the decoder delivers unless asked for another colour space.
    JpdColorSpace colorSpace = JpdColorSpace::Other;
};

// A marker segment kept while the header was read.
struct JpdMarker {
    int code = 0;
    std::vector<uint8_t> data;
};

// Called with the name of a library that failed to load late. Nothing here loads late, but clients
// install their handler once, under their own lock.
using JpdLoadFailureCallback = void (*)(const char* libraryName);
extern JpdLoadFailureCallback jpdClientCallback;

// A JPEG decompressor over libjpeg-turbo. Every call returns a status (JpdStatus) and leaves the
// text of the last diagnostic in message(); libjpeg's fatal errors, and the warnings that mean the
// data is corrupt or cut short, end the call with a failing status instead of ending the process
// or passing off invented pixels. After a failure the header must be read again before decoding.
class JpdDecoder {
  public:
    explicit JpdDecoder(JpdImplementation implementation = JpdImplementation::Standard);
    ~JpdDecoder();
    JpdDecoder(const JpdDecoder&) = delete;
    JpdDecoder& operator=(const JpdDecoder&) = delete;

    // Inputs of the standard implementation. The handle stays the caller's; a handle of the kind
    // already in use replaces it and keeps the buffered bytes (the caller restores the position).
    int setFileInput(FILE* file);
    int setStreamInput(QorStream* stream);
    // Input of the alternative implementation: the file mapped by path.
    int setPathInput(const std::string& path);
    // Bytes in memory that outlive the decoding (thumbnails, embedded images).
    int setMemoryInput(const uint8_t* data, size_t size);
    // Gives up the file handle or mapping while keeping the decoding state.
    void releaseInput();
    bool hasInput() const;

    // Keeps the APPn segments of `code` (JPEG_APP0 + n) for markers(); call before the header.
    int keepMarkers(int code);

    // Reads the header from the start of the input. A precision that libjpeg cannot decode still
    // gives the header's facts (status 0); decoding such a file then fails.
    int getImageInfo(uint32_t& width, uint32_t& height, int& components);
    const JpdImageInfo& info() const { return info_; }
    // Size of the image decoded at 1 / 2^scale, scale 0 to 3.
    int getScaleSize(int scale, uint32_t& width, uint32_t& height) const;
    bool canProduce(JpdColorSpace colorSpace) const;
    // Samples per pixel the decoder delivers in `colorSpace` (0 for one it cannot produce).
    int outputComponents(JpdColorSpace colorSpace) const;

    // Settings applied at the next start.
    int setScaling(int scale);
    int setOutputColorSpace(JpdColorSpace colorSpace);
    int setDctMethod(int method);

    int start();
    // What libjpeg will allocate to decode the image whose header was read: the coefficients of
    // every component for a file of several scans, and the row buffers; 0 before a header.
    uint64_t decodeBytes() const;
    // True when a file of several Huffman-coded scans is far too short for the coefficients its
    // header makes libjpeg keep: every block costs at least a bit, so a few bytes claiming
    // millions of blocks are damage, not an image, and not worth hundreds of megabytes.
    bool tooShortForItsBlocks() const;
    // Blocks of every component in the image whose header was read.
    uint64_t blockCount() const;
    // Ends decoding wherever it is; the header must be read again before the next start.
    int stop();
    // Stops and goes back to the start of the input.
    int reset();
    bool started() const { return started_; }
    // The size being delivered once decoding started.
    uint32_t outputWidth() const;
    uint32_t outputHeight() const;

    // Decodes `lines` lines to `destination`, each `lineStride` bytes after the one before
    // (0 decodes them all onto the same line, to skip them).
    int readScanLines(uint8_t* destination, int lines, ptrdiff_t lineStride, int& delivered);

    // Header facts kept when the header was read; kJpdNotPresent when the file has none.
    int getQuantTable(int component, uint16_t (&table)[64]) const;
    int getIccProfile(std::vector<uint8_t>& profile) const;
    int getDpi(uint16_t& x, uint16_t& y, uint8_t& unit) const;
    const std::vector<JpdMarker>& markers() const { return markers_; }

    const std::string& message() const { return message_; }

    // Turns libjpeg's SIMD paths off for the whole process; effective before the first decode.
    static void disableSimd();

  private:
    struct State;

    int readHeader();
    int startDecompress();
    int decodeLines(uint8_t* destination, int lines, ptrdiff_t lineStride);
    int saveMarkers(int code);
    int failed();
    int fail(int status, std::string message);
    void captureHeader(bool complete);
    void releaseIccBytes();

    JpdImplementation implementation_;
    std::unique_ptr<State> state_;
    JpdImageInfo info_;
    bool hasHeader_ = false;
    bool ready_ = false;
    bool decodable_ = false;
    bool started_ = false;
    int scale_ = 0;
    JpdColorSpace requested_ = JpdColorSpace::Other;
    bool hasRequest_ = false;
    int dctMethod_ = 0;
    int delivered_ = 0;
    bool captureMarkers_ = false;
    std::vector<JpdMarker> markers_;
    bool quantPresent_[4] = {};
    uint16_t quant_[4][64] = {};
    std::vector<uint8_t> icc_;
    bool hasDensity_ = false;
    uint16_t densityX_ = 0;
    uint16_t densityY_ = 0;
    uint8_t densityUnit_ = 0;
    std::string message_;
};
