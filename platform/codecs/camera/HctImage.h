#pragma once

#include <libraw/libraw.h>

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

    int seek(INT64 offset, int whence) override;
    // LibRaw's JPEG decoders report through it: their messages are kept from stderr, and
    // warnings (damaged or cut data) are remembered.
    int jpeg_src(void* decompress) override;
    bool damagedJpeg() const { return damagedJpeg_; }

  private:
    bool damagedJpeg_ = false;
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
