#pragma once

// The FlashPix toolkit: opens FlashPix image files and reads rectangles of their resolution
// levels and their viewing parameters.
//
// Levels are numbered from the full resolution: level 0 is the full image, level k is the k-th
// reduction (the file stores them the other way round, "Resolution 0000" being the smallest).

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "FpxStatus.h"
#include "NIFAffineMatrix.h"
#include "NIFColorTwistMatrix.h"
#include "NIFROI.h"
#include "NIFSummaryInformation.h"

class FpxImage;

// An open image; destroying the handle closes the image.
struct FpxImageCloser {
    void operator()(FpxImage* image) const;
};
using FpxImageHandle = std::unique_ptr<FpxImage, FpxImageCloser>;

// The toolkit's colour-space codes of an image.
enum FpxColorSpaceCode : int {
    kFpxPhotoYcc = 0,
    kFpxRgb = 3,
    kFpxMonochrome = 6,
    kFpxYCbCr = 23,
    kFpxOtherColorSpace = -1,
};

// The colour codes of single channels.
enum FpxChannelCode : int {
    kFpxChannelY = 0,
    kFpxChannelC1 = 1,
    kFpxChannelC2 = 2,
    kFpxChannelRed = 3,
    kFpxChannelGreen = 4,
    kFpxChannelBlue = 5,
    kFpxChannelMonochrome = 6,
    kFpxChannelAlpha = 27,
    kFpxChannelNone = -1,
};

// Sample kinds; FlashPix images hold 8-bit samples.
enum class FpxSampleKind : int { UInt8 = 0 };

constexpr int kFpxMaxChannels = 4;
constexpr uint32_t kFpxTileSide = 64;

struct FpxImageInfo {
    int colorSpace = kFpxOtherColorSpace;
    int numChannels = 0;
    FpxSampleKind sampleKind = FpxSampleKind::UInt8;
    int channelCodes[kFpxMaxChannels] = {kFpxChannelNone, kFpxChannelNone, kFpxChannelNone,
                                         kFpxChannelNone};
    // Colours multiplied by opacity in the file; they are delivered as stored.
    bool premultiplied = false;
};

struct FpxResolutionLevel {
    uint32_t width = 0;
    uint32_t height = 0;
    bool present = false;  // false for a reduced level the file does not hold in usable form
};

using FpxResolutionInfo = std::vector<FpxResolutionLevel>;

// Where the samples of one channel go: channel k of a description is the stored channel k, named
// by its colour code; sample (x, y) of the rectangle is at data + x * columnStride +
// y * lineStride (bytes).
struct FpxChannelDesc {
    int colorCode = kFpxChannelNone;
    FpxSampleKind sampleKind = FpxSampleKind::UInt8;
    ptrdiff_t columnStride = 0;
    ptrdiff_t lineStride = 0;
    uint8_t* data = nullptr;
};

struct FpxImageDesc {
    int numChannels = 0;
    FpxChannelDesc channels[kFpxMaxChannels];
};

// Initialisation is counted: each init needs a close.
FpxStatus fpxInitToolkit();
FpxStatus fpxCloseToolkit();

// Ok when the file is a FlashPix image file this toolkit can open.
FpxStatus fpxIsValidFlashPixFile(const std::string& path);

// Opens an image; fills its full size, its description and its levels.
FpxStatus fpxOpenImageByFilename(const std::string& path, uint32_t& width, uint32_t& height,
                                 FpxImageInfo& info, FpxResolutionInfo& levels,
                                 FpxImageHandle& image);
FpxStatus fpxGetResolutionInfo(const FpxImage* image, FpxResolutionInfo& levels);
// Reads the rectangle from (x0, y0) to (x1, y1) inclusive of a level into the described buffers.
FpxStatus fpxReadImageRectangle(FpxImage* image, uint32_t x0, uint32_t y0, uint32_t x1, uint32_t y1,
                                int level, const FpxImageDesc& desc);

// Viewing parameters; PropertyNotFound when the file carries none (or a damaged one).
FpxStatus fpxGetImageAffineMatrix(const FpxImage* image, NIFAffineMatrix& matrix);
FpxStatus fpxGetImageResultAspectRatio(const FpxImage* image, float& aspectRatio);
FpxStatus fpxGetImageContrastAdjustment(const FpxImage* image, float& contrast);
FpxStatus fpxGetImageColorTwistMatrix(const FpxImage* image, NIFColorTwistMatrix& matrix);

FpxStatus fpxGetSummaryInformation(const FpxImage* image, NIFSummaryInformation& summary);

FpxStatus fpxCloseImage(FpxImageHandle& image);
