#include "ZynExifImageSource.h"

#include "NifExifFile.h"
#include "QorSettings.h"
#include "QorStream.h"
#include "QorString.h"
#include "VulExifAccessor.h"
#include "ZynDCTMethod.h"
#include "ZynExifImageSourceOp.h"
#include "ZynExifSourceCommon.h"
#include "ZynGraph.h"
#include "ZynJpegSourceCommon.h"
#include "ZynRecognizeTraced.h"
#include "ZynSettings.h"

namespace {

constexpr int kInteroperabilityIndex = 1;

}  // namespace

ZynExifImageSource::ZynExifImageSource() {
    ZynJpegSourceCommon::addJpegAttributes(*this);
}

ZynExifImageSource::ZynExifImageSource(const std::wstring& fileName, bool keepOpen)
    : ZynImageFileSource(fileName, keepOpen) {
    ZynJpegSourceCommon::addJpegAttributes(*this);
}

// A copy opens the file afresh at its own setup.
ZynExifImageSource::ZynExifImageSource(const ZynExifImageSource& other)
    : ZynTransform(other), ZynImageFileSource(other) {}

ZynExifImageSource::~ZynExifImageSource() = default;

ZynTransformPtr ZynExifImageSource::recognize(const std::wstring& fileName, FILE*, bool keepOpen) {
    return recognizeTraced(
        "ZynExifImageSource::recognize",
        [&]() -> ZynTransformPtr {
            if (NifExifFile::isExifFile(qorLocalPath(fileName)))
                return std::make_shared<ZynExifImageSource>(fileName, keepOpen);
            return nullptr;
        },
        ZynErrorTrace::Where);
}

ZynTransformPtr ZynExifImageSource::clone() const {
    return std::make_shared<ZynExifImageSource>(*this);
}

ZynExifSourceCommon& ZynExifImageSource::reader(int index) {
    if (!readers_[index])
        readers_[index] =
            std::make_unique<ZynExifSourceCommon>(ZynSettings::get().preferredBandHeight);
    return *readers_[index];
}

int ZynExifImageSource::readerOpens(int index) {
    std::lock_guard lock(mutex_);
    return reader(index).opens();
}

bool ZynExifImageSource::openReader(ZynExifSourceCommon& reader) {
    return reader.open(fileName(), getAttribute<std::string>("color_space"),
                       getAttribute<ZynDCTMethod::dctMethod>("dctMethod"));
}

void ZynExifImageSource::closeReaders() {
    for (auto& r : readers_)
        if (r) r->close();
}

void ZynExifImageSource::fileNameChanged() {
    std::lock_guard lock(mutex_);
    closeReaders();
    markForSetup();
}

void ZynExifImageSource::setupTransform() {
    std::lock_guard lock(mutex_);
    // Attributes may have changed: every reader starts again with them.
    closeReaders();
    resolutions_.clear();
    thumbnailIndex_ = extendedIndex_ = -1;
    if (fileName().empty()) {
        setError(ZynError(130, "No filename set"));
        return;
    }
    if (QorSettings::get().alternativeJpeg && !qorHasNarrowForm(fileName())) {
        setError(ZynError(130, "Unicode filenames are not supported by IJL library"));
        return;
    }
    try {
        ZynExifSourceCommon& first = reader(0);
        if (!openReader(first)) {
            setError(first.status());
            return;
        }
        if (!listResolutions(first)) return;
        colorSpace_ = colorSpaceOf(first);
        if (!colorSpace_) return;
        const NifExifImageInfo& info = first.info();
        auto coordSpace = std::make_shared<ZynXyCoordSpace>(
            ZynValue{static_cast<double>(info.width), ZynUnit::Pixel},
            ZynValue{static_cast<double>(info.height), ZynUnit::Pixel});
        coordSpace->setResolutions(resolutions_);
        coordSpace->setDefaultResolution(0);
        const uint32_t bandHeight = std::max<uint32_t>(1, ZynSettings::get().preferredBandHeight);
        publishOutput(
            colorSpace_, coordSpace,
            std::make_shared<ZynSimpleDataOrg>(info.width, std::min(bandHeight, info.height),
                                               ZynDataType::UInt8, info.bands));
        if (!keepOpen()) first.suspend();
    } catch (const QorError& e) {
        setError(ZynError(e));
    }
}

bool ZynExifImageSource::listResolutions(ZynExifSourceCommon& first) {
    NifExifFile& library = first.library();
    for (int factor : {1, 2, 4, 8}) {
        uint32_t width = 0, height = 0;
        if (const int status = library.setReadSampleFactor(factor, width, height);
            status != kNifOk) {
            setError(ZynError(
                130, "Error returned from NIFEXIF_SetJPEGReadSampleFactor... NIF error = " +
                         std::to_string(status)));
            return false;
        }
        resolutions_.push_back({width, height});
    }
    uint32_t width = 0, height = 0;
    library.setReadSampleFactor(1, width, height);
    // The special images come from the EXIF structures, which an unvalidated file does not vouch
    // for.
    if (!first.validated()) return true;
    if (!QorSettings::get().thumbnailsDisabled && library.thumbnailInfo(width, height)) {
        thumbnailIndex_ = static_cast<int>(resolutions_.size());
        resolutions_.push_back({width, height});
    }
    if (library.extendedImageInfo(width, height)) {
        extendedIndex_ = static_cast<int>(resolutions_.size());
        resolutions_.push_back({width, height});
    }
    return true;
}

