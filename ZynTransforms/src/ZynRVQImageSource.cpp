#include "ZynRVQImageSource.h"

#include <iostream>

#include "HctSdk.h"
#include "QorString.h"
#include "ZynRVQImageSourceOp.h"
#include "ZynRVQImageType.h"
#include "ZynRVQInitializer.h"
#include "ZynSettings.h"

namespace {

const char* const kCalibrationPath = "calibration_path";
const char* const kWideCalibrationPath = "wcalibration_path";

ZynColorSpacePtr colorSpaceOf(DCImageType type) {
    const HctLayout layout = hctLayout(type);
    const double maximum = layout.maximum;
    if (layout.bands == 1) return std::make_shared<ZynLumColorSpace>(0.0, maximum);
    if (layout.bands == 4) return std::make_shared<ZynRGBAColorSpace>(0.0, maximum);
    return std::make_shared<ZynRGBColorSpace>(0.0, maximum);
}

// Whether the camera SDK opens the file.
bool openedBySdk(const std::wstring& fileName) {
    ZynRVQInitializer::Use use;
    HctImageRecord record;
    if (hctOpenImageFile(ZynRVQInitializer::driver(), qorNarrow(fileName), &record) != kHctOk)
        return false;
    hctCloseImage(&record);
    return true;
}

}  // namespace

void ZynRVQImageSource::declare(ZynTransform& source) {
    source.addSimpleAttribute<DCImageType>("image_type", DEFAULT_COLOR_IMAGE_TYPE);
    source.addSimpleAttribute<std::string>(kCalibrationPath, "");
    source.addSimpleAttribute<std::wstring>(kWideCalibrationPath, L"");
}

ZynTransformPtr ZynRVQImageSource::recognize(const std::wstring& fileName, FILE*, bool keepOpen) {
    const bool trace = ZynSettings::get().trace;
    try {
        if (openedBySdk(fileName)) return std::make_shared<ZynRVQImageSource>(fileName, keepOpen);
        if (trace) std::cout << "Not a rvq file: " << qorNarrow(fileName) << std::endl;
    } catch (const QorError& e) {
        if (trace) std::cout << "exception in recognizeRVQ: " << e.message() << std::endl;
    } catch (const std::exception& e) {
        if (trace) std::cout << "exception in recognizeRVQ: " << e.what() << std::endl;
    }
    return nullptr;
}

void ZynRVQImageSource::fileNameChanged() {
    ops_[0].reset();
    ops_[1].reset();
    ZynMainOpSource::fileNameChanged();
}

void ZynRVQImageSource::attributeChanged(ZynAttribute& attribute) {
    if (attribute.name() == kCalibrationPath)
        dynamic_cast<ZynSimpleAttribute<std::wstring>&>(*findAttribute(kWideCalibrationPath))
            .assignQuietly(qorWiden(getAttribute<std::string>(kCalibrationPath)));
    else if (attribute.name() == kWideCalibrationPath)
        dynamic_cast<ZynSimpleAttribute<std::string>&>(*findAttribute(kCalibrationPath))
            .assignQuietly(qorNarrow(getAttribute<std::wstring>(kWideCalibrationPath)));
    ZynImageFileSource::attributeChanged(attribute);
}

void ZynRVQImageSource::setupTransform() {
    ops_[0].reset();
    ops_[1].reset();
    ZynRVQImageInfo& file = mainOp();
    if (!file.opened() && !file.open()) {
        setError(file.status());
        return;
    }
    try {
        describeOutput();
    } catch (const ZynError& e) {
        setError(e);
    }
    if (!keepOpen()) file.close();
}

void ZynRVQImageSource::describeOutput() {
    const std::string calibrationPath = getAttribute<std::string>(kCalibrationPath);
    if (hctNeedsCalibration(op_->cameraType()) && calibrationPath.empty())
        throw ZynError(153,
                       "a calibration path (\"calibration_path\") is required for files of "
                       "camera models without a colour calibration of their own");
    if (!op_->setImageType(getAttribute<DCImageType>("image_type")) ||
        !op_->setCalibrationPath(calibrationPath))
        throw op_->status();

    const ZynColorSpacePtr colorSpace = colorSpaceOf(op_->imageType());
    const uint32_t width = op_->width(ZynRVQImageInfo::Full);
    const uint32_t height = op_->height(ZynRVQImageInfo::Full);
    auto coordSpace =
        std::make_shared<ZynXyCoordSpace>(ZynValue{static_cast<double>(width), ZynUnit::Pixel},
                                          ZynValue{static_cast<double>(height), ZynUnit::Pixel});
    for (const auto level : {ZynRVQImageInfo::Full, ZynRVQImageInfo::Thumbnail}) {
        coordSpace->addResolution({op_->width(level), op_->height(level)});
        ops_[level] = std::make_shared<ZynRVQImageSourceOp>(op_, level, colorSpace);
    }
    ZynOutputInfo info;
    ops_[ZynRVQImageInfo::Full]->outputInfo(info);
    publishOutput(colorSpace, coordSpace, info.dataOrg);
}

ZynImageOpPtr ZynRVQImageSource::opForResolution(int, const ZynResolution& resolution) {
    for (const auto& op : ops_)
        if (op && op->resolutions().front() == resolution) return op;
    throw ZynError(3, "Unsupported resolution requested: " + std::to_string(resolution.width) +
                          ", " + std::to_string(resolution.height));
}

void ZynRVQImageSource::postRender() {
    if (!op_ || keepOpen()) return;
    std::lock_guard lock(ZynRVQImageInfo::processLock());
    op_->close();
}
