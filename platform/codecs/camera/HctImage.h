#pragma once

#include <libraw/libraw.h>

#include <cstddef>
#include <cstdio>

#include <jpeglib.h>

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "HctSdk.h"

// Every use of LibRaw holds this lock: its decoders keep state in statics.
std::mutex& hctLibRawLock();
// Whether `driver` is the driver and it is open.
bool hctDriverOpen(const HctDriver* driver);

// LibRaw's file stream, optionally claiming `padding` bytes more than the file has: a file
// identified only when its size is exact carries no header of its own.
class HctFileStream : public LibRaw_bigfile_datastream {
  public:
    HctFileStream(const std::string& path, int64_t padding);

    int read(void* buffer, size_t size, size_t count) override;
    int seek(INT64 offset, int whence) override;
    int get_char() override;
    char* gets(char* text, int size) override;
    int scanf_one(const char* format, void* value) override;
    // LibRaw's JPEG decoders read through it: their messages are kept from stderr, warnings
    // (damaged or cut data) are remembered, and the decoder's memory is watched.
    int jpeg_src(void* decompress) override;
    bool damagedJpeg() const { return damagedJpeg_; }
    // LibRaw decodes lossy raw images into buffers of so many samples a pixel, whatever the
    // JPEG stream holds; streams of another count are refused.
    void expectJpegComponents(int components) { jpegComponents_ = components; }
    // Frees a JPEG decoder LibRaw left behind when a damaged file made it give up.
    void releaseAbandonedJpeg();

  private:
    // Damaged headers send LibRaw's parsers round in loops or over the same bytes again and
    // again; once the stream has done far more work than any real file needs, the call fails.
    void account(uint64_t work);
    static void destroyJpeg(j_common_ptr decoder);
    // The component count of the JPEG stream that starts here, or 0 when it has no frame header.
    int componentsAhead();

    uint64_t work_ = 0;
    uint64_t workLimit_ = 0;
    bool damagedJpeg_ = false;
    int jpegComponents_ = 3;
    jpeg_memory_mgr* jpegMemory_ = nullptr;
    void (*destroyJpegMemory_)(j_common_ptr) = nullptr;
};

// LibRaw without its messages on stderr; null when there is no memory for it.
std::unique_ptr<LibRaw> hctQuietLibRaw();

// Where a thumbnail comes from.
enum class HctThumbnailSource { Developed, Jpeg, Bitmap };

struct HctImage;
// Works out the developed and thumbnail sizes once; kHctOk or why they cannot be known.
HctStatus hctSizeImage(HctImage& image);

// An open file.
struct HctImage {
    std::string path;
    // LibRaw reads through the stream, so it goes first.
    std::unique_ptr<HctFileStream> stream;
    std::unique_ptr<LibRaw> raw;
    DCImageType fileType = DCRGBImage24;
    DCImageType type = DCRGBImage24;
    DCCameraType cameraType = DCCameraUnknown;
    // How LibRaw turns the developed image upright; previews are turned alike.
    int flip = 0;
    std::string directory;
    bool unpacked = false;
    bool sized = false;
    uint32_t width = 0;
    uint32_t height = 0;
    HctThumbnailSource thumbnail = HctThumbnailSource::Developed;
    uint32_t thumbnailWidth = 0;
    uint32_t thumbnailHeight = 0;
    // An embedded preview as stored (a JPEG stream, or 8-bit samples of previewColors colours),
    // and its size before turning.
    std::vector<uint8_t> preview;
    uint32_t previewWidth = 0;
    uint32_t previewHeight = 0;
    int previewColors = 0;
};
