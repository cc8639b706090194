#include "ZynRVQImageInfo.h"

#include "ZynDecodeBudget.h"

#include "QorString.h"
#include "ZynRVQInitializer.h"

namespace {

bool notThisFamily(HctStatus status) {
    return status == kHctUnknownFormat || status == kHctNotThisFamily ||
           status == kHctForeignSignature || status == kHctHeaderless;
}

}  // namespace

ZynRVQImageInfo::ZynRVQImageInfo(const std::wstring& fileName, bool keepOpen)
    : ZynFile(fileName, keepOpen), path_(qorNarrow(fileName)) {}

ZynRVQImageInfo::~ZynRVQImageInfo() {
    close();
}

std::mutex& ZynRVQImageInfo::processLock() {
    static std::mutex lock;
    return lock;
}

uint32_t ZynRVQImageInfo::width(Level level) const {
    return level == Full ? facts_.width : facts_.thumbnailWidth;
}

uint32_t ZynRVQImageInfo::height(Level level) const {
    return level == Full ? facts_.height : facts_.thumbnailHeight;
}

void ZynRVQImageInfo::recordStatus(const ZynError& error) {
    status_ = error;
}

bool ZynRVQImageInfo::open() {
    if (opened_) return true;
    if (path_.empty()) {
        recordStatus(ZynError(130, "the file name is an empty string"));
        return false;
    }
    try {
        ZynRVQInitializer::Use use;
        if (!openRecord()) return false;
        if (readImageType() && applySettings()) return true;
    } catch (const ZynError& e) {
        recordStatus(e);
    }
    close();
    return false;
}

bool ZynRVQImageInfo::openRecord() {
    const HctStatus status = hctOpenImageFile(ZynRVQInitializer::driver(), path_, &record_);
    if (status != kHctOk) {
        recordStatus(notThisFamily(status)
                         ? ZynError(134, "The file " + path_ + " is not a RVQ file.")
                         : ZynError(15, "unspecified HCT-SDK toolkit error"));
        return false;
    }
    opened_ = true;
    setOpen(true);
    return true;
}

bool ZynRVQImageInfo::readImageType() {
    if (hctGetImageType(&record_) != kHctOk) {
        recordStatus(ZynError(15, "attempt to read image type from file failed"));
        return false;
    }
    const bool first = facts_.width == 0;
    if (!first && (record_.width != facts_.width || record_.height != facts_.height ||
                   record_.thumbnailWidth != facts_.thumbnailWidth ||
                   record_.thumbnailHeight != facts_.thumbnailHeight)) {
        // The file changed since its sizes were published.
        recordStatus(ZynError(15, "attempt to read image type from file failed"));
        return false;
    }
    facts_ = record_;
    facts_.image = nullptr;
    return true;
}

bool ZynRVQImageInfo::applySettings() {
    if (hctSetImageType(&record_, requestedType_) != kHctOk) {
        recordStatus(ZynError(15, "attempt to set image type failed"));
        return false;
    }
    facts_.imageType = record_.imageType;
    if (hctNeedsCalibration(facts_.cameraType) && !calibrationPath_.empty() &&
        hctSetProcessingDirectory(&record_, calibrationPath_) != kHctOk) {
        recordStatus(ZynError(15, "attempt to set calibration path failed"));
        return false;
    }
    return true;
}

void ZynRVQImageInfo::close() {
    if (record_.image) hctCloseImage(&record_);
    opened_ = false;
    setOpen(false);
}

bool ZynRVQImageInfo::setImageType(DCImageType type) {
    const bool changed = type != requestedType_;
    requestedType_ = type;
    return settingsChanged(changed);
}

bool ZynRVQImageInfo::setCalibrationPath(const std::string& folder) {
    const bool changed = folder != calibrationPath_;
    calibrationPath_ = folder;
    return settingsChanged(changed);
}

bool ZynRVQImageInfo::settingsChanged(bool changed) {
    if (changed) {
        developed_[Full].reset();
        developed_[Thumbnail].reset();
    }
    if (!opened_) return true;
    ZynRVQInitializer::Use use;
    return applySettings();
}

const HctImageData& ZynRVQImageInfo::image(Level level) {
    if (!developed_[level]) developImage(level);
    return *developed_[level];
}

void ZynRVQImageInfo::requireDevelopmentBudget() {
    // LibRaw's unpacked sensor data and four-channel working image, its developed image and
    // ours: about this many bytes a pixel.
    constexpr uint64_t kDevelopmentBytesPerPixel = 24;
    const uint64_t claimed =
        ZynDecodeBudget::product({record_.width, record_.height, kDevelopmentBytesPerPixel});
    if (ZynDecodeBudget::allows(claimed)) return;
    recordStatus(
        ZynError(130, ZynDecodeBudget::refusal(path_, "developing the raw image", claimed)));
    throw status_;
}

void ZynRVQImageInfo::developImage(Level level) {
    if (!opened_ && !open()) throw status_;
    ZynRVQInitializer::Use use;
    if (level == Full) requireDevelopmentBudget();
    HctImageData data;
    const HctStatus status =
        level == Full ? hctGetImage(&record_, &data) : hctGetThumbnail(&record_, &data);
    if (!hctDeveloped(status)) {
        recordStatus(hctCalibrationProblem(status)
                         ? ZynError(600, "calibration path is most likely invalid")
                         : ZynError(15, level == Full
                                            ? "error in ZynRVQImageInfo::getFullImage"
                                            : "error in ZynRVQImageInfo::getThumbnailImage"));
        throw status_;
    }
    developed_[level] = std::move(data);
}
