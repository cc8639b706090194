#include "ZynExifSourceCommon.h"

#include <cerrno>

#include "QorSettings.h"
#include "QorStream.h"
#include "QorString.h"
#include "QorSystem.h"
#include "ZynJpegColorSpace.h"

namespace {

std::string libraryText(int status, const NifExifFile& library) {
    std::string text = "NIFStatus = " + std::to_string(status);
    if (!library.message().empty()) text += ", " + library.message();
    return text;
}

}  // namespace

ZynExifSourceCommon::ZynExifSourceCommon(uint32_t bandHeight)
    : file_(nullptr, &std::fclose), bands_(std::max<uint32_t>(1, bandHeight)) {}

ZynExifSourceCommon::~ZynExifSourceCommon() {
    close();
}

int ZynExifSourceCommon::identifierForName(const std::string& name) {
    switch (zynJpegColorSpaceFromName(name)) {
        case JpdColorSpace::RGB:
            return kNifRGB;
        case JpdColorSpace::YCbCr:
            return kNifYCbCr;
        case JpdColorSpace::Grayscale:
            return kNifGray;
        default:
            return kNifUnsupported;
    }
}

bool ZynExifSourceCommon::record(const std::string& message) {
    statusCode_ = 130;
    statusMessage_ = message;
    return false;
}

bool ZynExifSourceCommon::openFile(const std::wstring& fileName) {
    file_.reset(qorOpenFile(qorLocalPath(fileName), "rb"));
    if (file_) return true;
    const int number = errno;
    return record("Error trying to open " + qorNarrow(fileName) +
                  " System error code = " + std::to_string(number) +
                  "\nSystem error string = " + QorError::osErrorText(number));
}

bool ZynExifSourceCommon::open(const std::wstring& fileName, const std::string& colorSpaceName,
                               ZynDCTMethod::dctMethod method) {
    if (opened_ && suspended_) {
        if (localFile_ && !openFile(fileName_)) return false;
        if (const int status = library_.resumeInput(file_.get()); status != kNifOk)
            return record("Error " + std::to_string(status) +
                          " from Nif-Exif library trying to open " + qorNarrow(fileName_) + ", " +
                          library_.message());
        suspended_ = false;
    }
    if (opened_) return true;
    statusCode_ = 0;
    statusMessage_.clear();
    const QorSettings& settings = QorSettings::get();
    if (settings.alternativeJpeg && !qorHasNarrowForm(fileName))
        return record("Unicode filenames are not supported by IJL library");
    const int scheme = settings.exifValidationScheme == 0 || settings.exifValidationScheme == 2
                           ? settings.exifValidationScheme
                           : 1;
    library_.setValidation(scheme);
    validated_ = scheme != 0;
    library_.setJpegImplementation(settings.alternativeJpeg);

    NifExifFileType type = NifExifFileType::Unknown;
    localFile_ = !settings.alternativeJpeg && !NifExifFile::isURL(fileName);
    int status = kNifOk;
    if (settings.alternativeJpeg) {
        status = library_.open(qorLocalPath(fileName), type, info_, 0);
    } else if (!localFile_) {
        status = library_.open(fileName, type, info_, 0);
    } else {
        if (!openFile(fileName)) return false;
        status = library_.open(file_.get(), type, info_, 0);
    }
    if (status != kNifOk)
        return record("Error " + std::to_string(status) + " from Nif-Exif library trying to open " +
                      qorNarrow(fileName) + ", " + library_.message());
    if (info_.bands == 0) return record("Non positive number of bands advertised in exif file.");
    library_.setDctMethod(ZynDCTMethod::decoderMethod(method));
    if (!colorSpaceName.empty()) {
        info_.colorSpace = identifierForName(colorSpaceName);
        library_.setColorSpace(info_.colorSpace);
    }
    if (library_.validationResults() != 0 && scheme == 2) validated_ = false;
    fileName_ = fileName;
    opened_ = true;
    suspended_ = false;
    ++opens_;
    nextLine_ = 0;
    bands_.clear();
    scaled_ = {info_.width, info_.height};
    return true;
}

void ZynExifSourceCommon::close() {
    library_.close();
    file_.reset();
    opened_ = suspended_ = false;
    bands_.clear();
    nextLine_ = 0;
}

