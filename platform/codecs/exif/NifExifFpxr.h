#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The FlashPix extension of an EXIF file: APP2 segments starting "FPXR\0" that list the streams
// of a small FlashPix storage and carry their bytes. The stream "Screen Nail" holds, after a
// header of its own, a JPEG preview larger than the thumbnail.
class NifExifFpxr {
  public:
    // Takes in one APP2 payload; payloads of other kinds and malformed ones are passed over.
    void addSegment(const std::vector<uint8_t>& payload);
    // The JPEG bytes of the screen nail, or none.
    std::vector<uint8_t> screenNail() const;

  private:
    struct Stream {
        std::string name;
        uint32_t size = 0;
        bool storage = false;
        std::vector<uint8_t> data;
    };

    void readContents(const std::vector<uint8_t>& payload);
    void readStreamData(const std::vector<uint8_t>& payload);

    std::vector<Stream> streams_;
};
