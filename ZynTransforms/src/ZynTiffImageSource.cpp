#include "ZynTiffImageSource.h"

#include <iostream>

#include "QorSettings.h"
#include "QorStream.h"
#include "VulTiffMetaAccessor.h"
#include "ZynRecognizeTraced.h"
#include "ZynSettings.h"
#include "ZynTiffImageSourceOp.h"

ZynTiffImageSource::ZynTiffImageSource() = default;

ZynTiffImageSource::ZynTiffImageSource(const std::wstring& fileName, bool keepOpen)
    : ZynMainOpSource(fileName, keepOpen) {}

ZynTiffImageSource::ZynTiffImageSource(const ZynTiffImageSource& other)
    : ZynTransform(other), ZynMainOpSource(other) {}

ZynTiffImageSource::~ZynTiffImageSource() = default;

ZynTransformPtr ZynTiffImageSource::recognize(const std::wstring& fileName, FILE* file,
                                              bool keepOpen) {
    return recognizeTraced(
        "recognizeTiff",
        [&]() -> ZynTransformPtr {
            unsigned char magic[4] = {0, 0, 0, 0};
            if (!file) return nullptr;
            std::rewind(file);
            if (std::fread(magic, 1, 4, file) != 4) return nullptr;
            const bool little =
                magic[0] == 'I' && magic[1] == 'I' && magic[2] == 0x2A && magic[3] == 0;
            const bool big =
                magic[0] == 'M' && magic[1] == 'M' && magic[2] == 0 && magic[3] == 0x2A;
            if (little || big) return std::make_shared<ZynTiffImageSource>(fileName, keepOpen);
            return nullptr;
        },
        ZynErrorTrace::Message);
}

void ZynTiffImageSource::fileNameChanged() {
    {
        std::lock_guard lock(metadataMutex_);
        metadata_.reset();
    }
    ZynMainOpSource::fileNameChanged();
}

void ZynTiffImageSource::setupTransform() {
    if (fileName().empty()) {
        setError(ZynError(130, "No filename specified in ZynTiffImagesource"));
        return;
    }
    ZynOutputInfo info;
    if (!mainOpKeptOpenAsAsked().outputInfoBase(info)) {
        setError(info.error);
        return;
    }
    const ZynResolution full = op_->resolutions().front();
    auto coordSpace = std::make_shared<ZynXyCoordSpace>(
        ZynValue{static_cast<double>(full.width), ZynUnit::Pixel},
        ZynValue{static_cast<double>(full.height), ZynUnit::Pixel});
    coordSpace->addResolution(full);
    offered_.assign(1, 0);
    if (!QorSettings::get().thumbnailsDisabled) {
        const auto& all = op_->resolutions();
        for (size_t i = 1; i < all.size(); ++i) {
            const auto subfileType = op_->subfileType(static_cast<int>(i));
            // Only reduced-resolution images; further pages and masks are other pictures.
            if (!subfileType || (*subfileType & 1) == 0 || coordSpace->hasResolution(all[i]))
                continue;
            coordSpace->addResolution(all[i]);
            offered_.push_back(static_cast<int16_t>(i));
        }
    }
    ZynColorSpacePtr colorSpace = op_->getColorSpace();
    if (!colorSpace) {
        setError(op_->error());
        return;
    }
    publishOutput(colorSpace, coordSpace, info.dataOrg);
}

ZynImageOpPtr ZynTiffImageSource::opForResolution(int outputIndex,
                                                  const ZynResolution& resolution) {
    const ZynImageOutputCP* out = imageOutput(outputIndex);
    const int index = op_ && out && out->coordSpace() ? out->coordSpace()->indexOf(resolution) : -1;
    if (index < 0 || index >= static_cast<int>(offered_.size()))
        throw ZynError(3, "Unsupported resolution");
    const int16_t resolutionIndex = offered_[static_cast<size_t>(index)];
    if (resolutionIndex == 0) return op_;
    return std::make_shared<ZynTiffImageSourceOp>(*op_, resolutionIndex);
}

bool ZynTiffImageSource::readMetadata(const std::string& key, VulMetaValue& value) {
    if (!status()) throw error();
    std::lock_guard lock(metadataMutex_);
    try {
        if (!metadata_) metadata_ = openMetadata();
    } catch (const QorError& e) {
        throw ZynError(e);
    }
    return metadata_->read(key, value);
}

// Reads through the op's file while it is open, else opens the file for the purpose.
std::unique_ptr<VulTiffMetaAccessor> ZynTiffImageSource::openMetadata() {
    if (op_) {
        SharedTiffFile& shared = *op_->sharedFile();
        std::lock_guard lock(shared.mutex());
        if (shared.file().isOpen()) return std::make_unique<VulTiffMetaAccessor>(shared.file());
    }
    return VulTiffMetaAccessor::open(qorLocalPath(fileName()));
}
