#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include <jpeglib.h>

#include "JpdMappedFile.h"

class QorStream;

// The bytes a decoder reads: a standard-library file, a support-library stream, a block of
// memory or a file mapped by path. Swapping one handle for another of the same kind keeps the
// bytes already buffered, so a decode can go on after its file was closed and opened again at the
// position it had.
class JpdInput {
  public:
    JpdInput();
    JpdInput(const JpdInput&) = delete;
    JpdInput& operator=(const JpdInput&) = delete;

    // The source manager to hand to libjpeg.
    jpeg_source_mgr* manager() { return &manager_.pub; }

    void setFile(FILE* file);
    void setStream(QorStream* stream);
    void setMemory(const uint8_t* data, size_t size);
    // Maps the file; when a mapping of it was released mid-decode, reading goes on where it was.
    bool setMapped(const std::string& path, std::string& error);
    // Forgets the handle (a mapping is unmapped) but not the reading position.
    void release();
    bool hasHandle() const;
    // Bytes of the whole input; 0 when unknown or without a handle.
    uint64_t size() const;

    // Back to the first byte of the input; false with the reason when the handle cannot seek.
    bool rewind(std::string& error);

  private:
    enum class Kind { None, File, Stream, Memory, Mapped };

    // libjpeg finds the input through the manager, so the manager comes first.
    struct Manager {
        jpeg_source_mgr pub;
        JpdInput* owner;
    };

    static JpdInput& of(j_decompress_ptr cinfo);
    static void initSource(j_decompress_ptr cinfo);
    static boolean fillBuffer(j_decompress_ptr cinfo);
    static void skipData(j_decompress_ptr cinfo, long count);
    static void termSource(j_decompress_ptr cinfo);

    // Reads the next chunk from a file or stream into the buffer: bytes read, or -1 on an error.
    int64_t readChunk();
    void pointAtBlock(const uint8_t* data, size_t size, size_t offset);
    size_t blockOffset() const;

    Manager manager_{};
    Kind kind_ = Kind::None;
    FILE* file_ = nullptr;
    QorStream* stream_ = nullptr;
    const uint8_t* block_ = nullptr;
    size_t blockSize_ = 0;
    JpdMappedFile mapped_;
    size_t releasedOffset_ = 0;
    bool holdsReleasedOffset_ = false;
    std::unique_ptr<JOCTET[]> buffer_;
    bool startOfFile_ = true;
};