void ZynExifSourceCommon::suspend() {
    if (!opened_ || suspended_) return;
    library_.releaseInput();
    file_.reset();
    suspended_ = true;
}

bool ZynExifSourceCommon::needsRewind(const ZynRect& rect) const {
    const ZynRect clipped = rect.intersect({0, 0, scaled_.width, scaled_.height});
    return clipped.y < nextLine_ && !bands_.holds(bands_.bandOf(clipped, scaled_.height));
}

void ZynExifSourceCommon::matchSize(int index, const ZynResolution& size) {
    if (scaled_ == size) return;
    uint32_t width = 0, height = 0;
    if (const int status = library_.setReadSampleFactor(1 << index, width, height);
        status != kNifOk)
        throw ZynError(130, "Error returned from NIFEXIF_SetJPEGReadSampleFactor, " +
                                libraryText(status, library_));
    scaled_ = {width, height};
    if (scaled_ != size)
        throw ZynError(130, "Zyn resolution (" + std::to_string(size.width) + "x" +
                                std::to_string(size.height) +
                                ") is out of sync with Exif resolution (" + std::to_string(width) +
                                "x" + std::to_string(height) + ")");
}

void ZynExifSourceCommon::pointChannels(const ZynRectBuffer& buffer, int64_t y) {
    for (int k = 0; k < 4; ++k)
        channels_[k] = k < buffer.bands()
                           ? NifExifChannel{reinterpret_cast<uint8_t*>(buffer.at(0, y, k)),
                                            buffer.pixelStrideBytes(), buffer.lineStrideBytes()}
                           : NifExifChannel{};
}

void ZynExifSourceCommon::readFailed(int status) {
    const std::string text = "Error reading Exif file " + libraryText(status, library_);
    // The library cannot go back; the next request starts from the top of the file.
    close();
    throw ZynError(130, text);
}

void ZynExifSourceCommon::readLines(int lines) {
    int delivered = 0;
    if (const int status = library_.readScanLines(channels_, lines, delivered); status != kNifOk)
        readFailed(status);
}

void ZynExifSourceCommon::fillBand(ZynRectBuffer& buffer) {
    const QorSettings& settings = QorSettings::get();
    if (!settings.hasMMX || !settings.optimizationsEnabled) library_.disableMmx();
    const ZynRect rect = buffer.rect().intersect({0, 0, scaled_.width, scaled_.height});
    const int band = bands_.bandOf(rect, scaled_.height);
    if (!bands_.exists()) bands_.create(scaled_.height);
    if (bands_.serve(band, buffer)) return;
    if (rect.y < nextLine_)
        throw ZynError(3,
                       "ZynExifSourceCommon::cacheImage: multiple requests to generate strip (y=" +
                           std::to_string(rect.y) + "); potential tile dependency problem");
    while (nextLine_ <= rect.y) {
        const int current = static_cast<int>(nextLine_ / bands_.bandHeight());
        const ZynRect bandRect = bands_.bandRect(current, scaled_.width, scaled_.height);
        if (current == band) {
            pointChannels(buffer, bandRect.y);
            readLines(static_cast<int>(bandRect.height));
            nextLine_ += bands_.bandHeight();
            return;
        }
        auto kept = std::make_unique<ZynRectBuffer>(
            bandRect, std::make_shared<ZynSimpleDataOrg>(scaled_.width,
                                                         static_cast<uint32_t>(bandRect.height),
                                                         ZynDataType::UInt8, info_.bands));
        pointChannels(*kept, bandRect.y);
        readLines(static_cast<int>(bandRect.height));
        bands_.store(current, std::move(kept));
        nextLine_ += bands_.bandHeight();
    }
}

void ZynExifSourceCommon::fillThumbnail(ZynRectBuffer& buffer) {
    pointChannels(buffer, 0);
    if (const int status = library_.readThumbnail(channels_); status != kNifOk)
        throw ZynError(130, "Error reading Exif file " + libraryText(status, library_));
}

void ZynExifSourceCommon::fillExtendedImage(ZynRectBuffer& buffer) {
    pointChannels(buffer, 0);
    if (const int status = library_.readExtendedImage(channels_); status != kNifOk)
        throw ZynError(130, "Error reading Exif file " + libraryText(status, library_));
}
