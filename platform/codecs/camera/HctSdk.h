#pragma once

// The camera SDK: opens camera raw files (DNG and the raw files of the cameras LibRaw knows),
// develops them into an image type of the caller's choice and supplies a thumbnail. Every call
// returns a status and prints nothing. Calls may come from any thread; the layer serialises its
// use of LibRaw, whose decoders keep state of their own.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

using HctStatus = uint32_t;

// Statuses. Developing calls succeed with a status from 1 to 0x3FFF and fail with 0 or 0x4000 and
// above; the other calls succeed with 0.
enum : HctStatus {
    kHctOk = 0,
    kHctImageDeveloped = 0x0001,
    kHctThumbnailFromPreview = 0x0002,
    kHctThumbnailDeveloped = 0x0003,

    kHctBadHandle = 0x4001,     // no driver, no open image, or a null argument
    kHctBadImageType = 0x4002,  // not a value of DCImageType
    kHctBadDirectory = 0x4003,  // the processing directory is not a folder
    kHctNoMemory = 0x4004,
    kHctDecodeFailed = 0x4005,    // the raw data or the preview is damaged or cut short
    kHctUnreadable = 0x4006,      // the file cannot be opened or read
    kHctDriverBadFlags = 0x4007,  // a driver mode this layer does not know

    kHctNotThisFamily = 0x4110,         // files that are too short to be a raw file
    kHctDriverInUse = 0x411D,           // the driver is open in another mode
    kHctCalibrationMissing = 0x4120,    // no calibration file in the processing directory
    kHctCalibrationNoCamera = 0x4121,   // the calibration file does not list this camera
    kHctCalibrationMalformed = 0x4122,  // the camera's line holds no usable matrix
    kHctUnknownFormat = 0x5F12,         // LibRaw takes the file for no raw format it knows
    kHctForeignSignature = 0x6002,      // the file starts like an image format that is not raw
    kHctHeaderless = 0x6003,     // taken by its size alone: a headerless dump, not a raw file
    kHctVersionTooOld = 0x6F02,  // the LibRaw found at run time is older than the one built with
    kHctVersionTooNew = 0x6F03,  // ... or of a newer series, whose structures differ
};

// Whether a developing call succeeded.
inline bool hctDeveloped(HctStatus status) {
    return status >= 1 && status < 0x4000;
}
// Whether a failed development is down to the calibration folder or its file.
inline bool hctCalibrationProblem(HctStatus status) {
    return (status & 0xFFF0) == 0x4120;
}

// Pixel layouts of developed images. Samples are pixel-interleaved, rows top to bottom without
// padding, 16-bit samples in host order.
//   Gray: one band, luminance 0.299 R + 0.587 G + 0.114 B of the sRGB image, rounded.
//   RGB and BGR: sRGB (gamma-encoded, white-balanced as shot), in the order the name gives;
//   32- and 64-bit types add a fourth band after the colour ones, always at the maximum value.
//   Camera RGB: the camera's own colour, linear, white-balanced as shot, no brightening;
//   24 has 8-bit samples, 48 16-bit ones, 36 12-bit values (0 to 4095) in 16-bit samples.
// DEFAULT_COLOR_IMAGE_TYPE develops into the file's own type (DCImageType of the file).
enum DCImageType : int {
    DEFAULT_COLOR_IMAGE_TYPE = 0,
    DCGrayImage8 = 2,
    DCGrayImage16 = 3,
    DCRGBImage24 = 4,
    DCRGBImage32 = 5,
    DCRGBImage48 = 6,
    DCRGBImage64 = 7,
    DCBGRImage24 = 8,
    DCBGRImage32 = 9,
    DCBGRImage48 = 10,
    DCBGRImage64 = 11,
    DCCameraRGB24 = 12,
    DCCameraRGB48 = 13,
    DCCameraRGB36 = 14,
};

bool hctIsImageType(int value);

// Shape of an image type's samples.
struct HctLayout {
    int bands = 0;
    int bytesPerSample = 0;
    uint32_t maximum = 0;  // largest sample value
    bool bgr = false;      // colour bands stored blue first
};
HctLayout hctLayout(DCImageType type);

// What the file says about the camera's colour. Types 4 and 6 develop in colour only with a
// calibration folder (hctSetProcessingDirectory).
enum DCCameraType : int {
    DCCameraUnknown = 0,
    DCCameraDng = 1,              // DNG carrying its own colour matrix
    DCCameraListed = 2,           // a model whose colour matrix LibRaw carries
    DCCameraMonochromeDng = 3,    // a DNG of one channel: nothing to calibrate
    DCCameraUncalibratedDng = 4,  // a colour DNG without a colour matrix
    DCCameraMonochrome = 5,       // another raw file of one channel
    DCCameraUncalibrated = 6,     // a colour model LibRaw has no colour matrix for
};

inline bool hctNeedsCalibration(DCCameraType type) {
    return type == DCCameraUncalibratedDng || type == DCCameraUncalibrated;
}

// The calibration file a processing directory holds, and how it names cameras: one line per
// camera, "make;model;" and the 9 (or, for four-channel sensors, 12) numbers of the
// XYZ (D65)-to-camera matrix row by row; '#' starts a comment line.
constexpr const char* kHctCalibrationFileName = "camera_calibration.txt";

// Driver modes. Files are all this layer reads; the device mode is accepted for callers that
// would also talk to cameras, which do not exist here.
enum : uint32_t {
    kHctDriverDevices = 0,
    kHctDriverFilesOnly = 1,
};

struct HctDriver;
struct HctImage;

// What an open file gives before developing. Sizes are those of the developed images, turned
// upright as the file asks.
struct HctImageRecord {
    HctImage* image = nullptr;
    DCImageType imageType = DEFAULT_COLOR_IMAGE_TYPE;  // what developing delivers
    DCCameraType cameraType = DCCameraUnknown;
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t thumbnailWidth = 0;
    uint32_t thumbnailHeight = 0;
    std::string make;
    std::string model;
};

// A developed image in the layout of its type.
struct HctImageData {
    DCImageType type = DEFAULT_COLOR_IMAGE_TYPE;
    uint32_t width = 0;
    uint32_t height = 0;
    std::vector<uint8_t> samples;
};

// The driver is process-wide state: every open adds a use, every close ends one, and the state
// goes with the last. All opens share one mode.
HctStatus hctOpenDriver(HctDriver** driver, uint32_t flags);
HctStatus hctCloseDriver(HctDriver* driver);
// Uses of the driver still open.
int hctDriverUses();

// Opens a file of the family; the record's image is then the caller's to close.
HctStatus hctOpenImageFile(HctDriver* driver, const std::string& path, HctImageRecord* record);
HctStatus hctCloseImage(HctImageRecord* record);

// Fills the record's types and sizes; the image type is the file's own until one is set.
HctStatus hctGetImageType(HctImageRecord* record);
HctStatus hctSetImageType(HctImageRecord* record, DCImageType type);
HctStatus hctSetProcessingDirectory(HctImageRecord* record, const std::string& folder);

HctStatus hctGetImage(HctImageRecord* record, HctImageData* data);
HctStatus hctGetThumbnail(HctImageRecord* record, HctImageData* data);

// The status of running against LibRaw `runtime` when built against `built` (both as
// LIBRAW_MAKE_VERSION numbers): kHctOk, kHctVersionTooOld or kHctVersionTooNew.
HctStatus hctVersionStatus(int built, int runtime);
