#pragma once

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>

#include "HctSdk.h"
#include "ZynError.h"
#include "ZynFile.h"

// One camera file opened with the camera SDK: its types and sizes, the image type and
// calibration folder it is developed with, and the developed images, which outlive closing the
// file. A closed file is opened again, with the same settings, when an image is asked for.
class ZynRVQImageInfo : public ZynFile {
  public:
    enum Level { Full = 0, Thumbnail = 1 };

    ZynRVQImageInfo(const std::wstring& fileName, bool keepOpen);
    ~ZynRVQImageInfo() override;
    ZynRVQImageInfo(const ZynRVQImageInfo&) = delete;
    ZynRVQImageInfo& operator=(const ZynRVQImageInfo&) = delete;

    // Opens the file and reads its types and sizes; false with the status recorded.
    bool open() override;
    void close() override;

    bool opened() const { return opened_; }
    const ZynError& status() const { return status_; }

    DCCameraType cameraType() const { return facts_.cameraType; }
    DCImageType imageType() const { return facts_.imageType; }
    uint32_t width(Level level) const;
    uint32_t height(Level level) const;

    // Each records its failure and returns false.
    bool setImageType(DCImageType type);
    bool setCalibrationPath(const std::string& folder);

    // The developed image of a level, developing it first when needed; throws ZynError.
    // Callers hold processLock() for as long as they use it.
    const HctImageData& image(Level level);

    // Serialises development and copying across the process.
    static std::mutex& processLock();

  private:
    bool openRecord();
    bool readImageType();
    bool applySettings();
    // Drops the developed images when a setting changed; applies the settings to an open file.
    bool settingsChanged(bool changed);
    void recordStatus(const ZynError& error);
    void developImage(Level level);
    // Records and throws the budget's refusal when developing the image would take more.
    void requireDevelopmentBudget();

    std::string path_;
    // The open file, and what it told when it was first read (kept while it is closed).
    HctImageRecord record_;
    HctImageRecord facts_;
    bool opened_ = false;
    ZynError status_;
    DCImageType requestedType_ = DEFAULT_COLOR_IMAGE_TYPE;
    std::string calibrationPath_;
    std::optional<HctImageData> developed_[2];
};