ZynColorSpacePtr ZynExifImageSource::colorSpaceOf(const ZynExifSourceCommon& first) {
    const NifExifImageInfo& info = first.info();
    const auto invalid = [&] {
        return ZynError(133, "Unknown or invalid color space id from Exif file: " +
                                 std::to_string(info.colorSpace));
    };
    ZynColorSpacePtr space;
    switch (info.colorSpace) {
        case kNifYCbCr:
            space = std::make_shared<ZynYCbCrColorSpace>(0.0, 255.0);
            break;
        case kNifRGB:
            space = std::make_shared<ZynRGBColorSpace>(0.0, 255.0);
            break;
        case kNifGray:
            if (info.bands >= 2) {
                setError(ZynError(133, "Cannot Read 1 channel from multichannel source"));
                return nullptr;
            }
            space = std::make_shared<ZynLumColorSpace>(0.0, 255.0);
            break;
        case kNifUncalibratedRGB: {
            std::string index;
            const bool wideGamut = first.validated() &&
                                   first.library().genericTag(NifExifIfd::Interoperability,
                                                              kInteroperabilityIndex, index) &&
                                   index.rfind("R03", 0) == 0;
            if (wideGamut)
                space = std::make_shared<ZynAdobeSRGBColorSpace>(0.0, 255.0);
            else
                space = std::make_shared<ZynRGBColorSpace>(0.0, 255.0);
            break;
        }
        default:
            throw invalid();
    }
    // A three-band space cannot describe a one-band file.
    if (space->bands() != info.bands) throw invalid();
    return space;
}

int ZynExifImageSource::resolutionIndex(const ZynResolution& resolution) const {
    for (size_t i = 0; i < resolutions_.size(); ++i)
        if (resolutions_[i] == resolution) return static_cast<int>(i);
    return -1;
}

ZynImageOpPtr ZynExifImageSource::opForResolution(int outputIndex,
                                                  const ZynResolution& resolution) {
    std::lock_guard lock(mutex_);
    const int index = resolutionIndex(resolution);
    if (index < 0 || outputIndex != 0) throw ZynError(3, "Unsupported resolution");
    const uint32_t bandHeight =
        index < 4 ? std::max<uint32_t>(1, ZynSettings::get().preferredBandHeight) : 0;
    std::weak_ptr<ZynTransform> self = weak_from_this();
    return std::make_shared<ZynExifImageSourceOp>(
        resolution, colorSpace_, bandHeight, [self](const ZynResolution& r, ZynRectBuffer& buffer) {
            auto source = std::dynamic_pointer_cast<ZynExifImageSource>(self.lock());
            if (!source) throw ZynError(3, "The EXIF source of this op no longer exists");
            source->genTile(r, buffer);
        });
}

void ZynExifImageSource::genTile(const ZynResolution& resolution, ZynRectBuffer& buffer) {
    std::lock_guard lock(mutex_);
    const int index = resolutionIndex(resolution);
    if (index < 0)
        throw ZynError(3, "Unsupported resolution requested: " + std::to_string(resolution.width) +
                              "x" + std::to_string(resolution.height));
    const bool special = index >= 4;
    ZynExifSourceCommon& r = reader(special ? 4 : index);
    if (!special && r.isOpen() && r.needsRewind(buffer.rect())) {
        if (keepOpen())
            throw ZynError(
                3,
                "ZynExifImageSource::genTile: potential tile dependency problem cannot be "
                "resolved because input file is locked open");
        r.close();
    }
    if (!openReader(r)) throw r.status();
    if (!special) {
        r.matchSize(index, resolution);
        r.fillBand(buffer);
    } else if (index == thumbnailIndex_) {
        r.fillThumbnail(buffer);
    } else {
        r.fillExtendedImage(buffer);
    }
}

bool ZynExifImageSource::readMetadata(const std::string& key, VulMetaValue& value) {
    ZynGraph::ensureSetup(*this);
    if (!status()) throw error();
    std::lock_guard lock(mutex_);
    ZynExifSourceCommon& first = reader(0);
    if (!first.isOpen() && !openReader(first)) throw first.status();
    return VulExifAccessor(first.library()).read(key, value);
}

void ZynExifImageSource::postRender() {
    if (keepOpen()) return;
    std::lock_guard lock(mutex_);
    for (auto& r : readers_)
        if (r) r->suspend();
}
