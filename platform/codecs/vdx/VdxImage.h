#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "QorSystem.h"

// Status values: 0 is success, positive values are the errno of a failing system call, negative
// values the library's own (statusText names each).
constexpr int kVdxOk = 0;
constexpr int kVdxNotPack = -1;
constexpr int kVdxShortHeader = -2;
constexpr int kVdxBadAttributes = -3;
constexpr int kVdxNoLevel = -4;
constexpr int kVdxNotOpen = -5;
constexpr int kVdxBadFormat = -6;
constexpr int kVdxLevelMissing = -7;
constexpr int kVdxBadRectangle = -8;
constexpr int kVdxBadStrides = -9;
constexpr int kVdxShortRead = -10;

// Colour formats: luma alone, RGB (delivered blue, green, red), photo YCC (Y, C1, C2).
constexpr int kVdxLuminance = 10;
constexpr int kVdxRGB = 11;
constexpr int kVdxYCC = 12;

// Plane arrangement of the delivered samples: all samples of a pixel together.
constexpr int kVdxInterleaved = 3;

// Orientation mode bit: deliver the picture turned as the file asks for display. The other bits
// are kept as given and change nothing.
constexpr int kVdxFollowRotation = 1;
// Orientation flags: bits 0 and 1 are the quarter turns applied (as in the file's attributes),
// and this bit says that width and height are swapped by them.
constexpr uint16_t kVdxSwapped = 4;

struct VdxConfig {
    int format = 0;
    int planes = 0;
};

// Corners of a rectangle of the selected resolution in delivered (turned) coordinates; x1 and
// y1 lie just past it.
struct VdxRect {
    int16_t x0 = 0;
    int16_t y0 = 0;
    int16_t x1 = 0;
    int16_t y1 = 0;
};

// Reader of the base levels of an image pack. Every offset and size comes from the format and is
// checked against the file, so a short or damaged pack fails with a status and is never read
// beyond its end. Chroma is upsampled by bilinear interpolation between the co-sited samples
// (even columns and rows carry the stored sample; the last column and row repeat it).
// Not thread-safe: callers serialise their use of one handle.
class VdxImage {
  public:
    VdxImage() = default;
    VdxImage(const VdxImage&) = delete;
    VdxImage& operator=(const VdxImage&) = delete;

    // Opens the file at `path`.
    int open(const std::string& path);
    // Reads through a descriptor the caller keeps open and closes after close().
    int open(int16_t descriptor);
    void close();
    bool isOpen() const { return descriptor_ >= 0; }

    int config(VdxConfig& config) const;
    int setColorFormat(int format);

    int orientationMode() const { return mode_; }
    void setOrientationMode(int mode) { mode_ = mode; }
    uint16_t orientationFlags() const;

    // Bit i of the mask is set when resolution index i is wholly in the file.
    void availableResolutions(uint32_t& mask, int& count) const;
    // The stored (unturned) size of a resolution index the format defines, present or not;
    // 0 x 0 for others.
    void resolutionSize(int index, uint16_t& width, uint16_t& height) const;
    void selectResolution(int index) { selected_ = index; }
    // Steps between the first samples of neighbouring pixels and rows of the destination.
    void setStrides(int64_t pixelStride, int64_t lineStride);
    // Writes the rectangle of the selected resolution, turned as the orientation mode says, to
    // the destination in the current colour format.
    int readRectangle(const VdxRect& rect, uint8_t* destination) const;

    static std::string statusText(int status);

  private:
    int attach(int descriptor);
    int readAt(uint64_t offset, uint8_t* to, size_t size) const;
    int rotation() const;

    QorDescriptor owned_;
    int descriptor_ = -1;
    uint32_t present_ = 0;
    int storedRotation_ = 0;
    int format_ = kVdxRGB;
    int mode_ = 0;
    int selected_ = 0;
    int64_t pixelStride_ = 0;
    int64_t lineStride_ = 0;
};
